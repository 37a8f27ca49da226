// SPDX-License-Identifier: MIT
#include "cli/palette_values.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <ostream>
#include <sstream>

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

// Transparency: alpha 0 (or below the threshold) is value 0; any other alpha but 255 is a
// failure without a threshold.
Status ApplyAlpha(const ValueOptions& options, const imageio::PictureFile& picture,
                  const convert::Selection& sel, convert::ValuePlane& values) {
  if (picture.alpha.empty() || values.values.empty()) return Status::Success();
  auto transparent = TransparentPixels(options, picture, sel);
  if (!transparent) return Status::Failure(transparent.Error());
  for (std::size_t i = 0; i < transparent.Value().size(); ++i) {
    if (transparent.Value()[i] != 0) values.values[i] = 0;
  }
  return Status::Success();
}

}  // namespace

Result<std::vector<std::uint8_t>> TransparentPixels(const ValueOptions& options,
                                                    const imageio::PictureFile& picture,
                                                    const convert::Selection& sel) {
  using R = Result<std::vector<std::uint8_t>>;
  std::vector<std::uint8_t> mask;
  if (picture.alpha.empty()) return mask;
  mask.assign(static_cast<std::size_t>(sel.width) * static_cast<std::size_t>(sel.height), 0);
  const auto width = static_cast<std::size_t>(picture.pixels.Width());
  for (int y = 0; y < sel.height; ++y) {
    for (int x = 0; x < sel.width; ++x) {
      if (!picture.pixels.Contains(sel.x + x, sel.y + y)) continue;
      const int alpha =
          picture.alpha[static_cast<std::size_t>(sel.y + y) * width + static_cast<std::size_t>(sel.x + x)];
      bool transparent = alpha == 0;
      if (options.alphaThreshold >= 0) {
        transparent = alpha < options.alphaThreshold;
      } else if (alpha != 0 && alpha != 255) {
        return R::Failure("pixel (" + std::to_string(sel.x + x) + ", " + std::to_string(sel.y + y) +
                          ") is partly transparent (alpha " + std::to_string(alpha) +
                          "); use --alpha-threshold N");
      }
      mask[static_cast<std::size_t>(y) * static_cast<std::size_t>(sel.width) + static_cast<std::size_t>(x)] =
          transparent ? 1 : 0;
    }
  }
  return mask;
}

Result<convert::Selection> PictureSelection(const ValueOptions& options, const formats::FormatInfo& format,
                                            const platform::Surface& source,
                                            const std::optional<convert::Selection>& rect,
                                            const std::string& inputName, std::ostream& notes) {
  return PictureSelection(options, format, source.Width(), source.Height(), rect, inputName, notes);
}

Result<convert::Selection> PictureSelection(const ValueOptions& options, const formats::FormatInfo& format,
                                            int width, int height,
                                            const std::optional<convert::Selection>& rect,
                                            const std::string& inputName, std::ostream& notes) {
  using R = Result<convert::Selection>;
  const int side = format.blockSide;
  const std::string tiles = std::to_string(side) + " by " + std::to_string(side) + " tiles";
  std::ostringstream why;
  if (rect) {
    const convert::Selection r = *rect;
    if (r.x + r.width > width || std::int64_t{r.y} + r.height > height) {
      why << "the rectangle " << r.x << ',' << r.y << ',' << r.width << ',' << r.height
          << " does not lie inside the " << width << " by " << height << " picture";
      return R::Failure(why.str());
    }
    if (r.width == 0 || r.height == 0) {
      why << "the selection is empty (" << r.width << " by " << r.height << " pixels)";
      return R::Failure(why.str());
    }
    if (!format.lockOptional && (r.width % side != 0 || r.height % side != 0)) {
      notes << "glyphon: warning: " << inputName << ": the rectangle " << r.x << ',' << r.y << ',' << r.width
            << ',' << r.height << " is not whole " << tiles << " of " << format.caption
            << ", which the console reads in whole tiles\n";
    }
    return r;
  }
  // The linear formats lay pixels out in rows with no blocks, and take the whole picture
  // rounded down to multiples of 8 without a word, as they always have.
  const int round = format.lockOptional ? 8 : side;
  const convert::Selection whole{0, 0, width / round * round, height / round * round};
  if (!format.lockOptional && (whole.width != width || whole.height != height)) {
    if (!options.crop) {
      why << "the picture is " << width << " by " << height << " pixels, not whole " << tiles << " of "
          << format.caption << "; give --crop for the whole tiles inside";
      return R::Failure(why.str());
    }
    if (whole.width > 0 && whole.height > 0) {
      notes << "glyphon: warning: " << inputName << ": --crop left out";
      if (whole.width != width) notes << " the right " << width - whole.width << " columns";
      if (whole.width != width && whole.height != height) notes << " and";
      if (whole.height != height) notes << " the bottom " << height - whole.height << " rows";
      notes << " of the " << width << " by " << height << " picture\n";
    }
  }
  if (whole.width > 0 && whole.height > 0) return whole;
  why << "the selection is empty (" << width << " by " << height << " pixels, rounded down to multiples of "
      << round << ")";
  return R::Failure(why.str());
}

