// SPDX-License-Identifier: MIT
#include "cli/tiles_command.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <sstream>
#include <type_traits>

#include "cli/colour_art.h"
#include "cli/map_options.h"
#include "cli/options.h"
#include "cli/order_options.h"
#include "cli/palette_values.h"
#include "cli/run_files.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "formats/grey_palette.h"
#include "formats/values.h"
#include "imageio/picture_file.h"
#include "palette/tile_palettes.h"
#include "tiles/map_layout.h"
#include "tiles/nes_attributes.h"
#include "tiles/tile_order.h"
#include "tiles/tile_set.h"

namespace glyphon::cli {

namespace {

using formats::FormatInfo;
using tiles::MapLayout;

// A column of tiles is 8 rows a tile and a picture at most 32767 rows high, so tile sets
// are encoded and decoded in runs of this many tiles.
constexpr std::size_t kTilesPerRun = kMaxPictureSide / tiles::kTileSide;

struct TilesCommand {
  const FormatInfo* format = nullptr;
  ValueOptions values;
  bool dedupe = false;
  tiles::Flip flips = tiles::kNoFlip;  // the mirrors that count as the same tile
  OrderOptions order;
  MapOptions maps;
  ColourOptions colour;
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
  ValueOptions values;
  int widthTiles = 0;
  std::int64_t baseTile = 0;
  std::string attr;
  MapOptions maps;
  ColourOptions colour;
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
  const bool colour = command.values.rule == ValueRule::Colour;
  if (colour && command.palette)
    return "--palette-number goes without --values colour, which chooses each tile's palette";
  if (command.mapOut.empty() != (command.layout == nullptr))
    return command.layout ? "--map-layout needs --map-out FILE" : "--map-out needs --map-layout";
  if (!command.layout) {
    if (!command.attrOut.empty()) return "--attr-out needs --map-out and --map-layout gbc (or nes)";
    if (command.baseTile || command.palette || command.priority || command.maps.screens ||
        command.maps.bankSplit)
      return "--base-tile, --palette-number, --priority, --map-screens and --bank-split need --map-out";
    return std::nullopt;
  }
  const MapLayout& layout = *command.layout;
  if (layout.attributeMap && command.attrOut.empty())
    return "the " + std::string(layout.name) + " map layout needs --attr-out FILE for its attribute map";
  if (layout.attributeTable && colour && command.attrOut.empty())
    return "the " + std::string(layout.name) +
           " map layout needs --attr-out FILE for the attribute table of its palettes";
  if (layout.attributeTable && !colour && !command.attrOut.empty())
    return "the " + std::string(layout.name) +
           " map layout's attribute table (--attr-out) comes with --values colour";
  if (!layout.attributeMap && !layout.attributeTable && !command.attrOut.empty())
    return "the " + std::string(layout.name) + " map layout has no attribute map";
  if (command.maps.bankSplit && !layout.bank.Present())
    return "the " + std::string(layout.name) + " map layout has no second bank for --bank-split";
  const Status fits = tiles::CheckMapOptions(layout, command.flips != tiles::kNoFlip,
                                             static_cast<int>(command.palette.value_or(0)), command.priority);
  if (!fits) return fits.error;
  return std::nullopt;
}

Result<TilesCommand> ParseTiles(std::span<const std::string> args) {
  TilesCommand command;
  CommandLine line("tiles");
  line.Value("--format,-f", TiledFormatOption(command.format));
  AddValueOptions(line, command.values);
  line.Flag("--dedupe", command.dedupe);
  line.Value("--flips", [&command](const std::string& value) -> Problem {
    const auto flips = ParseFlips(value);
    if (!flips) return "--flips wants h, v or both, not \"" + value + "\"";
    command.flips = *flips;
    return std::nullopt;
  });
  line.Flag("--priority", command.priority);
  line.Value("--map-layout", LayoutOption(command.layout));
  line.Value("--map-out", command.mapOut);
  line.Value("--attr-out", command.attrOut);
  line.Value("--base-tile", NumberOption("--base-tile", 0, 0xFFFF, command.baseTile));
  line.Value("--palette-number", NumberOption("--palette-number", 0, 0xFF, command.palette));
  AddOrderOptions(line, command.order);
  AddTilesMapOptions(line, command.maps);
  AddColourOptions(line, command.colour, ValueUse::Tiles);
  if (Status read = line.Parse(JoinFlips(args)); !read) return Usage<TilesCommand>(read.error);
  command.help = line.HelpWanted();
  if (command.help) return command;
  if (command.format == nullptr) return Usage<TilesCommand>("tiles needs --format");
  if (Status fits = CheckValueOptions(command.values, *command.format, "tiles", ValueUse::Tiles); !fits)
    return Usage<TilesCommand>(fits.error);
  if (Status fits = CheckColourOptions(command.colour, command.values, *command.format, command.layout,
                                       ValueUse::Tiles);
      !fits)
    return Usage<TilesCommand>(fits.error);
  if (auto error = CheckTilesOptions(command)) return Usage<TilesCommand>(*error);
  if (command.maps.tilesFromOnly && command.maps.tilesFrom.empty())
    return Usage<TilesCommand>("--tiles-from-only needs --tiles-from FILE");
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
  AddValueOptions(line, command.values);
  AddUntileMapOptions(line, command.maps);
  AddColourOptions(line, command.colour, ValueUse::Untile);
  if (Status read = line.Parse(args); !read) return Usage<UntileCommand>(read.error);
  command.help = line.HelpWanted();
  if (command.help) return command;
  if (command.format == nullptr) return Usage<UntileCommand>("untile needs --format");
  if (Status fits = CheckValueOptions(command.values, *command.format, "untile", ValueUse::Untile); !fits)
    return Usage<UntileCommand>(fits.error);
  if (command.layout == nullptr) return Usage<UntileCommand>("untile needs --map-layout");
  if (Status fits = CheckColourOptions(command.colour, command.values, *command.format, command.layout,
                                       ValueUse::Untile);
      !fits)
    return Usage<UntileCommand>(fits.error);
  if (command.widthTiles == 0) return Usage<UntileCommand>("untile needs --width-tiles");
  const bool colour = command.values.rule == ValueRule::Colour;
  if (!command.attr.empty() && command.layout->attributeTable && !colour)
    return Usage<UntileCommand>("the " + std::string(command.layout->name) +
                                " map layout's attribute table (--attr) is read with --values colour");
  if (!command.attr.empty() && !command.layout->attributeMap && !command.layout->attributeTable)
    return Usage<UntileCommand>("the " + std::string(command.layout->name) +
                                " map layout has no attribute map");
  if (line.Files().size() != 3)
    return Usage<UntileCommand>("untile needs a TILES file, a MAP file and an OUTPUT picture");
  command.tiles = line.Files()[0];
  command.map = line.Files()[1];
  command.output = line.Files()[2];
  return command;
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

// Per tile of the plane in row order, 1 when every pixel of the picture there is `colour`.
std::vector<std::uint8_t> TilesOfColour(const platform::Surface& pixels, const convert::ValuePlane& plane,
                                        RgbColor colour) {
  const int across = plane.width / tiles::kTileSide, down = plane.height / tiles::kTileSide;
  std::vector<std::uint8_t> plain(static_cast<std::size_t>(across) * static_cast<std::size_t>(down), 1);
  for (int y = 0; y < plane.height; ++y) {
    const auto row = pixels.Row(y);
    for (int x = 0; x < plane.width; ++x) {
      if (row[static_cast<std::size_t>(x)] != colour)
        plain[static_cast<std::size_t>(y / tiles::kTileSide * across + x / tiles::kTileSide)] = 0;
    }
  }
  return plain;
}

// A tile set's bytes read back as tiles, naming the file on failure.
Result<std::vector<tiles::Tile>> ReadTileSet(const FormatInfo& format, const std::string& name);

// A picture cut into tiles: the tile set and its map in the picture's rows, and what the
// outputs need besides.
struct CutPicture {
  tiles::TileSet set;
  int across = 0;
  int down = 0;
  std::size_t existing = 0;  // the tiles of --tiles-from, first in the set
  ColourTiles art;
  tiles::TileOrder order;  // the order the tile set takes the tiles in
};

// A failure as one message, "file: cause" (or the cause alone when it names its file).
template <class T>
Result<T> FailOf(const std::string& file, const std::string& cause) {
  return Result<T>::Failure(file.empty() ? cause : file + ": " + cause);
}

tiles::Dedupe DedupeOf(const TilesCommand& command) {
  return command.flips != tiles::kNoFlip ? tiles::Dedupe::WithFlips
         : command.dedupe                ? tiles::Dedupe::Exact
                                         : tiles::Dedupe::None;
}

// The options of the tile set but the tiles left out.
tiles::TileSetOptions SetOptions(const TilesCommand& command, std::span<const tiles::Tile> existing) {
  return {
      DedupeOf(command), command.flips != tiles::kNoFlip ? command.flips : tiles::kFlipBoth, existing, {}};
}

// The picture read whole, its values chosen and cut into tiles.
Result<CutPicture> CutWhole(const TilesCommand& command, std::ostream& notes) {
  using R = Result<CutPicture>;
  const std::string input = InputName(command.input);
  auto file = ReadEncodeInput(command.input, command.values);
  if (!file) return FailOf<CutPicture>(input, file.Error());
  const FormatInfo& format = *command.format;
  auto selection = PictureSelection(command.values, format, file.Value().pixels, std::nullopt, input, notes);
  if (!selection) return FailOf<CutPicture>(input, selection.Error());
  const bool colour = command.values.rule == ValueRule::Colour;
  CutPicture cut;
  Result<convert::ValuePlane> plane = convert::ValuePlane{};
  if (colour) {
    auto found = ColourValues(command.values, command.colour, format, file.Value(), input, selection.Value(),
                              command.layout, notes);
    if (!found) return R::Failure(found.Error());
    cut.art = std::move(found).Value();
    plane = std::move(cut.art.values);
  } else {
    plane = ChooseValues(command.values, format, file.Value(), input, selection.Value(), notes);
    if (!plane) return R::Failure(plane.Error());
  }
  const int across = plane.Value().width / tiles::kTileSide, down = plane.Value().height / tiles::kTileSide;
  cut.across = across;
  cut.down = down;
  // The tile set takes the tiles in the order they are stored; the map stays in the
  // picture's rows (or screens).
  const auto order = OrderIn(command.order, *command.format);
  if (!order) return FailOf<CutPicture>(input, order.Error());
  if (Status whole = tiles::CheckObjects(across, down, order.Value()); !whole)
    return FailOf<CutPicture>(input, "the picture's " + whole.error);
  cut.order = order.Value();
  const bool plain = order.Value().Plain();
  std::vector<std::uint8_t> background;
  if (command.maps.background) {
    background = TilesOfColour(file.Value().pixels, plane.Value(), *command.maps.background);
    if (!plain) background = tiles::InStoredOrder(background, across, down, order.Value());
  }
  std::vector<tiles::Tile> existing;
  if (!command.maps.tilesFrom.empty()) {
    auto read = ReadTileSet(*command.format, command.maps.tilesFrom);
    if (!read) return FailOf<CutPicture>(InputName(command.maps.tilesFrom), read.Error());
    existing = std::move(read).Value();
  }
  cut.existing = existing.size();
  tiles::TileSetOptions options = SetOptions(command, existing);
  options.leaveOut = background;
  auto set =
      tiles::MakeTileSet(plain ? plane.Value() : tiles::StoredSheet(plane.Value(), order.Value()), options);
  if (!set) return FailOf<CutPicture>(input, set.Error());
  cut.set = std::move(set).Value();
  if (!plain) cut.set.map.entries = tiles::InPictureOrder(cut.set.map.entries, across, down, order.Value());
  return cut;
}

// The picture read a band of 8 rows at a time, each band's tiles going into the tile set as
// they come, so only the unique tiles and the map are held: for a picture whose values
// follow from its colours alone (the grey rule, every pixel opaque), in the plain order,
// without --background. Nothing when that does not hold or the file is not read by rows or
// reading it fails: the caller then reads it whole, which tells why. The selection's
// warnings go to `notes` only on success.
std::optional<CutPicture> CutByBands(const TilesCommand& command, std::ostream& notes) {
  const FormatInfo& format = *command.format;
  const ValueOptions& values = command.values;
  if (values.rule != ValueRule::Grey || !values.paletteOut.empty() ||
      values.rounding != palette::Rounding::Nearest || command.maps.background || !format.HasValues() ||
      command.input == kStandardStream || command.maps.tilesFrom == kStandardStream)
    return std::nullopt;  // (a tile set on standard input could not be read again by the whole path)
  const auto order = OrderIn(command.order, format);
  if (!order || !order.Value().Plain()) return std::nullopt;
  auto rows = imageio::OpenPictureRows(command.input);
  if (!rows) return std::nullopt;
  std::ostringstream said;
  const auto selection = PictureSelection(values, format, rows->Width(), rows->Height(), std::nullopt,
                                          InputName(command.input), said);
  if (!selection) return std::nullopt;
  const convert::Selection& sel = selection.Value();
  CutPicture cut;
  cut.across = sel.width / tiles::kTileSide;
  cut.down = sel.height / tiles::kTileSide;
  if (cut.across == 0 || cut.down == 0 || sel.width % tiles::kTileSide != 0 ||
      sel.height % tiles::kTileSide != 0)
    return std::nullopt;
  std::vector<tiles::Tile> existing;
  if (!command.maps.tilesFrom.empty()) {
    auto read = ReadTileSet(format, command.maps.tilesFrom);
    if (!read) return std::nullopt;
    existing = std::move(read).Value();
  }
  cut.existing = existing.size();
  const std::size_t count = static_cast<std::size_t>(cut.across) * static_cast<std::size_t>(cut.down);
  tiles::TileSetBuilder builder(SetOptions(command, existing), count);
  cut.set.map.widthTiles = cut.across;
  cut.set.map.entries.reserve(count);
  // The band's rows as read, the selection's columns among them; rows outside the selection
  // pass through a row of their own.
  platform::Surface band = platform::Surface::Picture(rows->Width(), tiles::kTileSide);
  std::vector<RgbColor> passing(static_cast<std::size_t>(rows->Width()));
  const convert::Selection bandSelection{sel.x, 0, sel.width, tiles::kTileSide};
  for (int y = 0; y < rows->Height(); ++y) {
    const bool inside = y >= sel.y && y < sel.y + sel.height;
    if (!rows->Next(inside ? band.Row((y - sel.y) % tiles::kTileSide) : std::span<RgbColor>(passing)))
      return std::nullopt;
    if (!inside || (y - sel.y) % tiles::kTileSide != tiles::kTileSide - 1) continue;
    const convert::ValuePlane plane = formats::ValuesOf(format, band, bandSelection);
    for (int column = 0; column < cut.across; ++column)
      cut.set.map.entries.push_back(builder.Add(tiles::TileAt(plane, column, 0)));
  }
  // The rows below the selection are read all the same: a cut file is refused as a whole.
  if (!rows->Finish()) return std::nullopt;
  cut.set.tiles = std::move(builder).TakeTiles();
  cut.order = order.Value();
  notes << said.str();
  return cut;
}

int Tiles(const TilesCommand& command, std::ostream& out, std::ostream& err, std::ostream& notes) {
  const std::string input = InputName(command.input);
  std::optional<CutPicture> byBands = CutByBands(command, notes);
  Result<CutPicture> made = byBands ? Result<CutPicture>(std::move(*byBands)) : CutWhole(command, notes);
  if (!made) return Fail(err, "", made.Error());
  CutPicture& cut = made.Value();
  const bool colour = command.values.rule == ValueRule::Colour;
  const int across = cut.across, down = cut.down;
  const bool plain = cut.order.Plain();
  ColourTiles& art = cut.art;
  std::vector<tiles::MapEntry>& entries = cut.set.map.entries;
  if (command.maps.tilesFromOnly) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].fixed || entries[i].tile < cut.existing) continue;
      return Fail(err, input,
                  "the tile at (" + std::to_string(i % static_cast<std::size_t>(across) * tiles::kTileSide) +
                      ", " + std::to_string(i / static_cast<std::size_t>(across) * tiles::kTileSide) +
                      ") is not in " + InputName(command.maps.tilesFrom));
    }
  }
  std::vector<tiles::Tile>& setTiles = cut.set.tiles;
  if (command.maps.trimEnd > 0) {
    const auto trim = static_cast<std::size_t>(command.maps.trimEnd);
    if (trim >= setTiles.size())
      return Fail(err, input,
                  "--trim-end " + std::to_string(trim) + " would leave none of the " +
                      std::to_string(setTiles.size()) + " tiles");
    setTiles.resize(setTiles.size() - trim);
  }
  tiles::MapBytes map;
  if (command.layout) {
    const std::int64_t base = command.baseTile.value_or(0);
    if (Status count = tiles::CheckTileCount(*command.layout,
                                             setTiles.size() + static_cast<std::size_t>(command.maps.trimEnd),
                                             base, command.maps.bankSplit);
        !count)
      return Fail(err, input, count.error);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      tiles::MapEntry& entry = entries[i];
      // The nes layout keeps the palettes in its attribute table.
      entry.palette = colour && command.layout->palette.Present()
                          ? art.paletteOfTile[i]
                          : static_cast<std::uint8_t>(command.palette.value_or(0));
      entry.priority = command.priority;
      if (entry.fixed) entry.tile = static_cast<std::uint32_t>(command.maps.backgroundTile);
    }
    if (command.maps.screens) {
      const tiles::TileOrder screens = command.maps.ScreenOrder();
      if (Status whole = tiles::CheckObjects(across, down, screens); !whole)
        return Fail(err, input, "the map's " + whole.error + " (--map-screens)");
      entries = tiles::InStoredOrder(entries, across, down, screens);
    }
    auto written = tiles::WriteMap(*command.layout, entries, base, command.maps.bankSplit);
    if (!written) return Fail(err, input, written.Error());
    map = std::move(written).Value();
  }
  ByteString paletteBytes, paletteMap;
  if (colour) {
    if (!command.values.paletteOut.empty()) {
      auto written = PaletteFileBytes(command.values.paletteOut, command.values.OutKind(),
                                      palette::JoinPalettes(art.palettes), command.values.rounding);
      if (!written) return Fail(err, "", written.Error());
      paletteBytes = std::move(written).Value();
    }
    // The palette numbers in the order the tile set takes the tiles.
    paletteMap = plain ? art.paletteOfTile : tiles::InStoredOrder(art.paletteOfTile, across, down, cut.order);
    if (command.layout && command.layout->attributeTable) map.attributes = std::move(art.attributeTable);
  }
  const ByteString bytes = EncodeTiles(*command.format, setTiles);
  return CommitOutputs(out, err,
                       {{command.output, bytes},
                        {command.mapOut, map.map},
                        {command.attrOut, map.attributes},
                        {command.values.paletteOut, paletteBytes},
                        {command.colour.paletteMapOut, paletteMap}});
}

