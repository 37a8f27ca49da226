// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "formats/codec_cases.h"

namespace glyphon::formats {
namespace {

using namespace cases;

constexpr std::string_view kTileFormat = "2bpp VB Tile";
constexpr std::string_view kLinear = "2bpp VB Linear";

std::vector<DecodeCase> DecodeCases() {
  std::vector<DecodeCase> c;
  c.push_back({"Linear_Palette",
               kLinear,
               test::Bytes({0xE4}),
               4,
               4,
               1,
               {{0, 0, 0}, {1, 0, 128}, {2, 0, 192}, {3, 0, 255}}});
  // Width 3: the stream runs on across row ends; 2 bytes give 3 by 3, the last pixel white.
  c.push_back({"Linear_OddWidth",
               kLinear,
               test::Bytes({0xE4, 0x1B}),
               3,
               3,
               3,
               {{0, 1, 255}, {1, 1, 255}, {2, 1, 192}, {0, 2, 128}, {1, 2, 0}, {2, 2, 255}}});
  // 16 bytes at width 16: 16 by 4, the right half past the end and white.
  ByteString tile = Zeros(16);
  tile[0] = 0x01;  // row 0, column 0: index 1
  tile[1] = 0xC0;  // row 0, column 7: index 3
  tile[3] = 0x80;  // row 1, column 7: index 2
  c.push_back({"Tile_RightHalfPastTheEnd",
               kTileFormat,
               tile,
               16,
               16,
               4,
               {{0, 0, 128}, {1, 0, 0}, {7, 0, 255}, {7, 1, 192}, {8, 0, 255}, {15, 3, 255}}});
  // Width 6: the place in the byte counts pixels in row order (restarting every 4), not
  // columns, so row 1's first pixel (pixel 7) reads bits 5-4 of byte 2.
  ByteString odd = Zeros(16);
  odd[2] = 0x30;
  c.push_back(
      {"Tile_PlaceFollowsPixelCount", kTileFormat, odd, 6, 6, 11, {{0, 0, 0}, {0, 1, 255}, {1, 1, 0}}});
  return c;
}

class VbDecode : public ::testing::TestWithParam<DecodeCase> {};
TEST_P(VbDecode, KnownAnswer) {
  ExpectDecodes(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Cases, VbDecode, ::testing::ValuesIn(DecodeCases()), CaseName<DecodeCase>);

}  // namespace
}  // namespace glyphon::formats
