// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "formats/codec_cases.h"

namespace glyphon::formats {
namespace {

using namespace cases;

constexpr std::string_view kGenesis = "4bpp Genesis";
constexpr std::string_view kFourLinear = "4bpp Linear";
constexpr std::string_view kEightLinear = "8bpp Linear";

std::vector<DecodeCase> DecodeCases() {
  std::vector<DecodeCase> c;
  const ByteString four = test::Bytes({0x0F, 0x12, 0x34, 0xEF});
  // 4 bytes at width 4 draw 4 by 2; at width 2, 2 by 4.
  c.push_back({"FourLinear_WidthFour",
               kFourLinear,
               four,
               4,
               4,
               2,
               {{0, 0, 0}, {1, 0, 255}, {2, 0, 17}, {3, 1, 255}}});
  c.push_back({"FourLinear_WidthTwo", kFourLinear, four, 2, 2, 4, {{0, 1, 17}, {1, 1, 34}, {0, 3, 238}}});
  // Width 3: pairs run on across row ends; 3 bytes give 3 by 2.
  c.push_back({"FourLinear_OddWidth",
               kFourLinear,
               test::Bytes({0x12, 0x34, 0x56}),
               3,
               3,
               2,
               {{2, 0, 51}, {0, 1, 68}, {2, 1, 102}}});
  // 64 bytes at width 8: 8 by 8, each grey the byte itself.
  ByteString ramp(64);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::uint8_t>(4 * i + 1);
  c.push_back(
      {"EightLinear_Ramp", kEightLinear, ramp, 8, 8, 8, {{0, 0, 1}, {7, 0, 29}, {0, 1, 33}, {7, 7, 253}}});
  // 5 bytes at width 2: 2 by 3, the sixth pixel past the end and white.
  c.push_back({"EightLinear_PastTheEnd", kEightLinear, Zeros(5), 2, 2, 3, {{0, 2, 0}, {1, 2, 255}}});
  // 32 bytes at width 16: 16 by 4, the right tile past the end and white.
  c.push_back({"Genesis_RightHalfPastTheEnd",
               kGenesis,
               Set(Zeros(32), {{0, 0x1F}, {7, 0xE0}}),
               16,
               16,
               4,
               {{0, 0, 17}, {1, 0, 255}, {2, 0, 0}, {6, 1, 238}, {7, 1, 0}, {8, 0, 255}, {15, 3, 255}}});
  return c;
}

class PackedDecode : public ::testing::TestWithParam<DecodeCase> {};
TEST_P(PackedDecode, KnownAnswer) {
  ExpectDecodes(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Cases, PackedDecode, ::testing::ValuesIn(DecodeCases()), CaseName<DecodeCase>);

}  // namespace
}  // namespace glyphon::formats