Result<std::vector<tiles::Tile>> ReadTileSet(const FormatInfo& format, const std::string& name) {
  // Every input within what the largest picture needs: a tile set of as many tiles as it
  // holds.
  const std::uint64_t tileSetBytes = static_cast<std::uint64_t>(format.bitsPerPixel) * tiles::kTileSide;
  const std::string tileSetTooLarge =
      "larger than any tile set in " + std::string(format.caption) + " (at most " +
      std::to_string(platform::kMaxPictureTiles * tileSetBytes >> 20) + " MiB)";
  auto tileBytes = ReadInput(name, {platform::kMaxPictureTiles * tileSetBytes, tileSetTooLarge});
  if (!tileBytes) return Result<std::vector<tiles::Tile>>::Failure(tileBytes.Error());
  return DecodeTiles(format, tileBytes.Value());
}

// Draws band `row` of a picture (its rows 8 * row to 8 * row + 7) from its values.
using DrawBand = std::function<platform::Surface(const convert::ValuePlane& values, int row)>;

// Writes the picture the tile set and map make to OUTPUT a band at a time, as the writer
// asks for its rows (a PNG top down, a BMP bottom up): only the band being drawn is held.
// `colours` as for WritePictureRows.
int WriteBands(const UntileCommand& command, tiles::MapBands& bands, const std::filesystem::path& kind,
               std::span<const RgbColor> colours, const DrawBand& draw, std::ostream& out,
               std::ostream& err) {
  int held = -1;
  platform::Surface drawn;
  const imageio::RowAt rowAt = [&](int y) {
    if (const int row = y / tiles::kTileSide; row != held) {
      drawn = draw(bands.Band(row), row);
      held = row;
    }
    return drawn.Row(y % tiles::kTileSide);
  };
  platform::OutputBatch::Writer write = [&](platform::ByteSink& sink) {
    const Status written =
        imageio::WritePictureRows(kind, bands.Width(), bands.Height(), rowAt, colours, sink);
    return written ? written : Status::Failure(OutputName(command.output) + ": " + written.error);
  };
  return CommitOutputs(out, err, {{command.output, {}, write}});
}

