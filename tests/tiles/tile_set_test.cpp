// SPDX-License-Identifier: MIT
#include "tiles/tile_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <set>

#include "tiles/map_layout.h"

namespace glyphon::tiles {
namespace {

using Values = std::array<std::uint8_t, 64>;
using convert::ValuePlane;

// The test's own reading of a tile and of its mirrors, pixel by pixel.
Values ValuesAt(const ValuePlane& plane, int column, int row, Flip flip = kNoFlip) {
  Values out{};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const int fromX = (flip & kFlipH) ? 7 - x : x;
      const int fromY = (flip & kFlipV) ? 7 - y : y;
      out[static_cast<std::size_t>(8 * y + x)] = plane.At(8 * column + fromX, 8 * row + fromY);
    }
  }
  return out;
}

Values Key(const ValuePlane& plane, int column, int row, Dedupe dedupe) {
  Values key = ValuesAt(plane, column, row);
  if (dedupe != Dedupe::WithFlips) return key;
  for (Flip flip : {kFlipH, kFlipV, kFlipBoth}) key = std::min(key, ValuesAt(plane, column, row, flip));
  return key;
}

Tile RandomTile(std::mt19937& random) {
  Tile tile;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) tile.Set(x, y, static_cast<std::uint8_t>(random() % 16));
  }
  return tile;
}

// A 2048 by 2048 sheet drawn mostly from 200 tiles, each placed in a random orientation,
// with one tile in 256 fresh.
ValuePlane RepeatedSheet() {
  std::mt19937 random(19);
  std::vector<Tile> pool;
  for (int i = 0; i < 200; ++i) pool.push_back(RandomTile(random));
  ValuePlane plane(2048, 2048);
  for (int row = 0; row < 256; ++row) {
    for (int column = 0; column < 256; ++column) {
      const Tile tile = random() % 256 == 0 ? RandomTile(random) : pool[random() % pool.size()];
      PutTile(plane, column, row, Mirror(tile, static_cast<Flip>(random() % 4)));
    }
  }
  return plane;
}

const ValuePlane& Sheet() {
  static const ValuePlane sheet = RepeatedSheet();
  return sheet;
}

class WholeSheet : public ::testing::TestWithParam<Dedupe> {};

TEST_P(WholeSheet, KeepsTheFirstOfEachKindOfTileAndRebuildsThePicture) {
  const Dedupe dedupe = GetParam();
  const Result<TileSet> made = MakeTileSet(Sheet(), dedupe);
  ASSERT_TRUE(made.Ok()) << made.Error();
  const TileSet& set = made.Value();

  std::set<Values> kinds;
  std::uint32_t firstUnseen = 0;
  for (int row = 0; row < 256; ++row) {
    for (int column = 0; column < 256; ++column) {
      const bool fresh = kinds.insert(Key(Sheet(), column, row, dedupe)).second || dedupe == Dedupe::None;
      const MapEntry& entry = set.map.entries[static_cast<std::size_t>(256 * row + column)];
      if (!fresh) continue;
      // A tile unlike any before it starts the next entry, unflipped.
      ASSERT_EQ(entry, (MapEntry{firstUnseen++})) << "column " << column << " row " << row;
      EXPECT_EQ(set.tiles[entry.tile], TileAt(Sheet(), column, row));
    }
  }
  EXPECT_EQ(set.tiles.size(), firstUnseen);
  if (dedupe != Dedupe::None) {
    EXPECT_EQ(set.tiles.size(), kinds.size());
  }

  const Result<ValuePlane> rebuilt = Rebuild(set.tiles, set.map);
  ASSERT_TRUE(rebuilt.Ok()) << rebuilt.Error();
  EXPECT_TRUE(rebuilt.Value() == Sheet());
}

std::string DedupeName(const ::testing::TestParamInfo<Dedupe>& param) {
  const std::array<const char*, 3> names{"None", "Exact", "WithFlips"};
  return names[static_cast<std::size_t>(param.param)];
}

INSTANTIATE_TEST_SUITE_P(Modes, WholeSheet, ::testing::Values(Dedupe::None, Dedupe::Exact, Dedupe::WithFlips),
                         DedupeName);

