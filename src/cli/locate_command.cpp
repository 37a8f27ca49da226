#include "cli/locate_command.h"

#include <ostream>
#include <sstream>

#include "cli/options.h"
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
  bool tiles = false;
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
  if (Status read = line.Parse(args); !read) return Parsed::Failure(read.error);
  command.help = line.HelpWanted();
  if (command.help) return command;
  if (command.format == nullptr) return Parsed::Failure("locate needs --format");
  if (line.Files().size() != 2) return Parsed::Failure("locate needs a PICTURE and a ROM file");
  command.picture = line.Files()[0];
  command.rom = line.Files()[1];
  return command;
}

// The selection: the rectangle given, which must lie inside the picture, or the whole
// picture rounded down to multiples of 8.
Result<convert::Selection> SelectionOf(const LocateCommand& command, const platform::Surface& picture) {
  const int width = picture.Width(), height = picture.Height();
  convert::Selection selection{0, 0, width / 8 * 8, height / 8 * 8};
  std::ostringstream why;
  if (command.rect) {
    selection = *command.rect;
    if (selection.x + selection.width > width || selection.y + selection.height > height) {
      why << "the rectangle " << selection.x << ',' << selection.y << ',' << selection.width << ','
          << selection.height << " does not lie inside the " << width << " by " << height << " picture";
      return Result<convert::Selection>::Failure(why.str());
    }
  } else if (selection.width == 0 || selection.height == 0) {
    why << "the selection is empty (" << width << " by " << height
        << " pixels, rounded down to multiples of 8)";
    return Result<convert::Selection>::Failure(why.str());
  }
  return selection;
}

int PrintWhole(const rom::Occurrences& hits, std::size_t length, const std::string& rom, std::ostream& out,
               std::ostream& err) {
  if (hits[0].empty())
    return Fail(err, rom, "the picture's " + std::to_string(length) + " bytes do not occur in it");
  for (std::uint64_t offset : hits[0]) out << platform::HexOffset(offset) << '\n';
  return kExitSuccess;
}

// One line a tile: its number, then its offsets or "-", separated by tabs.
int PrintTiles(const std::vector<rom::TileBytes>& tiles, const rom::Occurrences& hits, const std::string& rom,
               std::ostream& out, std::ostream& err) {
  bool any = false;
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    out << tiles[i].number;
    for (std::uint64_t offset : hits[i]) out << '\t' << platform::HexOffset(offset);
    out << (hits[i].empty() ? "\t-\n" : "\n");
    any = any || !hits[i].empty();
  }
  return any ? kExitSuccess
             : Fail(err, rom, "none of the picture's " + std::to_string(tiles.size()) + " tiles occur in it");
}

int Locate(const LocateCommand& command, std::ostream& out, std::ostream& err) {
  auto picture = imageio::ReadPicture(command.picture);
  if (!picture) return Fail(err, command.picture, picture.Error());
  auto selection = SelectionOf(command, picture.Value());
  if (!selection) return Fail(err, command.picture, selection.Error());
  auto rom = platform::RangeFile::Open(command.rom);
  if (!rom) return Fail(err, command.rom, rom.Error());

  std::vector<rom::TileBytes> tiles;
  std::vector<ByteString> patterns;
  if (command.tiles) {
    tiles = rom::DistinctiveTiles(*command.format, picture.Value(), selection.Value());
    if (tiles.empty())
      return Fail(err, command.picture, "every whole tile of the selection is of one colour");
    for (const rom::TileBytes& tile : tiles) patterns.push_back(tile.bytes);
  } else {
    platform::NullProgress progress;
    convert::PartnerState partner;
    if (const std::string problem = formats::EncodeProblem(*command.format, partner, selection.Value());
        !problem.empty()) {
      return Fail(err, command.picture, problem);
    }
    patterns.push_back(
        formats::Encode(*command.format, picture.Value(), selection.Value(), partner, progress));
    if (patterns[0].empty()) return Fail(err, command.picture, "the selection encodes to no bytes");
  }
  const std::size_t length = patterns[0].size();
  const rom::PatternSearch search(std::move(patterns));
  auto hits = rom::FindInFile(rom.Value(), search);
  if (!hits) return Fail(err, command.rom, hits.Error());
  return command.tiles ? PrintTiles(tiles, hits.Value(), command.rom, out, err)
                       : PrintWhole(hits.Value(), length, command.rom, out, err);
}

}  // namespace

Result<std::optional<CommandRun>> PrepareLocate(std::span<const std::string> args) {
  using Prepared = Result<std::optional<CommandRun>>;
  auto parsed = ParseLocate(args);
  if (!parsed) return Prepared::Failure(parsed.Error());
  if (parsed.Value().help) return std::optional<CommandRun>();
  const LocateCommand command = std::move(parsed).Value();
  return std::optional<CommandRun>(CommandRun{
      {{"PICTURE", command.picture, FileRole::Input}, {"ROM", command.rom, FileRole::Input}},
      command.picture,
      [command](std::ostream& out, std::ostream& err, std::ostream&) { return Locate(command, out, err); }});
}

std::string LocateHelp() {
  return "Usage: glyphon locate --format F [--rect X,Y,W,H] [--tiles] PICTURE ROM\n\n"
         "Encodes a rectangle of PICTURE and prints every offset at which those bytes occur\n"
         "in the file ROM, in hex, one a line.\n\n"
         "  --format F          the format, as for encode\n"
         "  --rect X,Y,W,H      the selection, as for encode\n"
         "  --tiles             look for every whole 8 by 8 tile of the selection on its own:\n"
         "                      one line a tile, its number (row by row from 0), then its\n"
         "                      offsets or -, separated by tabs. Tiles of one colour are left out\n\n"
         "Exit status 1 when nothing is found.\n";
}

}  // namespace glyphon::cli
