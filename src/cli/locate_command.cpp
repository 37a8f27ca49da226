// SPDX-License-Identifier: MIT
#include "cli/locate_command.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <ostream>
#include <sstream>

#include "cli/options.h"
#include "cli/order_options.h"
#include "cli/palette_values.h"
#include "cli/picture_bands.h"
#include "cli/run_files.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "imageio/picture_file.h"
#include "rom/locate.h"

namespace glyphon::cli {

namespace {

struct LocateCommand {
  const formats::FormatInfo* format = nullptr;
  std::optional<convert::Selection> rect;
  ValueOptions values;
  bool tiles = false;
  std::uint64_t maxMatches = std::numeric_limits<std::uint64_t>::max();  // per tile with --tiles
  OrderOptions order;
  bool help = false;
  std::string picture;
  std::string rom;
};

Result<LocateCommand> ParseLocate(std::span<const std::string> args) {
  using Parsed = Result<LocateCommand>;
  LocateCommand command;
  CommandLine line("locate");
  line.Value("--format,-f", FormatOption(command.format));
  line.Value("--rect", RectOption(command.rect));
  line.Flag("--tiles", command.tiles);
  AddValueOptions(line, command.values);
  line.Value("--max-matches", [&command](const std::string& text) -> std::optional<std::string> {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0)
      return "--max-matches wants a whole number from 1, not \"" + text + "\"";
    command.maxMatches = value;
    return std::nullopt;
  });
  AddOrderOptions(line, command.order);
  if (Status read = line.Parse(args); !read) return Parsed::Failure(read.error);
  command.help = line.HelpWanted();
  if (command.help) return command;
  if (command.format == nullptr) return Parsed::Failure("locate needs --format");
  if (Status fits = CheckValueOptions(command.values, *command.format, "locate", ValueUse::Read); !fits)
    return Parsed::Failure(fits.error);
  if (line.Files().size() != 2) return Parsed::Failure("locate needs a PICTURE and a ROM file");
  command.picture = line.Files()[0];
  command.rom = line.Files()[1];
  return command;
}

// One line an offset, printed as it is found, up to --max-matches.
int PrintWhole(const rom::PatternSearch& search, const LocateCommand& command, const platform::RangeFile& rom,
               std::ostream& out, std::ostream& err) {
  std::uint64_t found = 0;
  const Status searched =
      rom::FindInFile(rom, search, [&](std::span<const std::size_t>, std::uint64_t offset) {
        out << platform::HexOffset(offset) << '\n';
        return ++found < command.maxMatches;
      });
  if (!searched) return Fail(err, command.rom, searched.error);
  if (found == 0) {
    return Fail(err, command.rom,
                "the picture's " + std::to_string(search.Length()) + " bytes do not occur in it");
  }
  return kExitSuccess;
}

// One line a tile: its number, then its offsets (up to --max-matches) or "-", separated by
// tabs. The offsets are logged under the first of equal tiles during the one pass over the
// ROM and printed tile by tile after it.
int PrintTiles(const rom::PatternSearch& search, const std::vector<rom::TileBytes>& tiles,
               const LocateCommand& command, const platform::RangeFile& rom, std::ostream& out,
               std::ostream& err) {
  rom::OccurrenceLog log(tiles.size());
  constexpr std::size_t kNotFound = ~std::size_t{0};
  // Per tile, the first tile equal to it, under which its offsets are logged; set when found.
  std::vector<std::size_t> firstEqual(tiles.size(), kNotFound);
  std::size_t full = 0;  // distinct tiles that reached --max-matches
  Status logged = Status::Success();
  const Status searched =
      rom::FindInFile(rom, search, [&](std::span<const std::size_t> equal, std::uint64_t offset) {
        const std::size_t first = equal.front();
        if (log.Count(first) == 0) {
          for (std::size_t tile : equal) firstEqual[tile] = first;
        }
        if (log.Count(first) == command.maxMatches) return true;
        logged = log.Add(first, offset);
        if (log.Count(first) == command.maxMatches) ++full;
        return logged.Ok() && full < search.Distinct();
      });
  if (!searched) return Fail(err, command.rom, searched.error);
  if (!logged) return Fail(err, command.rom, logged.error);
  bool any = false;
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    out << tiles[i].number;
    const bool found = firstEqual[i] != kNotFound;
    if (found) {
      const Status printed = log.ForEach(
          firstEqual[i], [&](std::uint64_t offset) { out << '\t' << platform::HexOffset(offset); });
      if (!printed) return Fail(err, command.rom, printed.error);
    }
    out << (found ? "\n" : "\t-\n");
    any = any || found;
  }
  return any ? kExitSuccess
             : Fail(err, command.rom,
                    "none of the picture's " + std::to_string(tiles.size()) + " tiles occur in it");
}

