// SPDX-License-Identifier: MIT
// Pictures of the windows in their states, written into the build folder for the README and
// for a look by eye: empty, with a picture, converting, previewing ROM data, and the viewer.
#include <QComboBox>
#include <QDir>
#include <QPainter>
#include <QSettings>

#include "app/app_fixture.h"
#include "app/rom_browser_widget.h"
#include "formats/decoding.h"

namespace glyphon::test {
namespace {

class ScreenshotTest : public AppTest {
 protected:
  void Write(const QString& name, const QImage& image) {
    const QString path = QDir(GLYPHON_SCREENSHOT_DIR).filePath(name + ".png");
    ASSERT_TRUE(QDir().mkpath(GLYPHON_SCREENSHOT_DIR));
    ASSERT_TRUE(image.save(path)) << path.toStdString();
    EXPECT_FALSE(image.isNull());
  }
  QImage MainWindow() { return mainWindow.grab().toImage(); }
};

TEST_F(ScreenshotTest, WindowsInTheirStates) {
  Write("main-empty", MainWindow());

  platform.openChoices.push_back({GLYPHON_SAMPLE_PICTURE, kFirstEntry});
  Click(Button("load"));
  ASSERT_TRUE(Model().Picture().HasPicture());
  Write("main-picture", MainWindow());

  // Half-way through a conversion: the main window locked, the progress window over it.
  QImage converting;
  platform.duringLoop = [&] {
    if (!converting.isNull() || mainWindow.Progress().Text() != "50%") return;
    converting = MainWindow();
    QPainter painter(&converting);
    const QImage bar = mainWindow.Progress().grab().toImage();
    const QPoint at((converting.width() - bar.width()) / 2, (converting.height() - bar.height()) / 2);
    painter.drawImage(at, bar);
    painter.setPen(Qt::black);
    painter.drawRect(QRect(at, bar.size()).adjusted(-1, -1, 0, 0));
  };
  Click(Button("convert"));
  platform.duringLoop = nullptr;
  ASSERT_FALSE(converting.isNull());
  Write("main-converting", converting);

  const std::string data = dir.File("sample.dat");
  platform.saveChoices.push_back({data, EntryOf(platform::FileKind::Data)});
  Click(Button("save"));
  platform.openChoices.push_back({data, kFirstEntry});
  Click(Button("load"));
  Model().SetSpinner(workspace::Spinner::Width, 128);
  mainWindow.Render();
  Click(Button("load"));  // Preview
  ASSERT_FALSE(Thumbnail().Image().isNull());
  Write("main-preview", MainWindow());

  Click(Button("clear"));  // Cancel
  Click(Thumbnail());
  ASSERT_TRUE(mainWindow.Viewer().isVisible());
  Write("viewer", mainWindow.Viewer().grab().toImage());
  Click(mainWindow.Viewer().Picture());
}

// A sheet of game graphics in greys: a font, the sample picture and a few shapes.
platform::Surface GraphicsSheet() {
  QImage sheet(256, 160, QImage::Format_RGB32);
  sheet.fill(Qt::black);
  QPainter painter(&sheet);
  QFont font("DejaVu Sans Mono");
  font.setPixelSize(9);
  font.setStyleStrategy(QFont::NoAntialias);
  painter.setFont(font);
  painter.setPen(Qt::white);
  const QString glyphs = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!?.,:-+*/=<>()[]#$%&@";
  for (int i = 0; i < glyphs.size(); ++i)
    painter.drawText(QRect(i % 32 * 8, i / 32 * 8, 8, 8), Qt::AlignCenter, glyphs.mid(i, 1));
  painter.drawImage(QPoint(0, 24), QImage(GLYPHON_SAMPLE_PICTURE));
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (int i = 0; i < 8; ++i) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv(0, 0, 48 + 29 * i));
    painter.drawEllipse(QRect(136 + i % 4 * 30, 28 + i / 4 * 30, 26, 26));
  }
  for (int i = 0; i < 16; ++i) painter.fillRect(QRect(i * 16, 96, 16, 16), QColor::fromHsv(0, 0, i * 17));
  painter.setPen(QPen(Qt::white, 2));
  painter.setBrush(Qt::NoBrush);
  for (int i = 0; i < 6; ++i) painter.drawRoundedRect(QRect(4 + i * 42, 118, 36, 36), 6 + i, 6 + i);
  return app::FromQImage(sheet);
}

TEST_F(ScreenshotTest, RomBrowser) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromStdString(dir.File("settings")));
  const platform::Surface sheet = GraphicsSheet();
  convert::PartnerState none;
  platform::NullProgress quiet;
  const ByteString graphics =
      formats::Encode(formats::Format(8), sheet, {0, 0, sheet.Width(), sheet.Height()}, none, quiet).Value();
  ByteString rom = RandomBytes(0x2000, 5);  // code before the graphics
  rom.insert(rom.end(), graphics.begin(), graphics.end());
  const ByteString tail = RandomBytes(0x4000, 6);
  rom.insert(rom.end(), tail.begin(), tail.end());

  app::RomBrowserWidget& browser = mainWindow.Browse(QString::fromStdString(PutFile("game.sfc", rom)));
  emit browser.findChild<QComboBox*>("format")->activated(8);  // "4bpp SNES"
  browser.Model().SetWidth(32);
  browser.Model().SetZoom(4);
  browser.Model().SetOffset(0x1C00);
  browser.Model().SetColourSource(browser::Colours::Ramp);
  browser.Model().Select(4 * 2, 4 * 90, 4 * 60, 4 * 120);
  QMouseEvent over(QEvent::MouseMove, QPointF(4 * 70, 4 * 100), QPointF(4 * 70, 4 * 100), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&browser.View(), &over);
  QApplication::processEvents();  // the status bar's layout
  Write("rom-browser", browser.grab().toImage());
}

}  // namespace
}  // namespace glyphon::test