// The whole way through a map file and back, in a layout that can number the tiles.
TEST(MakeTileSet, MapFileAndTileSetGiveBackTheValues) {
  for (const auto& [dedupe, name] :
       {std::pair{Dedupe::Exact, "genesis"}, std::pair{Dedupe::WithFlips, "snes"}}) {
    const Result<TileSet> made = MakeTileSet(Sheet(), dedupe);
    ASSERT_TRUE(made.Ok());
    const MapLayout& layout = *FindMapLayout(name);
    const Result<MapBytes> written = WriteMap(layout, made.Value().map.entries, 32);
    ASSERT_TRUE(written.Ok()) << written.Error();
    Result<std::vector<MapEntry>> read = ReadMap(layout, written.Value().map, {}, 32);
    ASSERT_TRUE(read.Ok()) << read.Error();
    const Result<ValuePlane> rebuilt = Rebuild(made.Value().tiles, {256, std::move(read).Value()});
    ASSERT_TRUE(rebuilt.Ok()) << rebuilt.Error();
    EXPECT_TRUE(rebuilt.Value() == Sheet()) << name;
  }
}

// Small pictures of tile A (no two of its mirrors alike) and S (all one value), each
// placed through a flip: which entries and flips the map gets.
struct SmallCase {
  const char* name;
  Dedupe dedupe;
  std::vector<std::pair<char, Flip>> picture;
  std::vector<MapEntry> expected;
};

TEST(MakeTileSet, PlacesMirroredAndRepeatedTiles) {
  const MapEntry h{0, kFlipH}, v{0, kFlipV}, both{0, kFlipBoth};
  const std::vector<SmallCase> cases = {
      {"mirrors share the entry",
       Dedupe::WithFlips,
       {{'A', 0}, {'A', 1}, {'A', 2}, {'A', 3}},
       {{0}, h, v, both}},
      {"exact keeps mirrors apart",
       Dedupe::Exact,
       {{'A', 0}, {'A', 1}, {'A', 3}, {'A', 1}},
       {{0}, {1}, {2}, {1}}},
      {"a mirror first is the entry", Dedupe::WithFlips, {{'A', 1}, {'A', 0}, {'A', 1}}, {{0}, h, {0}}},
      {"a symmetric tile is unflipped", Dedupe::WithFlips, {{'S', 0}, {'A', 0}, {'S', 3}}, {{0}, {1}, {0}}},
      {"no dedupe", Dedupe::None, {{'A', 0}, {'A', 0}}, {{0}, {1}}},
  };
  Tile a;
  for (int i = 0; i < 64; ++i) a.Set(i % 8, i / 8, static_cast<std::uint8_t>(i));
  for (const SmallCase& c : cases) {
    ValuePlane plane(8 * static_cast<int>(c.picture.size()), 8);
    for (std::size_t i = 0; i < c.picture.size(); ++i) {
      const auto& [name, flip] = c.picture[i];
      PutTile(plane, static_cast<int>(i), 0, Mirror(name == 'A' ? a : Tile{}, flip));
    }
    const Result<TileSet> made = MakeTileSet(plane, c.dedupe);
    ASSERT_TRUE(made.Ok()) << c.name;
    EXPECT_EQ(made.Value().map.entries, c.expected) << c.name;
  }
  // Left-right mirroring moves column x to 7 - x, top-bottom row y to 7 - y.
  EXPECT_EQ(Mirror(a, kFlipH).At(1, 2), a.At(6, 2));
  EXPECT_EQ(Mirror(a, kFlipV).At(1, 2), a.At(1, 5));
}

TEST(MakeTileSet, TakesOnlyTheChosenMirrorsAnExistingSetAndLeavesTilesOut) {
  Tile a;
  for (int i = 0; i < 64; ++i) a.Set(i % 8, i / 8, static_cast<std::uint8_t>(i));
  const Tile b = Mirror(a, kFlipV);  // a tile of its own when only left-right mirrors count
  Tile plain;
  ValuePlane plane(8 * 5, 8);
  const std::vector<Tile> picture{a, Mirror(a, kFlipH), b, Mirror(a, kFlipBoth), plain};
  for (std::size_t i = 0; i < picture.size(); ++i) PutTile(plane, static_cast<int>(i), 0, picture[i]);

  TileSetOptions options{Dedupe::WithFlips, kFlipH, {}, {}};
  auto made = MakeTileSet(plane, options);
  ASSERT_TRUE(made.Ok());
  EXPECT_EQ(made.Value().map.entries, (std::vector<MapEntry>{{0}, {0, kFlipH}, {1}, {1, kFlipH}, {2}}));

  options.flips = kFlipV;
  made = MakeTileSet(plane, options);
  EXPECT_EQ(made.Value().map.entries, (std::vector<MapEntry>{{0}, {1}, {0, kFlipV}, {1, kFlipV}, {2}}));

  // An existing set of [plain, b, plain]: its tiles keep their numbers, a matches b
  // mirrored and the first plain; nothing new is added.
  const std::vector<Tile> existing{plain, b, plain};
  options = {Dedupe::None, kFlipBoth, existing, {}};
  made = MakeTileSet(plane, options);
  // Exact matching: a and its mirrors are new, b and plain are found.
  EXPECT_EQ(made.Value().tiles.size(), 6u);
  EXPECT_EQ(made.Value().map.entries, (std::vector<MapEntry>{{3}, {4}, {1}, {5}, {0}}));
  options.dedupe = Dedupe::WithFlips;
  made = MakeTileSet(plane, options);
  EXPECT_EQ(made.Value().tiles, existing);
  EXPECT_EQ(made.Value().map.entries,
            (std::vector<MapEntry>{{1, kFlipV}, {1, kFlipBoth}, {1}, {1, kFlipH}, {0}}));

  // Left out: the plain tile, whose entry is fixed for the caller to number.
  const std::vector<std::uint8_t> leaveOut{0, 0, 0, 0, 1};
  options = {Dedupe::Exact, kFlipBoth, {}, leaveOut};
  made = MakeTileSet(plane, options);
  EXPECT_EQ(made.Value().tiles.size(), 4u);
  EXPECT_TRUE(made.Value().map.entries[4].fixed);
}

