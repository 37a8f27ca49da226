#include "app/progress_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>

#include "support/fake_platform.h"

namespace glyphon::test {
namespace {

// The bar is drawn from the model: the filled columns in the highlight colour, the rest
// in the button face, the percentage in the colour the model names.
class ProgressFormTest : public testing::Test {
 protected:
  QImage Shown(int percent) {
    int value = percent;
    model.ReportPercent(value);
    form.Render(model);
    return form.grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  QRgb Role(QPalette::ColorRole role) const { return form.palette().color(role).rgb(); }

  QWidget owner;
  FakePlatform platform;
  workspace::ProgressWindow model{platform};
  app::ProgressForm form{&owner};
};

TEST_F(ProgressFormTest, FillsTheBarAndColoursTheLabel) {
  QImage bar = Shown(49);
  EXPECT_EQ(form.Text(), "49%");
  EXPECT_EQ(form.TextColour(), form.palette().color(QPalette::ButtonText));
  EXPECT_EQ(bar.pixel(1, 1), Role(QPalette::Highlight));
  EXPECT_EQ(bar.pixel(model.BarFill - 1, 1), Role(QPalette::Highlight));
  EXPECT_EQ(bar.pixel(model.BarFill, 1), Role(QPalette::Button));
  EXPECT_EQ(bar.pixel(303, 15), Role(QPalette::Button));

  bar = Shown(50);
  EXPECT_EQ(form.TextColour(), form.palette().color(QPalette::HighlightedText));

  bar = Shown(150);
  EXPECT_EQ(form.Text(), "100%");
  EXPECT_EQ(bar.pixel(303, 15), Role(QPalette::Highlight));
}

TEST_F(ProgressFormTest, ShowsAndHidesWithTheModel) {
  EXPECT_EQ(form.size(), QSize(305, 17));
  model.Caption = "Preview Generation Progress";
  model.Visible = true;
  form.Render(model);
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(form.isWindow());
  EXPECT_EQ(form.windowTitle(), "Preview Generation Progress");
  model.Unload();
  form.Render(model);
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace glyphon::test
