// SPDX-License-Identifier: MIT
// Decoding known answers for the console layouts, worked out by hand from each layout (see
// golden/CONSOLE_LAYOUTS.md for the same layouts in the encoding direction).
#include <gtest/gtest.h>

#include "formats/codec_cases.h"

namespace glyphon::formats {
namespace {

using namespace cases;

std::vector<DecodeCase> DecodeCases() {
  std::vector<DecodeCase> c;
  // 4bpp GBA: 0x21 is pixel 0 = 1 (low nibble), pixel 1 = 2; byte 32 opens the second tile.
  c.push_back({"Gba_LowNibbleLeft",
               "4bpp GBA",
               Set(Zeros(64), {{0, 0x21}, {7, 0x90}, {4, 0x0F}, {32, 0xE0}}),
               16,
               16,
               8,
               {{0, 0, 17}, {1, 0, 34}, {7, 1, 153}, {0, 1, 255}, {8, 0, 0}, {9, 0, 238}}});
  // 4bpp Linear Rev at width 3: the pairs run on across row ends.
  c.push_back({"LinearRev_OddWidth",
               "4bpp Linear Rev",
               test::Bytes({0x21, 0x43, 0x65}),
               3,
               3,
               2,
               {{0, 0, 17}, {1, 0, 34}, {2, 0, 51}, {0, 1, 68}, {2, 1, 102}}});
  // 4bpp SMS: row 1's four plane bytes at 4-7; bit 7 of each is column 0.
  c.push_back({"Sms_PlanesInRowOrder",
               "4bpp SMS",
               Set(Zeros(32), {{4, 0x80}, {5, 0x80}, {7, 0x01}, {0, 0x01}}),
               8,
               8,
               8,
               {{0, 1, 3 * 17}, {7, 1, 8 * 17}, {7, 0, 17}, {0, 0, 0}}});
  // 2bpp NGP: the word 0x6C02 stored 0x02 0x6C is 1 2 3 0 0 0 0 2.
  c.push_back({"Ngp_LittleEndianRowWord",
               "2bpp NGP",
               Set(Zeros(16), {{0, 0x02}, {1, 0x6C}}),
               8,
               8,
               8,
               {{0, 0, 128}, {1, 0, 192}, {2, 0, 255}, {3, 0, 0}, {6, 0, 0}, {7, 0, 192}}});
  // PCE sprite: plane 0 row 0 word 0x8001 (bytes 0x01 0x80) is columns 0 and 15; plane 3's
  // row 15 word 0x0100 (bytes 0x00 0x01, at 96 + 30) is column 7.
  c.push_back({"PceSprite_PlaneWords",
               "4bpp PCE Sprite",
               Set(Zeros(128), {{0, 0x01}, {1, 0x80}, {127, 0x01}}),
               16,
               16,
               16,
               {{0, 0, 17}, {15, 0, 17}, {1, 0, 0}, {7, 15, 136}, {8, 15, 0}}});
  // 128 bytes at width 32: the second sprite of the row lies past the end and is white.
  c.push_back({"PceSprite_SecondSpritePastTheEnd",
               "4bpp PCE Sprite",
               Set(Zeros(128), {{1, 0x80}}),
               32,
               32,
               8,
               {{0, 0, 17}, {15, 7, 0}, {16, 0, 255}, {31, 7, 255}}});
  return c;
}

class ConsoleLayoutDecode : public ::testing::TestWithParam<DecodeCase> {};
TEST_P(ConsoleLayoutDecode, KnownAnswer) {
  ExpectDecodes(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Cases, ConsoleLayoutDecode, ::testing::ValuesIn(DecodeCases()),
                         CaseName<DecodeCase>);

// A group's plane-0 byte is there but a later plane lies past the end: the preview fails at
// the group's first pixel, at that plane's byte. 98 bytes hold all of sprite row 0 (plane 3
// of its left half at 96 + 1); row 1's left half needs byte 96 + 3. 38 bytes hold SMS tile 1's
// row 0 (32-35) but not plane 2 of its row 1 (36 + 2).
std::vector<ShortDataCase> ShortDataCases() {
  return {{"PceSprite_LaterPlanePastTheEnd", "4bpp PCE Sprite", Zeros(98), 16, 0, 1, 99},
          {"Sms_LaterPlanePastTheEnd", "4bpp SMS", Zeros(38), 16, 8, 1, 38}};
}

class ConsoleLayoutShortData : public ::testing::TestWithParam<ShortDataCase> {};
TEST_P(ConsoleLayoutShortData, PreviewFailsImageGenerationDrawsWhite) {
  ExpectShortDataFails(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Cases, ConsoleLayoutShortData, ::testing::ValuesIn(ShortDataCases()),
                         CaseName<ShortDataCase>);

// BGR555: red in bits 0-4, green 5-9, blue 10-14; bit 15 is not read; a 5-bit component v
// is drawn (v << 3) | (v >> 2).
TEST(Bgr555, ComponentsExpandAndBitFifteenIsIgnored) {
  // 0x801F: red 31 with bit 15 set; 0x03E0: green 31; 0x4010: red 16, blue 16; 0x0421 is
  // 1, 1, 1; and a lone byte at the end.
  const ByteString data = test::Bytes({0x1F, 0x80, 0xE0, 0x03, 0x10, 0x40, 0x21, 0x04, 0x7F});
  const DecodeResult generated = DecodeWith("16bpp BGR555", data, 5, DecodeMode::ImageGeneration);
  ASSERT_TRUE(generated.Ok());
  EXPECT_EQ(generated.picture.GetPixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(generated.picture.GetPixel(1, 0), Rgb(0, 255, 0));
  EXPECT_EQ(generated.picture.GetPixel(2, 0), Rgb(132, 0, 132));
  EXPECT_EQ(generated.picture.GetPixel(3, 0), Rgb(8, 8, 8));
  EXPECT_EQ(generated.picture.GetPixel(4, 0), kBlack);
  const DecodeResult preview = DecodeWith("16bpp BGR555", data, 5, DecodeMode::Preview);
  ASSERT_FALSE(preview.Ok());
  EXPECT_EQ(preview.failure->x, 4);
}

}  // namespace
}  // namespace glyphon::formats