// Tiles fed one at a time, as a picture read a band at a time gives them: tiles A and B,
// no two of whose mirrors are alike, and the all-zero Z.
struct BuilderCase {
  const char* name;
  TileSetOptions options;
  std::vector<std::pair<char, Flip>> picture;  // a tile and the mirror it is placed through
  std::vector<MapEntry> entries;               // worked out by hand
  std::vector<std::pair<char, Flip>> tiles;    // the set, start tiles first
};

Tile NamedTile(char name, Flip flip) {
  Tile tile;
  for (int i = 0; i < 64 && name != 'Z'; ++i)
    tile.Set(i % 8, i / 8, static_cast<std::uint8_t>(name == 'A' ? 64 - i : (i * 7) % 5));
  return Mirror(tile, flip);
}

TEST(TileSetBuilder, GivesWhatTheWholePlaneGives) {
  const std::vector<Tile> zb{NamedTile('Z', 0), NamedTile('B', 0), NamedTile('Z', 0)};
  const std::vector<Tile> mirroredA{NamedTile('A', kFlipH)};
  const std::vector<std::pair<char, Flip>> mix{{'A', 0},      {'A', kFlipH},    {'B', 0}, {'A', 0},
                                               {'A', kFlipV}, {'A', kFlipBoth}, {'Z', 0}, {'B', kFlipH}};
  const std::vector<BuilderCase> cases = {
      {"every tile its own entry",
       {Dedupe::None, kFlipBoth, {}, {}},
       mix,
       {{0}, {1}, {2}, {3}, {4}, {5}, {6}, {7}},
       mix},
      {"equal tiles share the first's entry, mirrors do not",
       {Dedupe::Exact, kFlipBoth, {}, {}},
       mix,
       {{0}, {1}, {2}, {0}, {3}, {4}, {5}, {6}},
       {{'A', 0}, {'A', kFlipH}, {'B', 0}, {'A', kFlipV}, {'A', kFlipBoth}, {'Z', 0}, {'B', kFlipH}}},
      {"every mirror shares the entry",
       {Dedupe::WithFlips, kFlipBoth, {}, {}},
       mix,
       {{0}, {0, kFlipH}, {1}, {0}, {0, kFlipV}, {0, kFlipBoth}, {2}, {1, kFlipH}},
       {{'A', 0}, {'B', 0}, {'Z', 0}}},
      {"left-right mirrors only",
       {Dedupe::WithFlips, kFlipH, {}, {}},
       mix,
       {{0}, {0, kFlipH}, {1}, {0}, {2}, {2, kFlipH}, {3}, {1, kFlipH}},
       {{'A', 0}, {'B', 0}, {'A', kFlipV}, {'Z', 0}}},
      {"top-bottom mirrors only",
       {Dedupe::WithFlips, kFlipV, {}, {}},
       mix,
       {{0}, {1}, {2}, {0}, {0, kFlipV}, {1, kFlipV}, {3}, {4}},
       {{'A', 0}, {'A', kFlipH}, {'B', 0}, {'Z', 0}, {'B', kFlipH}}},
      // A start set is matched exactly even without --dedupe; its own repeats keep their
      // numbers and the first of them is found.
      {"a start set, exact",
       {Dedupe::None, kFlipBoth, zb, {}},
       mix,
       {{3}, {4}, {1}, {3}, {5}, {6}, {0}, {7}},
       {{'Z', 0},
        {'B', 0},
        {'Z', 0},
        {'A', 0},
        {'A', kFlipH},
        {'A', kFlipV},
        {'A', kFlipBoth},
        {'B', kFlipH}}},
      {"a start set with mirrors",
       {Dedupe::WithFlips, kFlipBoth, mirroredA, {}},
       mix,
       {{0, kFlipH}, {0}, {1}, {0, kFlipH}, {0, kFlipBoth}, {0, kFlipV}, {2}, {1, kFlipH}},
       {{'A', kFlipH}, {'B', 0}, {'Z', 0}}},
  };
  for (const BuilderCase& c : cases) {
    SCOPED_TRACE(c.name);
    TileSetBuilder builder(c.options, c.picture.size());
    std::vector<MapEntry> entries;
    for (const auto& [name, flip] : c.picture) entries.push_back(builder.Add(NamedTile(name, flip)));
    std::vector<Tile> expected;
    for (const auto& [name, flip] : c.tiles) expected.push_back(NamedTile(name, flip));
    EXPECT_EQ(entries, c.entries);
    EXPECT_EQ(builder.Tiles(), expected);
    // The same tiles as a plane two tiles wide: four rows of tiles, cut whole.
    ValuePlane plane(16, 8 * static_cast<int>(c.picture.size() / 2));
    for (std::size_t i = 0; i < c.picture.size(); ++i)
      PutTile(plane, static_cast<int>(i % 2), static_cast<int>(i / 2),
              NamedTile(c.picture[i].first, c.picture[i].second));
    const Result<TileSet> whole = MakeTileSet(plane, c.options);
    ASSERT_TRUE(whole.Ok()) << whole.Error();
    EXPECT_EQ(whole.Value().map.entries, c.entries);
    EXPECT_EQ(whole.Value().tiles, expected);
  }
}

