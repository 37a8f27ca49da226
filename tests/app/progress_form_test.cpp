#include "app/progress_form.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include "support/fake_platform.h"

namespace glyphon::test {
namespace {

// The bar is drawn from the model: the filled columns in the highlight colour, the rest in
// the button face, the percentage in the colour the model names.
TEST(ProgressFormTest, DrawsTheBarAndTheLabelInThePalettesColours) {
  QWidget owner;
  FakePlatform platform;
  workspace::ProgressWindow model{platform};
  app::ProgressForm form{&owner};
  const auto show = [&](int percent) {
    model.Report(percent);
    form.Render(model);
    return form.grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  const auto role = [&](QPalette::ColorRole r) { return form.palette().color(r); };

  QImage bar = show(49);
  EXPECT_EQ(form.Text(), "49%");
  EXPECT_EQ(form.TextColour(), role(QPalette::ButtonText));
  EXPECT_EQ(bar.pixel(model.barFill - 1, 1), role(QPalette::Highlight).rgb());
  EXPECT_EQ(bar.pixel(model.barFill, 1), role(QPalette::Button).rgb());
  show(50);
  EXPECT_EQ(form.TextColour(), role(QPalette::HighlightedText));
  bar = show(150);
  EXPECT_EQ(form.Text(), "100%");
  EXPECT_EQ(bar.pixel(304, 16), role(QPalette::Highlight).rgb());

  model.Open("Preview Generation Progress");
  form.Render(model);
  EXPECT_TRUE(form.isVisible() && form.isWindow());
  EXPECT_EQ(form.windowTitle(), "Preview Generation Progress");
  model.Close();
  form.Render(model);
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace glyphon::test
