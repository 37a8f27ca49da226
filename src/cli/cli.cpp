// SPDX-License-Identifier: MIT
#include "cli/cli.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <sstream>
#include <string_view>

#include "cli/compress_command.h"
#include "cli/compressed_rom.h"
#include "cli/decode_command.h"
#include "cli/encode_command.h"
#include "cli/locate_command.h"
#include "cli/palette_command.h"
#include "cli/tiles_command.h"
#include "core/product.h"
#include "formats/format_table.h"

namespace glyphon::cli {

namespace {

using formats::FormatInfo;
using Prepared = Result<std::optional<CommandRun>>;

// A command of its own file: its name, how its arguments become a run, and its help.
struct CommandEntry {
  std::string_view name;
  Prepared (*prepare)(std::span<const std::string> args, bool showProgress);
  std::string (*help)();
};

// The commands but formats and help, which this file answers itself.
constexpr std::array kCommands = {
    CommandEntry{"encode", PrepareEncode, EncodeHelp},
    CommandEntry{"decode", PrepareDecode, DecodeHelp},
    CommandEntry{"locate", [](std::span<const std::string> args, bool) { return PrepareLocate(args); },
                 LocateHelp},
    CommandEntry{"tiles", [](std::span<const std::string> args, bool) { return PrepareTiles(args); },
                 TilesHelp},
    CommandEntry{"untile", [](std::span<const std::string> args, bool) { return PrepareUntile(args); },
                 UntileHelp},
    CommandEntry{"palette", [](std::span<const std::string> args, bool) { return PreparePalette(args); },
                 PaletteHelp},
    CommandEntry{"compress", [](std::span<const std::string> args, bool) { return PrepareCompress(args); },
                 CompressHelp},
    CommandEntry{"decompress",
                 [](std::span<const std::string> args, bool) { return PrepareDecompress(args); },
                 DecompressHelp},
    CommandEntry{"scan", [](std::span<const std::string> args, bool) { return PrepareScan(args); }, ScanHelp},
    CommandEntry{"pointers", [](std::span<const std::string> args, bool) { return PreparePointers(args); },
                 PointersHelp},
};

const CommandEntry* FindCommand(std::string_view name) {
  const auto* found = std::find_if(kCommands.begin(), kCommands.end(),
                                   [name](const CommandEntry& entry) { return entry.name == name; });
  return found == kCommands.end() ? nullptr : found;
}

Result<Command> Usage(std::string message) {
  return Result<Command>::Failure(std::move(message));
}

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

}  // namespace

Result<Command> ParseArguments(std::span<const std::string> args, bool showProgress) {
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
  if (const CommandEntry* entry = FindCommand(verb)) {
    Prepared prepared = entry->prepare(rest, showProgress);
    if (!prepared) return Usage(prepared.Error());
    if (!prepared.Value()) return Command(HelpCommand{verb});
    return Command(std::move(*std::move(prepared).Value()));
  }
  return Usage("unknown command \"" + verb + "\"");
}

std::string HelpText(const std::string& topic) {
  if (const CommandEntry* entry = FindCommand(topic)) return entry->help();
  std::ostringstream text;
  if (topic == "formats") {
    text << "Usage: glyphon formats\n\n"
            "Lists the formats, one a line: index, caption, bits per pixel, the name of the\n"
            "partner data (or -) and the console names --format also takes for it\n"
            "(comma-separated, or -), separated by tabs.\n";
  } else {
    text << "Usage: glyphon COMMAND [OPTIONS]\n\n"
            "Converts pictures to console ROM graphics and back.\n\n"
            "Commands:\n"
            "  formats     list the formats\n"
            "  encode      convert a picture into ROM graphics\n"
            "  decode      convert ROM graphics into a picture\n"
            "  locate      find a picture's bytes in a ROM\n"
            "  tiles       cut a picture into a tile set and a tile map\n"
            "  untile      draw a tile set and its tile map as a picture\n"
            "  palette     convert a palette file, or take the palette of a picture\n"
            "  compress    compress bytes (GBA LZ77, NDS LZ11, SNES LZ2, ...)\n"
            "  decompress  decompress a block at an offset\n"
            "  scan        list where compressed blocks start in a ROM\n"
            "  pointers    list or rewrite a GBA ROM's pointers to an offset\n\n"
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
  auto parsed = ParseArguments(args, showProgress);
  if (!parsed) {
    // A usage error points at the command's own help when the command is known.
    const std::string verb = !args.empty() && FindCommand(args[0]) ? args[0] + " " : "";
    err << "glyphon: " << parsed.Error() << "\nTry 'glyphon " << verb << "--help'.\n";
    return kExitUsage;
  }
  const Command& command = parsed.Value();
  if (const auto* help = std::get_if<HelpCommand>(&command)) {
    out << HelpText(help->topic);
    return kExitSuccess;
  }
  if (std::holds_alternative<FormatsCommand>(command)) return RunFormats(out);
  return Execute(std::get<CommandRun>(command), out, err);
}

}  // namespace glyphon::cli
