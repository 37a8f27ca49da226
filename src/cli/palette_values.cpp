#include "cli/palette_values.h"

#include <algorithm>
#include <ostream>

#include "cli/run_files.h"
#include "formats/grey_palette.h"
#include "formats/values.h"
#include "palette/palette_match.h"

namespace glyphon::cli {

namespace {

template <class T>
Result<T> FailWith(const std::string& file, const std::string& cause) {
  return Result<T>::Failure(file + ": " + cause);
}

std::string KindNames() {
  std::string names;
  for (const palette::PaletteKind& kind : palette::PaletteKinds())
    names += (names.empty() ? "" : ", ") + std::string(kind.name);
  return names;
}

std::string NoKind(const std::string& name, std::string_view kindOption) {
  if (name == kStandardStream) return "a palette on a standard stream needs " + std::string(kindOption);
  const std::string extension = std::filesystem::path(name).extension().string();
  return (extension.empty() ? std::string("a name without extension")
                            : "the extension \"" + extension + "\"") +
         " names no palette kind; give " + std::string(kindOption) + " (" + KindNames() + ")";
}

std::string_view RuleName(ValueRule rule) {
  return rule == ValueRule::Index ? "index" : rule == ValueRule::Palette ? "palette" : "grey";
}

// Repaints the selection in the colours the format draws its values in, `valuesOf(y)`
// giving row y of the selection's values; the picture keeps its buffer, so no second
// picture of the source's size is built. Stops at the first row holding a value beyond the
// format's bits and names its first such pixel (the run then writes nothing).
template <class RowFn>
Status PaintValues(const formats::FormatInfo& format, platform::Surface& picture,
                   const convert::Selection& sel, RowFn&& valuesOf) {
  const auto& colours = format.values->colourOfIndex;
  const auto width = static_cast<std::size_t>(sel.width);
  const std::uint8_t limit = static_cast<std::uint8_t>(format.values->MaxIndex());
  for (int y = 0; y < sel.height; ++y) {
    const std::uint8_t* from = valuesOf(y);
    const auto to = picture.Row(sel.y + y).subspan(static_cast<std::size_t>(sel.x));
    // The limit is 2^bits - 1, so a value beyond it sets a bit above the limit's.
    std::uint8_t seen = 0;
    for (std::size_t x = 0; x < width; ++x) {
      seen |= from[x];
      to[x] = colours[from[x]];
    }
    if (seen > limit) {
      convert::ValuePlane row(sel.width, 1);
      std::copy(from, from + width, row.values.begin());
      return formats::CheckValuesFit(format, row, sel.x, sel.y + y);
    }
  }
  return Status::Success();
}

// Paints the stored indices of the selection straight from the file's plane of them.
Status PaintIndices(const formats::FormatInfo& format, imageio::PictureFile& picture,
                    const convert::Selection& sel) {
  const auto width = static_cast<std::size_t>(picture.pixels.Width());
  return PaintValues(format, picture.pixels, sel, [&](int y) {
    return picture.indices.data() + static_cast<std::size_t>(sel.y + y) * width +
           static_cast<std::size_t>(sel.x);
  });
}

// The values of the selection under --values palette, and the palette.
struct ChosenValues {
  convert::ValuePlane values;
  palette::Palette used;
};

Result<ChosenValues> PaletteValues(const ValueOptions& options, const imageio::PictureFile& picture,
                                   const std::string& inputName, const convert::Selection& selection,
                                   std::ostream& notes) {
  using R = Result<ChosenValues>;
  auto loaded = ReadPaletteInput(options.palette, options.Kind());
  if (!loaded) return R::Failure(loaded.Error());
  palette::Palette used = std::move(loaded).Value();
  if (options.nearest) {
    palette::NearestValues nearest = palette::NearestValuesOf(used, picture.pixels, selection);
    notes << "glyphon: " << inputName << ": " << nearest.inexact
          << (nearest.inexact == 1 ? " pixel was" : " pixels were")
          << " not in the palette and took the nearest colour\n";
    return ChosenValues{std::move(nearest.values), std::move(used)};
  }
  auto exact = palette::ExactValues(used, picture.pixels, selection);
  if (!exact) return FailWith<ChosenValues>(inputName, exact.Error());
  return ChosenValues{std::move(exact).Value(), std::move(used)};
}

// Paints the chosen values into the selection; the palette they index.
Result<palette::Palette> PaintChosenValues(const ValueOptions& options, const formats::FormatInfo& format,
                                           imageio::PictureFile& picture, const std::string& inputName,
                                           const convert::Selection& selection, std::ostream& notes) {
  using R = Result<palette::Palette>;
  if (options.rule == ValueRule::Index) {
    if (picture.indices.empty()) {
      return FailWith<palette::Palette>(
          inputName,
          "the picture stores colours, not palette indices (--values index needs "
          "a palette PNG, a BMP with a colour table or a GIF)");
    }
    if (Status painted = PaintIndices(format, picture, selection); !painted)
      return FailWith<palette::Palette>(inputName, painted.error);
    return palette::Palette{picture.palette};
  }
  auto chosen = PaletteValues(options, picture, inputName, selection, notes);
  if (!chosen) return R::Failure(chosen.Error());
  const convert::ValuePlane& values = chosen.Value().values;
  const Status painted = PaintValues(format, picture.pixels, selection,
                                     [&](int y) { return values.values.data() + values.Index(0, y); });
  if (!painted) return FailWith<palette::Palette>(inputName, painted.error);
  return std::move(chosen.Value().used);
}

int DepthFor(std::size_t entries) {
  return entries <= 2 ? 1 : entries <= 4 ? 2 : entries <= 16 ? 4 : 8;
}

}  // namespace

void AddValueOptions(CommandLine& line, ValueOptions& options) {
  for (const char* option : {"--values", "--palette", "--palette-format", "--palette-out"}) {
    line.Value(option, [&options, option](const std::string& value) -> std::optional<std::string> {
      if (Status set = SetValueOption(options, option, value); !set) return set.error;
      return std::nullopt;
    });
  }
  line.Flag("--nearest", options.nearest);
}

Status SetValueOption(ValueOptions& options, std::string_view option, const std::string& value) {
  if (option == "--values") {
    options.ruleGiven = true;
    if (value == "grey") {
      options.rule = ValueRule::Grey;
    } else if (value == "index") {
      options.rule = ValueRule::Index;
    } else if (value == "palette") {
      options.rule = ValueRule::Palette;
    } else {
      return Status::Failure("--values wants grey, index or palette, not \"" + value + "\"");
    }
  } else if (option == "--palette") {
    options.palette = value;
  } else if (option == "--palette-format") {
    options.kindName = value;
    if (options.Kind() == nullptr)
      return Status::Failure("unknown palette format \"" + value + "\" (one of " + KindNames() + ")");
  } else if (option == "--palette-out") {
    options.paletteOut = value;
  }
  return Status::Success();
}

Status CheckValueOptions(ValueOptions& options, const formats::FormatInfo& format, std::string_view command) {
  const auto refuse = [](std::string message) { return Status::Failure(std::move(message)); };
  if (command == "decode") {
    if (options.ruleGiven || options.nearest || !options.paletteOut.empty())
      return refuse("--values, --nearest and --palette-out are options of encode");
  } else if (!options.palette.empty() && !options.ruleGiven) {
    options.rule = ValueRule::Palette;  // --palette alone chooses its rule
  }
  if (command == "encode" && options.rule == ValueRule::Palette && options.palette.empty())
    return refuse("--values palette needs --palette FILE");
  if (command == "encode" && options.rule != ValueRule::Palette && !options.palette.empty())
    return refuse("--palette goes with --values palette");
  if (options.nearest && options.rule != ValueRule::Palette)
    return refuse("--nearest goes with --values palette");
  if (!options.kindName.empty() && options.palette.empty() && options.paletteOut.empty())
    return refuse("--palette-format goes with --palette or --palette-out");
  if (format.HasValues()) return Status::Success();
  const std::string colours = std::string(format.caption) + " stores direct colour, not palette values";
  if (options.rule != ValueRule::Grey)
    return refuse("--values " + std::string(RuleName(options.rule)) + " does not apply: " + colours);
  if (!options.palette.empty() || !options.paletteOut.empty())
    return refuse(std::string(options.palette.empty() ? "--palette-out" : "--palette") +
                  " does not apply: " + colours);
  return Status::Success();
}

Result<imageio::PictureFile> ReadEncodeInput(const std::string& name, const ValueOptions& options) {
  using R = Result<imageio::PictureFile>;
  const bool indices = options.rule == ValueRule::Index;
  if (name == kStandardStream) {
    auto bytes = ReadInput(name, platform::kPictureFileLimit);
    if (!bytes) return R::Failure(bytes.Error());
    if (indices) return imageio::ReadPictureFileBytes(bytes.Value());
    auto picture = imageio::ReadPictureBytes(bytes.Value());
    if (!picture) return R::Failure(picture.Error());
    return imageio::PictureFile{std::move(picture).Value(), {}, {}};
  }
  if (indices) return imageio::ReadPictureFile(name);
  // The grey and palette rules read colours only, as encode always has.
  auto picture = imageio::ReadPicture(name);
  if (!picture) return R::Failure(picture.Error());
  return imageio::PictureFile{std::move(picture).Value(), {}, {}};
}

Result<ByteString> ApplyValueRule(const ValueOptions& options, const formats::FormatInfo& format,
                                  imageio::PictureFile& picture, const std::string& inputName,
                                  const convert::Selection& selection, std::ostream& notes) {
  using R = Result<ByteString>;
  palette::Palette used;
  if (options.rule == ValueRule::Grey) {
    if (options.paletteOut.empty()) return ByteString{};
    const auto greys = formats::DecoderColours(format.bitsPerPixel);
    used.colours.assign(greys.begin(), greys.end());
  } else {
    auto painted = PaintChosenValues(options, format, picture, inputName, selection, notes);
    if (!painted) return R::Failure(painted.Error());
    used = std::move(painted).Value();
  }
  if (options.paletteOut.empty()) return ByteString{};
  return PaletteFileBytes(options.paletteOut, options.Kind(), used);
}

Result<ByteString> PalettePictureBytes(const ValueOptions& options, const formats::FormatInfo& format,
                                       const platform::Surface& decoded,
                                       const std::filesystem::path& outputKind, const std::string& outputName,
                                       std::ostream& notes) {
  using R = Result<ByteString>;
  auto loaded = ReadPaletteInput(options.palette, options.Kind());
  if (!loaded) return R::Failure(loaded.Error());
  const palette::Palette& colours = loaded.Value();
  const convert::ValuePlane values =
      formats::ValuesOf(format, decoded, {0, 0, decoded.Width(), decoded.Height()});
  std::int64_t beyond = 0;
  std::uint8_t largest = 0;
  for (const std::uint8_t value : values.values) {
    largest = std::max(largest, value);
    beyond += value >= colours.colours.size() ? 1 : 0;
  }
  if (beyond > 0) {
    notes << "glyphon: warning: " << beyond << (beyond == 1 ? " pixel has a value" : " pixels have values")
          << " beyond the " << colours.colours.size() << " colours of " << options.palette
          << "; drawn black\n";
  }
  std::string extension = outputKind.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".png") {
    // Values beyond the palette index black entries added after it.
    std::vector<RgbColor> entries = colours.colours;
    if (entries.size() <= largest) entries.resize(std::size_t{largest} + 1, kBlack);
    auto png = IndexedPng(values.width, values.height, values.values, entries);
    if (!png) return FailWith<ByteString>(outputName, png.Error());
    return png;
  }
  const palette::PaletteDrawing drawing = palette::DrawValues(colours, values);
  auto file = imageio::PictureFileBytes(outputKind, drawing.picture);
  if (!file) return FailWith<ByteString>(outputName, file.Error());
  return file;
}

