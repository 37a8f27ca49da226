#include <gtest/gtest.h>

#include <string>

#include "window_fixture.h"

namespace glyphon::test {
namespace {

using platform::Surface;

// What choosing each format shows: the swatch strip (entries of equal width; 0 entries
// stands for the eight colour ramps) and whether the grid lock may be switched off.
struct FormatCase {
  int index;
  int swatches;
  bool lockOptional;
};

const FormatCase kCases[] = {
    {0, 2, false},    {1, 2, true},    {2, 4, false},   {3, 4, false},    {4, 4, true},
    {5, 4, false},    {6, 4, true},    {7, 8, false},   {8, 16, false},   {9, 16, false},
    {10, 16, true},   {11, 16, false}, {12, 16, false}, {13, 256, false}, {14, 256, false},
    {15, 256, false}, {16, 256, true}, {17, 0, true},   {18, 0, true},
};

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

class FormatSelectionTest : public WindowTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormatSelectionTest, ChoosingAFormatAppliesItsSettings) {
  const FormatCase& c = GetParam();
  window.MakeCurrentPicture(Filled(64, 64, kWhite));
  window.SaveFilterString = formats::SaveFilterList(formats::Format(0));
  const int previous = c.index == 8 ? 0 : 8;
  window.ClickFormatOption(previous);
  window.FormatIndex = static_cast<std::int16_t>(previous);

  window.ClickFormatOption(c.index);

  for (int i = 0; i < formats::kFormatCount; ++i) {
    EXPECT_EQ(window.optFormat[static_cast<std::size_t>(i)].value, i == c.index) << i;
  }
  EXPECT_EQ(window.optFormat[static_cast<std::size_t>(c.index)].caption, formats::Format(c.index).caption);
  EXPECT_EQ(window.FormatIndex, previous);  // only a command settles the format
  const Surface& strip = window.picPalette.image;
  ASSERT_EQ(strip.Width(), 256);
  ASSERT_EQ(strip.Height(), 13);
  for (int y = 0; y < 13; ++y) {
    for (int x = 0; x < 256; ++x)
      ASSERT_EQ(strip.GetPixel(x, y), ExpectedSwatch(c.swatches, x)) << x << "," << y;
  }
  EXPECT_EQ(window.chkTile8.value, 1);
  EXPECT_EQ(window.chkTile8.enabled, c.lockOptional);
  EXPECT_EQ(window.LoadFilterString, formats::LoadFilterList(formats::Format(c.index)));
  EXPECT_EQ(window.SaveFilterString, formats::kBitmapOnlyFilter);
}

TEST_P(FormatSelectionTest, CalledFromCodeGivesTheSameAsAClickAndAsARepeat) {
  // Called directly while another option is selected, the handler selects its option,
  // which raises it again from inside; the end state is the same as a click's, and a
  // second call changes nothing.
  const FormatCase& c = GetParam();
  const int other = c.index == 1 ? 2 : 1;
  MainWindow clicked(platform);
  clicked.Form_Load();
  for (MainWindow* w : {&clicked, &window}) {
    w->MakeCurrentPicture(Filled(45, 37, kWhite));
    w->ClickFormatOption(other);
    w->SetTile8(0);
  }
  clicked.ClickFormatOption(c.index);
  window.optFormat_Click(static_cast<std::int16_t>(c.index));
  EXPECT_EQ(Describe(window), Describe(clicked));
  window.optFormat_Click(static_cast<std::int16_t>(c.index));
  EXPECT_EQ(Describe(window), Describe(clicked));
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FormatSelectionTest, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return FormatTestName(p.param.index); });

TEST_F(WindowTest, TiledFormatAfterLinearWithTheLockOffRoundsTheBoxDown) {
  PictureWithFreeSelection(Filled(64, 48, kWhite), 1);
  Select(4, 2, 45, 30);
  window.ClickFormatOption(8);
  EXPECT_EQ(window.chkTile8.value, 1);
  EXPECT_FALSE(window.chkTile8.enabled);
  EXPECT_EQ(Selection(), (convert::Selection{4, 2, 40, 24}));
  EXPECT_EQ(window.frmImage.shaBox.width, 41);
}

TEST_F(WindowTest, LinearFormatLeavesTheLockOnButLetsTheUserSwitchItOff) {
  window.MakeCurrentPicture(Filled(64, 48, kWhite));
  window.ClickFormatOption(10);
  EXPECT_EQ(window.chkTile8.value, 1);
  window.ClickTile8();
  EXPECT_EQ(window.chkTile8.value, 0);
  window.ClickFormatOption(8);  // a tiled format: the user cannot switch it off
  window.ClickTile8();
  EXPECT_EQ(window.chkTile8.value, 1);
}

TEST_F(WindowTest, ChoosingAFormatInPreviewModeClearsTheThumbnail) {
  window.MakeCurrentPicture(Filled(16, 16, kWhite));
  EnterPreview(RandomBytes(64, 1));
  ShowPreview(RandomPicture(8, 16, 2));
  window.ClickFormatOption(2);
  EXPECT_FALSE(window.picImage.image.HasPicture());
  EXPECT_TRUE(window.optFormat[2].value);
}

TEST_F(WindowTest, ClickingTheSelectedOptionChangesNothing) {
  window.MakeCurrentPicture(Filled(16, 16, kWhite));
  window.SaveFilterString = formats::SaveFilterList(formats::Format(0));
  window.ClickFormatOption(8);
  EXPECT_EQ(window.SaveFilterString, formats::SaveFilterList(formats::Format(0)));
}

}  // namespace
}  // namespace glyphon::test