void NoteNearest(const std::string& inputName, std::int64_t inexact, std::ostream& notes) {
  if (inexact <= 0) return;
  notes << "glyphon: " << inputName << ": " << inexact << (inexact == 1 ? " pixel was" : " pixels were")
        << " not in the palette and took the nearest colour\n";
}

Result<convert::ValuePlane> ChooseValues(const ValueOptions& options, const formats::FormatInfo& format,
                                         const imageio::PictureFile& picture, const std::string& inputName,
                                         const convert::Selection& selection, std::ostream& notes,
                                         palette::Palette* used) {
  if (options.rule == ValueRule::Colour) {
    // Each tile has a palette of its own: tiles takes the colours apart (cli/colour_art.h).
    return FailWith<convert::ValuePlane>(inputName, "--values colour chooses a palette per tile");
  }
  palette::Palette loaded;
  if (options.rule == ValueRule::Palette) {
    auto read = ReadPaletteInput(options.palette, options.Kind());
    if (!read) return Result<convert::ValuePlane>::Failure(read.Error());
    loaded = std::move(read).Value();
  }
  const formats::ValueSource source{picture.pixels, picture.indices, picture.palette, &loaded,
                                    options.nearest};
  Result<formats::ChosenValues> chosen = formats::ValuesUnderRule(options.rule, format, source, selection);
  if (!chosen) return FailWith<convert::ValuePlane>(inputName, chosen.Error());
  NoteNearest(inputName, chosen.Value().inexact, notes);
  Result<convert::ValuePlane> values = std::move(chosen.Value().values);
  if (Status alpha = ApplyAlpha(options, picture, selection, values.Value()); !alpha)
    return FailWith<convert::ValuePlane>(inputName, alpha.error);
  if (used != nullptr) {
    // The palette file's own entries (its kind's fields too), else the colours the rule drew in.
    if (options.rule == ValueRule::Palette) {
      *used = std::move(loaded);
    } else {
      used->colours = std::move(chosen.Value().colours);
    }
  }
  return values;
}

namespace {

int DepthFor(std::size_t entries) {
  return entries <= 2 ? 1 : entries <= 4 ? 2 : entries <= 16 ? 4 : 8;
}

}  // namespace

