#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/image_form.h"
#include "app/main_form.h"
#include "app/progress_form.h"
#include "app/scripted_platform.h"
#include "app/surface_image.h"
#include "app/widgets.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::test {

// The real main window, started and shown (offscreen), with the dialogs and message boxes
// answered by the script of a ScriptedPlatform and a temporary folder for files.
class AppTest : public testing::Test {
 protected:
  AppTest() {
    QApplication::clipboard()->clear();
    form.Start();
    Activate();
  }

  workspace::MainWindow& Model() { return form.Model(); }

  template <class Widget>
  Widget& Child(const QString& name) {
    auto* widget = form.findChild<Widget*>(name);
    if (widget == nullptr) throw std::runtime_error("no control named " + name.toStdString());
    return *widget;
  }
  QPushButton& Button(const char* name) { return Child<QPushButton>(name); }
  app::FramedPicture& Thumbnail() { return Child<app::FramedPicture>("picImage"); }

  static void Click(QWidget& widget, QPoint at = QPoint()) {
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, at.isNull() ? widget.rect().center() : at);
  }
  // The arrows of a 17 by 17 spinner: the upper one steps down, the lower one up.
  void ClickArrow(const char* spinner, bool up) {
    Click(Child<app::SpinnerBar>(spinner), up ? QPoint(8, 3) : QPoint(8, 13));
  }
  // Keys go to the active window, where the shortcuts live.
  void Activate() {
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }
  void Keys(QKeyCombination keys) {
    Activate();
    QTest::keyClick(&form, keys.key(), keys.keyboardModifiers());
  }

  std::string PutFile(const std::string& name, const ByteString& bytes) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(platform::WriteFileAtomic(path, bytes).Ok());
    return path;
  }
  std::string PutPicture(const std::string& name, const platform::Surface& picture) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(imageio::WritePicture(path, picture).Ok());
    return path;
  }
  // Load, with the file picked in the open dialog.
  void Load(const std::string& path, int filterIndex = 1) {
    platform.openChoices.push_back({path, filterIndex});
    Click(Button("cmdLoad"));
  }

  // Every control on screen shows what the model holds: captions, tool tips, enabled and
  // shown states, values, the pictures and the outlines.
  void ExpectShowsModel() {
    const workspace::MainWindow& m = form.Model();
    SCOPED_TRACE("rendered window");
    EXPECT_EQ(form.isVisible(), m.Visible);
    EXPECT_EQ(form.windowTitle().toStdString(), m.Caption);
    const std::pair<const char*, const workspace::CommandButton*> buttons[] = {
        {"cmdLoad", &m.cmdLoad},   {"cmdClear", &m.cmdClear},     {"cmdSave", &m.cmdSave},
        {"cmdPaste", &m.cmdPaste}, {"cmdConvert", &m.cmdConvert}, {"cmdCopy", &m.cmdCopy}};
    for (const auto& [name, model] : buttons) {
      const QPushButton& button = Button(name);
      EXPECT_EQ(button.text().toStdString(), model->caption) << name;
      EXPECT_EQ(button.toolTip().toStdString(), model->toolTip) << name;
      EXPECT_EQ(button.isEnabled(), model->enabled) << name;
      EXPECT_EQ(button.isVisibleTo(&form), model->visible) << name;
      EXPECT_EQ(button.width(), model->width) << name;
    }
    for (std::size_t i = 0; i < m.optFormat.size(); ++i) {
      const auto& option = Child<QRadioButton>(QStringLiteral("optFormat%1").arg(i));
      EXPECT_EQ(option.text().toStdString(), m.optFormat[i].caption);
      EXPECT_EQ(option.isChecked(), m.optFormat[i].value) << i;
      EXPECT_EQ(option.isEnabled(), m.optFormat[i].enabled) << i;
    }
    const std::pair<const char*, const workspace::Label*> labels[] = {
        {"lblX1", &m.lblX1},           {"lblX", &m.lblX},
        {"lblY1", &m.lblY1},           {"lblY", &m.lblY},
        {"lblWidth1", &m.lblWidth1},   {"lblWidth", &m.lblWidth},
        {"lblHeight1", &m.lblHeight1}, {"lblHeight", &m.lblHeight},
        {"lblAbout", &m.lblAbout}};
    for (const auto& [name, model] : labels) {
      EXPECT_EQ(Child<QLabel>(name).text().toStdString(), model->caption) << name;
      EXPECT_EQ(Child<QLabel>(name).isEnabled(), model->enabled) << name;
    }
    const std::pair<const char*, workspace::Spinner> spinners[] = {{"vscX", workspace::Spinner::X},
                                                                   {"vscY", workspace::Spinner::Y},
                                                                   {"vscWidth", workspace::Spinner::Width},
                                                                   {"vscHeight", workspace::Spinner::Height}};
    for (const auto& [name, which] : spinners) {
      const auto& spinner = Child<app::SpinnerBar>(name);
      const workspace::ScrollBar& bar = m.Bar(which);
      EXPECT_EQ(spinner.value(), bar.value) << name;
      EXPECT_EQ(spinner.maximum(), bar.max) << name;
      EXPECT_EQ(spinner.singleStep(), bar.smallChange) << name;
      EXPECT_EQ(spinner.isEnabled(), bar.enabled) << name;
    }
    const auto& tile8 = Child<QCheckBox>("chkTile8");
    EXPECT_EQ(tile8.isChecked(), m.chkTile8.value == 1);
    EXPECT_EQ(tile8.isEnabled(), m.chkTile8.enabled);

    EXPECT_EQ(Thumbnail().Image(),
              m.picImage.image.HasPicture() ? app::ToQImage(m.picImage.image) : QImage());
    EXPECT_EQ(Thumbnail().toolTip().toStdString(), m.picImage.toolTip);
    EXPECT_EQ(Thumbnail().cursor().shape(),
              m.picImage.pointer == workspace::MousePointer::Custom ? Qt::BitmapCursor : Qt::ArrowCursor);
    EXPECT_EQ(Child<app::FramedPicture>("picPalette").Image(), app::ToQImage(m.picPalette.image));

    EXPECT_EQ(form.Viewer().isVisible(), m.frmImage.Visible);
    EXPECT_EQ(form.Progress().isVisible(), m.frmProgress.Visible);
  }

  TempDir dir;
  ScriptedPlatform platform;
  app::MainForm form{platform};
};

}  // namespace glyphon::test
