#include <gtest/gtest.h>

#include "formats/codec_cases.h"

namespace glyphon::formats {
namespace {

using namespace cases;

constexpr std::string_view kGenesis = "4bpp Genesis";
constexpr std::string_view kFourLinear = "4bpp Linear";
constexpr std::string_view kEightLinear = "8bpp Linear";
constexpr Selection kTile{0, 0, 8, 8};

std::vector<EncodeCase> EncodeCases() {
  std::vector<EncodeCase> c;
  c.push_back({"FourLinear_FourPixels",
               kFourLinear,
               Greys(4, 1, 0, {{0, 0, 16}, {1, 0, 32}, {2, 0, 48}, {3, 0, 64}}),
               {0, 0, 4, 1},
               test::Bytes({0x12, 0x34})});
  c.push_back({"EightLinear_TwoByTwo",
               kEightLinear,
               Greys(2, 2, 0, {{1, 0, 255}, {0, 1, 16}, {1, 1, 128}}),
               {0, 0, 2, 2},
               test::Bytes({0x00, 0xFF, 0x10, 0x80})});
  // Colours go through their grey: red 85, (100, 100, 101) 100, yellow 170.
  Surface colours = Greys(3, 1, 0);
  colours.SetPixel(0, 0, Rgb(255, 0, 0));
  colours.SetPixel(1, 0, Rgb(100, 100, 101));
  colours.SetPixel(2, 0, Rgb(255, 255, 0));
  c.push_back(
      {"EightLinear_ColoursByGrey", kEightLinear, colours, {0, 0, 3, 1}, test::Bytes({85, 100, 170})});
  // Column 0 in index 1 gives the high nibble of each row's first byte, column 1 the low one.
  Surface column0 = Greys(8, 8, 0);
  column0.FillRect(0, 0, 1, 8, GreyColor(16));
  c.push_back({"Genesis_ColumnZero", kGenesis, column0, kTile, Every(Zeros(32), 0, 4, 8, 0x10)});
  Surface column1 = Greys(8, 8, 0);
  column1.FillRect(1, 0, 1, 8, GreyColor(16));
  c.push_back({"Genesis_ColumnOne", kGenesis, column1, kTile, Every(Zeros(32), 0, 4, 8, 0x01)});
  // 16 by 8: tile 0 in bytes 0-31, tile 1 in 32-63; byte 4 is row 1, columns 0-1 of tile 0.
  c.push_back({"Genesis_TwoTiles",
               kGenesis,
               Greys(16, 8, 0, {{0, 1, 48}, {1, 1, 80}, {8, 0, 255}}),
               {0, 0, 16, 8},
               Set(Zeros(64), {{4, 0x35}, {32, 0xF0}})});
  // 15 | 16 and 239 | 240 in both 4-bit formats.
  const Surface bands =
      Greys(8, 8, 0, {{0, 0, 15}, {1, 0, 16}, {2, 0, 239}, {3, 0, 240}, {5, 0, 255}, {6, 0, 31}, {7, 0, 32}});
  c.push_back({"Genesis_GreyBands", kGenesis, bands, kTile,
               Set(Zeros(32), {{0, 0x01}, {1, 0xEF}, {2, 0x0F}, {3, 0x12}})});
  c.push_back(
      {"FourLinear_GreyBands", kFourLinear, bands, {0, 0, 8, 1}, test::Bytes({0x01, 0xEF, 0x0F, 0x12})});
  // 3 by 1: nearest(1.5) = 2 bytes, pixel 2 is dropped.
  c.push_back({"FourLinear_ThreeByOne",
               kFourLinear,
               Greys(3, 1, 0, {{0, 0, 16}, {1, 0, 32}, {2, 0, 48}}),
               {0, 0, 3, 1},
               test::Bytes({0x12, 0x00})});
  // 3 by 2: pairs run on across the row end.
  c.push_back({"FourLinear_ThreeByTwo",
               kFourLinear,
               Greys(3, 2, 0, {{0, 0, 16}, {1, 0, 32}, {2, 0, 48}, {0, 1, 64}, {1, 1, 80}, {2, 1, 96}}),
               {0, 0, 3, 2},
               test::Bytes({0x12, 0x34, 0x56})});
  // Outside the picture counts as black.
  c.push_back(
      {"EightLinear_OutsideIsBlack", kEightLinear, Greys(1, 1, 200), {0, 0, 2, 1}, test::Bytes({200, 0})});
  // 12 by 8 is not whole tiles: rows 4-7 of tile 1 would lie at 48 and beyond, past the
  // 48-byte output, and are dropped.
  ByteString twelve = Every(Zeros(48), 0, 1, 32, 0xFF);
  twelve = Every(Every(twelve, 32, 4, 4, 0xFF), 33, 4, 4, 0xFF);
  c.push_back({"Genesis_TwelveWide", kGenesis, Greys(12, 8, 255), {0, 0, 12, 8}, twelve});
  return c;
}

class PackedEncode : public ::testing::TestWithParam<EncodeCase> {};
TEST_P(PackedEncode, KnownAnswer) {
  ExpectEncodes(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Cases, PackedEncode, ::testing::ValuesIn(EncodeCases()), CaseName<EncodeCase>);

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
