// Values against the unchanged codecs, for every format of the table that has them.
#include "formats/values.h"

#include <gtest/gtest.h>

#include <random>

#include "formats/decoding.h"
#include "support/test_support.h"

namespace glyphon::formats {
namespace {

convert::ValuePlane RandomValues(int width, int height, int bits, std::uint32_t seed) {
  std::mt19937 random(seed);
  convert::ValuePlane plane(width, height);
  for (auto& v : plane.values) v = static_cast<std::uint8_t>(random() & ((1u << bits) - 1u));
  return plane;
}

class FormatValues : public ::testing::TestWithParam<int> {
 protected:
  const FormatInfo& format() const { return Format(GetParam()); }
  void SetUp() override {
    if (!format().HasValues()) GTEST_SKIP() << "direct colour";
  }
  std::vector<std::pair<int, int>> Sizes() const {
    // The linear formats store whole groups of pixels only: W * H a multiple of 8.
    if (format().lockOptional) return {{16, 16}, {9, 8}, {1, 24}};
    // The grid formats, in whole blocks.
    const int side = format().blockSide;
    return {{16, 16}, {3 * side, side}};
  }
  platform::NullProgress progress;
};

TEST_P(FormatValues, RandomValuesSurviveEncodeAndDecode) {
  for (const auto& [w, h] : Sizes()) {
    const convert::ValuePlane values =
        RandomValues(w, h, format().bitsPerPixel, static_cast<std::uint32_t>(w + h));
    PartnerState partner;
    const ByteString data =
        Encode(format(), PictureOfValues(format(), values), {0, 0, w, h}, partner, progress).Value();
    PartnerState decodePartner;
    const DecodeResult decoded =
        Decode(format(), data, w, DecodeMode::ImageGeneration, &decodePartner, progress);
    ASSERT_TRUE(decoded.Ok());
    EXPECT_EQ(ValuesOf(format(), decoded.picture, {0, 0, w, h}), values) << w << " by " << h;
  }
}

// ValuesOf classifies as the encoder does: re-encoding its values gives the same bytes,
// for any colours and for a selection that reaches outside the picture.
TEST_P(FormatValues, ValuesOfAgreeWithTheEncoder) {
  const Surface picture = test::RandomPicture(20, 20, 7);
  for (const auto& [w, h] : Sizes()) {
    for (const Selection sel : {Selection{2, 3, w, h}, Selection{14, 15, w, h}}) {
      PartnerState partner;
      const ByteString direct = Encode(format(), picture, sel, partner, progress).Value();
      PartnerState again;
      const ByteString viaValues =
          Encode(format(), PictureOfValues(format(), ValuesOf(format(), picture, sel)), {0, 0, w, h}, again,
                 progress)
              .Value();
      EXPECT_EQ(viaValues, direct) << w << " by " << h << " at " << sel.x << ", " << sel.y;
    }
  }
}

std::string FormatName(const ::testing::TestParamInfo<int>& info) {
  std::string name = "f" + std::to_string(info.param) + "_";
  for (char ch : CliName(Format(info.param))) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FormatValues, ::testing::Range(0, kFormatCount), FormatName);

TEST(CheckValuesFit, NamesTheFirstValueBeyondTheBits) {
  struct Case {
    int format;
    std::uint8_t value;
    std::string error;
  };
  const Case cases[] = {
      {0, 1, ""},    {0, 2, "pixel (11, 22) has index 2, beyond the 2 values of 1bpp SNES"},
      {7, 7, ""},    {7, 9, "pixel (11, 22) has index 9, beyond the 8 values of 3bpp SNES"},
      {15, 255, ""}, {17, 0, "16bpp N64 (High) stores colours, not values"},
  };
  for (const Case& c : cases) {
    convert::ValuePlane plane(4, 3);
    plane.Set(3, 2, c.value);
    plane.Set(1, 2, c.value);
    EXPECT_EQ(CheckValuesFit(Format(c.format), plane, 10, 20).error, c.error) << c.format;
  }
}

// The grey level rounds the mean of red, green and blue half up, (r + g + b + 1) / 3, and
// each depth then takes its band of it. The colours sit where truncating the mean would
// fall into the band below; the answers are worked out by hand.
TEST(ValuesOf, GreyLevelRoundsTheMeanOfTheThreeChannels) {
  struct Case {
    int format;
    int red, green, blue;
    int value;
  };
  const Case cases[] = {
      // 8 bits: the grey itself. 2/3 -> 1, 1/3 -> 0, 302/3 = 100.67 -> 101, 764/3 -> 255.
      {16, 0, 1, 1, 1},
      {16, 0, 0, 1, 0},
      {16, 100, 101, 101, 101},
      {16, 10, 20, 31, 20},
      {16, 255, 255, 254, 255},
      {15, 1, 1, 0, 1},
      // 4 bits: grey / 16. 47/3 = 15.67 -> 16 -> 1; 46/3 = 15.33 -> 15 -> 0; 95/3 -> 32 -> 2.
      {8, 15, 16, 16, 1},
      {8, 14, 16, 16, 0},
      {8, 31, 32, 32, 2},
      {8, 255, 255, 254, 15},
      {11, 0, 0, 47, 1},
      // 3 bits: grey / 32. 95/3 -> 32 -> 1; 94/3 = 31.33 -> 31 -> 0; 191/3 = 63.67 -> 64 -> 2.
      {7, 31, 32, 32, 1},
      {7, 31, 31, 32, 0},
      {7, 63, 64, 64, 2},
      // 2 bits: the bands 0-64, 65-135, 136-199, 200-255. 194/3 = 64.67 -> 65 -> 1;
      // 193/3 -> 64 -> 0; 407/3 = 135.67 -> 136 -> 2; 599/3 = 199.67 -> 200 -> 3.
      {2, 64, 65, 65, 1},
      {2, 64, 64, 65, 0},
      {2, 136, 136, 135, 2},
      {2, 199, 200, 200, 3},
      {2, 135, 135, 136, 1},
  };
  for (const Case& c : cases) {
    const Surface picture = test::Filled(1, 1, Rgb(c.red, c.green, c.blue));
    const convert::ValuePlane values = ValuesOf(Format(c.format), picture, {0, 0, 1, 1});
    ASSERT_EQ(values.values.size(), 1u);
    EXPECT_EQ(values.values[0], c.value)
        << Format(c.format).caption << " (" << c.red << ", " << c.green << ", " << c.blue << ")";
  }
}

}  // namespace
}  // namespace glyphon::formats