std::string ValueHelp(ValueUse use) {
  std::string text =
      "  --values RULE       how pixels and values meet: grey (the format's grey level,\n"
      "                      black 0; the default), shade (evenly spaced greys from white\n"
      "                      0 down to black, as the Game Boy counts), index (the index an\n"
      "                      indexed picture stores), palette (the index of the colour in\n"
      "                      --palette). Not for the direct-colour formats\n";
  if (use == ValueUse::Tiles || use == ValueUse::Untile) {
    text +=
        "                      colour: each tile's colours in a sub-palette of its own (see\n"
        "                      Colour art below)\n";
  }
  text +=
      "  --palette F         the palette of --values palette (alone, it chooses that rule)\n"
      "  --palette-format K  the kind of --palette, whatever its extension (see 'glyphon\n"
      "                      palette --help')\n";
  if (DrawsValues(use)) {
    return text +
           "                      Drawing, grey and index draw the format's greys, shade the\n"
           "                      shade levels and palette the palette's colours, as a palette\n"
           "                      PNG whose indices are the values\n";
  }
  text +=
      "  --nearest           a colour not in the palette takes the nearest entry (the\n"
      "                      count of such pixels goes to standard error)\n"
      "  --alpha-threshold N a pixel of alpha below N (0-255) is transparent, the others\n"
      "                      opaque. Without it a fully transparent pixel is value 0 and\n"
      "                      a partly transparent one is refused\n"
      "  --crop              a picture whose sides are not whole tiles (8 by 8, 16 by 16\n"
      "                      in 4bpp PCE Sprite) gives the whole tiles inside, with a\n"
      "                      warning; without it, it is refused\n"
      "  --colour-rounding R 8-bit components to 5 bits (16bpp BGR555, 5-bit palette\n"
      "                      files): nearest (the default) or truncate (c >> 3)\n";
  if (use == ValueUse::Encode || use == ValueUse::Tiles) {
    text +=
        "  --palette-out F     write the palette the run used\n"
        "  --palette-out-format K  the kind of --palette-out, whatever its extension\n"
        "                      (else --palette-format's)\n";
  }
  return text;
}

void AddValueOptions(CommandLine& line, ValueOptions& options) {
  for (const char* option : {"--values", "--palette", "--palette-format", "--palette-out",
                             "--palette-out-format", "--alpha-threshold", "--colour-rounding"}) {
    line.Value(option, [&options, option](const std::string& value) -> std::optional<std::string> {
      if (Status set = SetValueOption(options, option, value); !set) return set.error;
      return std::nullopt;
    });
  }
  line.Flag("--nearest", options.nearest);
  line.Flag("--crop", options.crop);
}

Status SetValueOption(ValueOptions& options, std::string_view option, const std::string& value) {
  if (option == "--values") {
    options.ruleGiven = true;
    if (value == "grey") {
      options.rule = ValueRule::Grey;
    } else if (value == "shade") {
      options.rule = ValueRule::Shade;
    } else if (value == "index") {
      options.rule = ValueRule::Index;
    } else if (value == "palette") {
      options.rule = ValueRule::Palette;
    } else if (value == "colour") {
      options.rule = ValueRule::Colour;
    } else {
      return Status::Failure("--values wants grey, shade, index, palette or colour, not \"" + value + "\"");
    }
  } else if (option == "--palette") {
    options.palette = value;
  } else if (option == "--palette-format") {
    options.kindName = value;
    if (options.Kind() == nullptr)
      return Status::Failure("unknown palette format \"" + value + "\" (one of " + KindNames() + ")");
  } else if (option == "--palette-out") {
    options.paletteOut = value;
  } else if (option == "--palette-out-format") {
    options.outKindName = value;
    if (options.OutKind() == nullptr)
      return Status::Failure("unknown palette format \"" + value + "\" (one of " + KindNames() + ")");
  } else if (option == "--colour-rounding") {
    if (value != "nearest" && value != "truncate")
      return Status::Failure("--colour-rounding wants nearest or truncate, not \"" + value + "\"");
    options.rounding = value == "truncate" ? palette::Rounding::Truncate : palette::Rounding::Nearest;
  } else if (option == "--alpha-threshold") {
    int threshold = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), threshold);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() || threshold < 0 ||
        threshold > 255)
      return Status::Failure("--alpha-threshold wants a whole number from 0 to 255, not \"" + value + "\"");
    options.alphaThreshold = threshold;
  }
  return Status::Success();
}

