#include <gtest/gtest.h>

#include "formats/codec_cases.h"

namespace glyphon::formats {
namespace {

using namespace cases;

constexpr std::string_view kTileFormat = "2bpp VB Tile";
constexpr std::string_view kLinear = "2bpp VB Linear";
constexpr Selection kTile{0, 0, 8, 8};

std::vector<EncodeCase> EncodeCases() {
  std::vector<EncodeCase> c;
  // Within one tile row both layouts agree: the earliest pixel of a byte in bits 1-0.
  struct Single {
    const char* name;
    Surface picture;
    ByteString bytes;
  };
  const Single singles[] = {
      {"WhiteTile", Greys(8, 8, 255), Every(Zeros(16), 0, 1, 16, 0xFF)},
      {"CornerIndexOne", Greys(8, 8, 0, {{0, 0, 128}}), Every(Zeros(16), 0, 1, 1, 0x01)},
      {"CornerIndexTwo", Greys(8, 8, 0, {{0, 0, 192}}), Every(Zeros(16), 0, 1, 1, 0x02)},
      {"ColumnThreeIndexThree", Greys(8, 8, 0, {{3, 0, 255}}), Every(Zeros(16), 0, 1, 1, 0xC0)},
      {"ColumnFourIndexTwo", Greys(8, 8, 0, {{4, 0, 192}}), Every(Zeros(16), 1, 1, 1, 0x02)},
      {"RowOneColumnZero", Greys(8, 8, 0, {{0, 1, 255}}), Every(Zeros(16), 2, 1, 1, 0x03)},
  };
  for (const Single& s : singles) {
    c.push_back({std::string("Tile_") + s.name, kTileFormat, s.picture, kTile, s.bytes});
    c.push_back({std::string("Linear_") + s.name, kLinear, s.picture, kTile, s.bytes});
  }
  // 16 by 8, right half white: the tile layout stores the left tile then the right one;
  // the linear one runs each 16-pixel row through 4 bytes.
  Surface rightHalf = Greys(16, 8, 0);
  rightHalf.FillRect(8, 0, 8, 8, kWhite);
  c.push_back({"Tile_TwoTiles", kTileFormat, rightHalf, {0, 0, 16, 8}, Every(Zeros(32), 16, 1, 16, 0xFF)});
  ByteString rows = Every(Zeros(32), 2, 4, 8, 0xFF);
  c.push_back({"Linear_TwoTilesWide", kLinear, rightHalf, {0, 0, 16, 8}, Every(rows, 3, 4, 8, 0xFF)});
  // Tiles in the order top left, top right, bottom left, bottom right.
  c.push_back({"Tile_TileOrder",
               kTileFormat,
               Greys(16, 16, 0, {{0, 0, 128}, {8, 0, 192}, {0, 8, 255}, {8, 8, 128}}),
               {0, 0, 16, 16},
               test::Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                            2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                            3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                            1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})});
  // The four bands: 64 | 65, 135 | 136, 199 | 200.
  c.push_back(
      {"Linear_GreyBands",
       kLinear,
       Greys(8, 1, 0,
             {{0, 0, 64}, {1, 0, 65}, {2, 0, 135}, {3, 0, 136}, {4, 0, 199}, {5, 0, 200}, {7, 0, 255}}),
       {0, 0, 8, 1},
       test::Bytes({0x94, 0xCE})});
  // 6 by 1: nearest(1.5) = 2 bytes; pixels 4 and 5 are dropped.
  c.push_back({"Linear_SixByOne", kLinear, Greys(6, 1, 255), {0, 0, 6, 1}, test::Bytes({0xFF, 0x00})});
  // 12 by 8 is not whole tiles: the groups of rows 5 and 7 that land in tile 1 lie past the
  // 24-byte output and are dropped.
  ByteString twelve = Every(Zeros(24), 0, 1, 16, 0xFF);
  twelve = Every(twelve, 18, 1, 2, 0xFF);
  twelve = Every(twelve, 22, 1, 2, 0xFF);
  c.push_back({"Tile_TwelveWide", kTileFormat, Greys(12, 8, 255), {0, 0, 12, 8}, twelve});
  return c;
}

class VbEncode : public ::testing::TestWithParam<EncodeCase> {};
TEST_P(VbEncode, KnownAnswer) {
  ExpectEncodes(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Cases, VbEncode, ::testing::ValuesIn(EncodeCases()), CaseName<EncodeCase>);

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
