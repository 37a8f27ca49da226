#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QUrl>

#include "app/app_fixture.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::Surface;

constexpr std::string_view kPlainLoadList =
    "Bitmap files (*.bmp)|*.bmp|ROM data files (*.dat)|*.dat|All files (*.*)|*.*";

TEST_F(AppTest, StartsEmptyWithTheFormatsLocked) {
  EXPECT_EQ(form.windowTitle(), "ROM Glyphon");
  EXPECT_EQ(form.size(), QSize(520, 296));
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(Button("cmdLoad").isEnabled());
  EXPECT_TRUE(Button("cmdPaste").isEnabled());
  EXPECT_FALSE(Button("cmdConvert").isEnabled());
  EXPECT_TRUE(Child<QRadioButton>("optFormat8").isChecked());
  EXPECT_TRUE(Thumbnail().Image().isNull());
  // The swatches of "4bpp SNES": sixteen grey boxes 16 pixels wide, box i in grey 16i + 15.
  const QImage strip = Child<app::FramedPicture>("picPalette").Image();
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(strip.pixel(16 * i + 8, 6), qRgb(16 * i + 15, 16 * i + 15, 16 * i + 15)) << i;
  EXPECT_EQ(Child<QLabel>("lblAbout").cursor().shape(), Qt::WhatsThisCursor);
  EXPECT_EQ(Child<QLabel>("lblAbout").toolTip(), "About Quilby ROM Glyphon...");
  ExpectShowsModel();
}

// Every control lies inside its parent and shows its whole caption in the window's font.
TEST_F(AppTest, EveryControlAndCaptionFitsTheWindow) {
  Load(PutPicture("a.bmp", RandomPicture(40, 30, 1)));
  for (const QWidget* widget : form.findChildren<QWidget*>()) {
    if (widget->isWindow() || !widget->isVisibleTo(&form)) continue;
    const QString name = widget->objectName();
    EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry())) << name.toStdString();
    if (qobject_cast<const QAbstractButton*>(widget) != nullptr ||
        qobject_cast<const QLabel*>(widget) != nullptr) {
      EXPECT_LE(widget->sizeHint().width(), widget->width()) << name.toStdString();
    }
  }
}

TEST_F(AppTest, LoadingAPictureShowsAndSelectsIt) {
  Load(PutPicture("a.bmp", RandomPicture(100, 80, 2)));
  EXPECT_EQ(platform.openDialogFilters, std::vector<std::string>{std::string(kPlainLoadList)});
  EXPECT_FALSE(Thumbnail().Image().isNull());
  EXPECT_EQ(Child<QLabel>("lblWidth").text(), "96");  // locked to whole tiles
  EXPECT_EQ(Child<QLabel>("lblHeight").text(), "80");
  EXPECT_EQ(Thumbnail().cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(Thumbnail().toolTip(), "Click to view full size...");
  ExpectShowsModel();
}

TEST_F(AppTest, SpinnerArrowsMoveAndResizeTheSelection) {
  Load(PutPicture("a.bmp", RandomPicture(100, 80, 3)));
  ClickArrow("vscWidth", true);  // 96 - 8
  EXPECT_EQ(Child<QLabel>("lblWidth").text(), "88");
  ClickArrow("vscX", false);  // 0 + 8
  ClickArrow("vscX", false);  // 16 + 88 > 100: pushed back to 12
  EXPECT_EQ(Child<QLabel>("lblX").text(), "12");
  EXPECT_EQ(Child<app::SpinnerBar>("vscX").value(), 12);
  EXPECT_TRUE(Model().shaBox.visible);
  EXPECT_FLOAT_EQ(Model().shaBox.left, 256.0f / 100 * 12);
  ExpectShowsModel();
}

TEST_F(AppTest, FormatOptionsSetTheTileLock) {
  // No picture: the options are disabled and a click changes nothing.
  Click(Child<QRadioButton>("optFormat1"));
  EXPECT_TRUE(Child<QRadioButton>("optFormat8").isChecked());

  Load(PutPicture("a.bmp", RandomPicture(100, 80, 4)));
  Click(Child<QRadioButton>("optFormat1"));  // "1bpp Linear": the lock may go
  EXPECT_FALSE(Child<QRadioButton>("optFormat8").isChecked());
  auto& tile8 = Child<QCheckBox>("chkTile8");
  ASSERT_TRUE(tile8.isEnabled());
  Click(tile8);
  EXPECT_FALSE(tile8.isChecked());
  ClickArrow("vscWidth", true);
  EXPECT_EQ(Child<QLabel>("lblWidth").text(), "95");
  // Clicking the selected option again keeps it selected.
  Click(Child<QRadioButton>("optFormat1"));
  EXPECT_TRUE(Child<QRadioButton>("optFormat1").isChecked());

  Click(Child<QRadioButton>("optFormat8"));  // a tiled format: locked again, whole tiles
  EXPECT_TRUE(tile8.isChecked());
  EXPECT_FALSE(tile8.isEnabled());
  EXPECT_EQ(Child<QLabel>("lblWidth").text(), "88");
  ExpectShowsModel();
}

TEST_F(AppTest, ConvertLocksTheWindowAndShowsProgress) {
  Load(PutPicture("a.bmp", RandomPicture(64, 64, 5)));
  std::vector<QString> shown;
  bool locked = true;
  bool closed = false;
  platform.duringLoop = [&] {
    ExpectShowsModel();
    shown.push_back(form.Progress().Text());
    locked = locked && form.Progress().isVisible() &&
             form.Progress().windowTitle() == "Image Conversion Progress" && !Button("cmdLoad").isEnabled() &&
             !Button("cmdConvert").isEnabled() && Button("cmdConvert").text() == "Converting..." &&
             !Child<QRadioButton>("optFormat8").isEnabled() && !Child<app::SpinnerBar>("vscX").isEnabled();
    // Closing the window while the loop runs is refused.
    if (!closed) closed = form.close();
  };
  Click(Button("cmdConvert"));
  platform.duringLoop = nullptr;

  EXPECT_TRUE(locked);
  EXPECT_FALSE(closed);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), "100%");
  EXPECT_FALSE(form.Progress().isVisible());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(Model().RomDataString.size(), 64u * 64 / 2);
  ExpectShowsModel();
}

