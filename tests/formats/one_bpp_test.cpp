// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "formats/decoding.h"
#include "formats/format_table.h"
#include "support/test_support.h"

namespace glyphon::formats {
namespace {

constexpr int kSnes = 0;
constexpr int kLinear = 1;

Surface DecodeWith(int format, const ByteString& data, int width) {
  platform::NullProgress progress;
  DecodeResult result = Decode(Format(format), data, width, DecodeMode::Preview, nullptr, progress);
  EXPECT_TRUE(result.Ok());
  return result.picture;
}

TEST(OneBppDecode, DataPastTheEndIsWhite) {
  // 8 bytes at width 16: 16 by 4. SNES shows rows 0-3 of tile 0 on the left; the right
  // half would come from bytes 8-11 and is white.
  ByteString data = test::Bytes({0x80, 0x40, 0x20, 0x10, 0, 0, 0, 0});
  const Surface snes = DecodeWith(kSnes, data, 16);
  ASSERT_EQ(snes.Width(), 16);
  ASSERT_EQ(snes.Height(), 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) EXPECT_EQ(snes.GetPixel(x, y), x == y ? kWhite : kBlack) << x << "," << y;
    for (int x = 8; x < 16; ++x) EXPECT_EQ(snes.GetPixel(x, y), kWhite);
  }
  const Surface linear = DecodeWith(kLinear, data, 16);
  EXPECT_EQ(linear.GetPixel(0, 0), kWhite);
  EXPECT_EQ(linear.GetPixel(9, 0), kWhite);
  EXPECT_EQ(linear.GetPixel(15, 3), kBlack);
  EXPECT_EQ(DecodeWith(kLinear, test::Bytes({1, 2, 3}), 8).Height(), 3);
  EXPECT_TRUE(DecodeWith(kSnes, data, 0).IsEmpty());
}

TEST(OneBppDecode, ReportsProgressAfterEveryPixel) {
  test::RecordingProgress progress;
  Decode(Format(kLinear), test::Bytes({0}), 8, DecodeMode::Preview, nullptr, progress);
  EXPECT_EQ(progress.reports, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
}

TEST(OneBppEncode, ReportsProgressAfterEveryPixel) {
  test::RecordingProgress progress;
  PartnerState partner;
  Encode(Format(kSnes), test::Filled(8, 1, kWhite), {0, 0, 8, 1}, partner, progress);
  EXPECT_EQ(progress.reports, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
}

}  // namespace
}  // namespace glyphon::formats