// A builder given more tiles than it was told of keeps finding them (its table grows rather
// than fills up and searches for ever).
TEST(TileSetBuilder, TakesMoreTilesThanItWasToldOf) {
  TileSetBuilder builder({Dedupe::Exact, kFlipBoth, {}, {}}, 0);
  const auto tileOf = [](int i) {
    Tile tile;
    tile.Set(0, 0, static_cast<std::uint8_t>(i % 16));
    tile.Set(7, 7, static_cast<std::uint8_t>(i / 16));
    return tile;
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 100; ++i) EXPECT_EQ(builder.Add(tileOf(i)), MapEntry{static_cast<std::uint32_t>(i)});
  }
  EXPECT_EQ(builder.Tiles().size(), 100u);
}

// The bands are Rebuild's rows, whichever band is asked for and how often; a map Rebuild
// refuses is refused with its reason.
TEST(MapBands, DrawsRebuildsRowsABandAtATime) {
  std::mt19937 random(5);
  const std::vector<Tile> tiles{RandomTile(random), RandomTile(random), RandomTile(random)};
  for (const int across : {1, 3}) {
    TileMap map{across, {}};
    for (int i = 0; i < 4 * across; ++i)
      map.entries.push_back({static_cast<std::uint32_t>(random() % 3), static_cast<Flip>(random() % 4)});
    const Result<ValuePlane> whole = Rebuild(tiles, map);
    ASSERT_TRUE(whole.Ok());
    auto bands = MapBands::Make(tiles, map);
    ASSERT_TRUE(bands.Ok());
    EXPECT_EQ(bands.Value().Width(), 8 * across);
    EXPECT_EQ(bands.Value().Height(), 32);
    for (const int row : {3, 0, 0, 2, 1, 3}) {
      const ValuePlane& band = bands.Value().Band(row);
      ASSERT_EQ(band.height, 8);
      const auto from = whole.Value().values.begin() + 64 * across * row;
      EXPECT_TRUE(std::equal(band.values.begin(), band.values.end(), from)) << across << " " << row;
    }
  }
  const std::vector<TileMap> refused{{0, {{0}}}, {2, {{0}, {1}, {2}}}, {1, {{0}, {3}}}, {1, {}}};
  for (const TileMap& map : refused) {
    const auto rebuilt = Rebuild(tiles, map);
    const auto bands = MapBands::Make(tiles, map);
    ASSERT_FALSE(rebuilt.Ok());
    ASSERT_FALSE(bands.Ok());
    EXPECT_EQ(bands.Error(), rebuilt.Error());
  }
}

TEST(TileColumn, CutsBackIntoTheSameTiles) {
  std::mt19937 random(3);
  const std::vector<Tile> tiles{RandomTile(random), RandomTile(random), RandomTile(random)};
  const ValuePlane column = ColumnOfTiles(tiles);
  EXPECT_EQ(column.width, 8);
  const Result<std::vector<Tile>> cut = CutTiles(column);
  ASSERT_TRUE(cut.Ok());
  EXPECT_EQ(cut.Value(), tiles);
}

}  // namespace
}  // namespace glyphon::tiles
