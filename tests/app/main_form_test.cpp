#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>

#include "app/app_fixture.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::Surface;

TEST_F(AppTest, StartsEmptyWithTheFormatsLocked) {
  EXPECT_EQ(form.windowTitle(), "ROM Glyphon");
  EXPECT_EQ(form.size(), QSize(520, 296));
  EXPECT_FALSE(Button("cmdConvert").isEnabled());
  EXPECT_TRUE(Child<QRadioButton>("optFormat8").isChecked());
  // The swatches of "4bpp SNES": sixteen boxes 16 pixels wide, box i in grey 16i + 15.
  const QImage strip = Child<app::FramedPicture>("picPalette").Image();
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(strip.pixel(16 * i + 8, 6), qRgb(16 * i + 15, 16 * i + 15, 16 * i + 15));
  EXPECT_EQ(Child("lblAbout").cursor().shape(), Qt::WhatsThisCursor);
  ExpectShowsModel();

  Click(Child("lblAbout"));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].title, "About Quilby ROM Glyphon...");
}

// Every control lies inside its parent and shows its whole caption in the window's font.
TEST_F(AppTest, EveryControlAndCaptionFitsTheWindow) {
  Load(PutPicture("a.bmp", RandomPicture(40, 30, 1)));
  for (const QWidget* widget : form.findChildren<QWidget*>()) {
    if (widget->isWindow() || !widget->isVisibleTo(&form)) continue;
    const std::string name = widget->objectName().toStdString();
    EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry())) << name;
    if (qobject_cast<const QAbstractButton*>(widget) != nullptr ||
        qobject_cast<const QLabel*>(widget) != nullptr) {
      EXPECT_LE(widget->sizeHint().width(), widget->width()) << name;
    }
  }
}

TEST_F(AppTest, SpinnerArrowsAndFormatOptionsMoveAndLockTheSelection) {
  Click(Child("optFormat1"));  // no picture yet: the options are disabled
  EXPECT_TRUE(Child<QRadioButton>("optFormat8").isChecked());

  Load(PutPicture("a.bmp", RandomPicture(100, 80, 3)));
  EXPECT_EQ(Caption("lblWidth"), "96");  // whole tiles
  EXPECT_EQ(Thumbnail().cursor().shape(), Qt::BitmapCursor);
  ClickArrow("vscWidth", true);  // 96 - 8
  ClickArrow("vscX", false);     // 0 + 8
  ClickArrow("vscX", false);     // 16 + 88 > 100: pushed back to 12
  EXPECT_EQ(Caption("lblX"), "12");
  EXPECT_FLOAT_EQ(Model().shaBox.left, 256.0f / 100 * 12);
  // One notch of the wheel up is one click of the upper arrow.
  QWheelEvent notch(QPointF(8, 8), QPointF(8, 8), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&Child("vscX"), &notch);
  EXPECT_EQ(Caption("lblX"), "4");
  ExpectShowsModel();

  Click(Child("optFormat1"));  // "1bpp Linear": the lock may go
  Click(Child("chkTile8"));
  EXPECT_FALSE(Child<QCheckBox>("chkTile8").isChecked());
  ClickArrow("vscWidth", true);
  EXPECT_EQ(Caption("lblWidth"), "87");
  Click(Child("optFormat1"));  // the selected option stays selected
  EXPECT_TRUE(Child<QRadioButton>("optFormat1").isChecked());
  Click(Child("optFormat8"));  // a tiled format: locked again
  EXPECT_EQ(Caption("lblWidth"), "80");
  ExpectShowsModel();
}

TEST_F(AppTest, ConvertLocksTheWindowShowsProgressAndSaves) {
  Load(PutPicture("a.bmp", RandomPicture(64, 64, 5)));
  std::vector<QString> shown;
  bool locked = true;
  bool closed = false;
  platform.duringLoop = [&] {
    ExpectShowsModel();
    shown.push_back(form.Progress().Text());
    locked = locked && form.Progress().isVisible() &&
             form.Progress().windowTitle() == "Image Conversion Progress" && !Button("cmdLoad").isEnabled() &&
             Button("cmdConvert").text() == "Converting...";
    if (!closed) closed = form.close();  // refused while the loop runs
  };
  Keys(Qt::CTRL | Qt::Key_Return);
  platform.duringLoop = nullptr;
  EXPECT_TRUE(locked);
  EXPECT_FALSE(closed);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), "100%");
  EXPECT_EQ(Model().RomDataString.size(), 64u * 64 / 2);
  ExpectShowsModel();

  platform.saveChoices.push_back({dir.File("out.dat"), 2});
  Keys(Qt::CTRL | Qt::Key_S);
  EXPECT_EQ(platform.saveDialogFilters.back(), "Bitmap files (*.bmp)|*.bmp|ROM data files (*.dat)|*.dat");
  auto written = platform::ReadFileBytes(dir.File("out.dat"));
  ASSERT_TRUE(written.Ok());
  EXPECT_EQ(written.Value(), Model().RomDataString);
}