int Untile(const UntileCommand& command, std::ostream& out, std::ostream& err, std::ostream& notes) {
  // A map of as many cells as the largest picture has tiles.
  auto set = ReadTileSet(*command.format, command.tiles);
  if (!set) return Fail(err, InputName(command.tiles), set.Error());
  auto mapBytes = ReadInput(command.map, platform::kTileMapLimit);
  if (!mapBytes) return Fail(err, InputName(command.map), mapBytes.Error());
  ByteString attributes;
  if (!command.attr.empty()) {
    auto read = ReadInput(command.attr, platform::kAttributeMapLimit);
    if (!read) return Fail(err, InputName(command.attr), read.Error());
    attributes = std::move(read).Value();
  }
  const bool attributeMap = command.layout->attributeMap;
  auto entries = tiles::ReadMap(*command.layout, mapBytes.Value(), attributeMap ? attributes : ByteString{},
                                command.baseTile, command.maps.bankSplit);
  if (!entries) return Fail(err, InputName(command.map), entries.Error());
  if (command.maps.screens) {
    // The map's cells come screen by screen; the picture wants them in its rows.
    const int across = command.widthTiles;
    const auto cells = static_cast<int>(entries.Value().size());
    if (Status whole = tiles::CheckObjects(across, cells / across, command.maps.ScreenOrder());
        !whole || cells % across != 0)
      return Fail(err, InputName(command.map),
                  "its " + std::to_string(cells) + " entries at " + std::to_string(across) +
                      " tiles a row are not whole screens of " + std::to_string(command.maps.screens->first) +
                      " by " + std::to_string(command.maps.screens->second) + " tiles");
    entries.Value() =
        tiles::InPictureOrder(entries.Value(), across, cells / across, command.maps.ScreenOrder());
  }
  // Each tile's sub-palette, for colour art: the map entry's, or the attribute table's.
  std::vector<std::uint8_t> paletteOfTile;
  const bool colour = command.values.rule == ValueRule::Colour;
  if (colour) {
    const auto cells = entries.Value().size();
    if (command.layout->attributeTable && !attributes.empty()) {
      auto read =
          tiles::ReadNesAttributes(attributes, command.widthTiles,
                                   static_cast<int>(cells / static_cast<std::size_t>(command.widthTiles)));
      if (!read) return Fail(err, InputName(command.attr), read.Error());
      paletteOfTile = std::move(read).Value();
    } else {
      for (const tiles::MapEntry& entry : entries.Value()) paletteOfTile.push_back(entry.palette);
    }
  }
  const tiles::TileMap map{command.widthTiles, std::move(entries).Value()};
  auto bands = tiles::MapBands::Make(set.Value(), map);
  if (!bands) return Fail(err, InputName(command.map), bands.Error());
  // A picture on standard output is a PNG; a file's kind follows its extension.
  const std::filesystem::path kind =
      command.output == kStandardStream ? "standard-output.png" : command.output;
  const FormatInfo& format = *command.format;
  if (colour) {
    auto loaded = ReadPaletteInput(command.values.palette, command.values.Kind());
    if (!loaded) return Fail(err, "", loaded.Error());
    const std::vector<palette::Palette> palettes =
        palette::CutPalettes(loaded.Value(), PaletteSize(command.colour, format));
    // Each band in the sub-palettes of its row of tiles; its pixels beyond them are counted
    // the first time it is drawn (the writers may draw a band more than once).
    const auto across = static_cast<std::size_t>(command.widthTiles);
    std::vector<std::uint8_t> counted(static_cast<std::size_t>(bands.Value().Count()), 0);
    std::int64_t beyond = 0;
    const DrawBand draw = [&](const convert::ValuePlane& values, int row) {
      const std::size_t first = std::min(static_cast<std::size_t>(row) * across, paletteOfTile.size());
      std::int64_t band = 0;
      platform::Surface drawn = palette::DrawInPalettes(
          values, std::span(paletteOfTile).subspan(first, std::min(across, paletteOfTile.size() - first)),
          palettes, band);
      if (counted[static_cast<std::size_t>(row)] == 0) beyond += band;
      counted[static_cast<std::size_t>(row)] = 1;
      return drawn;
    };
    const int written = WriteBands(command, bands.Value(), kind, {}, draw, out, err);
    if (written == kExitSuccess && beyond > 0) {
      notes << "glyphon: warning: " << beyond << (beyond == 1 ? " pixel has" : " pixels have")
            << " a palette entry beyond the " << loaded.Value().colours.size() << " colours of "
            << InputName(command.values.palette) << "; drawn black\n";
    }
    return written;
  }
  if (DrawsOwnColours(command.values)) {
    auto colours = DrawingColours(command.values, format);
    if (!colours) return Fail(err, "", colours.Error());
    // The largest value decides a PNG's depth before its first row is written (unless the
    // colours cover every value).
    std::uint8_t largest = 0;
    std::int64_t beyond = 0;
    const int scanned = DrawsEveryValue(colours.Value(), format) ? 0 : bands.Value().Count();
    for (int row = 0; row < scanned; ++row) {
      for (const std::uint8_t value : bands.Value().Band(row).values) {
        largest = std::max(largest, value);
        beyond += value >= colours.Value().colours.size() ? 1 : 0;
      }
    }
    WarnOfValuesBeyond(command.values, colours.Value(), beyond, notes);
    const auto width = static_cast<std::size_t>(bands.Value().Width());
    const ValuesRowAt valuesAt = [&](int y) {
      const convert::ValuePlane& band = bands.Value().Band(y / tiles::kTileSide);
      return std::span(band.values).subspan(static_cast<std::size_t>(y % tiles::kTileSide) * width, width);
    };
    platform::OutputBatch::Writer write = [&](platform::ByteSink& sink) {
      const Status written = WriteValuesPicture(colours.Value(), bands.Value().Width(),
                                                bands.Value().Height(), valuesAt, largest, kind, sink);
      return written ? written : Status::Failure(OutputName(command.output) + ": " + written.error);
    };
    return CommitOutputs(out, err, {{command.output, {}, write}});
  }
  const DrawBand draw = [&format](const convert::ValuePlane& values, int) {
    return formats::PictureOfValues(format, values);
  };
  return WriteBands(command, bands.Value(), kind, formats::DecoderColours(format.bitsPerPixel), draw, out,
                    err);
}

}  // namespace

