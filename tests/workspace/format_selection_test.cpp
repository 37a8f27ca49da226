// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "window_fixture.h"

namespace glyphon::test {
namespace {

using platform::Surface;

// The swatch strip's entries for a format (entries of equal width; 0 stands for the eight
// colour ramps): black and white, one grey per value of the format's bits, or the ramps.
int SwatchCount(const formats::FormatInfo& format) {
  switch (format.swatches) {
    case formats::SwatchRule::BlackWhite:
      return 2;
    case formats::SwatchRule::GreySteps:
      return 1 << format.bitsPerPixel;
    case formats::SwatchRule::ColourRamps:
      return 0;
  }
  return -1;
}

RgbColor ExpectedSwatch(int swatches, int x) {
  if (swatches == 2) return x < 128 ? kBlack : kWhite;
  if (swatches > 0) {
    const int width = 256 / swatches;
    return GreyColor((x / width + 1) * width - 1);
  }
  // Ramps black, blue, green, cyan, red, magenta, yellow, grey; column i at level 8i.
  const int ramp = x / 32;
  const int level = 8 * (x % 32);
  return Rgb(ramp & 4 ? level : 0, ramp & 2 ? level : 0, ramp & 1 ? level : 0);
}

// What choosing each format of the table shows: its swatch strip and whether the grid
// lock may be switched off.
class FormatSelectionTest : public WindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(FormatSelectionTest, ChoosingAFormatAppliesItsSettings) {
  const formats::FormatInfo& format = formats::Format(GetParam());
  const struct {
    int index;
    int swatches;
    bool lockOptional;
  } c{format.index, SwatchCount(format), format.lockOptional};
  window.MakeCurrentPicture(Filled(64, 64, kWhite));
  const int previous = c.index == 8 ? 0 : 8;
  window.SelectFormat(previous);
  window.Convert();  // settles the format and offers the data

  window.SelectFormat(c.index);

  EXPECT_EQ(window.View().format, c.index);
  EXPECT_EQ(window.FormatIndex(), c.index);  // one format: the selected one
  const Surface strip = window.View().swatches;
  ASSERT_EQ(strip.Width(), 256);
  ASSERT_EQ(strip.Height(), 13);
  for (int y = 0; y < 13; ++y) {
    for (int x = 0; x < 256; ++x)
      ASSERT_EQ(strip.GetPixel(x, y), ExpectedSwatch(c.swatches, x)) << x << "," << y;
  }
  EXPECT_EQ(window.View().tileLock, true);
  EXPECT_EQ(window.View().tileLockEnabled, c.lockOptional);
  // The load list offers the partner's files exactly where the format has a partner.
  EXPECT_EQ(window.LoadFilters().front().description, "Bitmap");
  EXPECT_TRUE(Offers(window.LoadFilters(), platform::FileKind::Data));
  EXPECT_EQ(Offers(window.LoadFilters(), platform::FileKind::PartnerPicture), format.HasPartner());
  EXPECT_EQ(Offers(window.LoadFilters(), platform::FileKind::PartnerData), format.HasPartner());
  EXPECT_EQ(window.SaveFilters(), kBitmapsOnly);
}

std::vector<int> EveryFormat() {
  std::vector<int> indices;
  for (const formats::FormatInfo& format : formats::Formats()) indices.push_back(format.index);
  return indices;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FormatSelectionTest, ::testing::ValuesIn(EveryFormat()),
                         [](const auto& p) { return FormatTestName(p.param); });

TEST_F(WindowTest, TiledFormatAfterLinearWithTheLockOffRoundsTheBoxDown) {
  PictureWithFreeSelection(Filled(64, 48, kWhite), 1);
  Select(4, 2, 45, 30);
  window.SelectFormat(8);
  EXPECT_EQ(window.View().tileLock, true);
  EXPECT_FALSE(window.View().tileLockEnabled);
  EXPECT_EQ(Selection(), (convert::Selection{4, 2, 40, 24}));
  EXPECT_EQ(window.View().viewer.outline.width, 41);
}

TEST_F(WindowTest, LinearFormatLeavesTheLockOnButLetsTheUserSwitchItOff) {
  window.MakeCurrentPicture(Filled(64, 48, kWhite));
  window.SelectFormat(10);
  EXPECT_EQ(window.View().tileLock, true);
  window.ToggleTileLock();
  EXPECT_EQ(window.View().tileLock, false);
  window.SelectFormat(8);  // a tiled format: the user cannot switch it off
  window.ToggleTileLock();
  EXPECT_EQ(window.View().tileLock, true);
}

TEST_F(WindowTest, ChoosingAFormatInPreviewModeClearsTheThumbnail) {
  window.MakeCurrentPicture(Filled(16, 16, kWhite));
  EnterPreview(RandomBytes(64, 1));
  window.ShowPreview(RandomPicture(8, 16, 2));
  window.SelectFormat(2);
  EXPECT_FALSE(window.View().thumbnail.HasPicture());
  EXPECT_EQ(window.View().format, 2);
}

TEST_F(WindowTest, ClickingTheSelectedOptionChangesNothing) {
  window.MakeCurrentPicture(Filled(16, 16, kWhite));
  window.Convert();
  const std::string before = Describe(window);
  window.SelectFormat(8);
  EXPECT_EQ(Describe(window), before);
}

}  // namespace
}  // namespace glyphon::test
