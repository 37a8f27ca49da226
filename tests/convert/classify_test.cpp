#include "convert/classify.h"

#include <gtest/gtest.h>

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