int Locate(const LocateCommand& command, std::ostream& out, std::ostream& err, std::ostream& notes) {
  // The whole picture in the plain order is looked for as encode stores it, read a row at a
  // time where it can be.
  if (!command.tiles && command.order.Plain()) {
    platform::NullProgress progress;
    // Within the picture limits nothing is refused here: a picture that is not read by rows
    // is read whole below.
    if (auto encoded = EncodePictureByBands(*command.format, command.values, command.rect, command.picture,
                                            notes, progress);
        encoded && encoded.Value()) {
      auto rom = platform::RangeFile::Open(command.rom);
      if (!rom) return Fail(err, command.rom, rom.Error());
      std::vector<ByteString> patterns;
      patterns.push_back(std::move(encoded.Value()->data));
      const rom::PatternSearch search(std::move(patterns));
      return PrintWhole(search, command, rom.Value(), out, err);
    }
  }
  auto file = ReadEncodeInput(command.picture, command.values);
  if (!file) return Fail(err, command.picture, file.Error());
  const formats::FormatInfo& format = *command.format;
  auto selection =
      PictureSelection(command.values, format, file.Value().pixels, command.rect, command.picture, notes);
  if (!selection) return Fail(err, command.picture, selection.Error());
  // Under every rule but the plain grey one the selection is repainted in the values chosen.
  if (const auto painted =
          ApplyValueRule(command.values, format, file.Value(), command.picture, selection.Value(), notes);
      !painted) {
    return Fail(err, "", painted.Error());
  }
  const platform::Surface& picture = file.Value().pixels;
  auto rom = platform::RangeFile::Open(command.rom);
  if (!rom) return Fail(err, command.rom, rom.Error());

  std::vector<rom::TileBytes> tiles;
  std::vector<ByteString> patterns;
  if (command.tiles) {
    tiles = rom::DistinctiveTiles(*command.format, picture, selection.Value());
    if (tiles.empty())
      return Fail(err, command.picture, "every whole tile of the selection is of one colour");
    for (const rom::TileBytes& tile : tiles) patterns.push_back(tile.bytes);
  } else {
    platform::NullProgress progress;
    convert::PartnerState partner;
    // A picture stored in another tile order is looked for in that order.
    const auto order = SelectionOrder(command.order, *command.format, selection.Value());
    if (!order) return Fail(err, command.picture, order.Error());
    Result<ByteString> encoded =
        formats::Encode(*command.format, picture, selection.Value(), partner, progress);
    if (!encoded) return Fail(err, command.picture, encoded.Error());
    patterns.push_back(std::move(encoded).Value());
    if (order.Value() && !patterns[0].empty())
      PutBytesInOrder(patterns[0], *command.format, selection.Value(), *order.Value());
    if (patterns[0].empty()) return Fail(err, command.picture, "the selection encodes to no bytes");
  }
  const rom::PatternSearch search(std::move(patterns));
  return command.tiles ? PrintTiles(search, tiles, command, rom.Value(), out, err)
                       : PrintWhole(search, command, rom.Value(), out, err);
}

}  // namespace

Result<std::optional<CommandRun>> PrepareLocate(std::span<const std::string> args) {
  using Prepared = Result<std::optional<CommandRun>>;
  auto parsed = ParseLocate(args);
  if (!parsed) return Prepared::Failure(parsed.Error());
  if (parsed.Value().help) return std::optional<CommandRun>();
  const LocateCommand command = std::move(parsed).Value();
  return std::optional<CommandRun>(
      CommandRun{{{"PICTURE", command.picture, FileRole::Input},
                  {"ROM", command.rom, FileRole::Input},
                  {"--palette", command.values.palette, FileRole::Input}},
                 command.picture,
                 [command](std::ostream& out, std::ostream& err, std::ostream& notes) {
                   return Locate(command, out, err, notes);
                 }});
}

std::string LocateHelp() {
  return "Usage: glyphon locate --format F [--rect X,Y,W,H | --crop] [--tiles] [--max-matches N]\n"
         "                      [--values grey|shade|index|palette] [--palette FILE]\n"
         "                      [--palette-format KIND] [--nearest] [--alpha-threshold N]\n"
         "                      [--colour-rounding nearest|truncate]\n"
         "                      [--order rows|columns] [--object WxH]\n"
         "                      [--object-order rows|columns] PICTURE ROM\n\n"
         "Encodes a rectangle of PICTURE and prints every offset at which those bytes occur\n"
         "in the file ROM, in hex, one a line, as they are found.\n\n"
         "  --format F          the format, as for encode\n"
         "  --rect X,Y,W,H      the selection, as for encode\n"
         "  --tiles             look for every whole 8 by 8 tile of the selection on its own\n"
         "                      (16 by 16 sprite in 4bpp PCE Sprite): one line a tile, its\n"
         "                      number (row by row from 0), then its\n"
         "                      offsets or -, separated by tabs. Tiles of one colour are left out\n"
         "  --max-matches N     print the first N offsets (the lowest) and stop; with --tiles,\n"
         "                      the first N of each tile. Without it, every offset\n" +
         ValueHelp(ValueUse::Read) + OrderHelp() +
         "                      (the picture is looked for as stored in that order; --tiles\n"
         "                      looks for each tile alone, whatever the order)\n\n"
         "Exit status 1 when nothing is found.\n";
}

}  // namespace glyphon::cli