Status CheckValueOptions(ValueOptions& options, const formats::FormatInfo& format, std::string_view command,
                         ValueUse use) {
  const auto refuse = [](std::string message) { return Status::Failure(std::move(message)); };
  if (!options.palette.empty() && !options.ruleGiven) {
    options.rule = ValueRule::Palette;  // --palette alone chooses its rule
  }
  const bool colour = options.rule == ValueRule::Colour;
  if (colour && use != ValueUse::Tiles && use != ValueUse::Untile)
    return refuse("--values colour is for tiles and untile");
  if (use == ValueUse::Tiles && !colour && !options.paletteOut.empty())
    return refuse("--palette-out on tiles goes with --values colour");
  if (use != ValueUse::Encode && use != ValueUse::Tiles && !options.paletteOut.empty())
    return refuse("--palette-out is an option of encode");
  if (DrawsValues(use) && (options.nearest || options.alphaThreshold >= 0 || options.crop ||
                           options.rounding != palette::Rounding::Nearest))
    return refuse("--nearest, --alpha-threshold, --crop and --colour-rounding read pictures; " +
                  std::string(command) + " draws one");
  if (!options.outKindName.empty() && options.paletteOut.empty())
    return refuse("--palette-out-format goes with --palette-out");
  if (options.rule == ValueRule::Palette && options.palette.empty())
    return refuse("--values palette needs --palette FILE");
  if (colour && use == ValueUse::Untile && options.palette.empty())
    return refuse("untile --values colour needs --palette FILE");
  if (options.rule != ValueRule::Palette && !colour && !options.palette.empty())
    return refuse("--palette goes with --values palette");
  if (options.nearest && (colour ? options.palette.empty() : options.rule != ValueRule::Palette))
    return refuse("--nearest goes with --values palette or with --values colour --palette FILE");
  if (!options.kindName.empty() && options.palette.empty() && options.paletteOut.empty())
    return refuse("--palette-format goes with --palette or --palette-out");
  if (format.HasValues()) return Status::Success();
  const std::string colours = std::string(format.caption) + " stores direct colour, not palette values";
  if (!options.palette.empty() || !options.paletteOut.empty())
    return refuse(std::string(options.palette.empty() ? "--palette-out" : "--palette") +
                  " does not apply: " + colours);
  if (options.rule != ValueRule::Grey)
    return refuse("--values " + std::string(formats::ValueRuleName(options.rule)) +
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
    return imageio::ReadPictureColoursBytes(bytes.Value());
  }
  if (indices) return imageio::ReadPictureFile(name);
  // The other rules read colours and alpha only.
  return imageio::ReadPictureColours(name);
}

Result<ByteString> ApplyValueRule(const ValueOptions& options, const formats::FormatInfo& format,
                                  imageio::PictureFile& picture, const std::string& inputName,
                                  const convert::Selection& selection, std::ostream& notes) {
  using R = Result<ByteString>;
  if (options.rounding == palette::Rounding::Truncate && &format == formats::FindFormat("16bpp-bgr555")) {
    for (int y = 0; y < selection.height; ++y) {
      for (RgbColor& c :
           picture.pixels.Row(selection.y + y)
               .subspan(static_cast<std::size_t>(selection.x), static_cast<std::size_t>(selection.width)))
        c = palette::Rounded(c, 5, palette::Rounding::Truncate);
    }
  }
  // The direct-colour formats store the colours themselves, transparent or not.
  if (!format.HasValues()) return ByteString{};
  palette::Palette used;
  if (options.rule == ValueRule::Grey && picture.alpha.empty()) {
    // The encoder classifies the colours itself.
    if (options.paletteOut.empty()) return ByteString{};
    const auto greys = formats::DecoderColours(format.bitsPerPixel);
    used.colours.assign(greys.begin(), greys.end());
  } else {
    auto values = ChooseValues(options, format, picture, inputName, selection, notes, &used);
    if (!values) return R::Failure(values.Error());
    if (Status painted = formats::PaintValues(format, picture.pixels, selection, values.Value()); !painted)
      return FailWith<ByteString>(inputName, painted.error);
  }
  if (options.paletteOut.empty()) return ByteString{};
  return PaletteFileBytes(options.paletteOut, options.OutKind(), used, options.rounding);
}

bool DrawsOwnColours(const ValueOptions& options) {
  return options.rule == ValueRule::Shade || options.rule == ValueRule::Palette;
}

Result<palette::Palette> DrawingColours(const ValueOptions& options, const formats::FormatInfo& format) {
  palette::Palette colours;
  if (options.rule == ValueRule::Palette) return ReadPaletteInput(options.palette, options.Kind());
  if (options.rule == ValueRule::Shade) {
    colours.colours = formats::ShadeColours(format.bitsPerPixel);
  } else {
    const auto greys = formats::DecoderColours(format.bitsPerPixel);
    colours.colours.assign(greys.begin(), greys.end());
  }
  return colours;
}

