// SPDX-License-Identifier: MIT
#include "formats/planar.h"

#include <gtest/gtest.h>

#include "formats/codec_cases.h"

namespace glyphon::formats {
namespace {

using namespace cases;

constexpr std::string_view kThree = "3bpp SNES";
constexpr std::string_view kFour = "4bpp SNES";
constexpr std::string_view kEight = "8bpp SNES";

// An "8bpp SNES" tile whose row 0 has column i in plane i only: greys 1, 2, 4, ..., 128.
ByteString EightPlanes() {
  return Set(Zeros(64),
             {{0, 0x80}, {1, 0x40}, {16, 0x20}, {17, 0x10}, {32, 0x08}, {33, 0x04}, {48, 0x02}, {49, 0x01}});
}

std::vector<DecodeCase> DecodeCases() {
  std::vector<DecodeCase> c;
  // Row 0 holds indices 0-7: planes 0, 1, 2 are 0x55, 0x33, 0x0F. 24 bytes at width 8
  // draw 8 by 8 (24 / 8 * 8/3 rows).
  ByteString three = Zeros(24);
  three[0] = 0x55;
  three[1] = 0x33;
  three[16] = 0x0F;
  c.push_back(
      {"Three_Palette",
       kThree,
       three,
       8,
       8,
       8,
       {{0, 0, 0}, {1, 0, 36}, {2, 0, 73}, {3, 0, 109}, {4, 0, 146}, {5, 0, 182}, {6, 0, 219}, {7, 0, 255}}});
  // Rows 0 and 1 hold indices 0-7 and 8-15.
  const ByteString four =
      Set(Zeros(32), {{0, 0x55}, {1, 0x33}, {16, 0x0F}, {2, 0x55}, {3, 0x33}, {18, 0x0F}, {19, 0xFF}});
  std::vector<Pixel> levels;
  for (int v = 0; v < 16; ++v) levels.push_back({v % 8, v / 8, 17 * v});
  c.push_back({"Four_Palette", kFour, four, 8, 8, 8, levels});
  // The same 32 bytes at width 16: 16 by 4; the right tile would start at byte 32 and is white.
  c.push_back({"Four_RightHalfPastTheEnd",
               kFour,
               four,
               16,
               16,
               4,
               {{1, 0, 17}, {7, 1, 255}, {8, 0, 255}, {15, 3, 255}}});
  c.push_back({"Eight_PlaneOrder",
               kEight,
               EightPlanes(),
               8,
               8,
               8,
               {{0, 0, 1},
                {1, 0, 2},
                {2, 0, 4},
                {3, 0, 8},
                {4, 0, 16},
                {5, 0, 32},
                {6, 0, 64},
                {7, 0, 128},
                {0, 1, 0}}});
  return c;
}

class PlanarDecode : public ::testing::TestWithParam<DecodeCase> {};
TEST_P(PlanarDecode, KnownAnswer) {
  ExpectDecodes(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Cases, PlanarDecode, ::testing::ValuesIn(DecodeCases()), CaseName<DecodeCase>);

std::vector<ShortDataCase> ShortDataCases() {
  return {
      // 17 bytes at width 8: row 1's plane 2 would be at 16 + 1.
      {"Three_PlaneTwo", kThree, test::RandomBytes(17, 1), 8, 0, 1, 17},
      // 20 bytes at width 8: row 2's planes 2/3 would be at 20 and 21.
      {"Four_PlanesTwoThree", kFour, test::RandomBytes(20, 2), 8, 0, 2, 20},
      // 48 bytes at width 16: the right tile's planes 0/1 are inside, its plane 2 at 48 is not.
      {"Four_SecondTile", kFour, test::RandomBytes(48, 3), 16, 8, 0, 48},
      // 40 bytes at width 8: the very first pixel needs plane 6 at 48.
      {"Eight_PlaneSix", kEight, test::RandomBytes(40, 4), 8, 0, 0, 48},
  };
}

class PlanarShortData : public ::testing::TestWithParam<ShortDataCase> {};
TEST_P(PlanarShortData, PreviewFailsImageGenerationDrawsWhite) {
  ExpectShortDataFails(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Cases, PlanarShortData, ::testing::ValuesIn(ShortDataCases()),
                         CaseName<ShortDataCase>);

// At a width of whole tiles the codecs read and write each tile row's planes at once; the
// codecs for any width must give the same bytes, pictures, failures and progress: data cut
// anywhere in a tile row, selections cut inside a tile row.
struct Layout {
  const char* name;
  int bits;
  EncodeFn encodeWholeTiles;
  EncodeBandFn encodeAny;
  DecodeFn decodeWholeTiles;
  DecodeBandFn decodeAny;
};

template <const auto& kLayout>
constexpr Layout Both(const char* name) {
  return {name,
          static_cast<int>(kLayout.rows.size()),
          bit_planes::Encode<kLayout>,
          bit_planes::EncodeAnySelection<kLayout>,
          bit_planes::Decode<kLayout>,
          bit_planes::DecodeAnyWidth<kLayout>};
}

constexpr Layout kLayouts[] = {Both<kTwoBppSnesGb>("2bpp SNES/GB"), Both<kTwoBppNes>("2bpp NES"),
                               Both<kThreeBppSnes>("3bpp SNES"), Both<kFourBppSnes>("4bpp SNES"),
                               Both<kEightBppSnes>("8bpp SNES")};

TEST(PlanarWholeTiles, EncodesAsTheEncoderForAnySelection) {
  const Surface picture = test::RandomPicture(40, 30, 7);
  for (const Layout& layout : kLayouts) {
    for (const Selection sel : {Selection{0, 0, 40, 30}, Selection{8, 3, 16, 12}, Selection{1, 1, 8, 1}}) {
      const std::size_t size = convert::OutputSize(sel, 8.0 / layout.bits);
      ByteString whole(size, 0), any(size, 0);
      test::RecordingProgress wholeProgress, anyProgress;
      PartnerState partner;
      layout.encodeWholeTiles(picture, sel, partner, whole, wholeProgress);
      convert::ProgressTicker anyTicker(anyProgress, std::int64_t{sel.width} * sel.height);
      EncodeBands(layout.encodeAny, 8, picture, sel, any, anyTicker);
      SCOPED_TRACE(std::string(layout.name) + ", width " + std::to_string(sel.width));
      EXPECT_EQ(whole, any);
      EXPECT_EQ(wholeProgress.reports, anyProgress.reports);
    }
  }
}

TEST(PlanarWholeTiles, DecodesAsTheDecoderForAnyWidth) {
  for (const Layout& layout : kLayouts) {
    for (const std::size_t length : {std::size_t{0}, std::size_t{17}, std::size_t{201}, std::size_t{512}}) {
      for (const DecodeMode mode : {DecodeMode::Preview, DecodeMode::ImageGeneration}) {
        const ByteString data = test::RandomBytes(length, static_cast<unsigned>(length));
        test::RecordingProgress wholeProgress, anyProgress;
        convert::ProgressTicker wholeTicker(wholeProgress, 16 * 24), anyTicker(anyProgress, 16 * 24);
        Surface whole(16, 24, kWhite), any(16, 24, kWhite);
        const auto wholeFailure = layout.decodeWholeTiles(data, whole, mode, nullptr, wholeTicker);
        const auto anyFailure = DecodeBands(layout.decodeAny, 8, data, any, mode, nullptr, anyTicker);
        SCOPED_TRACE(std::string(layout.name) + ", " + std::to_string(length) + " bytes");
        EXPECT_EQ(wholeFailure, anyFailure);
        EXPECT_EQ(wholeProgress.reports, anyProgress.reports);
        EXPECT_EQ(whole, any);
      }
    }
  }
}

}  // namespace
}  // namespace glyphon::formats
