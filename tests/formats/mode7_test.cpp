// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "convert/classify.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "support/test_support.h"

namespace glyphon::formats {
namespace {

constexpr int kLinear = 13;
constexpr int kInterleaved = 14;

ByteString Convert(int format, const Surface& source, Selection sel, PartnerState& partner) {
  platform::NullProgress progress;
  return Encode(Format(format), source, sel, partner, progress).Value();
}

// A picture whose grey at (x, y) is distinct for every pixel of a 16 by 16 area.
Surface Numbered(int width, int height) {
  Surface s = test::Filled(width, height, kBlack);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) s.SetPixel(x, y, GreyColor((16 * y + x) & 0xFF));
  }
  return s;
}

// Pixel number of (x, y) in 8 by 8 tiles of a W-wide picture.
std::size_t TilePlace(int width, int x, int y) {
  return static_cast<std::size_t>(64 * ((y / 8) * (width / 8) + x / 8) + 8 * (y % 8) + x % 8);
}

TEST(Mode7, LinearLaysOutTilesInRowOrder) {
  PartnerState partner;
  const ByteString data = Convert(kLinear, Numbered(16, 8), {0, 0, 16, 8}, partner);
  ASSERT_EQ(data.size(), 128u);
  EXPECT_EQ(data[8], 16);  // pixel (0, 1)
  EXPECT_EQ(data[64], 8);  // pixel (8, 0)
  EXPECT_EQ(data[127], 16 * 7 + 15);
  EXPECT_TRUE(partner.data.empty());
  EXPECT_TRUE(partner.picture.IsEmpty());
}

TEST(Mode7, InterleavedPutsThePartnerByteAfterEachPixel) {
  PartnerState partner;
  partner.data = test::RandomBytes(256, 31);
  const ByteString given = partner.data;
  const Surface source = Numbered(16, 8);
  const ByteString data = Convert(kInterleaved, source, {0, 0, 16, 8}, partner);
  ASSERT_EQ(data.size(), 256u);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const std::size_t m = TilePlace(16, x, y);
      EXPECT_EQ(data[2 * m], 16 * y + x);
      EXPECT_EQ(data[2 * m + 1], given[2 * m + 1]);
      EXPECT_EQ(partner.data[2 * m], 0);
      EXPECT_EQ(partner.data[2 * m + 1], given[2 * m + 1]);
      EXPECT_EQ(partner.picture.GetPixel(x, y), GreyColor(given[2 * m + 1]));
    }
  }
  EXPECT_EQ(data[128], 8);  // pixel (8, 0) and its partner byte
  EXPECT_EQ(data[129], given[129]);
}

TEST(Mode7, PartnerPictureIsReadFromItsOwnOrigin) {
  // The selection sits at (8, 8); the partner bytes still come from the partner
  // picture's top-left 8 by 8.
  const Surface partnerPicture = test::RandomPicture(8, 8, 32);
  PartnerState partner;
  partner.picture = partnerPicture;
  const ByteString data = Convert(kInterleaved, Numbered(16, 16), {8, 8, 8, 8}, partner);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const std::size_t m = TilePlace(8, x, y);
      EXPECT_EQ(data[2 * m], 16 * (y + 8) + x + 8);
      EXPECT_EQ(data[2 * m + 1], convert::GreyOfColour(partnerPicture.GetPixel(x, y)));
    }
  }
}

TEST(Mode7, PartnerPictureWiderThanTheSelectionFollowsTheSelectionsTiles) {
  // Before the mend a partner picture of 24 by 16 built its partner bytes with three tiles
  // to a tile row while the main pass read them with two.
  const Surface partnerPicture = test::RandomPicture(24, 16, 33);
  PartnerState partner;
  partner.picture = partnerPicture;
  const ByteString data = Convert(kInterleaved, Numbered(16, 16), {0, 0, 16, 16}, partner);
  ASSERT_EQ(partner.data.size(), data.size());
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const std::size_t m = TilePlace(16, x, y);
      EXPECT_EQ(data[2 * m + 1], convert::GreyOfColour(partnerPicture.GetPixel(x, y))) << x << "," << y;
      EXPECT_EQ(partner.data[2 * m], 0);
    }
  }
  EXPECT_EQ(partner.picture, partnerPicture);
}

