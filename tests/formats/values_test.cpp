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
        Encode(format(), PictureOfValues(format(), values), {0, 0, w, h}, partner, progress);
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
      const ByteString direct = Encode(format(), picture, sel, partner, progress);
      PartnerState again;
      const ByteString viaValues =
          Encode(format(), PictureOfValues(format(), ValuesOf(format(), picture, sel)), {0, 0, w, h}, again,
                 progress);
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

}  // namespace
}  // namespace glyphon::formats
