// SPDX-License-Identifier: MIT
#include "tiles/tile_order.h"

#include <gtest/gtest.h>

#include <random>

namespace glyphon::tiles {
namespace {

using Order = std::vector<std::uint32_t>;

// Orders worked out by hand on a grid of 4 by 4 tiles numbered in rows:
//    0  1  2  3
//    4  5  6  7
//    8  9 10 11
//   12 13 14 15
struct KnownOrder {
  const char* name;
  TileOrder order;
  Order stored;
};

class StoredOrderTest : public testing::TestWithParam<KnownOrder> {};

TEST_P(StoredOrderTest, MatchesTheHandWorkedOrder) {
  EXPECT_EQ(StoredOrder(4, 4, GetParam().order), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Grids, StoredOrderTest,
    testing::Values(
        KnownOrder{"Rows", {}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        KnownOrder{"Columns", {Walk::Columns}, {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15}},
        KnownOrder{
            "Objects16x16", {Walk::Rows, 2, 2}, {0, 1, 4, 5, 2, 3, 6, 7, 8, 9, 12, 13, 10, 11, 14, 15}},
        KnownOrder{"Objects8x16", {Walk::Rows, 1, 2}, {0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15}},
        KnownOrder{"GenesisObjects16x16",
                   {Walk::Rows, 2, 2, Walk::Columns},
                   {0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15}},
        KnownOrder{"Objects16x16InColumns",
                   {Walk::Columns, 2, 2},
                   {0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15}},
        KnownOrder{"GenesisObjects32x16",
                   {Walk::Rows, 4, 2, Walk::Columns},
                   {0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15}},
        KnownOrder{
            "Screens32x16", {Walk::Rows, 4, 1}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}}),
    [](const testing::TestParamInfo<KnownOrder>& param) { return std::string(param.param.name); });

TEST(StoredOrder, ColumnsOfAWideGridRunDownFirst) {
  // 4 across, 2 down: 0 1 2 3 / 4 5 6 7.
  EXPECT_EQ(StoredOrder(4, 2, {Walk::Columns}), (Order{0, 4, 1, 5, 2, 6, 3, 7}));
  // Two 32 by 32 screens of a 64 by 32 map are halves of each row.
  const Order screens = StoredOrder(64, 32, {Walk::Rows, 32, 32});
  EXPECT_EQ(screens[31], 31u);
  EXPECT_EQ(screens[32], 64u);                  // screen 0's second row
  EXPECT_EQ(screens[32 * 32], 32u);             // screen 1's first cell
  EXPECT_EQ(screens[32 * 32 + 32], 64u + 32u);  // screen 1's second row
}

TEST(ParseObjectSize, TakesPixelsInWholeTiles) {
  using Size = std::optional<std::pair<int, int>>;
  EXPECT_EQ(ParseObjectSize("16x16", 8), (Size{{2, 2}}));
  EXPECT_EQ(ParseObjectSize("8x16", 8), (Size{{1, 2}}));
  EXPECT_EQ(ParseObjectSize("32x64", 16), (Size{{2, 4}}));
  for (const char* bad :
       {"", "16", "x16", "16x", "12x16", "0x8", "2x2", "16x16x", "-8x8", "1024x8", "8x16", " 8x8"}) {
    EXPECT_EQ(ParseObjectSize(bad, bad == std::string("8x16") ? 16 : 8), std::nullopt) << bad;
  }
  EXPECT_EQ(ParseWalk("columns"), Walk::Columns);
  EXPECT_EQ(ParseWalk("rows"), Walk::Rows);
  EXPECT_EQ(ParseWalk("column"), std::nullopt);
}

TEST(CheckObjects, RefusesPartObjects) {
  EXPECT_TRUE(CheckObjects(4, 4, {Walk::Rows, 2, 2}).Ok());
  EXPECT_FALSE(CheckObjects(3, 4, {Walk::Rows, 2, 2}).Ok());
  EXPECT_FALSE(CheckObjects(4, 3, {Walk::Rows, 1, 2}).Ok());
}

platform::Surface RandomPicture(int width, int height, std::mt19937& random) {
  platform::Surface picture = platform::Surface::Picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (auto& pixel : picture.Row(y)) pixel = random() & 0xFFFFFF;
  }
  return picture;
}

// Stored and put back, every order gives the picture back, for 8 and 16 pixel tiles.
TEST(StoredSheet, RoundTripsEveryOrder) {
  std::mt19937 random(7);
  for (int side : {8, 16}) {
    for (Walk objects : {Walk::Rows, Walk::Columns}) {
      for (Walk inside : {Walk::Rows, Walk::Columns}) {
        for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {1, 2}, {4, 4}, {2, 1}}) {
          const TileOrder order{objects, w, h, inside};
          const platform::Surface picture = RandomPicture(side * 8 + 5, side * 4 + 3, random);
          const convert::Selection selection{3, 2, side * 4, side * 4};
          const platform::Surface sheet = StoredSheet(picture, selection, side, order);
          EXPECT_EQ(PictureOfSheet(sheet, side, order), picture.Crop(3, 2, side * 4, side * 4))
              << side << ' ' << w << 'x' << h;
        }
      }
    }
  }
}