TEST(Mode7, PartnerDataOfAnImageGenerationRoundTrips) {
  // Accept an interleaved file, then convert the whole accepted picture again: the same
  // bytes come back, interleave bytes and all.
  for (const auto& [w, h] : {std::pair{8, 8}, std::pair{16, 8}, std::pair{24, 16}}) {
    const ByteString data =
        test::RandomBytes(static_cast<std::size_t>(2 * w * h), static_cast<std::uint32_t>(w * h));
    // A loaded partner picture of the decoded size is blanked where it stands.
    PartnerState partner;
    partner.picture = w == 16 ? test::RandomPicture(w, h, 34) : test::RandomPicture(5, 5, 34);
    platform::NullProgress progress;
    const DecodeResult accepted =
        Decode(Format(kInterleaved), data, w, DecodeMode::ImageGeneration, &partner, progress);
    ASSERT_TRUE(accepted.Ok());
    ASSERT_EQ(accepted.picture.Width(), w);
    ASSERT_EQ(accepted.picture.Height(), h);
    EXPECT_EQ(partner.picture, Surface(w, h));
    for (std::size_t i = 0; i < data.size(); ++i) EXPECT_EQ(partner.data[i], i % 2 == 1 ? data[i] : 0) << i;
    EXPECT_EQ(Convert(kInterleaved, accepted.picture, {0, 0, w, h}, partner), data);
  }
}

TEST(Mode7, ImageGenerationCopiesNoPartnerByteBeyondTheData) {
  // 127 bytes at width 8: 8 rows; the last pixel's byte 126 is there, its partner byte not.
  const ByteString data = test::RandomBytes(127, 35);
  PartnerState partner;
  platform::NullProgress progress;
  const DecodeResult accepted =
      Decode(Format(kInterleaved), data, 8, DecodeMode::ImageGeneration, &partner, progress);
  ASSERT_TRUE(accepted.Ok());
  EXPECT_EQ(accepted.picture.GetPixel(7, 7), GreyColor(data[126]));
  ASSERT_EQ(partner.data.size(), 127u);
  EXPECT_EQ(partner.data[125], data[125]);
  EXPECT_EQ(partner.data[126], 0);
}

struct ShortCase {
  const char* name;
  int format;
  std::size_t length;
  int width;
  int failX;
  int failY;
  std::int64_t failOffset;
};

class Mode7ShortData : public ::testing::TestWithParam<ShortCase> {};

TEST_P(Mode7ShortData, TileRowsStartingBeyondAreWhiteAndAPixelMissingItsByteFailsThePreview) {
  const ShortCase& c = GetParam();
  const ByteString data = test::RandomBytes(c.length, 36);
  const int stride = c.format == kInterleaved ? 2 : 1;
  platform::NullProgress progress;
  const DecodeResult preview =
      Decode(Format(c.format), data, c.width, DecodeMode::Preview, nullptr, progress);
  ASSERT_FALSE(preview.Ok());
  EXPECT_EQ(*preview.failure, (DecodeFailure{DecodeFailure::Kind::ByteBeyondData, c.failX, c.failY,
                                             c.failOffset, static_cast<std::int64_t>(c.length)}));
  const DecodeResult generated =
      Decode(Format(c.format), data, c.width, DecodeMode::ImageGeneration, nullptr, progress);
  ASSERT_TRUE(generated.Ok());
  const Surface& picture = generated.picture;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const std::size_t at = static_cast<std::size_t>(stride) * TilePlace(picture.Width(), x, y);
      EXPECT_EQ(picture.GetPixel(x, y), at < data.size() ? GreyColor(data[at]) : kWhite) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Mode7ShortData,
                         ::testing::Values(
                             // 70 bytes at width 16: 16 by 4. Tile 1's first row starts at byte 64 and its
                             // pixel 6 needs byte 70; its other rows start beyond the data.
                             ShortCase{"Linear70", kLinear, 70, 16, 14, 0, 70},
                             // 140 interleaved bytes at width 16: 4 rows; pixel (14, 0) needs byte 2 * 70.
                             ShortCase{"Interleaved140", kInterleaved, 140, 16, 14, 0, 140}),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace glyphon::formats
