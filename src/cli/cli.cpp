// SPDX-License-Identifier: MIT
#include "cli/cli.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <ostream>
#include <sstream>

#include "cli/compress_command.h"
#include "cli/locate_command.h"
#include "cli/options.h"
#include "cli/palette_command.h"
#include "cli/palette_values.h"
#include "cli/run_files.h"
#include "cli/tiles_command.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "formats/grey_palette.h"
#include "formats/values.h"
#include "imageio/picture_file.h"
#include "platform/product.h"

namespace glyphon::cli {

namespace {

using formats::FormatInfo;

Result<Command> Usage(std::string message) {
  return Result<Command>::Failure(std::move(message));
}

std::optional<int> ParseInt(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

Result<Command> ParseEncode(std::span<const std::string> args) {
  EncodeCommand command;
  CommandLine line("encode");
  line.Value("--format,-f", FormatOption(command.format));
  line.Value("--rect", RectOption(command.rect));
  line.Value("--partner-image", command.partnerImage);
  line.Value("--partner-data", command.partnerData);
  line.Value("--partner-out", command.partnerOut);
  AddRomOptions(RomVerb::Encode, line, command.rom);
  AddCompressionOptions(line, command.compression, RomVerb::Encode);
  AddValueOptions(line, command.values);
  AddOrderOptions(line, command.order);
  if (Status read = line.Parse(args); !read) return Usage(read.error);
  if (line.HelpWanted()) return Command(HelpCommand{"encode"});
  if (command.format == nullptr) return Usage("encode needs --format");
  if (Status fits = CheckValueOptions(command.values, *command.format, "encode"); !fits)
    return Usage(fits.error);
  if (!command.partnerImage.empty() && !command.partnerData.empty()) {
    return Usage("give --partner-image or --partner-data, not both");
  }
  const std::vector<std::string>& files = line.Files();
  if (files.size() != EncodeFileCount(command.rom))
    return Usage(command.rom.into.empty() ? "encode needs an INPUT picture and an OUTPUT file"
                                          : "encode --into needs an INPUT picture and no OUTPUT");
  command.input = files[0];
  if (command.rom.into.empty()) command.output = files[1];
  if (Status rom = CheckRomOptions(RomVerb::Encode, command.rom, command.output); !rom)
    return Usage(rom.error);
  if (Status c = CheckCompressionOptions(command.compression, command.rom, command.partnerOut); !c)
    return Usage(c.error);
  return Command(command);
}

Result<Command> ParseDecode(std::span<const std::string> args) {
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
  if (Status read = line.Parse(args); !read) return Usage(read.error);
  if (line.HelpWanted()) return Command(HelpCommand{"decode"});
  if (command.format == nullptr) return Usage("decode needs --format");
  if (command.width == 0) return Usage("decode needs --width");
  if (Status fits = CheckValueOptions(command.values, *command.format, "decode"); !fits)
    return Usage(fits.error);
  if (line.Files().size() != 2) return Usage("decode needs an INPUT data file and an OUTPUT picture");
  command.input = line.Files()[0];
  command.output = line.Files()[1];
  return Command(command);
}

// Draws a bar on a terminal, redrawing only when the percentage changes.
class TerminalProgress final : public platform::ProgressSink {
 public:
  TerminalProgress(std::ostream& err, bool enabled) : m_err(err), m_enabled(enabled) {}
  ~TerminalProgress() override {
    if (m_drawn) m_err << "\r" << std::string(60, ' ') << "\r" << std::flush;
  }
  void Report(int percent) override {
    if (!m_enabled || percent == m_last) return;
    m_last = percent;
    const int filled = std::clamp(percent, 0, 100) * 40 / 100;
    m_err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
          << std::string(static_cast<std::size_t>(40 - filled), ' ') << "] " << percent << "%" << std::flush;
    m_drawn = true;
  }

 private:
  std::ostream& m_err;
  bool m_enabled;
  bool m_drawn = false;
  int m_last = -1;
};

// The console names of a format, comma-separated; empty when it has none.
std::string AliasList(const FormatInfo& format) {
  std::string list;
  for (std::string_view alias : formats::Aliases(format)) list.append(list.empty() ? "" : ",").append(alias);
  return list;
}

int RunFormats(std::ostream& out) {
  for (const FormatInfo& format : formats::Formats()) {
    const std::string aliases = AliasList(format);
    out << format.index << '\t' << format.caption << '\t' << format.bitsPerPixel << '\t'
        << (format.HasPartner() ? format.partnerName : "-") << '\t' << (aliases.empty() ? "-" : aliases)
        << '\n';
  }
  return kExitSuccess;
}

// What the selection encodes to is empty: a tiled format stores whole 8 by 8 tiles only,
// a linear one whole groups of pixels.
std::string NoBytes(const FormatInfo& format, const convert::Selection& selection) {
  std::ostringstream why;
  why << "the selection " << selection.x << ',' << selection.y << ',' << selection.width << ','
      << selection.height << " encodes to no bytes in " << format.caption
      << (format.tiled ? ", which stores whole 8 by 8 tiles" : "");
  return why.str();
}

int RunEncode(const EncodeCommand& command, std::ostream& out, std::ostream& err, std::ostream& notes,
              bool showProgress) {
  const FormatInfo& format = *command.format;
  const std::string input = InputName(command.input);
  auto picture = ReadEncodeInput(command.input, command.values);
  if (!picture) return Fail(err, input, picture.Error());
  const platform::Surface& source = picture.Value().pixels;
  const auto selection = PictureSelection(command.values, format, source, command.rect, input, notes);
  if (!selection) return Fail(err, input, selection.Error());
  const auto paletteOut =
      ApplyValueRule(command.values, format, picture.Value(), input, selection.Value(), notes);
  if (!paletteOut) return Fail(err, "", paletteOut.Error());

  convert::PartnerState partner;
  if (!format.HasPartner()) {
    for (const auto& [option, value] : {std::pair{"--partner-image", &command.partnerImage},
                                        std::pair{"--partner-data", &command.partnerData},
                                        std::pair{"--partner-out", &command.partnerOut}}) {
      if (!value->empty()) {
        notes << "glyphon: warning: " << option << " does nothing for " << format.caption
              << ", which has no partner data\n";
      }
    }
  } else if (!command.partnerImage.empty()) {
    auto partnerPicture = ReadPictureInput(command.partnerImage);
    if (!partnerPicture) return Fail(err, InputName(command.partnerImage), partnerPicture.Error());
    partner.picture = std::move(partnerPicture).Value();
  } else if (!command.partnerData.empty()) {
    auto bytes = ReadInput(command.partnerData, platform::kRomDataLimit);
    if (!bytes) return Fail(err, InputName(command.partnerData), bytes.Error());
    partner.data = std::move(bytes).Value();
  }
  // An empty partner data file loads nothing, so the note goes by what was loaded.
  if (format.HasPartner() && !partner.HasPicture() && !partner.HasData()) {
    notes << "glyphon: NOTE: No " << format.partnerName << " data loaded.\n";
  }

  const auto order = SelectionOrder(command.order, format, selection.Value());
  if (!order) return Fail(err, input, order.Error());
  ByteString data;
  {
    TerminalProgress progress(err, showProgress);
    Result<ByteString> encoded = formats::Encode(format, source, selection.Value(), partner, progress);
    // The only failure: the partner picture cannot grow to the selection's size.
    if (!encoded) {
      return Fail(err, InputName(command.partnerImage),
                  encoded.Error() + " to fit the selection of " + input);
    }
    data = std::move(encoded).Value();
  }
  if (data.empty()) return Fail(err, input, NoBytes(format, selection.Value()));
  // A tile order moves the encoded tiles into their stored places; --verify then compares
  // the bytes with the picture of the tiles so moved.
  platform::Surface stored;
  convert::Selection place = selection.Value();
  if (order.Value()) {
    PutBytesInOrder(data, format, selection.Value(), *order.Value());
    if (command.rom.Active()) {
      stored = PictureInStoredOrder(format, source, selection.Value(), *order.Value());
      place = {0, 0, stored.Width(), stored.Height()};
    }
  }
  if (command.compression.scheme)
    return WriteCompressed(command.compression, data, command.rom, command.output,
                           {command.values.paletteOut, paletteOut.Value()}, out, err, notes);
  if (command.rom.Active()) {
    return WriteEncoded({format, order.Value() ? stored : source, place, input, command.output,
                         format.HasPartner() ? command.partnerOut : "", data, partner.data,
                         command.values.paletteOut, paletteOut.Value()},
                        command.rom, out, err, notes);
  }
  return CommitOutputs(out, err,
                       {{command.output, data},
                        {format.HasPartner() ? command.partnerOut : "", partner.data},
                        {command.values.paletteOut, paletteOut.Value()}});
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

// Every file of an encode or decode run, for the collision check.
std::vector<RunFile> FilesOf(const EncodeCommand& c) {
  return {{"INPUT", c.input, FileRole::Input},
          {"--partner-image", c.partnerImage, FileRole::Input},
          {"--partner-data", c.partnerData, FileRole::Input},
          {"--palette", c.values.palette, FileRole::Input},
          {"OUTPUT", c.output, FileRole::Output},
          {"--partner-out", c.partnerOut, FileRole::Output},
          {"--palette-out", c.values.paletteOut, FileRole::Output},
          {"--into", c.rom.into, FileRole::Rom},
          {"--partner-into", c.rom.partnerInto, FileRole::Rom}};
}

std::vector<RunFile> FilesOf(const DecodeCommand& c) {
  return {{"INPUT", c.input, FileRole::Input},
          {"--palette", c.values.palette, FileRole::Input},
          {"OUTPUT", c.output, FileRole::Output},
          {"--partner-out", c.partnerOut, FileRole::Output}};
}

// A command other than encode and decode, read by its own file: a usage error exits 2 and
// points at the command's help.
int RunPrepared(const Result<std::optional<CommandRun>>& prepared, const std::string& verb, std::ostream& out,
                std::ostream& err) {
  if (!prepared) {
    err << "glyphon: " << prepared.Error() << "\nTry 'glyphon " << verb << " --help'.\n";
    return kExitUsage;
  }
  if (!prepared.Value()) {
    out << HelpText(verb);
    return kExitSuccess;
  }
  return Execute(*prepared.Value(), out, err);
}

}  // namespace

Result<Command> ParseArguments(std::span<const std::string> args) {
  if (args.empty())
    return Usage("a command is needed: formats, encode, decode, locate, tiles, untile or palette");
  const std::string& verb = args[0];
  const auto rest = args.subspan(1);
  if (verb == "--help" || verb == "-h" || verb == "help") {
    return Command(HelpCommand{rest.empty() ? "" : rest[0]});
  }
  if (verb == "formats") {
    for (const std::string& arg : rest) {
      if (arg == "--help" || arg == "-h") return Command(HelpCommand{"formats"});
      return Usage("formats takes no arguments");
    }
    return Command(FormatsCommand{});
  }
  if (verb == "encode") return ParseEncode(rest);
  if (verb == "decode") return ParseDecode(rest);
  return Usage("unknown command \"" + verb + "\"");
}

std::string HelpText(const std::string& topic) {
  std::ostringstream text;
  if (topic == "formats") {
    text << "Usage: glyphon formats\n\n"
            "Lists the formats, one a line: index, caption, bits per pixel, the name of the\n"
            "partner data (or -) and the console names --format also takes for it\n"
            "(comma-separated, or -), separated by tabs.\n";
  } else if (topic == "encode") {
    text << "Usage: glyphon encode --format F [--rect X,Y,W,H | --crop]\n"
            "                      [--partner-image FILE | --partner-data FILE]\n"
            "                      [--partner-out FILE] [--verify]\n"
            "                      [--values grey|shade|index|palette] [--palette FILE]\n"
            "                      [--palette-format KIND] [--nearest] [--alpha-threshold N]\n"
            "                      [--colour-rounding nearest|truncate]\n"
            "                      [--palette-out FILE [--palette-out-format KIND]]\n"
            "                      [--order rows|columns] [--object WxH]\n"
            "                      [--object-order rows|columns] [--compression K] INPUT OUTPUT\n"
            "       glyphon encode --format F ... --into ROM --at OFFSET [--grow] [--dry-run]\n"
            "                      [--partner-into ROM --partner-at OFFSET] [--verify]\n"
            "                      [--compression K [--relocate OFF2 [--repoint]]] INPUT\n\n"
            "Converts a rectangle of the picture INPUT (PNG, BMP or GIF) into raw ROM graphics\n"
            "and writes them to OUTPUT.\n\n"
            "  --format F          the format: its caption (\"4bpp SNES\"), its index 0-"
         << formats::kFormatCount - 1
         << ", or\n"
            "                      its short name (\"4bpp-snes\") or a console name\n"
            "                      (\"4bpp-pce\"); see 'glyphon formats'\n"
            "  --rect X,Y,W,H      the selection; it must lie inside the picture (one not of\n"
            "                      whole tiles in a tiled format is warned of). Without it,\n"
            "                      the whole picture, which in a tiled format must be whole\n"
            "                      tiles (see --crop); a linear format rounds it down to\n"
            "                      multiples of 8\n"
            "  --partner-image F   partner picture of the partner formats (FX high/low,\n"
            "                      Mode 7 interleave, N64 alpha)\n"
            "  --partner-data F    partner data of the partner formats, raw bytes\n"
            "  --partner-out F     write the partner data as it stands after the conversion\n"
         << ValueHelp(ValueUse::Encode) << OrderHelp() << RomHelp(RomVerb::Encode)
         << CompressionHelp(RomVerb::Encode)
         << "\n"
            "A file name \"-\" is standard input as an input and standard output as an output.\n";
  } else if (topic == "decode") {
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
  } else if (topic == "compress") {
    text << CompressHelp();
  } else if (topic == "decompress") {
    text << DecompressHelp();
  } else if (topic == "pointers") {
    text << PointersHelp();
  } else if (topic == "scan") {
    text << ScanHelp();
  } else if (topic == "locate") {
    text << LocateHelp();
  } else if (topic == "tiles") {
    text << TilesHelp();
  } else if (topic == "untile") {
    text << UntileHelp();
  } else if (topic == "palette") {
    text << PaletteHelp();
  } else {
    text << "Usage: glyphon COMMAND [OPTIONS]\n\n"
            "Converts pictures to console ROM graphics and back.\n\n"
            "Commands:\n"
            "  formats   list the formats\n"
            "  encode    convert a picture into ROM graphics\n"
            "  decode    convert ROM graphics into a picture\n"
            "  locate    find a picture's bytes in a ROM\n"
            "  tiles     cut a picture into a tile set and a tile map\n"
            "  untile    draw a tile set and its tile map as a picture\n"

            "  palette   convert a palette file, or take the palette of a picture\n"
            "  compress  compress bytes (GBA LZ77, NDS LZ11, SNES LZ2, ...)\n"
            "  decompress  decompress a block at an offset\n"
            "  scan      list where compressed blocks start in a ROM\n"
            "  pointers  list or rewrite a GBA ROM's pointers to an offset\n\n"
            "'glyphon COMMAND --help' tells more; 'glyphon --version' gives the version.\n"
            "Formats:\n";
    for (const FormatInfo& format : formats::Formats()) {
      const std::string name = formats::CliName(format);
      const std::string aliases = AliasList(format);
      text << "  " << format.index << (format.index < 10 ? "   " : "  ") << name;
      if (!aliases.empty())
        text << std::string(name.size() < 18 ? 18 - name.size() : 1, ' ') << "also " << aliases;
      text << "\n";
    }
  }
  return text.str();
}

int Run(std::span<const std::string> args, std::ostream& out, std::ostream& err, bool showProgress) {
  if (args.size() == 1 && args[0] == "--version") {
    out << "glyphon " << kVersion << "\n";
    return kExitSuccess;
  }
  const std::string verb = args.empty() ? "" : args[0];
  const auto rest = args.empty() ? args : args.subspan(1);
  if (verb == "locate") return RunPrepared(PrepareLocate(rest), verb, out, err);
  if (verb == "tiles") return RunPrepared(PrepareTiles(rest), verb, out, err);
  if (verb == "untile") return RunPrepared(PrepareUntile(rest), verb, out, err);
  if (verb == "palette") return RunPrepared(PreparePalette(rest), verb, out, err);
  if (verb == "compress") return RunPrepared(PrepareCompress(rest), verb, out, err);
  if (verb == "decompress") return RunPrepared(PrepareDecompress(rest), verb, out, err);
  if (verb == "scan") return RunPrepared(PrepareScan(rest), verb, out, err);
  if (verb == "pointers") return RunPrepared(PreparePointers(rest), verb, out, err);
  auto parsed = ParseArguments(args);
  if (!parsed) {
    const bool known = verb == "encode" || verb == "decode";
    err << "glyphon: " << parsed.Error() << "\nTry 'glyphon " << (known ? verb + " " : "") << "--help'.\n";
    return kExitUsage;
  }
  const Command& command = parsed.Value();
  if (const auto* help = std::get_if<HelpCommand>(&command)) {
    out << HelpText(help->topic);
    return kExitSuccess;
  }
  if (std::holds_alternative<FormatsCommand>(command)) return RunFormats(out);
  if (const auto* encode = std::get_if<EncodeCommand>(&command)) {
    return Execute({FilesOf(*encode), encode->input,
                    [&](std::ostream& o, std::ostream& e, std::ostream& notes) {
                      return RunEncode(*encode, o, e, notes, showProgress);
                    }},
                   out, err);
  }
  const auto& decode = std::get<DecodeCommand>(command);
  return Execute({FilesOf(decode), decode.input,
                  [&](std::ostream& o, std::ostream& e, std::ostream& notes) {
                    return RunDecode(decode, o, e, notes, showProgress);
                  }},
                 out, err);
}

}  // namespace glyphon::cli