TEST(StoredSheet, PutsTheStoredTilesInRows) {
  // Tile n of a 4 by 4 grid drawn in colour n: the sheet shows the stored numbers in rows.
  platform::Surface picture = platform::Surface::Picture(32, 32);
  for (int n = 0; n < 16; ++n) picture.FillRect(n % 4 * 8, n / 4 * 8, 8, 8, static_cast<RgbColor>(n));
  const TileOrder order{Walk::Columns};
  const platform::Surface sheet = StoredSheet(picture, {0, 0, 32, 32}, 8, order);
  const Order stored = StoredOrder(4, 4, order);
  for (int k = 0; k < 16; ++k)
    EXPECT_EQ(sheet.GetPixel(k % 4 * 8 + 3, k / 4 * 8 + 5), stored[static_cast<std::size_t>(k)]) << k;
}

TEST(PictureOfSheet, GrowsAShortSheetToWholeObjectsInBlack) {
  // Three stored tiles at 16 pixels wide in 8 by 16 objects: object 0 whole, object 1 only
  // its top tile; its bottom tile is black.
  platform::Surface sheet = platform::Surface::Picture(16, 16, 0x777777);
  sheet.FillRect(8, 8, 8, 8, 0x000000);
  const platform::Surface picture = PictureOfSheet(sheet.Crop(0, 0, 16, 12), 8, {Walk::Rows, 1, 2});
  ASSERT_EQ(picture.Width(), 16);
  ASSERT_EQ(picture.Height(), 16);
  EXPECT_EQ(picture.GetPixel(0, 0), 0x777777u);  // stored 0
  EXPECT_EQ(picture.GetPixel(0, 8), 0x777777u);  // stored 1
  EXPECT_EQ(picture.GetPixel(8, 0), 0x777777u);  // stored 2, cut at row 12 of the sheet
  EXPECT_EQ(picture.GetPixel(8, 4), 0x000000u);
  EXPECT_EQ(picture.GetPixel(8, 12), 0x000000u);  // stored 3, beyond the data
}

// Moved in place along the cycles, block k ends up holding the block of tile StoredOrder[k],
// for every order (cycles of one block, long cycles and many short ones).
TEST(PutInStoredOrder, MovesEveryBlockToItsStoredPlace) {
  for (const TileOrder& order :
       {TileOrder{}, TileOrder{Walk::Columns}, TileOrder{Walk::Rows, 2, 2},
        TileOrder{Walk::Columns, 4, 2, Walk::Columns}, TileOrder{Walk::Rows, 1, 8}}) {
    constexpr int kAcross = 8, kDown = 16;
    constexpr std::size_t kBlock = 3;
    ByteString bytes;
    for (std::size_t tile = 0; tile < kAcross * kDown; ++tile) {
      for (std::size_t b = 0; b < kBlock; ++b) bytes.push_back(static_cast<std::uint8_t>(tile + b));
    }
    PutInStoredOrder(bytes, kAcross, kDown, order, kBlock);
    const Order stored = StoredOrder(kAcross, kDown, order);
    for (std::size_t k = 0; k < stored.size(); ++k) {
      for (std::size_t b = 0; b < kBlock; ++b)
        ASSERT_EQ(bytes[k * kBlock + b], static_cast<std::uint8_t>(stored[k] + b)) << k;
    }
  }
}

TEST(MapCells, StoredAndBackAgree) {
  std::vector<int> cells(64 * 32);
  for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<int>(i);
  const TileOrder screens{Walk::Rows, 32, 32};
  const auto stored = InStoredOrder(cells, 64, 32, screens);
  EXPECT_EQ(stored[32 * 32], 32);
  EXPECT_EQ(InPictureOrder(stored, 64, 32, screens), cells);
}

}  // namespace
}  // namespace glyphon::tiles
