// SPDX-License-Identifier: MIT
#include "convert/classify.h"

#include <gtest/gtest.h>

#include <utility>

namespace glyphon::convert {
namespace {

TEST(Bit1, ComparesTheWholeValueSoBlueDecidesFirst) {
  struct Case {
    RgbColor colour;
    int bit;
  };
  for (const Case& c : {Case{Rgb(0, 0, 255), 1},
                        {Rgb(255, 255, 0), 0},
                        {Rgb(127, 127, 127), 0},
                        {Rgb(128, 128, 128), 1},
                        {Rgb(0, 128, 127), 1},
                        {Rgb(128, 127, 127), 1},
                        {Rgb(255, 255, 126), 0},
                        {kOutside, 0}}) {
    EXPECT_EQ(Bit1(c.colour), c.bit) << std::hex << c.colour;
  }
}

TEST(Level2, UnevenBandsAtTheirEdges) {
  struct Case {
    int grey;
    int index;
  };
  for (const Case& c : {Case{0, 0},
                        {64, 0},
                        {65, 1},
                        {135, 1},
                        {136, 2},
                        {199, 2},
                        {200, 3},
                        {255, 3},
                        {-21590, 0},
                        {85, 1},
                        {170, 2}}) {
    EXPECT_EQ(Level2(c.grey), c.index) << c.grey;
  }
}

// Luma with the BT.601 weights: 0.299 * 255 = 76.2, 0.587 * 255 = 149.7, 0.114 * 255 = 29.1.
TEST(Shade, LumaAndTheLevelsFromWhite) {
  EXPECT_EQ(LumaOfColour(Rgb(255, 0, 0)), 76);
  EXPECT_EQ(LumaOfColour(Rgb(0, 255, 0)), 150);
  EXPECT_EQ(LumaOfColour(Rgb(0, 0, 255)), 29);
  EXPECT_EQ(LumaOfColour(GreyColor(77)), 77);
  // 2 bits: the levels 255, 170, 85, 0; the midpoints 212.5, 127.5, 42.5 split them.
  for (const auto& [luma, value] :
       {std::pair{255, 0}, {213, 0}, {212, 1}, {128, 1}, {127, 2}, {43, 2}, {42, 3}, {0, 3}}) {
    EXPECT_EQ(ShadeOfLuma(luma, 2), value) << luma;
  }
  EXPECT_EQ(ShadeLevel(0, 2), 255);
  EXPECT_EQ(ShadeLevel(1, 2), 170);
  EXPECT_EQ(ShadeLevel(2, 2), 85);
  EXPECT_EQ(ShadeLevel(3, 2), 0);
  // 3 bits: 255 - round(255 / 7) = 255 - 36.
  EXPECT_EQ(ShadeLevel(1, 3), 219);
}

TEST(Nearest, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(Nearest(12.5), 12);
  EXPECT_EQ(Nearest(37.5), 38);
  EXPECT_EQ(Nearest(2.5), 2);
  EXPECT_EQ(Nearest(3.5), 4);
  EXPECT_EQ(Nearest(-0.5), 0);
  EXPECT_EQ(Nearest(-1.5), -2);
}

}  // namespace
}  // namespace glyphon::convert
