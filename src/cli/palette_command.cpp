// SPDX-License-Identifier: MIT
#include "cli/palette_command.h"

#include <algorithm>
#include <ostream>

#include "cli/options.h"
#include "cli/palette_values.h"
#include "cli/run_files.h"
#include "imageio/picture_file.h"

namespace glyphon::cli {

namespace {

// A swatch draws each colour as a square of 16 by 16 pixels, 16 colours a row.
constexpr int kSwatchCell = 16;
constexpr int kSwatchColumns = 16;

struct PaletteCommand {
  const palette::PaletteKind* inputKind = nullptr;
  const palette::PaletteKind* outputKind = nullptr;
  palette::Rounding rounding = palette::Rounding::Nearest;
  bool help = false;
  std::string input;
  std::string output;
};

// A palette kind by name into `into`.
CommandLine::Take KindOption(const palette::PaletteKind*& into) {
  return [&into](const std::string& name) -> std::optional<std::string> {
    ValueOptions kind;
    if (Status known = SetValueOption(kind, "--palette-format", name); !known) return known.error;
    into = kind.Kind();
    return std::nullopt;
  };
}

Result<PaletteCommand> ParsePalette(std::span<const std::string> args) {
  using Parsed = Result<PaletteCommand>;
  PaletteCommand command;
  CommandLine line("palette");
  line.Value("--input-format", KindOption(command.inputKind));
  line.Value("--palette-format", KindOption(command.outputKind));
  line.Value("--palette-out-format", KindOption(command.outputKind));
  line.Value("--colour-rounding", [&command](const std::string& value) -> std::optional<std::string> {
    ValueOptions options;
    if (Status set = SetValueOption(options, "--colour-rounding", value); !set) return set.error;
    command.rounding = options.rounding;
    return std::nullopt;
  });
  if (Status read = line.Parse(args); !read) return Parsed::Failure(read.error);
  command.help = line.HelpWanted();
  if (command.help) return command;
  if (line.Files().size() != 2)
    return Parsed::Failure("palette needs an INPUT palette or indexed picture and an OUTPUT file");
  command.input = line.Files()[0];
  command.output = line.Files()[1];
  return command;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// A palette file by --input-format or its extension; anything else is read as a picture,
// whose palette it must hold.
Result<palette::Palette> ReadSource(const PaletteCommand& command) {
  using R = Result<palette::Palette>;
  const std::string& name = command.input;
  const bool fromStream = name == kStandardStream;
  if (command.inputKind != nullptr || (!fromStream && palette::PaletteKindOfPath(name) != nullptr))
    return ReadPaletteInput(name, command.inputKind, "--input-format");
  const std::string shown = InputName(name);
  auto picture = ReadPictureFileInput(name);
  if (!picture) {
    return R::Failure(shown + ": " + picture.Error() +
                      " (a palette file whose extension names no kind needs --input-format)");
  }
  if (picture.Value().palette.empty()) {
    return R::Failure(shown +
                      ": the picture has no palette (it is no palette PNG, BMP with a colour table or GIF)");
  }
  return palette::Palette{std::move(picture.Value().palette)};
}

// Every colour a square, row by row; squares past the last colour show the first.
Result<ByteString> SwatchBytes(const palette::Palette& colours) {
  const int count = static_cast<int>(colours.colours.size());
  const int columns = std::min(count, kSwatchColumns);
  const int rows = (count + kSwatchColumns - 1) / kSwatchColumns;
  const int width = columns * kSwatchCell, height = rows * kSwatchCell;
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int entry = y / kSwatchCell * kSwatchColumns + x / kSwatchCell;
      indices[static_cast<std::size_t>(y * width + x)] = static_cast<std::uint8_t>(entry < count ? entry : 0);
    }
  }
  return IndexedPng(width, height, indices, colours.colours);
}

int ConvertPalette(const PaletteCommand& command, std::ostream& out, std::ostream& err) {
  const auto source = ReadSource(command);
  if (!source) return Fail(err, "", source.Error());
  if (source.Value().colours.empty() || source.Value().colours.size() > palette::kMaxColours)
    return Fail(err, InputName(command.input), "a palette holds 1 to 256 colours");
  const bool swatch = command.outputKind == nullptr && command.output != kStandardStream &&
                      Lower(std::filesystem::path(command.output).extension().string()) == ".png";
  const auto bytes =
      swatch ? SwatchBytes(source.Value())
             : PaletteFileBytes(command.output, command.outputKind, source.Value(), command.rounding);
  // The palette file's messages name it; the swatch's say what went wrong only.
  if (!bytes) return Fail(err, swatch ? OutputName(command.output) : "", bytes.Error());
  return CommitOutputs(out, err, {{command.output, bytes.Value()}});
}

}  // namespace

Result<std::optional<CommandRun>> PreparePalette(std::span<const std::string> args) {
  using Prepared = Result<std::optional<CommandRun>>;
  auto parsed = ParsePalette(args);
  if (!parsed) return Prepared::Failure(parsed.Error());
  if (parsed.Value().help) return std::optional<CommandRun>();
  const PaletteCommand command = std::move(parsed).Value();
  return std::optional<CommandRun>(
      CommandRun{{{"INPUT", command.input, FileRole::Input}, {"OUTPUT", command.output, FileRole::Output}},
                 command.input,
                 [command](std::ostream& out, std::ostream& err, std::ostream&) {
                   return ConvertPalette(command, out, err);
                 }});
}

std::string PaletteHelp() {
  std::string text =
      "Usage: glyphon palette [--input-format KIND] [--palette-out-format KIND]\n"
      "                       [--colour-rounding nearest|truncate] INPUT OUTPUT\n\n"
      "Reads a palette file, or the palette of an indexed picture (a palette PNG, a BMP\n"
      "with a colour table, a GIF), and writes it as OUTPUT: a palette file of the kind\n"
      "OUTPUT's extension names, or a swatch PNG (16 by 16 pixels a colour, 16 a row)\n"
      "when OUTPUT ends in .png.\n\n"
      "  --input-format K    the palette kind of INPUT when its extension names none\n"
      "  --palette-out-format K  the palette kind of OUTPUT, whatever its extension\n"
      "                      (--palette-format also names it)\n"
      "  --colour-rounding R how 8-bit components go to the 5 or 3 bits of the console\n"
      "                      kinds: nearest (the default, the nearest level) or truncate\n"
      "                      (the low bits dropped, c >> 3, as many other tools write)\n\n"
      "Kinds, and the extensions that name them:\n";
  for (const palette::PaletteKind& kind : palette::PaletteKinds()) {
    std::string line = "  " + std::string(kind.name);
    line.resize(12, ' ');
    line += kind.extensions.empty() ? "-" : std::string(kind.extensions);
    line.resize(24, ' ');
    text += line + std::string(kind.description) + "\n";
  }
  text += "\nA file name \"-\" is standard input as INPUT and standard output as OUTPUT.\n";
  return text;
}

}  // namespace glyphon::cli
