// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "formats/decoding.h"
#include "formats/format_table.h"
#include "support/test_support.h"

namespace glyphon::formats {
namespace {

constexpr int kHigh = 17;
constexpr int kTrue = 18;

ByteString Convert(int format, const Surface& source, Selection sel, PartnerState& partner) {
  platform::NullProgress progress;
  return Encode(Format(format), source, sel, partner, progress).Value();
}

DecodeResult Show(int format, const ByteString& data, int width, DecodeMode mode = DecodeMode::Preview) {
  platform::NullProgress progress;
  return Decode(Format(format), data, width, mode, nullptr, progress);
}

struct KnownCase {
  const char* name;
  int format;
  RgbColor colour;
  bool givePartner;  // else neither a partner picture nor partner data
  ByteString partnerIn;
  ByteString partnerOut;
  ByteString data;
};

class N64Known : public ::testing::TestWithParam<KnownCase> {};

TEST_P(N64Known, OnePixel) {
  const KnownCase& c = GetParam();
  PartnerState partner;
  if (c.givePartner) partner.data = c.partnerIn;
  EXPECT_EQ(Convert(c.format, test::Filled(1, 1, c.colour), {0, 0, 1, 1}, partner), c.data);
  EXPECT_EQ(partner.data, c.partnerOut);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, N64Known,
    ::testing::Values(KnownCase{"HighRedNoPartner",
                                kHigh,
                                Rgb(255, 0, 0),
                                false,
                                {},
                                test::Bytes({1, 0}),
                                test::Bytes({0x01, 0xF8})},
                      KnownCase{"TrueRedNoPartner",
                                kTrue,
                                Rgb(255, 0, 0),
                                false,
                                {},
                                test::Bytes({0, 0, 0, 0xFF}),
                                test::Bytes({0xFF, 0, 0, 0xFF})},
                      KnownCase{"HighWhiteAlphaZero", kHigh, kWhite, true, test::Bytes({0xFE, 0x77}),
                                test::Bytes({0, 0}), test::Bytes({0xFE, 0xFF})},
                      KnownCase{"HighComponents", kHigh, Rgb(0x0F, 0x88, 0x47), true, test::Bytes({0x03, 0}),
                                test::Bytes({1, 0}), test::Bytes({0x51, 0x0C})},
                      KnownCase{"TrueKeepsOnlyTheAlpha", kTrue, Rgb(1, 2, 3), true,
                                test::Bytes({9, 9, 9, 0x42}), test::Bytes({0, 0, 0, 0x42}),
                                test::Bytes({1, 2, 3, 0x42})},
                      KnownCase{"TrueShortPartnerIsAlphaZero", kTrue, Rgb(1, 2, 3), true, test::Bytes({9}),
                                test::Bytes({0, 0, 0, 0}), test::Bytes({1, 2, 3, 0})}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(N64, AlphaFromThePartnerPicturesGrey) {
  Surface alpha = test::Filled(3, 1, kBlack);
  alpha.SetPixel(0, 0, GreyColor(127));
  alpha.SetPixel(1, 0, GreyColor(128));
  alpha.SetPixel(2, 0, Rgb(10, 20, 31));  // grey 20
  const Surface source = test::Filled(3, 1, kBlack);
  PartnerState high;
  high.picture = alpha;
  EXPECT_EQ(Convert(kHigh, source, {0, 0, 3, 1}, high), test::Bytes({0, 0, 1, 0, 0, 0}));
  PartnerState full;
  full.picture = alpha;
  EXPECT_EQ(Convert(kTrue, source, {0, 0, 3, 1}, full),
            test::Bytes({0, 0, 0, 127, 0, 0, 0, 128, 0, 0, 0, 20}));
  EXPECT_EQ(full.data, test::Bytes({0, 0, 0, 127, 0, 0, 0, 128, 0, 0, 0, 20}));
}

TEST(N64, GrownPartnerPictureIsOpaqueAndBeyondItTransparent) {
  // A black 4 by 4 partner picture grows to 8 by 8 in white. The selection starts at (2, 2):
  // its top-left 2 by 2 reads the black picture (alpha 0), the grown area is white
  // (alpha 1) from the moment it grows, and points beyond the surface count as black.
  PartnerState partner;
  partner.picture = test::Filled(4, 4, kBlack);
  const ByteString data = Convert(kHigh, test::Filled(16, 16, kBlack), {2, 2, 8, 8}, partner);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool grown = (x + 2 >= 4 || y + 2 >= 4) && x + 2 < 8 && y + 2 < 8;
      EXPECT_EQ(data[static_cast<std::size_t>(2 * (8 * y + x))], grown ? 1 : 0) << x << "," << y;
    }
  }
}

TEST(N64, PartnerDataIsShownAsGrey) {
  PartnerState high;
  high.data = test::Bytes({0x03, 0x55, 0x02, 0x00});
  Convert(kHigh, test::Filled(2, 1, kBlack), {0, 0, 2, 1}, high);
  EXPECT_EQ(high.picture.GetPixel(0, 0), kWhite);
  EXPECT_EQ(high.picture.GetPixel(1, 0), kBlack);
  PartnerState full;
  full.data = test::Bytes({1, 1, 1, 0x60});
  Convert(kTrue, test::Filled(1, 1, kBlack), {0, 0, 1, 1}, full);
  EXPECT_EQ(full.picture.GetPixel(0, 0), GreyColor(0x60));
}

TEST(N64, EveryFiveBitLevelSurvivesDecodeAndEncode) {
  // Component r is shown as floor(8.25 * r), which gives r back: 0, 8, ..., 247, 255.
  ByteString data;
  for (unsigned r = 0; r < 32; ++r) {
    const unsigned v = r << 11 | (31 - r) << 6 | r << 1;
    data.push_back(static_cast<std::uint8_t>(v & 0xFF));
    data.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  const DecodeResult shown = Show(kHigh, data, 32);
  ASSERT_TRUE(shown.Ok());
  EXPECT_EQ(shown.picture.GetPixel(31, 0), Rgb(255, 0, 255));
  EXPECT_EQ(shown.picture.GetPixel(1, 0), Rgb(8, 247, 8));
  EXPECT_EQ(shown.picture.GetPixel(30, 0), Rgb(247, 8, 247));
  PartnerState partner;
  partner.data = ByteString(data.size(), 0);
  EXPECT_EQ(Convert(kHigh, shown.picture, {0, 0, 32, 1}, partner), data);
}

TEST(N64, DecodingShowsColourOnlyAndBlackPastTheData) {
  // 6 bytes at width 2: height 3 \ 2 = 1, so bytes 4 and 5 are not shown.
  const DecodeResult high = Show(kHigh, test::Bytes({0xFE, 0xFF, 0x01, 0xF8, 0x00, 0x00}), 2);
  ASSERT_TRUE(high.Ok());
  ASSERT_EQ(high.picture.Height(), 1);
  EXPECT_EQ(high.picture.GetPixel(0, 0), kWhite);
  EXPECT_EQ(high.picture.GetPixel(1, 0), Rgb(255, 0, 0));
  // 9 bytes at width 1: height 9 \ 4 = 2 rows, from bytes 0-2 and 4-6.
  const DecodeResult full = Show(kTrue, test::Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9}), 1);
  ASSERT_TRUE(full.Ok());
  ASSERT_EQ(full.picture.Height(), 2);
  EXPECT_EQ(full.picture.GetPixel(0, 1), Rgb(5, 6, 7));
}

struct PartialCase {
  const char* name;
  int format;
  std::size_t length;
  int width;
  int x;
  int y;
};

class N64PartialPixel : public ::testing::TestWithParam<PartialCase> {};

TEST_P(N64PartialPixel, FailsThePreviewAndIsBlackInImageGeneration) {
  const PartialCase& c = GetParam();
  const ByteString data = test::RandomBytes(c.length, 41);
  const DecodeResult preview = Show(c.format, data, c.width);
  ASSERT_FALSE(preview.Ok());
  const auto length = static_cast<std::int64_t>(c.length);
  EXPECT_EQ(*preview.failure, (DecodeFailure{DecodeFailure::Kind::ByteBeyondData, c.x, c.y, length, length}));
  const DecodeResult generated = Show(c.format, data, c.width, DecodeMode::ImageGeneration);
  ASSERT_TRUE(generated.Ok());
  EXPECT_EQ(generated.picture.GetPixel(c.x, c.y), kBlack);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, N64PartialPixel,
    ::testing::Values(
        // 7 bytes at width 2: height nearest(3.5) \ 2 = 2; pixel 3 has byte 6 but not 7.
        PartialCase{"HighOddLength", kHigh, 7, 2, 1, 1},
        // 21 and 22 bytes at width 6: height nearest(3.5 or 3.67) \ 4 = 1; pixel 5 starts at 20.
        PartialCase{"TrueOneByteOver", kTrue, 21, 6, 5, 0},
        PartialCase{"TrueTwoBytesOver", kTrue, 22, 6, 5, 0}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace glyphon::formats
