// SPDX-License-Identifier: MIT
#include "tiles/nes_attributes.h"

#include <gtest/gtest.h>

#include "tiles/map_layout.h"

namespace glyphon::tiles {
namespace {

// Worked from the PPU's attribute layout: a 64 by 32 pixel picture has 4 by 2 areas of 16
// by 16. Byte 0 covers areas (0, 0) bits 0-1, (1, 0) bits 2-3, (0, 1) bits 4-5, (1, 1) bits
// 6-7: 1 | 2 << 2 | 0 << 4 | 1 << 6 = 0x49. Byte 1 covers areas 2 and 3 of both rows:
// 3 | 0 << 2 | 2 << 4 | 3 << 6 = 0xE3. The rest of the screen's 64 bytes are palette 0.
TEST(NesAttributes, OneScreenByHand) {
  const std::vector<std::uint8_t> areas{1, 2, 3, 0,  //
                                        0, 1, 2, 3};
  const ByteString table = WriteNesAttributes(areas, 4, 2);
  ByteString expected(64, 0);
  expected[0] = 0x49;
  expected[1] = 0xE3;
  EXPECT_EQ(table, expected);
  // Read back per tile (8 by 4 tiles): each tile takes its area's palette.
  const auto tiles = ReadNesAttributes(table, 8, 4);
  ASSERT_TRUE(tiles) << tiles.Error();
  EXPECT_EQ(tiles.Value()[0], 1);
  EXPECT_EQ(tiles.Value()[1], 1);
  EXPECT_EQ(tiles.Value()[2], 2);
  EXPECT_EQ(tiles.Value()[8 + 7], 0);      // tile (7, 1), area (3, 0)
  EXPECT_EQ(tiles.Value()[3 * 8 + 7], 3);  // tile (7, 3), area (3, 1)
}

// 33 by 31 tiles take 2 by 2 screens of 32 by 30 tiles, in rows. Area (15, 14) is the last of
// screen 0: byte 7 * 8 + 7 = 63, the top-right bits 2-3 (row 14 is even: the eighth row's
// bottom half lies below the screen). Area (16, 15) is the first of screen 3: byte 3 * 64.
TEST(NesAttributes, ScreensInRowsAndTheLastRowHalfUsed) {
  const int across = 17, down = 16;
  std::vector<std::uint8_t> areas(static_cast<std::size_t>(across * down), 0);
  areas[14 * across + 15] = 3;
  areas[15 * across + 16] = 2;
  const ByteString table = WriteNesAttributes(areas, across, down);
  ASSERT_EQ(table.size(), 256u);
  ByteString expected(256, 0);
  expected[63] = 3 << 2;
  expected[192] = 2;
  EXPECT_EQ(table, expected);
  const auto tiles = ReadNesAttributes(table, 33, 31);
  ASSERT_TRUE(tiles) << tiles.Error();
  EXPECT_EQ(tiles.Value()[29 * 33 + 31], 3);  // tile (31, 29)
  EXPECT_EQ(tiles.Value()[30 * 33 + 32], 2);  // tile (32, 30)
  EXPECT_EQ(tiles.Value()[30 * 33 + 31], 0);
}

TEST(NesAttributes, ATableOfTheWrongSizeIsRefused) {
  const auto read = ReadNesAttributes(ByteString(64, 0), 33, 30);
  ASSERT_FALSE(read);
  EXPECT_EQ(read.Error(),
            "the attribute table holds 64 bytes, but the 33 by 30 tile picture covers 2 screens of 32 by 30 "
            "tiles, 128 bytes");
}

TEST(MapLayouts, PaletteCounts) {
  for (const auto& [name, count] : std::vector<std::pair<const char*, std::uint32_t>>{
           {"snes", 8}, {"genesis", 4}, {"gbc", 8}, {"nes", 4}, {"gb", 1}, {"mode7", 1}}) {
    EXPECT_EQ(FindMapLayout(name)->PaletteCount(), count) << name;
  }
}

}  // namespace
}  // namespace glyphon::tiles
