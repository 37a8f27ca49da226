// SPDX-License-Identifier: MIT
#include "palette/palette_match.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace glyphon::palette {
namespace {

// Entries 1 and 3 are equal: the first of them wins.
const Palette kPalette{{Rgb(0, 0, 0), Rgb(255, 0, 0), Rgb(0, 0, 255), Rgb(255, 0, 0), Rgb(10, 10, 10)}};

platform::Surface Row(std::initializer_list<RgbColor> colours) {
  platform::Surface picture = platform::Surface::Picture(static_cast<int>(colours.size()), 1);
  int x = 0;
  for (RgbColor c : colours) picture.SetPixel(x++, 0, c);
  return picture;
}

std::vector<std::uint8_t> Values(std::initializer_list<int> values) {
  return {values.begin(), values.end()};
}

TEST(ExactValues, FirstOfEqualEntriesAndTheFirstUnmatchedPixel) {
  const platform::Surface picture = Row({Rgb(255, 0, 0), Rgb(0, 0, 255), Rgb(10, 10, 10), Rgb(0, 0, 0)});
  const Result<convert::ValuePlane> values = ExactValues(kPalette, picture, {0, 0, 4, 1});
  ASSERT_TRUE(values) << values.Error();
  EXPECT_EQ(values.Value().values, Values({1, 2, 4, 0}));

  const platform::Surface stray = Row({Rgb(255, 0, 0), Rgb(1, 2, 3), Rgb(4, 5, 6)});
  EXPECT_EQ(ExactValues(kPalette, stray, {1, 0, 2, 1}).Error(),
            "pixel (1, 0) has colour #010203, which is not in the palette");
  // Outside the picture reads as black, which the palette holds.
  EXPECT_EQ(ExactValues(kPalette, picture, {3, 0, 2, 1}).Value().values, Values({0, 0}));
}

TEST(NearestValues, LeastSquaredDistanceTiesToTheLowerIndex) {
  // (200, 0, 200) is as far from red as from blue; (6, 6, 6) is nearer (10, 10, 10) than black.
  const platform::Surface picture =
      Row({Rgb(200, 0, 200), Rgb(6, 6, 6), Rgb(255, 0, 0), Rgb(6, 6, 6), Rgb(4, 4, 4)});
  const NearestValues nearest = NearestValuesOf(kPalette, picture, {0, 0, 5, 1});
  EXPECT_EQ(nearest.values.values, Values({1, 4, 1, 4, 0}));
  EXPECT_EQ(nearest.inexact, 4);
}

TEST(DrawValues, ValuesBeyondThePaletteAreBlackAndCounted) {
  convert::ValuePlane values(3, 2);
  values.values = Values({1, 5, 2, 255, 4, 5});
  const PaletteDrawing drawing = DrawValues(kPalette, values);
  EXPECT_EQ(drawing.beyond, 3);
  EXPECT_EQ(drawing.picture.Pixels()[0], Rgb(255, 0, 0));
  EXPECT_EQ(drawing.picture.Pixels()[1], kBlack);
  EXPECT_EQ(drawing.picture.Pixels()[4], Rgb(10, 10, 10));
  // Drawing then matching exactly gives the values back (those inside the palette).
  values.values = Values({0, 1, 2, 4, 4, 0});
  EXPECT_EQ(ExactValues(kPalette, DrawValues(kPalette, values).picture, {0, 0, 3, 2}).Value(), values);
}

}  // namespace
}  // namespace glyphon::palette
