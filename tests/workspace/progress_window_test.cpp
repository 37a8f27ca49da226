// SPDX-License-Identifier: MIT
#include "workspace/progress_window.h"

#include <gtest/gtest.h>

#include "support/fake_platform.h"

namespace glyphon::test {
namespace {

using workspace::ProgressWindow;
using workspace::SystemColour;

class ProgressWindowTest : public ::testing::Test {
 protected:
  FakePlatform platform;
  ProgressWindow progress{platform};
};

TEST_F(ProgressWindowTest, SameValueDrawsAndYieldsOnce) {
  progress.Report(0);  // "0%" is already shown
  EXPECT_EQ(platform.pendingEventRuns, 0);
  progress.Report(37);
  progress.Report(37);
  EXPECT_EQ(platform.pendingEventRuns, 1);
  EXPECT_EQ(progress.text, "37%");
}

TEST_F(ProgressWindowTest, HundredOrMoreIsAFullBar) {
  progress.Report(150);
  EXPECT_EQ(progress.text, "100%");
  EXPECT_EQ(progress.barFill, ProgressWindow::kBarWidth);
  EXPECT_EQ(progress.textColour, SystemColour::HighlightText);
}

TEST_F(ProgressWindowTest, LabelTurnsToHighlightTextFromFifty) {
  progress.Report(49);
  EXPECT_EQ(progress.textColour, SystemColour::ButtonText);
  progress.Report(50);
  EXPECT_EQ(progress.textColour, SystemColour::HighlightText);
}

TEST_F(ProgressWindowTest, BarFillsFromTheLeft) {
  progress.Report(50);
  EXPECT_EQ(progress.barFill, 153);  // columns 0 to nearest(152.5) = 152
  progress.Report(1);
  EXPECT_EQ(progress.barFill, 4);
  progress.Report(-5);
  EXPECT_EQ(progress.barFill, 0);
}

TEST_F(ProgressWindowTest, CloseStartsTheNextUseAfresh) {
  progress.Open("Image Conversion Progress");
  progress.Report(80);
  progress.Close();
  EXPECT_FALSE(progress.visible);
  EXPECT_EQ(progress.text, "0%");
  EXPECT_EQ(progress.barFill, 0);
  EXPECT_EQ(progress.textColour, SystemColour::ButtonText);
}

}  // namespace
}  // namespace glyphon::test
