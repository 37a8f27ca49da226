// SPDX-License-Identifier: MIT
// Values against the unchanged codecs, for every format of the table that has them.
#include "formats/values.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The shade rule counts from white: the levels are evenly spaced from white (0) down to
// black, and a colour takes the one nearest its luma (0.299 R + 0.587 G + 0.114 B).
TEST(ShadeValues, NearestEvenlySpacedGreyFromWhite) {
  struct Case {
    int format;
    RgbColor colour;
    int value;
  };
  const Case cases[] = {
      // 1 bit: white 0, black 1; luma 128 is nearer black (127 from white, 128 from black).
      {0, kWhite, 0},
      {0, kBlack, 1},
      {0, GreyColor(128), 0},
      {0, GreyColor(127), 1},
      // 2 bits: #FFFFFF, #AAAAAA, #555555, #000000 are 0 to 3; 212 is nearer 170 than 255.
      {2, kWhite, 0},
      {2, GreyColor(0xAA), 1},
      {2, GreyColor(0x55), 2},
      {2, kBlack, 3},
      {2, GreyColor(212), 1},
      {2, GreyColor(213), 0},
      // Pure green has luma 0.587 * 255 = 149.7 -> 150: (255 - 150) * 3 / 255 = 1.24 -> 1.
      {2, Rgb(0, 255, 0), 1},
      // Pure blue: luma 29, (255 - 29) * 3 / 255 = 2.66 -> 3.
      {2, Rgb(0, 0, 255), 3},
      // 4 bits: steps of 17 from 255 down: 238 is 1, 0 is 15.
      {8, GreyColor(238), 1},
      {8, kBlack, 15},
      // 8 bits: 255 - luma.
      {15, GreyColor(200), 55},
      {15, kWhite, 0},
  };
  for (const Case& c : cases) {
    const Surface picture = test::Filled(1, 1, c.colour);
    const convert::ValuePlane values = ShadeValuesOf(Format(c.format), picture, {0, 0, 1, 1});
    ASSERT_EQ(values.values.size(), 1u);
    EXPECT_EQ(values.values[0], c.value) << Format(c.format).caption << " " << std::hex << c.colour;
  }
}

TEST(ShadeValues, ColoursRunFromWhiteToBlack) {
  EXPECT_EQ(ShadeColours(1), (std::vector<RgbColor>{kWhite, kBlack}));
  EXPECT_EQ(ShadeColours(2), (std::vector<RgbColor>{kWhite, 0xAAAAAA, 0x555555, kBlack}));
  const std::vector<RgbColor> four = ShadeColours(4);
  ASSERT_EQ(four.size(), 16u);
  EXPECT_EQ(four[1], GreyColor(238));
  EXPECT_EQ(four[15], kBlack);
  // Each level reads back as its own value.
  for (int bits : {1, 2, 3, 4, 8}) {
    const std::vector<RgbColor> colours = ShadeColours(bits);
    const FormatInfo& format = *std::find_if(Formats().begin(), Formats().end(), [&](const FormatInfo& f) {
      return f.HasValues() && f.bitsPerPixel == bits;
    });
    Surface row = Surface::Picture(static_cast<int>(colours.size()), 1);
    for (std::size_t v = 0; v < colours.size(); ++v) row.SetPixel(static_cast<int>(v), 0, colours[v]);
    const convert::ValuePlane values = ShadeValuesOf(format, row, {0, 0, row.Width(), 1});
    for (std::size_t v = 0; v < colours.size(); ++v) EXPECT_EQ(values.values[v], v) << bits << " bits";
  }
}

}  // namespace
}  // namespace glyphon::formats
