#include "convert/classify.h"

#include <gtest/gtest.h>

namespace glyphon::convert {
namespace {

TEST(UnRGB, AcceptsEveryNameInAnyCase) {
  const RgbColor c = 0x00336699;
  for (const char* name : {"R", "r", "red", "RED", "Red", "0"}) EXPECT_EQ(UnRGB(c, name), 0x99) << name;
  for (const char* name : {"G", "g", "green", "GREEN", "1"}) EXPECT_EQ(UnRGB(c, name), 0x66) << name;
  for (const char* name : {"B", "b", "Blue", "BLUE", "2"}) EXPECT_EQ(UnRGB(c, name), 0x33) << name;
  for (const char* name : {"Y", "", "3", "reds", " R"}) EXPECT_EQ(UnRGB(c, name), 0) << name;
}

TEST(UnRGB, InvalidReadSplitsByIntegerArithmetic) {
  EXPECT_EQ(UnRGB(kOutside, "R"), 255);
  EXPECT_EQ(UnRGB(kOutside, "G"), -65281);
  EXPECT_EQ(UnRGB(kOutside, "B"), 255);
}

TEST(GreyLevel, EqualWeightsRoundedToNearest) {
  struct Case {
    RgbColor colour;
    int grey;
  };
  for (const Case& c : {Case{Rgb(255, 0, 0), 85}, {Rgb(255, 255, 0), 170}, {Rgb(100, 100, 101), 100},
                        {Rgb(100, 101, 101), 101}, {kWhite, 255}, {kBlack, 0}, {kOutside, -21590}}) {
    EXPECT_EQ(GreyLevel(c.colour), c.grey) << std::hex << c.colour;
  }
  // The fast path agrees with the component arithmetic for every real colour sampled.
  for (RgbColor c = 0; c <= 0xFFFFFF; c += 0x010203) {
    const int sum = UnRGB(c, "R") + UnRGB(c, "G") + UnRGB(c, "B");
    EXPECT_EQ(GreyLevel(c), Nearest(sum / 3.0)) << std::hex << c;
  }
}

TEST(Bit1, ComparesTheWholeValueSoBlueDecidesFirst) {
  struct Case {
    RgbColor colour;
    int bit;
  };
  for (const Case& c : {Case{Rgb(0, 0, 255), 1}, {Rgb(255, 255, 0), 0}, {Rgb(127, 127, 127), 0},
                        {Rgb(128, 128, 128), 1}, {Rgb(0, 128, 127), 1}, {Rgb(128, 127, 127), 1},
                        {Rgb(255, 255, 126), 0}, {kOutside, 0}}) {
    EXPECT_EQ(Bit1(c.colour), c.bit) << std::hex << c.colour;
  }
}

TEST(Level2, UnevenBandsAtTheirEdges) {
  struct Case {
    int grey;
    int index;
  };
  for (const Case& c : {Case{0, 0}, {64, 0}, {65, 1}, {135, 1}, {136, 2}, {199, 2}, {200, 3}, {255, 3},
                        {-21590, 0}, {85, 1}, {170, 2}}) {
    EXPECT_EQ(Level2(c.grey), c.index) << c.grey;
  }
}

TEST(Division, TruncationAndFloorDifferOnlyForTheInvalidRead) {
  EXPECT_EQ(TruncDiv(-21590, 16), -1349);
  EXPECT_EQ(FloorDiv(-21590, 16), -1350);
  EXPECT_EQ(TruncDiv(-21590, 32), -674);
  for (int g = 0; g <= 255; ++g) EXPECT_EQ(TruncDiv(g, 16), FloorDiv(g, 16));
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
