// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "formats/codec_cases.h"

namespace glyphon::formats {
namespace {

using namespace cases;

constexpr std::string_view kSnesGb = "2bpp SNES/GB";
constexpr std::string_view kNes = "2bpp NES";
constexpr std::string_view kLinear = "2bpp Linear";

std::vector<DecodeCase> DecodeCases() {
  std::vector<DecodeCase> c;
  // 16 bytes at width 16: 16 by 4; the left half is rows 0-3 of tile 0, the right half
  // would come from byte 16 on and is white.
  ByteString tile = Zeros(16);
  tile[0] = 0x80;  // row 0, plane 0, column 0
  tile[3] = 0x01;  // row 1, plane 1, column 7
  c.push_back({"SnesGb_RightHalfPastTheEnd",
               kSnesGb,
               tile,
               16,
               16,
               4,
               {{0, 0, 128}, {1, 0, 0}, {7, 1, 192}, {8, 0, 255}, {15, 3, 255}}});
  // Plane 0 of row 0 column 0, plane 1 of row 1 column 7.
  c.push_back({"Nes_OneTile",
               kNes,
               Set(Zeros(16), {{0, 0x80}, {9, 0x01}}),
               8,
               8,
               8,
               {{0, 0, 128}, {1, 0, 0}, {7, 1, 192}, {7, 7, 0}}});
  // The palette: indices 0-3 are drawn 0, 128, 192, 255.
  c.push_back({"Linear_Palette",
               kLinear,
               test::Bytes({0x1B}),
               4,
               4,
               1,
               {{0, 0, 0}, {1, 0, 128}, {2, 0, 192}, {3, 0, 255}}});
  // Width 3: the stream runs on across row ends; 2 bytes give 3 by 3, the last pixel white.
  c.push_back({"Linear_OddWidth",
               kLinear,
               test::Bytes({0x1B, 0xE4}),
               3,
               3,
               3,
               {{0, 1, 255}, {1, 1, 255}, {2, 1, 192}, {0, 2, 128}, {1, 2, 0}, {2, 2, 255}}});
  return c;
}

class TwoBppDecode : public ::testing::TestWithParam<DecodeCase> {};
TEST_P(TwoBppDecode, KnownAnswer) {
  ExpectDecodes(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Cases, TwoBppDecode, ::testing::ValuesIn(DecodeCases()), CaseName<DecodeCase>);

std::vector<ShortDataCase> ShortDataCases() {
  return {
      // 31 bytes at width 16: 8 rows; the first pixel of the right tile in row 7 has its
      // plane-0 byte at 30 and its plane-1 byte at 31.
      {"SnesGb_OddLength", kSnesGb, test::RandomBytes(31, 1), 16, 8, 7, 31},
      {"SnesGb_OddLengthOneTile", kSnesGb, test::RandomBytes(13, 2), 8, 0, 6, 13},
      // 12 bytes at width 8: 6 rows; row 4's plane 1 would be at 8 + 4.
      {"Nes_PartTile", kNes, test::RandomBytes(12, 3), 8, 0, 4, 12},
  };
}

class TwoBppShortData : public ::testing::TestWithParam<ShortDataCase> {};
TEST_P(TwoBppShortData, PreviewFailsImageGenerationDrawsWhite) {
  ExpectShortDataFails(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Cases, TwoBppShortData, ::testing::ValuesIn(ShortDataCases()),
                         CaseName<ShortDataCase>);

}  // namespace
}  // namespace glyphon::formats
