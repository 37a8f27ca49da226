// SPDX-License-Identifier: MIT
#include <QAction>
#include <QSettings>

#include "app/app_fixture.h"
#include "app/editor_widgets.h"
#include "app/picture_editor_widget.h"
#include "app/rom_browser_widget.h"
#include "formats/format_table.h"
#include "platform/file_range.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::Surface;

class EditorWidgetTest : public AppTest {
 protected:
  EditorWidgetTest() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(dir.File("settings")));
  }
  app::RomBrowserWidget& OpenRom(const ByteString& bytes) {
    app::RomBrowserWidget& browser = mainWindow.Browse(QString::fromStdString(PutFile("game.gb", bytes)));
    emit browser.findChild<QComboBox*>("format")->activated(formats::FindFormat("2bpp SNES/GB")->index);
    browser.Model().SetZoom(8);
    browser.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&browser));
    return browser;
  }
  ByteString Rom() { return platform::ReadFileRange(dir.File("game.gb"), 0, 256, 256).Value(); }
};

// The keys a person uses: E, a click, Ctrl+S answered Yes, Ctrl+Z and Ctrl+S again.
TEST_F(EditorWidgetTest, BrowserDrawsSavesUndoesAndSavesBack) {
  const ByteString zeros(256, 0);
  app::RomBrowserWidget& browser = OpenRom(zeros);
  QTest::keyClick(&browser.View(), Qt::Key_E);
  ASSERT_TRUE(browser.Editor().Editing());
  EXPECT_TRUE(browser.findChild<app::EditToolBar*>("editToolBar")->isVisible());
  QTest::keyClick(&browser.View(), Qt::Key_2);  // value 2: the second plane
  QTest::mouseClick(&browser.View(), Qt::LeftButton, Qt::NoModifier, QPoint(8 * 1 + 3, 3));
  EXPECT_EQ(browser.windowTitle(), "ROM Browser - game.gb *");
  platform.answers.push_back(Answer::Yes);
  QTest::keyClick(&browser, Qt::Key_S, Qt::ControlModifier);
  ByteString expected = zeros;
  expected[1] = 0x40;  // pixel 1 of row 0, high plane
  EXPECT_EQ(Rom(), expected);
  EXPECT_EQ(browser.windowTitle(), "ROM Browser");

  QTest::keyClick(&browser, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(browser.Editor().HasUnsavedEdits());
  // Closing with unsaved edits asks; Cancel keeps the window open.
  platform.answers.push_back(Answer::Cancel);
  EXPECT_FALSE(browser.close());
  platform.answers.push_back(Answer::Yes);
  QTest::keyClick(&browser, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(Rom(), zeros);
  // X swaps the two values.
  QTest::keyClick(&browser.View(), Qt::Key_X);
  EXPECT_EQ(std::pair(browser.Editor().Tools().Value(), browser.Editor().Tools().Value(true)),
            std::pair(0, 2));
  QTest::keyClick(&browser.View(), Qt::Key_E);
  EXPECT_FALSE(browser.Editor().Editing());
}

TEST_F(EditorWidgetTest, ViewerEditsThePictureInTheFormatsValuesWithUndo) {
  Load(PutPicture("a.bmp", Surface::Picture(16, 8)));
  Click(Thumbnail());
  app::ViewerWidget& viewer = mainWindow.Viewer();
  ASSERT_TRUE(viewer.isVisible());
  QTest::keyClick(&viewer, Qt::Key_E);
  app::PictureEditor& editor = *viewer.Editor();
  ASSERT_TRUE(editor.Editing());
  EXPECT_TRUE(viewer.isVisible()) << "E does not close the viewer";
  QTest::keyClick(&viewer, Qt::Key_F);  // value 15: white in 4 bits
  const int zoom = editor.View().Zoom();
  QTest::mouseClick(&editor.View(), Qt::LeftButton, Qt::NoModifier, QPoint(2 * zoom + 1, 3 * zoom + 1));
  EXPECT_EQ(Model().Picture().GetPixel(2, 3), kWhite);
  QTest::keyClick(&viewer, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Model().Picture().GetPixel(2, 3), kBlack);
  QTest::keyClick(&viewer, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Model().Picture().GetPixel(2, 3), kWhite);
  QTest::keyPress(&viewer, Qt::Key_Escape);
  EXPECT_FALSE(viewer.isVisible());
  EXPECT_FALSE(editor.Editing());
  EXPECT_EQ(Model().Picture().GetPixel(2, 3), kWhite);
}

}  // namespace
}  // namespace glyphon::test
