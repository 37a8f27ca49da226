#include "formats/decoding.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace glyphon::formats {
namespace {

struct SizeCase {
  int format;
  std::size_t length;
  int width;
  DecodeSize size;
};

class DecodedSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(DecodedSizeTest, FollowsTheDecoderContract) {
  const SizeCase& c = GetParam();
  EXPECT_EQ(DecodedSize(c.length, c.width, Format(c.format).Height()), c.size);
}

INSTANTIATE_TEST_SUITE_P(
    KnownSizes, DecodedSizeTest,
    ::testing::Values(SizeCase{0, 3, 8, {8, 3}},       // 3 bytes of 1 bit at width 8
                      SizeCase{0, 8, 16, {16, 4}},     // half a tile row
                      SizeCase{0, 100, 0, {0, 0}},     // width 0 draws nothing
                      SizeCase{2, 31, 16, {16, 8}},    // 7.75 rows: last row index 7
                      SizeCase{2, 16, 16, {16, 4}},
                      SizeCase{7, 24, 8, {8, 8}},      // 3 bytes * 8/3
                      SizeCase{8, 32, 16, {16, 4}},
                      SizeCase{10, 4, 2, {2, 4}},
                      SizeCase{11, 100, 8, {8, 13}},   // 12.5 rows: last row index nearest(11.5) = 12
                      SizeCase{14, 128, 8, {8, 8}},    // 16 halved
                      SizeCase{17, 6, 2, {2, 1}},      // 3 \ 2 = 1
                      SizeCase{18, 16, 1, {1, 4}},
                      SizeCase{16, 0, 16, {0, 0}}));   // no data

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
