// SPDX-License-Identifier: MIT
#include "app/progress_window_widget.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include "support/fake_platform.h"

namespace glyphon::test {
namespace {

// The bar is drawn from the model: the filled columns in the highlight colour, the rest in
// the button face, the percentage in the colour the model names.
TEST(ProgressWindowWidgetTest, DrawsTheBarAndTheLabelInThePalettesColours) {
  QWidget owner;
  FakePlatform platform;
  workspace::ProgressWindow model{platform};
  app::ProgressWindowWidget progressWindow{&owner};
  const auto show = [&](int percent) {
    model.Report(percent);
    progressWindow.Render(model);
    return progressWindow.grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  const auto role = [&](QPalette::ColorRole r) { return progressWindow.palette().color(r); };

  QImage bar = show(49);
  EXPECT_EQ(progressWindow.Text(), "49%");
  EXPECT_EQ(progressWindow.TextColour(), role(QPalette::ButtonText));
  EXPECT_EQ(bar.pixel(model.barFill - 1, 1), role(QPalette::Highlight).rgb());
  EXPECT_EQ(bar.pixel(model.barFill, 1), role(QPalette::Button).rgb());
  show(50);
  EXPECT_EQ(progressWindow.TextColour(), role(QPalette::HighlightedText));
  bar = show(150);
  EXPECT_EQ(progressWindow.Text(), "100%");
  EXPECT_EQ(bar.pixel(304, 16), role(QPalette::Highlight).rgb());

  model.Open("Preview Generation Progress");
  progressWindow.Render(model);
  EXPECT_TRUE(progressWindow.isVisible() && progressWindow.isWindow());
  EXPECT_EQ(progressWindow.windowTitle(), "Preview Generation Progress");
  model.Close();
  progressWindow.Render(model);
  EXPECT_FALSE(progressWindow.isVisible());
}

}  // namespace
}  // namespace glyphon::test