TEST_F(AppTest, PartnerQuestionNoLeavesTheWindowAsItWas) {
  Load(PutPicture("a.bmp", RandomPicture(16, 16, 6)));
  Click(Child<QRadioButton>("optFormat11"));  // "4bpp FX Low", no partner data
  platform.answers.push_back(Answer::No);
  Click(Button("cmdConvert"));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "NOTE: No SuperFX high data loaded.\rDo you wish to continue?");
  EXPECT_TRUE(Model().RomDataString.empty());
  EXPECT_TRUE(Button("cmdConvert").isEnabled());
  ExpectShowsModel();
}

TEST_F(AppTest, SaveWritesTheConvertedData) {
  Load(PutPicture("a.bmp", RandomPicture(32, 16, 7)));
  Keys(Qt::CTRL | Qt::Key_Return);  // Convert
  ASSERT_EQ(Model().RomDataString.size(), 32u * 16 / 2);
  const std::string out = dir.File("out.dat");
  platform.saveChoices.push_back({out, 2});
  Keys(Qt::CTRL | Qt::Key_S);
  EXPECT_EQ(platform.saveDialogFilters.back(), "Bitmap files (*.bmp)|*.bmp|ROM data files (*.dat)|*.dat");
  auto written = platform::ReadFileBytes(out);
  ASSERT_TRUE(written.Ok());
  EXPECT_EQ(written.Value(), Model().RomDataString);
}

// Load ROM data, preview it, cancel with Escape; load it again and accept it with the
// keyboard: the whole road back from data to a picture.
TEST_F(AppTest, RomDataPreviewCancelAndAccept) {
  const std::string data = PutFile("rom.dat", RandomBytes(512, 8));
  Load(PutPicture("before.bmp", RandomPicture(24, 24, 9)));
  Load(data);
  EXPECT_EQ(Button("cmdLoad").text(), "Preview");
  EXPECT_EQ(Button("cmdLoad").width(), 233);
  EXPECT_FALSE(Button("cmdConvert").isVisibleTo(&form));
  EXPECT_TRUE(Child<app::SpinnerBar>("vscWidth").isEnabled());
  EXPECT_FALSE(Child<app::SpinnerBar>("vscX").isEnabled());
  ExpectShowsModel();

  Click(Button("cmdLoad"));  // Preview
  EXPECT_FALSE(Thumbnail().Image().isNull());
  ClickArrow("vscWidth", false);  // a new width: the preview no longer matches
  EXPECT_TRUE(Thumbnail().Image().isNull());
  Keys(Qt::CTRL | Qt::Key_O);  // Preview again
  EXPECT_FALSE(Thumbnail().Image().isNull());
  ExpectShowsModel();

  Keys(QKeyCombination(Qt::Key_Escape));  // Cancel: the picture before the preview is back
  EXPECT_EQ(Button("cmdLoad").text(), "Load");
  EXPECT_EQ(Button("cmdLoad").width(), 113);
  EXPECT_EQ(Model().imgImage.Width(), 24);
  EXPECT_EQ(Child<QLabel>("lblWidth").text(), "24");
  ExpectShowsModel();

  Load(data);
  const int width = Child<app::SpinnerBar>("vscWidth").value();
  Keys(Qt::CTRL | Qt::Key_S);  // Accept
  EXPECT_EQ(Button("cmdSave").text(), "Save");
  EXPECT_EQ(Model().imgImage.Width(), width);
  EXPECT_TRUE(Button("cmdConvert").isVisibleTo(&form));
  ExpectShowsModel();
}