// The road back: ROM data previewed, cancelled with Escape, loaded again and accepted.
TEST_F(AppTest, RomDataPreviewCancelAndAccept) {
  const std::string data = PutFile("rom.dat", RandomBytes(512, 8));
  Load(PutPicture("before.bmp", RandomPicture(24, 24, 9)));
  Load(data);
  EXPECT_EQ(Button("cmdLoad").text(), "Preview");
  EXPECT_FALSE(Button("cmdConvert").isVisibleTo(&form));
  Click(Button("cmdLoad"));
  EXPECT_FALSE(Thumbnail().Image().isNull());
  ClickArrow("vscWidth", false);  // another width: the preview no longer matches
  EXPECT_TRUE(Thumbnail().Image().isNull());
  Keys(Qt::CTRL | Qt::Key_O);  // Preview again
  EXPECT_FALSE(Thumbnail().Image().isNull());
  ExpectShowsModel();

  Keys(QKeyCombination(Qt::Key_Escape));  // Cancel: the picture before the preview is back
  EXPECT_EQ(Button("cmdLoad").text(), "Load");
  EXPECT_EQ(Caption("lblWidth"), "24");
  ExpectShowsModel();
  Keys(QKeyCombination(Qt::Key_Escape));  // outside a preview Escape clears nothing
  EXPECT_TRUE(Button("cmdConvert").isEnabled());

  Load(data);
  const int width = Child<app::SpinnerBar>("vscWidth").value();
  Keys(Qt::CTRL | Qt::Key_S);  // Accept
  EXPECT_EQ(Button("cmdSave").text(), "Save");
  EXPECT_EQ(Model().imgImage.Width(), width);
  ExpectShowsModel();
}

TEST_F(AppTest, ViewerShowsThePictureFullSizeUntilClickedOrAKeyIsReleased) {
  Click(Thumbnail());  // nothing to view yet
  EXPECT_FALSE(form.Viewer().isVisible());

  const Surface picture = RandomPicture(100, 80, 11);
  Load(PutPicture("a.bmp", picture));
  Click(Thumbnail());
  EXPECT_FALSE(form.isVisible());
  ASSERT_TRUE(form.Viewer().isVisible());
  EXPECT_EQ(form.Viewer().size(), QSize(100, 80));
  EXPECT_EQ(form.Viewer().Picture().Image(), app::ToQImage(picture));
  EXPECT_EQ(form.Viewer().Picture().toolTip(), "Click to return...");
  ExpectShowsModel();
  Click(form.Viewer().Picture());
  EXPECT_TRUE(form.isVisible());

  Click(Thumbnail());
  QTest::keyClick(&form.Viewer(), Qt::Key_Space);
  EXPECT_TRUE(form.isVisible());
  ExpectShowsModel();
  Click(Thumbnail());
  form.Viewer().close();  // closed by the window system: back to the main window too
  EXPECT_TRUE(form.isVisible());
  ExpectShowsModel();

  // Larger than the screen: a scrolling window that fills the available area.
  const QRect available = form.screen()->availableGeometry();
  Load(PutPicture("big.bmp", Surface::Picture(available.width() + 300, available.height() + 200)));
  Click(Thumbnail());
  EXPECT_EQ(form.Viewer().size(), available.size());
  EXPECT_GT(form.Viewer().horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(form.Viewer().verticalScrollBar()->maximum(), 0);
  Click(form.Viewer().Picture());
}

TEST_F(AppTest, CopyAndPasteGoThroughTheSystemClipboard) {
  Keys(Qt::CTRL | Qt::Key_C);  // Copy is disabled in the empty window
  EXPECT_FALSE(platform.ClipboardPicture().has_value());

  const Surface picture = RandomPicture(32, 32, 12);
  Load(PutPicture("a.bmp", picture));
  for (const auto& [spinner, value] : {std::pair{workspace::Spinner::Width, 16},
                                       {workspace::Spinner::Height, 16},
                                       {workspace::Spinner::X, 8},
                                       {workspace::Spinner::Y, 8}}) {
    Model().SetSpinner(spinner, value);
  }
  form.Render();
  Keys(Qt::CTRL | Qt::Key_C);
  EXPECT_EQ(app::FromQImage(QApplication::clipboard()->image()), picture.Crop(8, 8, 16, 16));

  QApplication::clipboard()->setText("not a picture");
  Click(Button("cmdPaste"));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "Unable to paste image.");

  const Surface pasted = RandomPicture(24, 16, 13);
  QApplication::clipboard()->setImage(app::ToQImage(pasted));
  Keys(Qt::CTRL | Qt::Key_V);
  EXPECT_EQ(Model().imgImage, pasted);
  ExpectShowsModel();
}

// Drags a file over the window and drops it; returns whether the window took it.
bool Drop(QWidget& window, const std::string& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  const QPoint at = window.rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  QCoreApplication::processEvents();  // the load runs once the drop has finished
  return drop.isAccepted();
}

TEST_F(AppTest, DroppedPicturesAndRomDataLoadAsFromTheDialog) {
  EXPECT_FALSE(Drop(form, PutFile("notes.txt", Bytes({1, 2, 3}))));
  const Surface picture = RandomPicture(20, 12, 15);
  EXPECT_TRUE(Drop(form, PutPicture("a.bmp", picture)));
  EXPECT_EQ(Model().imgImage, picture);

  // Another kind of picture: asked what to load it as, as from the dialog.
  const Surface other = RandomPicture(8, 10, 16);
  platform.answers.push_back(Answer::Yes);
  EXPECT_TRUE(Drop(form, PutPicture("b.png", other)));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "Do you wish to load as Bitmap?");
  EXPECT_EQ(Model().imgImage, other);

  EXPECT_TRUE(Drop(form, PutFile("c.dat", RandomBytes(64, 16))));
  EXPECT_EQ(Button("cmdLoad").text(), "Preview");
  EXPECT_FALSE(Drop(form, PutPicture("d.bmp", picture)));  // Load is Preview now
  EXPECT_TRUE(platform.openDialogFilters.empty());
  ExpectShowsModel();
}

}  // namespace
}  // namespace glyphon::test
