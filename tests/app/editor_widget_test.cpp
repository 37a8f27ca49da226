// SPDX-License-Identifier: MIT
#include <QAction>
#include <QDir>
#include <QSettings>

#include "app/app_fixture.h"
#include "app/editor_widgets.h"
#include "app/picture_editor_widget.h"
#include "app/rom_browser_widget.h"
#include "formats/decoding.h"
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
  // Zoomed to fit, without scroll bars where the picture fits the screen.
  EXPECT_EQ(viewer.viewport()->size(), QSize(16, 8) * zoom);
  QTest::mouseClick(&editor.View(), Qt::LeftButton, Qt::NoModifier, QPoint(2 * zoom + 1, 3 * zoom + 1));
  EXPECT_EQ(Model().Picture().GetPixel(2, 3), kWhite);
  QTest::keyClick(&viewer, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Model().Picture().GetPixel(2, 3), kBlack);
  QTest::keyClick(&viewer, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Model().Picture().GetPixel(2, 3), kWhite);
  // H flips the main window's selection, the whole 16 by 8 picture: column 2 goes to 13.
  QTest::keyClick(&viewer, Qt::Key_H);
  EXPECT_EQ(std::pair(Model().Picture().GetPixel(2, 3), Model().Picture().GetPixel(13, 3)),
            std::pair(kBlack, kWhite));
  EXPECT_EQ(editor.History().Count(), 2u);
  QTest::keyPress(&viewer, Qt::Key_Escape);
  EXPECT_FALSE(viewer.isVisible());
  EXPECT_FALSE(editor.Editing());
  EXPECT_EQ(Model().Picture().GetPixel(13, 3), kWhite);
}

// The README's picture of the editing mode: tiles of the sample picture in 4bpp SNES at
// zoom 8 in the ramp's colours, the tile grid on, a stroke drawn and a line being dragged.
TEST_F(EditorWidgetTest, EditingScreenshot) {
  Load(GLYPHON_SAMPLE_PICTURE);
  const formats::FormatInfo& snes = *formats::FindFormat("4bpp SNES");
  convert::PartnerState none;
  platform::NullProgress quiet;
  ASSERT_TRUE(Model().Picture().HasPicture());
  const int width = Model().Picture().Width() / 8 * 8, height = Model().Picture().Height() / 8 * 8;
  ByteString rom = formats::Encode(snes, Model().Picture(), {0, 0, width, height}, none, quiet).Value();
  app::RomBrowserWidget& browser = mainWindow.Browse(QString::fromStdString(PutFile("game.sfc", rom)));
  emit browser.findChild<QComboBox*>("format")->activated(snes.index);
  browser.Model().SetWidth(width / 8);
  browser.Model().SetZoom(8);
  browser.Model().SetColourSource(browser::Colours::Ramp);
  browser.resize(1480, 800);
  browser.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&browser));
  QTest::keyClick(&browser.View(), Qt::Key_E);
  QTest::keyClick(&browser.View(), Qt::Key_G);
  QTest::keyClick(&browser.View(), Qt::Key_F);
  QWidget& view = browser.View();
  // Edits share the browser's history with its own steps (the format, the zoom above).
  const std::size_t steps = browser.Editor().History().Count();
  QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(8 * 20, 8 * 20));
  for (int x = 21; x < 40; ++x) {
    QMouseEvent drag(QEvent::MouseMove, QPointF(8 * x, 8 * (20 + (x - 20) / 3)), QPointF(), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &drag);
  }
  QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(8 * 39, 8 * 26));
  browser.findChild<QAction*>("tool1")->trigger();  // the line
  QTest::keyClick(&view, Qt::Key_5);
  QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(8 * 60, 8 * 12));
  QMouseEvent drag(QEvent::MouseMove, QPointF(8 * 100, 8 * 40), QPointF(), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&view, &drag);
  QApplication::processEvents();
  const QImage shot = browser.grab().toImage();
  QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(8 * 100, 8 * 40));
  EXPECT_EQ(browser.Editor().History().Count(), steps + 2);
  ASSERT_TRUE(QDir().mkpath(GLYPHON_SCREENSHOT_DIR));
  EXPECT_TRUE(shot.save(QDir(GLYPHON_SCREENSHOT_DIR).filePath("rom-browser-editing.png")));
  platform.answers.push_back(Answer::No);  // the unsaved edits are dropped at the end
  browser.close();
}

}  // namespace
}  // namespace glyphon::test