TEST_F(AppTest, EscapeNeverClearsAPicture) {
  Load(PutPicture("a.bmp", RandomPicture(16, 16, 10)));
  Keys(QKeyCombination(Qt::Key_Escape));
  EXPECT_FALSE(Thumbnail().Image().isNull());
  EXPECT_TRUE(Button("cmdConvert").isEnabled());
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
  EXPECT_EQ(form.Viewer().Picture().cursor().shape(), Qt::BitmapCursor);
  EXPECT_TRUE(form.Viewer().windowFlags().testFlag(Qt::FramelessWindowHint));
  ExpectShowsModel();

  Click(form.Viewer().Picture());
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.Viewer().isVisible());

  Click(Thumbnail());
  ASSERT_TRUE(form.Viewer().isVisible());
  QTest::keyClick(&form.Viewer(), Qt::Key_Space);
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.Viewer().isVisible());
  ExpectShowsModel();
}

TEST_F(AppTest, ViewerOfAPictureLargerThanTheScreenScrolls) {
  const QRect available = form.screen()->availableGeometry();
  Load(PutPicture("big.bmp", Surface::Picture(available.width() + 300, available.height() + 200)));
  Click(Thumbnail());
  ASSERT_TRUE(form.Viewer().isVisible());
  EXPECT_EQ(form.Viewer().size(), available.size());
  EXPECT_EQ(form.Viewer().Picture().size(), QSize(available.width() + 300, available.height() + 200));
  EXPECT_GT(form.Viewer().horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(form.Viewer().verticalScrollBar()->maximum(), 0);
  Click(form.Viewer().Picture());
  EXPECT_TRUE(form.isVisible());
}

TEST_F(AppTest, CopyAndPasteGoThroughTheSystemClipboard) {
  const Surface picture = RandomPicture(32, 32, 12);
  Load(PutPicture("a.bmp", picture));
  Model().SetSpinner(workspace::Spinner::Width, 16);
  Model().SetSpinner(workspace::Spinner::Height, 16);
  Model().SetSpinner(workspace::Spinner::X, 8);
  Model().SetSpinner(workspace::Spinner::Y, 8);
  form.Render();
  Keys(Qt::CTRL | Qt::Key_C);
  EXPECT_EQ(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
            app::ToQImage(picture.Crop(8, 8, 16, 16)));

  QApplication::clipboard()->setText("not a picture");
  Click(Button("cmdPaste"));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "Unable to paste image.");
  EXPECT_EQ(Model().imgImage.Width(), 32);

  const Surface pasted = RandomPicture(24, 16, 13);
  QApplication::clipboard()->setImage(app::ToQImage(pasted));
  Keys(Qt::CTRL | Qt::Key_V);
  EXPECT_EQ(Model().imgImage, pasted);
  EXPECT_EQ(Child<QLabel>("lblWidth").text(), "24");
  ExpectShowsModel();
}

TEST_F(AppTest, ShortcutsReachOnlyTheCommandsThatCanRun) {
  QApplication::clipboard()->setImage(app::ToQImage(RandomPicture(8, 8, 14)));
  Keys(Qt::CTRL | Qt::Key_C);  // Copy is disabled in the empty window
  Keys(Qt::CTRL | Qt::Key_Return);
  EXPECT_TRUE(Model().RomDataString.empty());
  EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(8, 8));
  Keys(Qt::CTRL | Qt::Key_O);  // the open dialog, cancelled
  EXPECT_EQ(platform.openDialogFilters.size(), 1u);
}

TEST_F(AppTest, AboutLabelOpensTheAboutBox) {
  Click(Child<QLabel>("lblAbout"));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].title, "About Quilby ROM Glyphon...");
  EXPECT_EQ(platform.messages[0].icon, platform::Icon::Information);
}

class DropTest : public AppTest {
 protected:
  // Drags `path` over the window and drops it there; returns whether the window took it.
  bool Drop(const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    const QPoint at = form.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    QCoreApplication::processEvents();  // the load runs once the drop has finished
    return drop.isAccepted();
  }
};

TEST_F(DropTest, APictureOrRomDataDroppedOnTheWindowLoadsWithoutTheDialog) {
  const Surface picture = RandomPicture(20, 12, 15);
  EXPECT_TRUE(Drop(PutPicture("a.bmp", picture)));
  EXPECT_EQ(Model().imgImage, picture);
  EXPECT_TRUE(platform.openDialogFilters.empty());

  // Another kind of picture: asked what to load it as, as from the dialog.
  const Surface other = RandomPicture(8, 10, 16);
  platform.answers.push_back(Answer::Yes);
  EXPECT_TRUE(Drop(PutPicture("b.png", other)));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "Do you wish to load as Bitmap?");
  EXPECT_EQ(Model().imgImage, other);

  EXPECT_TRUE(Drop(PutFile("c.dat", RandomBytes(64, 16))));
  EXPECT_EQ(Button("cmdLoad").text(), "Preview");
  EXPECT_TRUE(platform.openDialogFilters.empty());
  // In preview mode Load is Preview: nothing more is taken.
  EXPECT_FALSE(Drop(PutPicture("d.bmp", picture)));
  ExpectShowsModel();
}

TEST_F(DropTest, OtherFilesAreRefused) {
  EXPECT_FALSE(Drop(PutFile("notes.txt", Bytes({1, 2, 3}))));
  EXPECT_TRUE(Thumbnail().Image().isNull());
}

}  // namespace
}  // namespace glyphon::test
