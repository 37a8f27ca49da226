// SPDX-License-Identifier: MIT
#include "tiles/map_layout.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "support/test_support.h"

namespace glyphon::tiles {
namespace {

struct PackingCase {
  const char* layout;
  MapEntry entry;
  int baseTile;
  ByteString map;
  ByteString attributes;
};

TEST(MapLayout, PacksEachLayoutsEntryBits) {
  const std::vector<PackingCase> cases = {
      // vhopppcc cccccccc little-endian: tile 0x155, palette 5, priority, h flip.
      {"snes", {0x155, kFlipH, 5, true}, 0, test::Bytes({0x55, 0x75}), {}},
      {"snes", {3, kFlipV}, 0x100, test::Bytes({0x03, 0x81}), {}},
      // pccv hnnn nnnn nnnn big-endian.
      {"genesis", {0x7FF, kFlipV, 3, true}, 0, test::Bytes({0xF7, 0xFF}), {}},
      {"genesis", {1, kFlipH}, 0, test::Bytes({0x08, 0x01}), {}},
      {"gb", {200}, 0, test::Bytes({200}), {}},
      {"nes", {5}, 16, test::Bytes({21}), {}},
      {"mode7", {255}, 0, test::Bytes({255}), {}},
      // Attribute byte: priority, v flip, h flip, -, bank, palette.
      {"gbc", {0xAB, kFlipBoth, 6, true}, 0, test::Bytes({0xAB}), test::Bytes({0xE6})},
      // Base 0xF0 plus 0x10 wraps to 0 in bank 0: the number's carry never sets the bank bit.
      {"gbc", {0x10, kNoFlip, 1}, 0xF0, test::Bytes({0x00}), test::Bytes({0x01})},
      {"gb", {1}, 0xFF, test::Bytes({0x00}), {}},
  };
  for (const PackingCase& c : cases) {
    const MapLayout& layout = *FindMapLayout(c.layout);
    const Result<MapBytes> written = WriteMap(layout, std::span(&c.entry, 1), c.baseTile);
    ASSERT_TRUE(written.Ok()) << c.layout << ": " << written.Error();
    EXPECT_EQ(written.Value().map, c.map) << c.layout;
    EXPECT_EQ(written.Value().attributes, c.attributes) << c.layout;
    const Result<std::vector<MapEntry>> read = ReadMap(layout, c.map, c.attributes, c.baseTile);
    ASSERT_TRUE(read.Ok()) << c.layout << ": " << read.Error();
    EXPECT_EQ(read.Value(), std::vector<MapEntry>{c.entry}) << c.layout;
  }
}

// The Game Boy Color's second VRAM bank holds the tile set from --bank-split on, numbered
// from the base tile again; the Game Boy's numbers wrap at 256.
TEST(MapLayout, BankSplitAndWrapNumberAsTheHardwareAddresses) {
  struct Case {
    const char* layout;
    std::vector<MapEntry> entries;
    int baseTile;
    std::optional<std::uint32_t> split;
    ByteString map;
    ByteString attributes;
  };
  const std::vector<Case> cases = {
      {"gb", {{0}, {1}, {2}}, 255, std::nullopt, test::Bytes({0xFF, 0x00, 0x01}), {}},
      {"gbc", {{0}, {1}, {2}}, 0xF0, 2u, test::Bytes({0xF0, 0xF1, 0xF0}), test::Bytes({0x00, 0x00, 0x08})},
      {"gbc", {{0x1AB, kFlipBoth, 6, true}}, 0, 0x100u, test::Bytes({0xAB}), test::Bytes({0xEE})},
      {"gbc", {{299}, {0}}, 0x80, 44u, test::Bytes({0x7F, 0x80}), test::Bytes({0x08, 0x00})},
  };
  for (const Case& c : cases) {
    const MapLayout& layout = *FindMapLayout(c.layout);
    const Result<MapBytes> written = WriteMap(layout, c.entries, c.baseTile, c.split);
    ASSERT_TRUE(written.Ok()) << c.layout << ": " << written.Error();
    EXPECT_EQ(written.Value().map, c.map) << c.layout;
    EXPECT_EQ(written.Value().attributes, c.attributes) << c.layout;
    const auto read = ReadMap(layout, c.map, c.attributes, c.baseTile, c.split);
    ASSERT_TRUE(read.Ok()) << c.layout << ": " << read.Error();
    EXPECT_EQ(read.Value(), c.entries) << c.layout;
  }
  // An entry fixed to a number keeps it whatever the base tile.
  const std::vector<MapEntry> fixed{{7, kNoFlip, 0, false, true}, {0}};
  EXPECT_EQ(WriteMap(*FindMapLayout("snes"), fixed, 100).Value().map, test::Bytes({7, 0, 100, 0}));
}

// Every entry a layout can carry comes back from its bytes: all tile numbers, and random
// flips, palettes and priorities where the layout has them.
TEST(MapLayout, EveryLayoutReadsBackWhatItWrites) {
  std::mt19937 random(5);
  for (const MapLayout& layout : MapLayouts()) {
    std::vector<MapEntry> entries;
    for (std::uint32_t tile = 0; tile + 7 < layout.TileNumbers(); ++tile) {
      MapEntry entry{tile};
      if (layout.CanFlip()) entry.flip = static_cast<Flip>(random() % 4);
      entry.palette = static_cast<std::uint8_t>(random() % layout.palette.Limit());
      entry.priority = layout.priority.Present() && random() % 2 == 1;
      entries.push_back(entry);
    }
    const Result<MapBytes> written = WriteMap(layout, entries, 7);
    ASSERT_TRUE(written.Ok()) << layout.name << ": " << written.Error();
    const Result<std::vector<MapEntry>> read =
        ReadMap(layout, written.Value().map, written.Value().attributes, 7);
    ASSERT_TRUE(read.Ok()) << layout.name << ": " << read.Error();
    EXPECT_EQ(read.Value(), entries) << layout.name;
  }
}

std::string ErrorOf(const Status& status) {
  return status.error;
}
template <class T>
std::string ErrorOf(const Result<T>& result) {
  return result.Ok() ? std::string() : result.Error();
}

struct ErrorCase {
  std::function<std::string()> run;
  std::string message;
};

TEST(Tiles, RefusalsSayWhy) {
  const auto layout = [](const char* name) { return *FindMapLayout(name); };
  const std::vector<MapEntry> snes1025(1025);
  std::vector<MapEntry> counted(1025);
  for (std::uint32_t i = 0; i < counted.size(); ++i) counted[i].tile = i;
  const std::vector<Tile> twoTiles(2);
  const std::vector<ErrorCase> cases = {
      {[] { return ErrorOf(MakeTileSet(convert::ValuePlane(12, 8), Dedupe::Exact)); },
       "the picture is 12 by 8 pixels, not a whole number of 8 by 8 tiles"},
      {[] { return ErrorOf(CutTiles(convert::ValuePlane(0, 0))); },
       "the picture is 0 by 0 pixels, not a whole number of 8 by 8 tiles"},
      {[&] {
         return ErrorOf(Rebuild(twoTiles, {2, {{0}, {2}}}));
       },
       "map entry 1 places tile 2, but the tile set holds 2 tiles"},
      {[&] {
         return ErrorOf(Rebuild(twoTiles, {2, {{0}, {1}, {0}}}));
       },
       "the map's 3 entries are not a whole number of rows of 2 tiles"},
      {[&] {
         return ErrorOf(Rebuild(twoTiles, {0, {{0}}}));
       },
       "a tile map must be at least one tile wide"},
      {[&] {
         return ErrorOf(Rebuild(twoTiles, {5000, std::vector<MapEntry>(5000)}));
       },
       "the picture would be 40000 by 8 pixels, more than 32767 on a side or 67108864 pixels in all"},
      {[&] { return ErrorOf(CheckMapOptions(layout("gb"), true, 0, false)); },
       "the gb map layout can't flip tiles"},
      {[&] {
         return ErrorOf(WriteMap(layout("nes"), std::vector<MapEntry>{{0, kFlipV}}, 0));
       },
       "the nes map layout can't flip tiles"},
      {[&] { return ErrorOf(CheckMapOptions(layout("mode7"), false, 1, false)); },
       "the mode7 map layout has no palette number"},
      {[&] { return ErrorOf(CheckMapOptions(layout("genesis"), false, 4, false)); },
       "palette number 4 does not fit the genesis map layout (0 to 3)"},
      {[&] { return ErrorOf(CheckMapOptions(layout("gb"), false, 0, true)); },
       "the gb map layout has no priority bit"},
      {[&] { return ErrorOf(WriteMap(layout("snes"), counted, 0)); },
       "1025 unique tiles are more than the snes map layout can number: at most 1024"},
      {[&] { return ErrorOf(CheckTileCount(layout("gbc"), 257, 16)); },
       "257 unique tiles are more than the gbc map layout can number in one bank: at most 256 (--bank-split "
       "puts the rest in bank 1)"},
      {[&] { return ErrorOf(CheckTileCount(layout("gbc"), 600, 16, 300)); },
       "300 unique tiles are more than the gbc map layout can number in one bank: at most 256"},
      {[&] { return ErrorOf(CheckTileCount(layout("gbc"), 600, 16, 256)); },
       "344 tiles from the bank split on are more than the gbc map layout can number in bank 1: at most 256"},
      {[&] { return ErrorOf(CheckTileCount(layout("snes"), 6, 0, 2)); },
       "the snes map layout has no second bank"},
      {[&] { return ErrorOf(ReadMap(layout("gbc"), test::Bytes({1}), test::Bytes({0x08}), 0)); },
       "map entry 0 lies in VRAM bank 1; --bank-split tells where its tiles begin"},
      {[&] { return ErrorOf(CheckTileCount(layout("gb"), 257, 255)); },
       "257 unique tiles are more than the gb map layout can number in one bank: at most 256"},
      {[&] { return ErrorOf(CheckTileCount(layout("gb"), 1, 256)); },
       "base tile 256 does not fit the gb map layout (0 to 255)"},
      {[&] {
         return ErrorOf(ReadMap(layout("snes"), test::Bytes({1, 2, 3}), {}, 0));
       },
       "a snes map is 2 bytes an entry, but the map holds 3 bytes"},
      {[&] {
         return ErrorOf(ReadMap(layout("genesis"), test::Bytes({1, 2}), test::Bytes({0}), 0));
       },
       "the genesis map layout has no attribute map"},
      {[&] {
         return ErrorOf(ReadMap(layout("gbc"), test::Bytes({1, 2}), test::Bytes({0}), 0));
       },
       "the attribute map holds 1 bytes, but the map has 2 entries"},
      {[&] {
         return ErrorOf(ReadMap(layout("nes"), test::Bytes({16, 15}), {}, 16));
       },
       "map entry 1 has tile number 15, below base tile 16"},
      {[&] { return ErrorOf(ReadMap(layout("nes"), ByteString((std::size_t{1} << 20) + 1, 0), {}, 0)); },
       "the map holds 1048577 entries, more than the largest picture has tiles (1048576)"},
  };
  for (const ErrorCase& c : cases) EXPECT_EQ(c.run(), c.message);
  EXPECT_TRUE(WriteMap(layout("snes"), snes1025, 0).Ok()) << "1025 cells of one tile fit";
}

}  // namespace
}  // namespace glyphon::tiles
