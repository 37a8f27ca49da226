// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <stdexcept>
#include <string>

#include "app/main_window_widget.h"
#include "app/progress_window_widget.h"
#include "app/scripted_platform.h"
#include "app/surface_image.h"
#include "app/viewer_widget.h"
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
    mainWindow.Start();
  }

  workspace::MainWindow& Model() { return mainWindow.Model(); }

  template <class Widget = QWidget>
  Widget& Child(const QString& name) {
    auto* widget = mainWindow.findChild<Widget*>(name);
    if (widget == nullptr) throw std::runtime_error("no control named " + name.toStdString());
    return *widget;
  }
  QPushButton& Button(const char* name) { return Child<QPushButton>(name); }
  // The text of a label, or of a spinner's value box.
  QString Caption(const char* label) {
    if (auto* field = mainWindow.findChild<QLineEdit*>(label)) return field->text();
    return Child<QLabel>(label).text();
  }
  app::FramedPicture& Thumbnail() { return Child<app::FramedPicture>("thumbnail"); }

  static void Click(QWidget& widget, QPoint at = QPoint()) {
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, at.isNull() ? widget.rect().center() : at);
  }
  // The arrows of a 17 by 17 spinner: the upper one counts up, the lower one down.
  void ClickArrow(const char* spinner, bool up) { Click(Child(spinner), up ? QPoint(8, 3) : QPoint(8, 13)); }
  // Keys go to the active window, where the shortcuts live.
  void Keys(QKeyCombination keys) {
    mainWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
    QTest::keyClick(&mainWindow, keys.key(), keys.keyboardModifiers());
  }

  std::string PutFile(const std::string& name, const ByteString& bytes) {
    EXPECT_TRUE(platform::WriteFileAtomic(dir.File(name), bytes).Ok());
    return dir.File(name);
  }
  std::string PutPicture(const std::string& name, const platform::Surface& picture) {
    EXPECT_TRUE(imageio::WritePicture(dir.File(name), picture).Ok());
    return dir.File(name);
  }
  // Load, with the file picked in the open dialog.
  void Load(const std::string& path) {
    platform.openChoices.push_back({path, kFirstEntry});
    Click(Button("load"));
  }

  // Every control on screen shows what the model holds.
  void ExpectShowsModel() {
    SCOPED_TRACE("rendered window");
    const workspace::WindowView v = mainWindow.Model().View();
    EXPECT_EQ(mainWindow.isVisible(), v.visible);
    for (const auto& [name, model] : {std::pair{"load", &v.load},
                                      {"clear", &v.clear},
                                      {"save", &v.save},
                                      {"paste", &v.paste},
                                      {"convert", &v.convert},
                                      {"copy", &v.copy}}) {
      const QPushButton& button = Button(name);
      EXPECT_EQ(button.text().toStdString() + "|" + button.toolTip().toStdString(),
                std::string(model->caption) + "|" + std::string(model->toolTip));
      EXPECT_EQ(button.isEnabled(), model->enabled) << name;
      EXPECT_EQ(button.isVisibleTo(&mainWindow), model->visible) << name;
      EXPECT_EQ(button.width(), model->wide ? 233 : 113) << name;
    }
    for (const formats::FormatInfo& format : formats::Formats()) {
      const auto& option = Child<QRadioButton>(QStringLiteral("format%1").arg(format.index));
      EXPECT_EQ(option.text().toStdString(), format.caption);
      EXPECT_EQ(option.isChecked(), v.format == format.index) << format.index;
      EXPECT_EQ(option.isEnabled(), v.formatsEnabled) << format.index;
    }
    for (const auto& [name, row] :
         {std::pair{"x", &v.x}, {"y", &v.y}, {"width", &v.width}, {"height", &v.height}}) {
      EXPECT_EQ(Caption((std::string(name) + "Value").c_str()).toStdString(), std::to_string(row->value));
      const auto& bar = Child<app::SpinnerBar>(QStringLiteral("%1Spinner").arg(name));
      EXPECT_EQ(std::tuple(bar.value(), bar.maximum(), bar.singleStep(), bar.pageStep(), bar.isEnabled()),
                std::tuple(row->value, row->max, row->step, row->step, row->enabled))
          << name;
    }
    EXPECT_EQ(Child<QCheckBox>("tileLock").isChecked(), v.tileLock);
    EXPECT_EQ(Child<QCheckBox>("tileLock").isEnabled(), v.tileLockEnabled);
    EXPECT_EQ(Thumbnail().Image(), v.thumbnail.HasPicture() ? app::ToQImage(v.thumbnail) : QImage());
    EXPECT_EQ(Thumbnail().toolTip().toStdString(), v.thumbnailViewable ? "Click to view full size..." : "");
    EXPECT_EQ(Child<app::FramedPicture>("swatches").Image(), app::ToQImage(v.swatches));
    EXPECT_EQ(mainWindow.Viewer().isVisible(), v.viewer.visible);
    EXPECT_EQ(mainWindow.Progress().isVisible(), mainWindow.Model().Progress().visible);
  }

  TempDir dir;
  ScriptedPlatform platform;
  app::MainWindowWidget mainWindow{platform};
};

}  // namespace glyphon::test
