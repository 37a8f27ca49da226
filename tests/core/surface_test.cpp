// SPDX-License-Identifier: MIT
#include "core/surface.h"

#include <gtest/gtest.h>

namespace glyphon::platform {
namespace {

TEST(Surface, ReadsOutsideAreMinusOneAndWritesOutsideAreIgnored) {
  Surface s(3, 2, Rgb(1, 2, 3));
  EXPECT_EQ(s.GetPixel(2, 1), Rgb(1, 2, 3));
  for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, 2}, {0, -1}, {100000, 100000}}) {
    EXPECT_EQ(s.GetPixel(x, y), kOutside) << x << "," << y;
    s.SetPixel(x, y, kWhite);  // must not crash or wrap onto another row
  }
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(s.GetPixel(x, y), Rgb(1, 2, 3));
}

TEST(Surface, DrawingDoesNotMakeALoadedPicture) {
  Surface drawn(4, 4);
  drawn.SetPixel(1, 1, kWhite);
  EXPECT_FALSE(drawn.HasPicture());
  Surface loaded = Surface::Picture(4, 4);
  EXPECT_TRUE(loaded.HasPicture());
  loaded.ClearPicture();
  EXPECT_FALSE(loaded.HasPicture());
  EXPECT_EQ(loaded.Width(), 4);
}

TEST(Surface, ResizeKeepsWhatFitsAndFillsTheGrownArea) {
  Surface s(2, 2, kBlack);
  s.SetPixel(1, 1, Rgb(9, 9, 9));
  s.Resize(3, 3, kWhite);
  EXPECT_EQ(s.GetPixel(1, 1), Rgb(9, 9, 9));
  EXPECT_EQ(s.GetPixel(2, 0), kWhite);
  EXPECT_EQ(s.GetPixel(0, 2), kWhite);
  s.Resize(1, 1);
  EXPECT_EQ(s.GetPixel(0, 0), kBlack);
  EXPECT_EQ(s.GetPixel(1, 1), kOutside);
}

TEST(Surface, CropCopiesUnscaledAndPadsOutside) {
  Surface s(4, 4);
  s.SetPixel(3, 3, kWhite);
  Surface c = s.Crop(2, 2, 3, 3, Rgb(5, 5, 5));
  EXPECT_TRUE(c.HasPicture());
  EXPECT_EQ(c.GetPixel(1, 1), kWhite);
  EXPECT_EQ(c.GetPixel(0, 0), kBlack);
  EXPECT_EQ(c.GetPixel(2, 2), Rgb(5, 5, 5));
}

}  // namespace
}  // namespace glyphon::platform
