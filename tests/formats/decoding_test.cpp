// SPDX-License-Identifier: MIT
#include "formats/decoding.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace glyphon::formats {
namespace {

// Sizes worked out by hand from each format's size rule, keyed by the format's caption.
struct SizeCase {
  std::string_view format;
  std::size_t length;
  int width;
  DecodeSize size;
};

class DecodedSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(DecodedSizeTest, FollowsTheDecoderContract) {
  const SizeCase& c = GetParam();
  const FormatInfo* format = FindFormat(c.format);
  ASSERT_NE(format, nullptr) << c.format;
  EXPECT_EQ(DecodedSize(c.length, c.width, format->Height()), c.size);
}

INSTANTIATE_TEST_SUITE_P(
    KnownSizes, DecodedSizeTest,
    ::testing::Values(
        SizeCase{"1bpp SNES", 3, 8, {8, 3}},        // 3 bytes of 1 bit at width 8
        SizeCase{"1bpp SNES", 8, 16, {16, 4}},      // half a tile row
        SizeCase{"1bpp SNES", 100, 0, {0, 0}},      // width 0 draws nothing
        SizeCase{"2bpp SNES/GB", 31, 16, {16, 8}},  // 7.75 rows: last row index 7
        SizeCase{"2bpp SNES/GB", 16, 16, {16, 4}}, SizeCase{"3bpp SNES", 24, 8, {8, 8}},  // 3 bytes * 8/3
        SizeCase{"4bpp SNES", 32, 16, {16, 4}}, SizeCase{"4bpp Linear", 4, 2, {2, 4}},
        SizeCase{"4bpp FX Low", 100, 8, {8, 13}},    // 12.5 rows: last row index nearest(11.5) = 12
        SizeCase{"8bpp Mode7 Int", 128, 8, {8, 8}},  // 16 halved
        SizeCase{"16bpp N64 (High)", 6, 2, {2, 1}},  // 3 \ 2 = 1
        SizeCase{"32bpp N64 (True)", 16, 1, {1, 4}}, SizeCase{"8bpp Linear", 0, 16, {0, 0}}));  // no data

TEST(Decode, RefusesPicturesBeyondTheLimits) {
  test::RecordingProgress progress;
  const ByteString data(70000, 0);
  const DecodeResult result = Decode(Format(0), data, 1, DecodeMode::ImageGeneration, nullptr, progress);
  ASSERT_FALSE(result.Ok());
  EXPECT_EQ(result.failure->kind, DecodeFailure::Kind::TooLarge);
  EXPECT_EQ(result.failure->height, 560000);
  EXPECT_TRUE(progress.reports.empty());
}

}  // namespace
}  // namespace glyphon::formats
