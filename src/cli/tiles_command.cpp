#include "cli/tiles_command.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <ostream>
#include <type_traits>

#include "cli/cli.h"
#include "cli/options.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "formats/grey_palette.h"
#include "formats/values.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "platform/output_batch.h"
#include "tiles/map_layout.h"
#include "tiles/tile_set.h"

namespace glyphon::cli {

namespace {

using formats::FormatInfo;
using tiles::MapLayout;

// A column of tiles is 8 rows a tile and a picture at most 32767 rows high, so tile sets
// are encoded and decoded in runs of this many tiles.
constexpr std::size_t kTilesPerRun = kMaxPictureSide / tiles::kTileSide;

constexpr std::string_view kStandardStream = "-";

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

struct Named {
  std::string_view what;  // "INPUT", "--map-out", ...
  std::string name;       // may be "-" or empty (not given)
};

bool IsRegularOrMissing(const std::string& name) {
  std::error_code error;
  const auto kind = std::filesystem::status(name, error).type();
  return kind == std::filesystem::file_type::regular || kind == std::filesystem::file_type::not_found;
}

// Why the files of a run collide, or nothing: an output never replaces an input or another
// output, and standard input and output each serve one file. Devices and FIFOs may serve twice.
std::optional<std::string> Collision(const std::vector<Named>& inputs, const std::vector<Named>& outputs) {
  auto same = [](const Named& a, const Named& b) {
    if (a.name.empty() || b.name.empty()) return false;
    if (a.name == kStandardStream || b.name == kStandardStream) return a.name == b.name;
    return IsRegularOrMissing(a.name) && platform::SameFile(a.name, b.name);
  };
  auto clash = [](const Named& a, const Named& b, std::string_view stream) {
    if (a.name == kStandardStream)
      return std::string(stream) + ": " + std::string(a.what) + " and " + std::string(b.what) +
             " cannot both use it";
    return a.name + ": " + std::string(a.what) + " and " + std::string(b.what) + " are the same file";
  };
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    for (std::size_t j = i + 1; j < inputs.size(); ++j) {
      if (inputs[i].name == kStandardStream && same(inputs[i], inputs[j]))
        return clash(inputs[i], inputs[j], "standard input");
    }
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    for (const Named& input : inputs) {
      if (outputs[i].name != kStandardStream && same(outputs[i], input)) return clash(outputs[i], input, "");
    }
    for (std::size_t j = i + 1; j < outputs.size(); ++j) {
      if (same(outputs[i], outputs[j])) return clash(outputs[i], outputs[j], "standard output");
    }
  }
  return std::nullopt;
}

int Fail(std::ostream& err, const std::string& file, const std::string& cause) {
  err << "glyphon: " << (file == kStandardStream ? "standard input" : file) << ": " << cause << "\n";
  return kExitFailure;
}

// A failure whose message names its file itself.
int FailWhole(std::ostream& err, const std::string& cause) {
  err << "glyphon: " << cause << "\n";
  return kExitFailure;
}

Result<ByteString> ReadInput(const std::string& name, const platform::ReadLimit& limit) {
  if (name == kStandardStream) return platform::ReadDescriptorBytes(STDIN_FILENO, limit);
  return platform::ReadFileBytes(name, limit);
}

Result<imageio::PictureFile> ReadPictureInput(const std::string& name) {
  if (name != kStandardStream) return imageio::ReadPictureFile(name);
  auto bytes = ReadInput(name, platform::kPictureFileLimit);
  if (!bytes) return Result<imageio::PictureFile>::Failure(bytes.Error());
  return imageio::ReadPictureFileBytes(bytes.Value());
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
    const ByteString run = formats::Encode(format, formats::PictureOfValues(format, column),
                                           {0, 0, column.width, column.height}, partner, progress);
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

// The outputs of a run, committed together: all are written, or none changes.
int Commit(std::ostream& out, std::ostream& err,
           std::initializer_list<std::pair<std::string, const ByteString*>> outputs) {
  platform::OutputBatch batch;
  for (const auto& [name, bytes] : outputs) {
    if (name.empty()) continue;
    const Status staged = name == kStandardStream ? batch.StageStream(out, "standard output", *bytes)
                                                  : batch.Stage(name, *bytes);
    if (!staged) return FailWhole(err, staged.error);
  }
  if (Status committed = batch.Commit(); !committed) return FailWhole(err, committed.error);
  return kExitSuccess;
}

int Tiles(const TilesCommand& command, std::ostream& out, std::ostream& err) {
  auto file = ReadPictureInput(command.input);
  if (!file) return Fail(err, command.input, file.Error());
  auto plane = ValuesOfPicture(command, file.Value());
  if (!plane) return Fail(err, command.input, plane.Error());
  const tiles::Dedupe dedupe = command.flips    ? tiles::Dedupe::WithFlips
                               : command.dedupe ? tiles::Dedupe::Exact
                                                : tiles::Dedupe::None;
  auto set = tiles::MakeTileSet(plane.Value(), dedupe);
  if (!set) return Fail(err, command.input, set.Error());
  tiles::MapBytes map;
  if (command.layout) {
    const std::int64_t base = command.baseTile.value_or(0);
    if (Status count = tiles::CheckTileCount(*command.layout, set.Value().tiles.size(), base); !count)
      return Fail(err, command.input, count.error);
    for (tiles::MapEntry& entry : set.Value().map.entries) {
      entry.palette = static_cast<std::uint8_t>(command.palette.value_or(0));
      entry.priority = command.priority;
    }
    auto written = tiles::WriteMap(*command.layout, set.Value().map.entries, base);
    if (!written) return Fail(err, command.input, written.Error());
    map = std::move(written).Value();
  }
  const ByteString bytes = EncodeTiles(*command.format, set.Value().tiles);
  return Commit(out, err,
                {{command.output, &bytes}, {command.mapOut, &map.map}, {command.attrOut, &map.attributes}});
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
  if (!tileBytes) return Fail(err, command.tiles, tileBytes.Error());
  auto set = DecodeTiles(*command.format, tileBytes.Value());
  if (!set) return Fail(err, command.tiles, set.Error());
  auto mapBytes = ReadInput(command.map, platform::kTileMapLimit);
  if (!mapBytes) return Fail(err, command.map, mapBytes.Error());
  ByteString attributes;
  if (!command.attr.empty()) {
    auto read = ReadInput(command.attr, platform::kAttributeMapLimit);
    if (!read) return Fail(err, command.attr, read.Error());
    attributes = std::move(read).Value();
  }
  auto entries = tiles::ReadMap(*command.layout, mapBytes.Value(), attributes, command.baseTile);
  if (!entries) return Fail(err, command.map, entries.Error());
  auto plane = tiles::Rebuild(set.Value(), {command.widthTiles, std::move(entries).Value()});
  if (!plane) return Fail(err, command.map, plane.Error());
  // A picture on standard output is a PNG; a file's kind follows its extension.
  const std::filesystem::path kind =
      command.output == kStandardStream ? "standard-output.png" : command.output;
  const FormatInfo& format = *command.format;
  auto picture = imageio::PictureFileBytes(kind, formats::PictureOfValues(format, plane.Value()),
                                           formats::DecoderColours(format.bitsPerPixel));
  if (!picture) return Fail(err, command.output, picture.Error());
  return Commit(out, err, {{command.output, &picture.Value()}});
}

// Runs a parsed command: usage errors and collisions exit 2, failures 1.
template <class Command, class Body>
int RunParsed(Result<Command> parsed, std::string_view verb, std::string (*help)(),
              std::optional<std::string> (*collision)(const Command&), Body body, std::ostream& out,
              std::ostream& err) {
  if (!parsed) {
    err << "glyphon: " << parsed.Error() << "\nTry 'glyphon " << verb << " --help'.\n";
    return kExitUsage;
  }
  if (parsed.Value().help) {
    out << help();
    return kExitSuccess;
  }
  if (auto clash = collision(parsed.Value())) {
    err << "glyphon: " << *clash << "\n";
    return kExitUsage;
  }
  try {
    return body(parsed.Value(), out, err);
  } catch (const std::bad_alloc&) {
    err << "glyphon: out of memory\n";
    return kExitFailure;
  }
}

std::optional<std::string> TilesCollision(const TilesCommand& c) {
  return Collision({{"INPUT", c.input}},
                   {{"TILES", c.output}, {"--map-out", c.mapOut}, {"--attr-out", c.attrOut}});
}

std::optional<std::string> UntileCollision(const UntileCommand& c) {
  return Collision({{"TILES", c.tiles}, {"MAP", c.map}, {"--attr", c.attr}}, {{"OUTPUT", c.output}});
}

}  // namespace

int RunTiles(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
  return RunParsed(ParseTiles(args), "tiles", TilesHelp, TilesCollision, Tiles, out, err);
}

int RunUntile(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
  return RunParsed(ParseUntile(args), "untile", UntileHelp, UntileCollision, Untile, out, err);
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
