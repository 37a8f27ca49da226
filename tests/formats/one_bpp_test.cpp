#include <gtest/gtest.h>

#include "formats/decoding.h"
#include "formats/format_table.h"
#include "support/test_support.h"

namespace glyphon::formats {
namespace {

constexpr int kSnes = 0;
constexpr int kLinear = 1;

ByteString EncodeWith(int format, const Surface& picture, Selection sel) {
  PartnerState partner;
  platform::NullProgress progress;
  return Encode(Format(format), picture, sel, partner, progress);
}

Surface DecodeWith(int format, const ByteString& data, int width) {
  platform::NullProgress progress;
  DecodeResult result = Decode(Format(format), data, width, DecodeMode::Preview, nullptr, progress);
  EXPECT_TRUE(result.Ok());
  return result.picture;
}

struct EncodeCase {
  const char* name;
  int format;
  Surface picture;
  Selection selection;
  ByteString bytes;
};

Surface TopRowWhite() {
  Surface s = test::Filled(8, 8, kBlack);
  s.FillRect(0, 0, 8, 1, kWhite);
  return s;
}
Surface LeftHalfWhite() {
  Surface s = test::Filled(16, 8, kBlack);
  s.FillRect(0, 0, 8, 8, kWhite);
  return s;
}
Surface Quadrants() {
  // Each 8 by 8 tile carries its number in its top row, so the tile order shows.
  Surface s = test::Filled(16, 16, kBlack);
  for (int t = 0; t < 4; ++t) s.SetPixel((t % 2) * 8 + 7 - t, (t / 2) * 8, kWhite);
  return s;
}

std::vector<EncodeCase> EncodeCases() {
  std::vector<EncodeCase> cases;
  cases.push_back({"SnesTopRow", kSnes, TopRowWhite(), {0, 0, 8, 8}, test::Bytes({0xFF, 0, 0, 0, 0, 0, 0, 0})});
  cases.push_back({"LinearTopRow", kLinear, TopRowWhite(), {0, 0, 8, 8}, test::Bytes({0xFF, 0, 0, 0, 0, 0, 0, 0})});
  cases.push_back({"SnesLeftHalf", kSnes, LeftHalfWhite(), {0, 0, 16, 8},
                   test::Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0})});
  cases.push_back({"LinearLeftHalf", kLinear, LeftHalfWhite(), {0, 0, 16, 8},
                   test::Bytes({0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0})});
  ByteString tiles(32, 0);
  for (int t = 0; t < 4; ++t) tiles[static_cast<std::size_t>(8 * t)] = static_cast<std::uint8_t>(1 << t);
  cases.push_back({"SnesTileOrder", kSnes, Quadrants(), {0, 0, 16, 16}, tiles});
  // 12 by 1: nearest(1.5) = 2 bytes, only the first group is complete.
  cases.push_back({"Linear12x1", kLinear, test::Filled(12, 1, kWhite), {0, 0, 12, 1}, test::Bytes({0xFF, 0x00})});
  // 20 by 1 gives nearest(2.5) = 2 bytes; 28 by 1 gives nearest(3.5) = 4, the last one 0.
  cases.push_back({"Linear20x1", kLinear, test::Filled(20, 1, kWhite), {0, 0, 20, 1}, test::Bytes({0xFF, 0xFF})});
  cases.push_back({"Linear28x1", kLinear, test::Filled(28, 1, kWhite), {0, 0, 28, 1},
                   test::Bytes({0xFF, 0xFF, 0xFF, 0x00})});
  // 10 by 2: byte 1 holds pixels 8, 9 of row 0 and 0 to 5 of row 1; 6 to 9 of row 1 are dropped.
  Surface tenByTwo = test::Filled(10, 2, kBlack);
  tenByTwo.SetPixel(9, 0, kWhite);
  tenByTwo.SetPixel(5, 1, kWhite);
  tenByTwo.SetPixel(6, 1, kWhite);
  cases.push_back({"Linear10x2", kLinear, tenByTwo, {0, 0, 10, 2}, test::Bytes({0x00, 0x41})});
  // Threshold: grey 127 is 0, 128 is 1; pure blue is 1, pure yellow 0.
  Surface threshold = test::Filled(8, 1, kBlack);
  threshold.SetPixel(0, 0, Rgb(127, 127, 127));
  threshold.SetPixel(1, 0, Rgb(128, 128, 128));
  threshold.SetPixel(2, 0, Rgb(0, 0, 255));
  threshold.SetPixel(3, 0, Rgb(255, 255, 0));
  cases.push_back({"Threshold", kLinear, threshold, {0, 0, 8, 1}, test::Bytes({0x60})});
  // A selection reaching outside the picture reads black there.
  cases.push_back({"OutsideIsBlack", kLinear, test::Filled(4, 1, kWhite), {0, 0, 8, 1}, test::Bytes({0xF0})});
  cases.push_back({"EmptySelection", kLinear, test::Filled(8, 8, kWhite), {0, 0, 0, 8}, ByteString{}});
  // A tiled selection that is not a whole number of tiles drops what lies beyond its output.
  cases.push_back({"SnesTwelveWide", kSnes, test::Filled(12, 8, kWhite), {0, 0, 12, 8},
                   test::Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0, 0xFF})});
  return cases;
}

class OneBppEncode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(OneBppEncode, KnownAnswer) {
  const EncodeCase& c = GetParam();
  EXPECT_EQ(EncodeWith(c.format, c.picture, c.selection), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, OneBppEncode, ::testing::ValuesIn(EncodeCases()),
                         [](const auto& p) { return std::string(p.param.name); });

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