Result<palette::Palette> ReadPaletteInput(const std::string& name, const palette::PaletteKind* kind,
                                          std::string_view kindOption) {
  using R = Result<palette::Palette>;
  if (name == kStandardStream) {
    if (kind == nullptr) return FailWith<palette::Palette>("standard input", NoKind(name, kindOption));
    auto bytes = ReadInput(name, platform::kPaletteFileLimit);
    if (!bytes) return FailWith<palette::Palette>("standard input", bytes.Error());
    auto read = kind->read(bytes.Value());
    if (!read) return FailWith<palette::Palette>("standard input", read.Error());
    return read;
  }
  if (kind == nullptr && palette::PaletteKindOfPath(name) == nullptr)
    return FailWith<palette::Palette>(name, NoKind(name, kindOption));
  auto read = palette::LoadPalette(name, kind);
  if (!read) return R::Failure(name + ": " + read.Error());
  return read;
}

Result<ByteString> PaletteFileBytes(const std::string& name, const palette::PaletteKind* kind,
                                    const palette::Palette& palette) {
  const std::string shown = name == kStandardStream ? "standard output" : name;
  if (kind == nullptr && name != kStandardStream) kind = palette::PaletteKindOfPath(name);
  if (kind == nullptr) return FailWith<ByteString>(shown, NoKind(name, "--palette-format"));
  if (palette.colours.empty()) return FailWith<ByteString>(shown, "the palette has no colours");
  if (palette.colours.size() > palette::kMaxColours) {
    return FailWith<ByteString>(
        shown, "the palette has " + std::to_string(palette.colours.size()) + " colours, more than 256");
  }
  return kind->write(palette);
}

Result<ByteString> IndexedPng(int width, int height, std::span<const std::uint8_t> indices,
                              std::span<const RgbColor> colours) {
  return imageio::IndexedPngBytes(width, height, indices, colours, DepthFor(colours.size()));
}

}  // namespace glyphon::cli
