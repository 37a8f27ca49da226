// SPDX-License-Identifier: MIT
#include "cli/decode_command.h"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/compressed_rom.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/order_options.h"
#include "cli/palette_values.h"
#include "cli/rom_options.h"
#include "cli/run_files.h"
#include "cli/terminal_progress.h"
#include "convert/encoding.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "formats/values.h"
#include "imageio/picture_file.h"

namespace glyphon::cli {

namespace {

using formats::FormatInfo;

struct DecodeCommand {
  const formats::FormatInfo* format = nullptr;
  int width = 0;
  std::string partnerOut;
  RomOptions rom;
  ValueOptions values;  // --palette and --palette-format
  OrderOptions order;
  CompressionOptions compression;
  bool help = false;
  std::string input;
  std::string output;
};

template <typename T>
Result<T> Usage(std::string message) {
  return Result<T>::Failure(std::move(message));
}

std::optional<int> ParseInt(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

Result<DecodeCommand> ParseDecode(std::span<const std::string> args) {
  DecodeCommand command;
  CommandLine line("decode");
  line.Value("--format,-f", FormatOption(command.format));
  line.Value("--width,-w", [&command](const std::string& value) -> std::optional<std::string> {
    const auto width = ParseInt(value);
    if (!width || *width < 1 || *width > kMaxPictureSide)
      return "--width wants a whole number from 1 to " + std::to_string(kMaxPictureSide) + ", not \"" +
             value + "\"";
    command.width = *width;
    return std::nullopt;
  });
  line.Value("--partner-out", command.partnerOut);
  AddRomOptions(RomVerb::Decode, line, command.rom);
  AddCompressionOptions(line, command.compression, RomVerb::Decode);
  AddValueOptions(line, command.values);
  AddOrderOptions(line, command.order);
  if (Status read = line.Parse(args); !read) return Usage<DecodeCommand>(read.error);
  if (line.HelpWanted()) {
    command.help = true;
    return command;
  }
  if (command.format == nullptr) return Usage<DecodeCommand>("decode needs --format");
  if (command.width == 0) return Usage<DecodeCommand>("decode needs --width");
  if (Status fits = CheckValueOptions(command.values, *command.format, "decode"); !fits)
    return Usage<DecodeCommand>(fits.error);
  if (line.Files().size() != 2)
    return Usage<DecodeCommand>("decode needs an INPUT data file and an OUTPUT picture");
  command.input = line.Files()[0];
  command.output = line.Files()[1];
  return command;
}

int RunDecode(const DecodeCommand& command, std::ostream& out, std::ostream& err, std::ostream& notes,
              bool showProgress) {
  const FormatInfo& format = *command.format;
  const std::string input = InputName(command.input);
  auto bytes = command.compression.scheme
                   ? ReadCompressedInput(command.input, command.compression, command.rom, notes)
               : command.rom.Ranged() ? ReadDataRange(command.input, command.rom)
                                      : ReadInput(command.input, platform::kRomDataLimit);
  if (!bytes) return Fail(err, input, bytes.Error());
  const ByteString& data = bytes.Value();

  convert::PartnerState partner;
  formats::DecodeResult result;
  {
    TerminalProgress progress(err, showProgress);
    result = formats::Decode(format, data, command.width, formats::DecodeMode::ImageGeneration, &partner,
                             progress);
  }
  if (!result.Ok()) return Fail(err, input, result.failure->Describe());
  if (result.picture.IsEmpty()) {
    return Fail(err, input,
                "no pixels to decode at width " + std::to_string(command.width) + " (" +
                    std::to_string(data.size()) + " bytes)");
  }
  if (auto placed = PictureInOrder(command.order, format, std::move(result.picture)); placed) {
    result.picture = std::move(placed).Value();
  } else {
    return Fail(err, input, placed.Error());
  }
  // A picture on standard output is a PNG; a file's kind follows its extension.
  const std::filesystem::path kind =
      command.output == kStandardStream ? "standard-output.png" : command.output;
  if (DrawsOwnColours(command.values)) {
    const platform::Surface& decoded = result.picture;
    auto coloured = ValuesPictureBytes(
        command.values, format, formats::ValuesOf(format, decoded, {0, 0, decoded.Width(), decoded.Height()}),
        kind, OutputName(command.output), notes);
    if (!coloured) return Fail(err, "", coloured.Error());
    return CommitOutputs(out, err, {{command.output, coloured.Value()}, {command.partnerOut, partner.data}});
  }
  auto file = imageio::PictureFileBytes(kind, result.picture, formats::DecoderColours(format.bitsPerPixel));
  if (!file) return Fail(err, OutputName(command.output), file.Error());
  return CommitOutputs(out, err, {{command.output, file.Value()}, {command.partnerOut, partner.data}});
}

std::vector<RunFile> FilesOf(const DecodeCommand& c) {
  return {{"INPUT", c.input, FileRole::Input},
          {"--palette", c.values.palette, FileRole::Input},
          {"OUTPUT", c.output, FileRole::Output},
          {"--partner-out", c.partnerOut, FileRole::Output}};
}

}  // namespace

Result<std::optional<CommandRun>> PrepareDecode(std::span<const std::string> args, bool showProgress) {
  using Prepared = Result<std::optional<CommandRun>>;
  auto parsed = ParseDecode(args);
  if (!parsed) return Prepared::Failure(parsed.Error());
  if (parsed.Value().help) return std::optional<CommandRun>();
  const DecodeCommand command = std::move(parsed).Value();
  return std::optional<CommandRun>(
      CommandRun{FilesOf(command), command.input,
                 [command, showProgress](std::ostream& out, std::ostream& err, std::ostream& notes) {
                   return RunDecode(command, out, err, notes, showProgress);
                 }});
}

std::string DecodeHelp() {
  std::ostringstream text;
  text << "Usage: glyphon decode --format F --width N [--offset N] [--length L]\n"
          "                      [--partner-out FILE] [--values grey|shade|index|palette]\n"
          "                      [--palette FILE] [--palette-format KIND]\n"
          "                      [--order rows|columns] [--object WxH]\n"
          "                      [--object-order rows|columns] [--compression K]\n"
          "                      INPUT OUTPUT\n\n"
          "Decodes the raw ROM graphics INPUT at width N into a picture. OUTPUT's extension\n"
          "picks the picture kind: .bmp (24-bit) or .png (up to 8 bits per pixel a palette\n"
          "or grey PNG of the decoded colours, else 8-bit RGB).\n\n"
          "  --format F          the format, as for encode\n"
          "  --width N           the picture width in pixels, 1 or more\n"
          "  --partner-out F     write the partner data rebuilt by the decode (the Mode 7\n"
          "                      interleave bytes of \"8bpp Mode7 Int\"; empty otherwise)\n"
       << ValueHelp(ValueUse::Draw) << OrderHelp()
       << "                      (the width is the picture's; the objects fill it row by row)\n"
       << RomHelp(RomVerb::Decode) << CompressionHelp(RomVerb::Decode)
       << "\n"
          "A file name \"-\" is standard input as an input and standard output as an output;\n"
          "a picture written to standard output is a PNG.\n";
  return text.str();
}

}  // namespace glyphon::cli