Result<std::optional<CommandRun>> PrepareTiles(std::span<const std::string> args) {
  using Prepared = Result<std::optional<CommandRun>>;
  auto parsed = ParseTiles(args);
  if (!parsed) return Prepared::Failure(parsed.Error());
  if (parsed.Value().help) return std::optional<CommandRun>();
  const TilesCommand command = std::move(parsed).Value();
  return std::optional<CommandRun>(
      CommandRun{{{"INPUT", command.input, FileRole::Input},
                  {"--palette", command.values.palette, FileRole::Input},
                  {"TILES", command.output, FileRole::Output},
                  {"--map-out", command.mapOut, FileRole::Output},
                  {"--attr-out", command.attrOut, FileRole::Output},
                  {"--palette-out", command.values.paletteOut, FileRole::Output},
                  {"--palette-map-out", command.colour.paletteMapOut, FileRole::Output}},
                 command.input,
                 [command](std::ostream& out, std::ostream& err, std::ostream& notes) {
                   return Tiles(command, out, err, notes);
                 }});
}

Result<std::optional<CommandRun>> PrepareUntile(std::span<const std::string> args) {
  using Prepared = Result<std::optional<CommandRun>>;
  auto parsed = ParseUntile(args);
  if (!parsed) return Prepared::Failure(parsed.Error());
  if (parsed.Value().help) return std::optional<CommandRun>();
  const UntileCommand command = std::move(parsed).Value();
  return std::optional<CommandRun>(
      CommandRun{{{"TILES", command.tiles, FileRole::Input},
                  {"MAP", command.map, FileRole::Input},
                  {"--attr", command.attr, FileRole::Input},
                  {"--palette", command.values.palette, FileRole::Input},
                  {"OUTPUT", command.output, FileRole::Output}},
                 command.tiles,
                 [command](std::ostream& out, std::ostream& err, std::ostream& notes) {
                   return Untile(command, out, err, notes);
                 }});
}

