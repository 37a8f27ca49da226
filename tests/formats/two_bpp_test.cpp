#include <gtest/gtest.h>

#include "formats/codec_cases.h"

namespace glyphon::formats {
namespace {

using namespace cases;

constexpr std::string_view kSnesGb = "2bpp SNES/GB";
constexpr std::string_view kNes = "2bpp NES";
constexpr std::string_view kLinear = "2bpp Linear";
constexpr Selection kTile{0, 0, 8, 8};

// Quadrants of index 1 (top left), 2 (top right), 3 (bottom left) and 0.
Surface Quadrants() {
  Surface s = Greys(16, 16, 0);
  s.FillRect(0, 0, 8, 8, GreyColor(128));
  s.FillRect(8, 0, 8, 8, GreyColor(192));
  s.FillRect(0, 8, 8, 8, GreyColor(255));
  return s;
}

std::vector<EncodeCase> EncodeCases() {
  std::vector<EncodeCase> c;
  for (const auto& [name, format] : {std::pair{"SnesGb", kSnesGb}, {"Nes", kNes}, {"Linear", kLinear}}) {
    c.push_back({std::string(name) + "_WhiteTile", format, Greys(8, 8, 255), kTile,
                 Every(Zeros(16), 0, 1, 16, 0xFF)});
  }
  // Row 0 in index 1, the rest black.
  const Surface rowOne = [] {
    Surface s = Greys(8, 8, 0);
    s.FillRect(0, 0, 8, 1, GreyColor(128));
    return s;
  }();
  c.push_back({"SnesGb_RowZeroIndexOne", kSnesGb, rowOne, kTile, Every(Zeros(16), 0, 1, 1, 0xFF)});
  c.push_back({"Nes_RowZeroIndexOne", kNes, rowOne, kTile, Every(Zeros(16), 0, 1, 1, 0xFF)});
  c.push_back({"Linear_RowZeroIndexOne", kLinear, rowOne, kTile, Every(Zeros(16), 0, 1, 2, 0x55)});
  // The top-left pixel in index 2: plane 1 only.
  const Surface cornerTwo = Greys(8, 8, 0, {{0, 0, 192}});
  c.push_back({"SnesGb_CornerIndexTwo", kSnesGb, cornerTwo, kTile, Every(Zeros(16), 1, 1, 1, 0x80)});
  c.push_back({"Nes_CornerIndexTwo", kNes, cornerTwo, kTile, Every(Zeros(16), 8, 1, 1, 0x80)});
  c.push_back({"Linear_CornerIndexTwo", kLinear, cornerTwo, kTile, Every(Zeros(16), 0, 1, 1, 0x80)});
  // Tiles in the order top left, top right, bottom left, bottom right.
  ByteString snesGb = Every(Zeros(64), 0, 2, 8, 0xFF);  // tile 0, plane 0
  snesGb = Every(snesGb, 17, 2, 8, 0xFF);               // tile 1, plane 1
  snesGb = Every(snesGb, 32, 1, 16, 0xFF);              // tile 2, both planes
  c.push_back({"SnesGb_TileOrder", kSnesGb, Quadrants(), {0, 0, 16, 16}, snesGb});
  ByteString nes = Every(Zeros(64), 0, 1, 8, 0xFF);
  nes = Every(nes, 24, 1, 8, 0xFF);
  nes = Every(nes, 32, 1, 16, 0xFF);
  c.push_back({"Nes_TileOrder", kNes, Quadrants(), {0, 0, 16, 16}, nes});
  // The four bands: 64 | 65, 135 | 136, 199 | 200.
  c.push_back(
      {"Linear_GreyBands",
       kLinear,
       Greys(8, 1, 0,
             {{0, 0, 64}, {1, 0, 65}, {2, 0, 135}, {3, 0, 136}, {4, 0, 199}, {5, 0, 200}, {7, 0, 255}}),
       {0, 0, 8, 1},
       test::Bytes({0x16, 0xB3})});
  // Colours go through their grey: red 85 and blue 85 give 1, yellow 170 gives 2, (100, 100, 101) gives 1.
  Surface colours = Greys(4, 1, 0);
  colours.SetPixel(0, 0, Rgb(255, 0, 0));
  colours.SetPixel(1, 0, Rgb(255, 255, 0));
  colours.SetPixel(2, 0, Rgb(100, 100, 101));
  colours.SetPixel(3, 0, Rgb(0, 0, 255));
  c.push_back({"Linear_ColoursByGrey", kLinear, colours, {0, 0, 4, 1}, test::Bytes({0x65})});
  // 10 by 1: nearest(2.5) = 2 bytes; byte 1 holds pixels 4-7, pixels 8 and 9 are dropped.
  c.push_back({"Linear_TenByOne",
               kLinear,
               Greys(10, 1, 255, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}),
               {0, 0, 10, 1},
               test::Bytes({0x00, 0xFF})});
  // Outside the picture counts as black.
  c.push_back({"Linear_OutsideIsBlack", kLinear, Greys(4, 1, 255), {0, 0, 8, 1}, test::Bytes({0xFF, 0x00})});
  c.push_back({"SnesGb_EmptySelection", kSnesGb, Greys(8, 8, 255), {0, 0, 8, 0}, ByteString{}});
  // 12 by 8 is not whole tiles: groups run across rows, and the groups of rows 5 and 7
  // that land in tile 1 (bytes 26, 27, 30, 31) lie past the 24-byte output and are dropped.
  ByteString twelve = Every(Zeros(24), 0, 1, 16, 0xFF);
  twelve = Every(twelve, 18, 1, 2, 0xFF);
  twelve = Every(twelve, 22, 1, 2, 0xFF);
  c.push_back({"SnesGb_TwelveWide", kSnesGb, Greys(12, 8, 255), {0, 0, 12, 8}, twelve});
  return c;
}

class TwoBppEncode : public ::testing::TestWithParam<EncodeCase> {};
TEST_P(TwoBppEncode, KnownAnswer) {
  ExpectEncodes(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Cases, TwoBppEncode, ::testing::ValuesIn(EncodeCases()), CaseName<EncodeCase>);

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
