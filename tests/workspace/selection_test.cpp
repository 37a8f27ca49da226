// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "window_fixture.h"

namespace glyphon::test {
namespace {

using platform::Surface;

TEST_F(WindowTest, GridLockRoundsSizeDownAndStepsPositionBy8) {
  PictureWithFreeSelection(Filled(100, 80, kWhite));
  Select(13, 3, 45, 7);
  EXPECT_EQ(window.View().x.step, 1);
  EXPECT_EQ(window.View().height.step, 1);

  window.ToggleTileLock();  // on
  EXPECT_EQ(Selection(), (convert::Selection{13, 3, 40, 0}));
  EXPECT_EQ(std::to_string(window.View().width.value), "40");
  EXPECT_EQ(std::to_string(window.View().height.value), "0");
  for (Spinner s : {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height}) {
    EXPECT_EQ(window.View().Row(s).step, 8);
    EXPECT_EQ(window.View().Row(s).step, 8);
  }
  // The arrows move the position 8 from wherever it is.
  window.ScrollSpinner(Spinner::X, window.View().x.value + window.View().x.step);
  EXPECT_EQ(window.View().x.value, 21);
  window.ScrollSpinner(Spinner::X, 21 - 2 * window.View().x.step);
  EXPECT_EQ(window.View().x.value, 5);

  window.ToggleTileLock();  // off again: steps of 1, sizes stay
  EXPECT_EQ(window.View().x.step, 1);
  EXPECT_EQ(window.View().width.value, 40);
}

// Moving the box pushes it back against the far edge; growing it moves its near edge.
struct ClampCase {
  const char* name;
  convert::Selection start;
  Spinner spinner;
  int value;
  convert::Selection expected;
};

class SelectionClampTest : public WindowTest, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(SelectionClampTest, BoxStaysInsideThePicture) {
  const ClampCase& c = GetParam();
  PictureWithFreeSelection(Filled(100, 80, kWhite));
  Select(0, 0, c.start.width, c.start.height);
  Select(c.start.x, c.start.y, c.start.width, c.start.height);
  ASSERT_EQ(Selection(), c.start);
  window.SetSpinner(c.spinner, c.value);
  EXPECT_EQ(Selection(), c.expected);
  EXPECT_EQ(std::to_string(window.View().x.value), std::to_string(c.expected.x));
  EXPECT_EQ(std::to_string(window.View().y.value), std::to_string(c.expected.y));
}

INSTANTIATE_TEST_SUITE_P(
    OnA100By80Picture, SelectionClampTest,
    ::testing::Values(ClampCase{"MoveRightPastEdge", {0, 0, 40, 10}, Spinner::X, 70, {60, 0, 40, 10}},
                      ClampCase{"GrowWiderPastEdge", {20, 0, 40, 10}, Spinner::Width, 90, {10, 0, 90, 10}},
                      ClampCase{"MoveDownPastEdge", {0, 0, 10, 30}, Spinner::Y, 75, {0, 50, 10, 30}},
                      ClampCase{"GrowTallerPastEdge", {0, 30, 10, 30}, Spinner::Height, 80, {0, 0, 10, 80}},
                      ClampCase{"InsideStaysPut", {10, 10, 40, 40}, Spinner::X, 60, {60, 10, 40, 40}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(WindowTest, SelectionSumsDoNotOverflowOnWidePictures) {
  // 15000 + 20000 is beyond a 16-bit sum; the box must still come back inside.
  PictureWithFreeSelection(Filled(30000, 2, kWhite));
  Select(0, 0, 20000, 2);
  window.SetSpinner(Spinner::X, 15000);
  EXPECT_EQ(window.View().x.value, 10000);
  window.SetSpinner(Spinner::Width, 30000);
  EXPECT_EQ(window.View().x.value, 0);
}

TEST_F(WindowTest, OutlinesScaleToTheThumbnailAndFollowThePictureOnTheViewer) {
  // 200 by 64 keeps its proportion: 256 by 82 (81.92 rounded), 23 rows down.
  PictureWithFreeSelection(Filled(200, 64, kWhite));
  Select(100, 16, 50, 32);
  EXPECT_FLOAT_EQ(window.View().outline.left, 128.0f);
  EXPECT_FLOAT_EQ(window.View().outline.top, 23.0f + 82.0f / 64.0f * 16.0f);
  EXPECT_FLOAT_EQ(window.View().outline.width, 65.0f);
  EXPECT_FLOAT_EQ(window.View().outline.height, 82.0f / 64.0f * 32.0f + 1);
  const workspace::Outline full = window.View().viewer.outline;
  EXPECT_EQ(full.left, 100);
  EXPECT_EQ(full.top, 16);
  EXPECT_EQ(full.width, 51);
  EXPECT_EQ(full.height, 33);
}

TEST_F(WindowTest, EmptySelectionHidesBothOutlines) {
  PictureWithFreeSelection(Filled(64, 64, kWhite));
  Select(0, 0, 0, 0);
  EXPECT_FALSE(window.View().outline.visible);
  EXPECT_FALSE(window.View().viewer.outline.visible);
  for (Spinner s : {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height}) {
    window.SetSpinner(s, 1);
    EXPECT_TRUE(window.View().outline.visible && window.View().viewer.outline.visible);
    window.SetSpinner(s, 0);
    EXPECT_FALSE(window.View().outline.visible || window.View().viewer.outline.visible);
  }
}

TEST_F(WindowTest, AnyChangeOfTheBoxMakesConvertedDataUnsaveable) {
  PictureWithFreeSelection(Filled(64, 64, kWhite));
  for (Spinner s : {Spinner::X, Spinner::Y, Spinner::Width, Spinner::Height}) {
    window.Convert();
    window.SetSpinner(s, window.View().Row(s).value == 8 ? 16 : 8);
    EXPECT_EQ(window.SaveFilters(), kBitmapsOnly);
  }
}

TEST_F(WindowTest, LockingRoundsThroughTheRedrawAndItsChangeHandlers) {
  // The picture's own size, 45 by 30, is selected first; the redraw then runs the lock,
  // whose change of the width redraws again from inside. The end is one consistent box.
  window.MakeCurrentPicture(Filled(45, 30, kWhite));
  EXPECT_EQ(Selection(), (convert::Selection{0, 0, 40, 24}));
  EXPECT_EQ(std::to_string(window.View().width.value), "40");
  EXPECT_EQ(std::to_string(window.View().height.value), "24");
  // 45 by 30 is drawn 192 by 128 (191.999... rounded), kept in proportion.
  EXPECT_FLOAT_EQ(window.View().outline.width, 192.0f / 45.0f * 40.0f + 1);
  EXPECT_FLOAT_EQ(window.View().outline.height, 128.0f / 30.0f * 24.0f + 1);
  EXPECT_EQ(window.View().viewer.outline.width, 41);
  EXPECT_EQ(window.View().viewer.outline.height, 25);

  // The user switches the lock off, sets a free size, and switches it on again.
  window.SelectFormat(1);
  window.ToggleTileLock();
  Select(3, 5, 45, 25);
  window.ToggleTileLock();
  EXPECT_EQ(Selection(), (convert::Selection{0, 5, 40, 24}));
  EXPECT_EQ(window.View().viewer.outline.width, 41);
  EXPECT_EQ(window.View().viewer.outline.height, 25);
}

TEST_F(WindowTest, PreviewModeWidthClearsTheThumbnailAndChangesNothingElse) {
  window.MakeCurrentPicture(Filled(32, 32, kWhite));
  EnterPreview(RandomBytes(2048, 1));
  EXPECT_EQ(window.View().width.max, 1024);
  EXPECT_EQ(window.View().width.value, 40);  // nearest(sqrt(2048)) = 45, then the lock
  const Surface preview = RandomPicture(40, 51, 2);
  window.ShowPreview(preview);
  const std::string before = Describe(window);

  window.ScrollSpinner(Spinner::Width, 48);
  EXPECT_FALSE(window.View().thumbnail.HasPicture());
  EXPECT_EQ(std::to_string(window.View().width.value), "48");
  // Put back what the change was meant to change: the rest is untouched.
  window.ScrollSpinner(Spinner::Width, 40);
  window.ShowPreview(preview);
  EXPECT_EQ(Describe(window), before);
}

TEST_F(WindowTest, PreviewModePositionAndHeightOnlyShowTheirValue) {
  window.MakeCurrentPicture(Filled(32, 32, kWhite));
  EnterPreview(RandomBytes(100, 3));
  window.ShowPreview(RandomPicture(8, 12, 4));
  window.SetSpinnerMax(Spinner::X, 5);  // a range just for this test
  const std::string before = Describe(window);
  window.SetSpinner(Spinner::X, 5);
  EXPECT_EQ(std::to_string(window.View().x.value), "5");
  EXPECT_TRUE(window.View().thumbnail.HasPicture());
  window.SetSpinner(Spinner::X, 0);
  EXPECT_EQ(Describe(window), before);
}

TEST_F(WindowTest, ValuesStayWithinTheSpinnerRange) {
  PictureWithFreeSelection(Filled(50, 40, kWhite));
  window.SetSpinner(Spinner::Width, 400);
  EXPECT_EQ(window.View().width.value, 50);
  window.SetSpinner(Spinner::Y, -3);
  EXPECT_EQ(window.View().y.value, 0);
  window.SetSpinnerMax(Spinner::Width, 20);
  EXPECT_EQ(window.View().width.value, 20);
  EXPECT_EQ(std::to_string(window.View().width.value), "20");
}

// A typed value goes the way of the arrows' values: clamped to the range, rounded to the
// grid while it is locked; text that is no whole number changes nothing.
struct TypedCase {
  const char* name;
  Spinner spinner;
  const char* text;
  bool locked;
  bool taken;
  convert::Selection selection;  // after typing, from (0, 0, 40, 24)
};

class TypedValueTest : public WindowTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedValueTest, IsClampedAndRoundedAsTheArrowsAre) {
  const TypedCase& c = GetParam();
  PictureWithFreeSelection(Filled(40, 24, kWhite), 1);
  window.SetTileLock(c.locked ? 1 : 0);
  EXPECT_EQ(window.TypeSpinnerValue(c.spinner, c.text), c.taken);
  EXPECT_EQ(Selection(), c.selection);
  EXPECT_EQ(std::to_string(window.View().width.value), std::to_string(c.selection.width));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TypedValueTest,
    ::testing::Values(
        TypedCase{"Width", Spinner::Width, "13", false, true, {0, 0, 13, 24}},
        TypedCase{"WidthOnTheGrid", Spinner::Width, "13", true, true, {0, 0, 8, 24}},
        TypedCase{"BeyondTheRange", Spinner::Width, "500", false, true, {0, 0, 40, 24}},
        TypedCase{"BeyondAnyNumber", Spinner::Height, "99999999999999999999", false, true, {0, 0, 40, 24}},
        TypedCase{"Negative", Spinner::Width, "-5", false, true, {0, 0, 0, 24}},
        TypedCase{"PositionPushedBack", Spinner::X, "30", false, true, {0, 0, 40, 24}},
        TypedCase{"NotANumber", Spinner::Width, "12a", false, false, {0, 0, 40, 24}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(WindowTest, TypedValueOfADisabledSpinnerIsIgnored) {
  EXPECT_FALSE(window.TypeSpinnerValue(Spinner::Width, "8"));
  EXPECT_EQ(window.View().width.value, 0);
}

}  // namespace
}  // namespace glyphon::test