std::string TilesHelp() {
  return "Usage: glyphon tiles --format F [--dedupe] [--flips [h|v|both]]\n"
         "                     [--order rows|columns] [--object WxH] [--object-order rows|columns]\n"
         "                     [--tiles-from FILE [--tiles-from-only]] [--trim-end N]\n"
         "                     [--background #RRGGBB [--background-tile N]]\n"
         "                     [--map-out FILE --map-layout L] [--attr-out FILE] [--map-screens WxH]\n"
         "                     [--base-tile N] [--bank-split N] [--palette-number P] [--priority]\n"
         "                     [--values grey|shade|index|palette|colour] [--palette FILE]\n"
         "                     [--palette-format KIND] [--nearest] [--alpha-threshold N]\n"
         "                     [--palettes N] [--palette-size K] [--colour-zero #RRGGBB]\n"
         "                     [--palette-order luminance|picture] [--palette-out FILE]\n"
         "                     [--palette-map-out FILE] [--crop] INPUT TILES\n\n"
         "Cuts the picture INPUT into 8 by 8 tiles in row order (its sides must be whole\n"
         "tiles, or --crop takes the whole tiles inside), writes them to TILES in a tiled\n"
         "format, and optionally a tile map that places them.\n\n"
         "  --format F          a tiled format: " +
         TiledFormatNames() +
         "\n"
         "  --dedupe            keep only the first of tiles with equal values\n"
         "  --flips [h|v|both]  also take a tile's mirrors as equal: left-right (h), top-bottom\n"
         "                      (v) or both and the two together (both, the default) (implies\n"
         "                      --dedupe; the map layout must flip)\n" +
         OrderHelp() +
         "                      (the order the tile set takes the tiles in; the map stays in\n"
         "                      the picture's rows)\n"
         "  --tiles-from FILE   start from an existing tile set in the format: tiles found in\n"
         "                      it (with the mirrors --flips allows) take its numbers, new\n"
         "                      tiles are added after it; TILES is the whole set\n"
         "  --tiles-from-only   refuse a tile the existing set lacks, naming its place\n"
         "  --trim-end N        leave the last N tiles out of TILES (the map still numbers them)\n"
         "  --background C      tiles wholly of the colour #RRGGBB are left out of the tile set;\n"
         "                      their map entries take tile number --background-tile N (0 by\n"
         "                      default, not counted from --base-tile)\n"
         "  --map-out FILE      write the tile map, one entry a picture tile in row order\n"
         "  --map-layout L      the map's layout: " +
         tiles::MapLayoutNames() +
         "\n"
         "  --map-screens WxH   write the map screen by screen, each W by H tiles (SNES: 32x32,\n"
         "                      so a 64 by 32 map is screen 0's rows, then screen 1's)\n"
         "  --attr-out FILE     the attribute map of the gbc layout (needed there); with\n"
         "                      --values colour, the nes layout's attribute table\n"
         "  --base-tile N       the number of the tile set's first tile in the map; gb and gbc\n"
         "                      numbers wrap at 256 (255, 0, 1, ...)\n"
         "  --bank-split N      gbc: tiles from the Nth on lie in VRAM bank 1, numbered from\n"
         "                      the base tile again. Without it a gbc tile set has at most 256\n"
         "  --palette-number P  the palette number every map entry carries\n"
         "  --priority          set every map entry's priority bit\n" +
         ValueHelp(ValueUse::Tiles) + ColourHelp(ValueUse::Tiles) +
         "\n"
         "The outputs are written together: all of them, or none changes.\n";
}