bool DrawsEveryValue(const palette::Palette& colours, const formats::FormatInfo& format) {
  return format.HasValues() && colours.colours.size() >= (std::size_t{1} << format.values->bits);
}

void WarnOfValuesBeyond(const ValueOptions& options, const palette::Palette& colours, std::int64_t beyond,
                        std::ostream& notes) {
  if (beyond <= 0) return;
  notes << "glyphon: warning: " << beyond << (beyond == 1 ? " pixel has a value" : " pixels have values")
        << " beyond the " << colours.colours.size() << " colours of " << options.palette << "; drawn black\n";
}

Status WriteValuesPicture(const palette::Palette& colours, int width, int height, const ValuesRowAt& valuesAt,
                          std::uint8_t largest, const std::filesystem::path& outputKind,
                          platform::ByteSink& sink) {
  std::string extension = outputKind.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".png") {
    // Values beyond the palette index black entries added after it.
    std::vector<RgbColor> entries = colours.colours;
    if (entries.size() <= largest) entries.resize(std::size_t{largest} + 1, kBlack);
    return imageio::WriteIndexedPngRows(width, height, valuesAt, entries, DepthFor(entries.size()), sink);
  }
  std::array<RgbColor, 256> colourOf{};  // black past the palette's end
  std::copy_n(colours.colours.begin(), std::min<std::size_t>(256, colours.colours.size()), colourOf.begin());
  std::vector<RgbColor> row(static_cast<std::size_t>(width));
  const imageio::RowAt rowAt = [&](int y) -> std::span<const RgbColor> {
    const std::span<const std::uint8_t> values = valuesAt(y);
    if (values.size() != row.size()) return {};
    std::ranges::transform(values, row.begin(), [&](std::uint8_t v) { return colourOf[v]; });
    return row;
  };
  return imageio::WritePictureRows(outputKind, width, height, rowAt, {}, sink);
}

Result<ByteString> ValuesPictureBytes(const ValueOptions& options, const formats::FormatInfo& format,
                                      const convert::ValuePlane& values,
                                      const std::filesystem::path& outputKind, const std::string& outputName,
                                      std::ostream& notes) {
  auto colours = DrawingColours(options, format);
  if (!colours) return Result<ByteString>::Failure(colours.Error());
  std::int64_t beyond = 0;
  std::uint8_t largest = 0;
  for (const std::uint8_t value : values.values) {
    largest = std::max(largest, value);
    beyond += value >= colours.Value().colours.size() ? 1 : 0;
  }
  WarnOfValuesBeyond(options, colours.Value(), beyond, notes);
  const auto width = static_cast<std::size_t>(values.width);
  ByteString file;
  platform::StringSink sink(file);
  const Status written = WriteValuesPicture(
      colours.Value(), values.width, values.height,
      [&](int y) { return std::span(values.values).subspan(static_cast<std::size_t>(y) * width, width); },
      largest, outputKind, sink);
  if (!written) return FailWith<ByteString>(outputName, written.error);
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
                                    const palette::Palette& palette, palette::Rounding rounding) {
  const std::string shown = name == kStandardStream ? "standard output" : name;
  if (kind == nullptr && name != kStandardStream) kind = palette::PaletteKindOfPath(name);
  if (kind == nullptr) return FailWith<ByteString>(shown, NoKind(name, "--palette-format"));
  if (palette.colours.empty()) return FailWith<ByteString>(shown, "the palette has no colours");
  if (palette.colours.size() > palette::kMaxColours) {
    return FailWith<ByteString>(
        shown, "the palette has " + std::to_string(palette.colours.size()) + " colours, more than 256");
  }
  return kind->write(palette::Rounded(palette, kind->componentBits, rounding));
}

Result<ByteString> IndexedPng(int width, int height, std::span<const std::uint8_t> indices,
                              std::span<const RgbColor> colours) {
  return imageio::IndexedPngBytes(width, height, indices, colours, DepthFor(colours.size()));
}

}  // namespace glyphon::cli
