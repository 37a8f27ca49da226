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
  int percent = 0;
  progress.ReportPercent(percent);  // "0%" is already shown
  EXPECT_EQ(platform.pendingEventRuns, 0);
  percent = 37;
  progress.ReportPercent(percent);
  progress.ReportPercent(percent);
  EXPECT_EQ(platform.pendingEventRuns, 1);
  EXPECT_EQ(progress.label.caption, "37%");
}

TEST_F(ProgressWindowTest, HundredOrMoreIsAFullBarAndWrittenBack) {
  int percent = 150;
  progress.ReportPercent(percent);
  EXPECT_EQ(percent, 100);
  EXPECT_EQ(progress.label.caption, "100%");
  EXPECT_EQ(progress.barFill, ProgressWindow::kBarWidth);
  EXPECT_EQ(progress.labelColour, SystemColour::HighlightText);
}

TEST_F(ProgressWindowTest, LabelTurnsToHighlightTextFromFifty) {
  progress.PercentBar(49);
  EXPECT_EQ(progress.labelColour, SystemColour::ButtonText);
  progress.PercentBar(50);
  EXPECT_EQ(progress.labelColour, SystemColour::HighlightText);
}

TEST_F(ProgressWindowTest, BarFillsFromTheLeft) {
  progress.PercentBar(50);
  EXPECT_EQ(progress.barFill, 153);  // columns 0 to nearest(152.5) = 152
  progress.PercentBar(1);
  EXPECT_EQ(progress.barFill, 4);
  progress.PercentBar(-5);
  EXPECT_EQ(progress.barFill, 0);
}

TEST_F(ProgressWindowTest, UnloadStartsTheNextUseAfresh) {
  progress.visible = true;
  progress.caption = "Image Conversion Progress";
  progress.PercentBar(80);
  progress.Unload();
  EXPECT_FALSE(progress.visible);
  EXPECT_EQ(progress.label.caption, "0%");
  EXPECT_EQ(progress.barFill, 0);
  EXPECT_EQ(progress.labelColour, SystemColour::ButtonText);
}

}  // namespace
}  // namespace glyphon::test
