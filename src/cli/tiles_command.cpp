#include "cli/tiles_command.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <ostream>
#include <type_traits>

#include "cli/options.h"
#include "cli/run_files.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "formats/grey_palette.h"
#include "formats/values.h"
#include "imageio/picture_file.h"
#include "tiles/map_layout.h"
#include "tiles/tile_set.h"

namespace glyphon::cli {

namespace {

using formats::FormatInfo;
using tiles::MapLayout;

// A column of tiles is 8 rows a tile and a picture at most 32767 rows high, so tile sets
// are encoded and decoded in runs of this many tiles.
constexpr std::size_t kTilesPerRun = kMaxPictureSide / tiles::kTileSide;

// Where the values of the picture's pixels come from.
enum class ValueSource {
  Grey,  // the colour classified under the format's grey rule, as encode does
  Index  // the palette index the file stores (a palette PNG, a BMP with a colour table, a GIF)
};

struct TilesCommand {
  const FormatInfo* format = nullptr;
  ValueSource values = ValueSource::Grey;
  bool dedupe = false;
  bool flips = false;
  const MapLayout* layout = nullptr;
  std::string mapOut;
  std::string attrOut;
  std::optional<std::int64_t> baseTile;
  std::optional<std::int64_t> palette;
  bool priority = false;
  bool help = false;
  std::string input;
  std::string output;
};

struct UntileCommand {
  const FormatInfo* format = nullptr;
  const MapLayout* layout = nullptr;
  int widthTiles = 0;
  std::int64_t baseTile = 0;
  std::string attr;
  bool help = false;
  std::string tiles;
  std::string map;
  std::string output;
};

template <class T>
Result<T> Usage(std::string message) {
  return Result<T>::Failure(std::move(message));
}

std::optional<std::int64_t> ParseNumber(std::string_view text, std::int64_t low, std::int64_t high) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::string TiledFormatNames() {
  std::string names;
  for (const FormatInfo& format : formats::Formats()) {
    if (format.tiled) names.append(names.empty() ? "" : ", ").append(format.caption);
  }
  return names;
}

// A format that stores whole 8 by 8 tiles in order.
Result<const FormatInfo*> TiledFormat(const std::string& name) {
  const FormatInfo* format = formats::FindFormat(name);
  if (format == nullptr)
    return Usage<const FormatInfo*>("unknown format \"" + name + "\" (see 'glyphon formats')");
  if (!format->tiled) {
    return Usage<const FormatInfo*>("\"" + std::string(format->caption) +
                                    "\" does not store 8 by 8 tiles; tile sets use " + TiledFormatNames());
  }
  return format;
}

Result<const MapLayout*> Layout(const std::string& name) {
  const MapLayout* layout = tiles::FindMapLayout(name);
  if (layout == nullptr)
    return Usage<const MapLayout*>("unknown map layout \"" + name + "\" (" + tiles::MapLayoutNames() + ")");
  return layout;
}

using Problem = std::optional<std::string>;

CommandLine::Take TiledFormatOption(const FormatInfo*& into) {
  return [&into](const std::string& name) -> Problem {
    auto format = TiledFormat(name);
    if (!format) return format.Error();
    into = format.Value();
    return std::nullopt;
  };
}

CommandLine::Take LayoutOption(const MapLayout*& into) {
  return [&into](const std::string& name) -> Problem {
    auto layout = Layout(name);
    if (!layout) return layout.Error();
    into = layout.Value();
    return std::nullopt;
  };
}

// A whole number from `low` to `high`; `what` is what the message calls the option.
template <class Number>
CommandLine::Take NumberOption(std::string what, std::int64_t low, std::int64_t high, Number& into) {
  return [what = std::move(what), low, high, &into](const std::string& text) -> Problem {
    const auto number = ParseNumber(text, low, high);
    if (!number)
      return what + " wants a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
             ", not \"" + text + "\"";
    if constexpr (std::is_same_v<Number, int>) {
      into = static_cast<int>(*number);  // the range is within int
    } else {
      into = *number;
    }
    return std::nullopt;
  };
}

// The checks across options: a map needs its layout, and the layout must carry what is asked.
std::optional<std::string> CheckTilesOptions(const TilesCommand& command) {
  if (command.mapOut.empty() != (command.layout == nullptr))
    return command.layout ? "--map-layout needs --map-out FILE" : "--map-out needs --map-layout";
  if (!command.layout) {
    if (!command.attrOut.empty()) return "--attr-out needs --map-out and --map-layout gbc";
    if (command.baseTile || command.palette || command.priority)
      return "--base-tile, --palette-number and --priority need --map-out";
    return std::nullopt;
  }
  const MapLayout& layout = *command.layout;
  if (layout.attributeMap && command.attrOut.empty())
    return "the " + std::string(layout.name) + " map layout needs --attr-out FILE for its attribute map";
  if (!layout.attributeMap && !command.attrOut.empty())
    return "the " + std::string(layout.name) + " map layout has no attribute map";
  const Status fits = tiles::CheckMapOptions(layout, command.flips,
                                             static_cast<int>(command.palette.value_or(0)), command.priority);
  if (!fits) return fits.error;
  return std::nullopt;
}

Result<TilesCommand> ParseTiles(std::span<const std::string> args) {
  TilesCommand command;
  CommandLine line("tiles");
  line.Value("--format,-f", TiledFormatOption(command.format));
  line.Value("--values", [&command](const std::string& value) -> Problem {
    if (value != "grey" && value != "index") return "--values wants grey or index, not \"" + value + "\"";
    command.values = value == "grey" ? ValueSource::Grey : ValueSource::Index;
    return std::nullopt;
  });
  line.Flag("--dedupe", command.dedupe);
  line.Flag("--flips", command.flips);
  line.Flag("--priority", command.priority);
  line.Value("--map-layout", LayoutOption(command.layout));
  line.Value("--map-out", command.mapOut);
  line.Value("--attr-out", command.attrOut);
  line.Value("--base-tile", NumberOption("--base-tile", 0, 0xFFFF, command.baseTile));
  line.Value("--palette-number", NumberOption("--palette-number", 0, 0xFF, command.palette));
  if (Status read = line.Parse(args); !read) return Usage<TilesCommand>(read.error);
  command.help = line.HelpWanted();
  if (command.help) return command;
  if (command.format == nullptr) return Usage<TilesCommand>("tiles needs --format");
  if (auto error = CheckTilesOptions(command)) return Usage<TilesCommand>(*error);
  if (line.Files().size() != 2) return Usage<TilesCommand>("tiles needs an INPUT picture and a TILES file");
  command.input = line.Files()[0];
  command.output = line.Files()[1];
  return command;
}

Result<UntileCommand> ParseUntile(std::span<const std::string> args) {
  UntileCommand command;
  CommandLine line("untile");
  line.Value("--format,-f", TiledFormatOption(command.format));
  line.Value("--map-layout", LayoutOption(command.layout));
  line.Value("--width-tiles",
             NumberOption("--width-tiles", 1, static_cast<std::int64_t>(kTilesPerRun), command.widthTiles));
  line.Value("--attr", command.attr);
  line.Value("--base-tile", NumberOption("--base-tile", 0, 0xFFFF, command.baseTile));
  if (Status read = line.Parse(args); !read) return Usage<UntileCommand>(read.error);
  command.help = line.HelpWanted();
  if (command.help) return command;
  if (command.format == nullptr) return Usage<UntileCommand>("untile needs --format");
  if (command.layout == nullptr) return Usage<UntileCommand>("untile needs --map-layout");
  if (command.widthTiles == 0) return Usage<UntileCommand>("untile needs --width-tiles");
  if (!command.attr.empty() && !command.layout->attributeMap)
    return Usage<UntileCommand>("the " + std::string(command.layout->name) +
                                " map layout has no attribute map");
  if (line.Files().size() != 3)
    return Usage<UntileCommand>("untile needs a TILES file, a MAP file and an OUTPUT picture");
  command.tiles = line.Files()[0];
  command.map = line.Files()[1];
  command.output = line.Files()[2];
  return command;
}

// The values of the picture's whole tiles: its width and height rounded down to multiples of 8.
Result<convert::ValuePlane> ValuesOfPicture(const TilesCommand& command, const imageio::PictureFile& file) {
  using Plane = Result<convert::ValuePlane>;
  const int width = file.pixels.Width() / tiles::kTileSide * tiles::kTileSide;
  const int height = file.pixels.Height() / tiles::kTileSide * tiles::kTileSide;
  if (width == 0 || height == 0) {
    return Plane::Failure("the picture holds no whole 8 by 8 tile (" + std::to_string(file.pixels.Width()) +
                          " by " + std::to_string(file.pixels.Height()) + " pixels)");
  }
  if (command.values == ValueSource::Grey)
    return formats::ValuesOf(*command.format, file.pixels, {0, 0, width, height});
  if (file.indices.empty())
    return Plane::Failure("it stores colours, not palette indices (--values index wants an indexed picture)");
  convert::ValuePlane plane(width, height);
  const auto fileWidth = static_cast<std::size_t>(file.pixels.Width());
  for (int y = 0; y < height; ++y) {
    const auto row =
        file.indices.begin() + static_cast<std::ptrdiff_t>(fileWidth * static_cast<std::size_t>(y));
    std::copy(row, row + width, plane.values.begin() + static_cast<std::ptrdiff_t>(plane.Index(0, y)));
  }
  if (Status fits = formats::CheckValuesFit(*command.format, plane); !fits) return Plane::Failure(fits.error);
  return plane;
}

// The tile set's bytes: each run of tiles stacked in a column and encoded as a picture.
ByteString EncodeTiles(const FormatInfo& format, std::span<const tiles::Tile> set) {
  ByteString bytes;
  platform::NullProgress progress;
  for (std::size_t at = 0; at < set.size(); at += kTilesPerRun) {
    const convert::ValuePlane column =
        tiles::ColumnOfTiles(set.subspan(at, std::min(kTilesPerRun, set.size() - at)));
    convert::PartnerState partner;
    // Without a partner picture the encoder cannot fail.
    const ByteString run = formats::Encode(format, formats::PictureOfValues(format, column),
                                           {0, 0, column.width, column.height}, partner, progress)
                               .Value();
    bytes.insert(bytes.end(), run.begin(), run.end());
  }
  return bytes;
}

// The way back: the tiles of a tile set's bytes, decoded a run at a time at width 8.
Result<std::vector<tiles::Tile>> DecodeTiles(const FormatInfo& format, std::span<const std::uint8_t> bytes) {
  using Tiles = Result<std::vector<tiles::Tile>>;
  const std::size_t tileBytes = static_cast<std::size_t>(format.bitsPerPixel) * tiles::kTileSide;
  if (bytes.empty() || bytes.size() % tileBytes != 0) {
    return Tiles::Failure("it holds " + std::to_string(bytes.size()) + " bytes, not whole tiles of " +
                          std::to_string(tileBytes) + " bytes in " + std::string(format.caption));
  }
  std::vector<tiles::Tile> set;
  set.reserve(bytes.size() / tileBytes);
  platform::NullProgress progress;
  for (std::size_t at = 0; at < bytes.size(); at += kTilesPerRun * tileBytes) {
    const auto run = bytes.subspan(at, std::min(kTilesPerRun * tileBytes, bytes.size() - at));
    convert::PartnerState partner;
    formats::DecodeResult decoded = formats::Decode(format, run, tiles::kTileSide,
                                                    formats::DecodeMode::ImageGeneration, &partner, progress);
    if (!decoded.Ok()) return Tiles::Failure(decoded.failure->Describe());
    const platform::Surface& picture = decoded.picture;
    auto cut = tiles::CutTiles(formats::ValuesOf(format, picture, {0, 0, picture.Width(), picture.Height()}));
    if (!cut) return Tiles::Failure(cut.Error());
    set.insert(set.end(), cut.Value().begin(), cut.Value().end());
  }
  return set;
}

int Tiles(const TilesCommand& command, std::ostream& out, std::ostream& err) {
  auto file = ReadPictureFileInput(command.input);
  if (!file) return Fail(err, InputName(command.input), file.Error());
  auto plane = ValuesOfPicture(command, file.Value());
  if (!plane) return Fail(err, InputName(command.input), plane.Error());
  const tiles::Dedupe dedupe = command.flips    ? tiles::Dedupe::WithFlips
                               : command.dedupe ? tiles::Dedupe::Exact
                                                : tiles::Dedupe::None;
  auto set = tiles::MakeTileSet(plane.Value(), dedupe);
  if (!set) return Fail(err, InputName(command.input), set.Error());
  tiles::MapBytes map;
  if (command.layout) {
    const std::int64_t base = command.baseTile.value_or(0);
    if (Status count = tiles::CheckTileCount(*command.layout, set.Value().tiles.size(), base); !count)
      return Fail(err, InputName(command.input), count.error);
    for (tiles::MapEntry& entry : set.Value().map.entries) {
      entry.palette = static_cast<std::uint8_t>(command.palette.value_or(0));
      entry.priority = command.priority;
    }
    auto written = tiles::WriteMap(*command.layout, set.Value().map.entries, base);
    if (!written) return Fail(err, InputName(command.input), written.Error());
    map = std::move(written).Value();
  }
  const ByteString bytes = EncodeTiles(*command.format, set.Value().tiles);
  return CommitOutputs(
      out, err, {{command.output, bytes}, {command.mapOut, map.map}, {command.attrOut, map.attributes}});
}

int Untile(const UntileCommand& command, std::ostream& out, std::ostream& err) {
  // Every input within what the largest picture needs: a tile set of as many tiles as it
  // holds, and a map of as many cells.
  const std::uint64_t tileSetBytes =
      static_cast<std::uint64_t>(command.format->bitsPerPixel) * tiles::kTileSide;
  const std::string tileSetTooLarge =
      "larger than any tile set in " + std::string(command.format->caption) + " (at most " +
      std::to_string(platform::kMaxPictureTiles * tileSetBytes >> 20) + " MiB)";
  auto tileBytes = ReadInput(command.tiles, {platform::kMaxPictureTiles * tileSetBytes, tileSetTooLarge});
  if (!tileBytes) return Fail(err, InputName(command.tiles), tileBytes.Error());
  auto set = DecodeTiles(*command.format, tileBytes.Value());
  if (!set) return Fail(err, InputName(command.tiles), set.Error());
  auto mapBytes = ReadInput(command.map, platform::kTileMapLimit);
  if (!mapBytes) return Fail(err, InputName(command.map), mapBytes.Error());
  ByteString attributes;
  if (!command.attr.empty()) {
    auto read = ReadInput(command.attr, platform::kAttributeMapLimit);
    if (!read) return Fail(err, InputName(command.attr), read.Error());
    attributes = std::move(read).Value();
  }
  auto entries = tiles::ReadMap(*command.layout, mapBytes.Value(), attributes, command.baseTile);
  if (!entries) return Fail(err, InputName(command.map), entries.Error());
  auto plane = tiles::Rebuild(set.Value(), {command.widthTiles, std::move(entries).Value()});
  if (!plane) return Fail(err, InputName(command.map), plane.Error());
  // A picture on standard output is a PNG; a file's kind follows its extension.
  const std::filesystem::path kind =
      command.output == kStandardStream ? "standard-output.png" : command.output;
  const FormatInfo& format = *command.format;
  auto picture = imageio::PictureFileBytes(kind, formats::PictureOfValues(format, plane.Value()),
                                           formats::DecoderColours(format.bitsPerPixel));
  if (!picture) return Fail(err, OutputName(command.output), picture.Error());
  return CommitOutputs(out, err, {{command.output, picture.Value()}});
}

}  // namespace

Result<std::optional<CommandRun>> PrepareTiles(std::span<const std::string> args) {
  using Prepared = Result<std::optional<CommandRun>>;
  auto parsed = ParseTiles(args);
  if (!parsed) return Prepared::Failure(parsed.Error());
  if (parsed.Value().help) return std::optional<CommandRun>();
  const TilesCommand command = std::move(parsed).Value();
  return std::optional<CommandRun>(CommandRun{
      {{"INPUT", command.input, FileRole::Input},
       {"TILES", command.output, FileRole::Output},
       {"--map-out", command.mapOut, FileRole::Output},
       {"--attr-out", command.attrOut, FileRole::Output}},
      command.input,
      [command](std::ostream& out, std::ostream& err, std::ostream&) { return Tiles(command, out, err); }});
}

Result<std::optional<CommandRun>> PrepareUntile(std::span<const std::string> args) {
  using Prepared = Result<std::optional<CommandRun>>;
  auto parsed = ParseUntile(args);
  if (!parsed) return Prepared::Failure(parsed.Error());
  if (parsed.Value().help) return std::optional<CommandRun>();
  const UntileCommand command = std::move(parsed).Value();
  return std::optional<CommandRun>(CommandRun{
      {{"TILES", command.tiles, FileRole::Input},
       {"MAP", command.map, FileRole::Input},
       {"--attr", command.attr, FileRole::Input},
       {"OUTPUT", command.output, FileRole::Output}},
      command.tiles,
      [command](std::ostream& out, std::ostream& err, std::ostream&) { return Untile(command, out, err); }});
}

std::string TilesHelp() {
  return "Usage: glyphon tiles --format F [--values grey|index] [--dedupe] [--flips]\n"
         "                     [--map-out FILE --map-layout L] [--attr-out FILE]\n"
         "                     [--base-tile N] [--palette-number P] [--priority] INPUT TILES\n\n"
         "Cuts the picture INPUT into 8 by 8 tiles in row order (its width and height rounded\n"
         "down to multiples of 8), writes them to TILES in a tiled format, and optionally a\n"
         "tile map that places them.\n\n"
         "  --format F          a tiled format: " +
         TiledFormatNames() +
         "\n"
         "  --values grey|index the tile values: each colour's grey level, as encode reads\n"
         "                      it (the default), or the palette index an indexed picture stores\n"
         "  --dedupe            keep only the first of tiles with equal values\n"
         "  --flips             also take a tile's left-right, top-bottom and both-way mirrors\n"
         "                      as equal (implies --dedupe; the map layout must flip)\n"
         "  --map-out FILE      write the tile map, one entry a picture tile in row order\n"
         "  --map-layout L      the map's layout: " +
         tiles::MapLayoutNames() +
         "\n"
         "  --attr-out FILE     the attribute map of the gbc layout (needed there)\n"
         "  --base-tile N       the number of the tile set's first tile in the map\n"
         "  --palette-number P  the palette number every map entry carries\n"
         "  --priority          set every map entry's priority bit\n\n"
         "The outputs are written together: all of them, or none changes.\n";
}

std::string UntileHelp() {
  return "Usage: glyphon untile --format F --map-layout L --width-tiles N [--attr FILE]\n"
         "                      [--base-tile N] TILES MAP OUTPUT\n\n"
         "Draws the picture a tile set and its tile map make, N tiles wide, in the grey\n"
         "levels of the format's values. OUTPUT's extension picks the kind: .png or .bmp.\n\n"
         "  --format F          the tile set's format, as for tiles\n"
         "  --map-layout L      the map's layout: " +
         tiles::MapLayoutNames() +
         "\n"
         "  --width-tiles N     the picture's width in tiles, 1 to 4095\n"
         "  --attr FILE         the attribute map of the gbc layout (none reads as all zero)\n"
         "  --base-tile N       the map's number of the tile set's first tile\n";
}

}  // namespace glyphon::cli