std::string UntileHelp() {
  return "Usage: glyphon untile --format F --map-layout L --width-tiles N [--attr FILE]\n"
         "                      [--base-tile N] [--bank-split N] [--map-screens WxH]\n"
         "                      [--values grey|shade|index|palette|colour] [--palette-size K]\n"
         "                      [--palette FILE] [--palette-format KIND] TILES MAP OUTPUT\n\n"
         "Draws the picture a tile set and its tile map make, N tiles wide, in the grey\n"
         "levels of the format's values (or as --values and --palette say). OUTPUT's\n"
         "extension picks the kind: .png or .bmp.\n\n"
         "  --format F          the tile set's format, as for tiles\n"
         "  --map-layout L      the map's layout: " +
         tiles::MapLayoutNames() +
         "\n"
         "  --width-tiles N     the picture's width in tiles, 1 to 4095\n"
         "  --attr FILE         the attribute map of the gbc layout (none reads as all zero);\n"
         "                      with --values colour, the nes layout's attribute table\n"
         "  --base-tile N       the map's number of the tile set's first tile\n"
         "  --bank-split N      gbc: where the tiles of VRAM bank 1 begin in the tile set\n"
         "  --map-screens WxH   the map is stored screen by screen, as tiles writes it\n" +
         ValueHelp(ValueUse::Untile) + ColourHelp(ValueUse::Untile);
}

}  // namespace glyphon::cli
