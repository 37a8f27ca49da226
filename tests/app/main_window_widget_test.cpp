// SPDX-License-Identifier: MIT
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <functional>
#include <new>
#include <vector>

#include "app/app_fixture.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::Surface;

TEST_F(AppTest, StartsEmptyWithTheFormatsLocked) {
  EXPECT_EQ(mainWindow.windowTitle(), "ROM Glyphon");
  // 520 pixels with the first two columns of ten format options (each further column of
  // the table's formats widens the window by 112), 316 high with the status line.
  const int columns = std::max(2, (formats::kFormatCount + 9) / 10);
  EXPECT_EQ(mainWindow.size(), QSize(520 + 112 * (columns - 2), 316));
  EXPECT_FALSE(Button("convert").isEnabled());
  EXPECT_TRUE(Child<QRadioButton>("format8").isChecked());
  // The swatches of "4bpp SNES": sixteen boxes 16 pixels wide, box i in grey 16i + 15.
  const QImage strip = Child<app::FramedPicture>("swatches").Image();
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(strip.pixel(16 * i + 8, 6), qRgb(16 * i + 15, 16 * i + 15, 16 * i + 15));
  EXPECT_EQ(Child("about").cursor().shape(), Qt::WhatsThisCursor);
  ExpectShowsModel();

  Click(Child("about"));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].title, "About Quilby ROM Glyphon...");
}

// Every control lies inside its parent and shows its whole caption in the window's font.
TEST_F(AppTest, EveryControlAndCaptionFitsTheWindow) {
  Load(PutPicture("a.bmp", RandomPicture(40, 30, 1)));
  for (const QWidget* widget : mainWindow.findChildren<QWidget*>()) {
    if (widget->isWindow() || !widget->isVisibleTo(&mainWindow)) continue;
    const std::string name = widget->objectName().toStdString();
    EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry())) << name;
    if (qobject_cast<const QAbstractButton*>(widget) != nullptr ||
        qobject_cast<const QLabel*>(widget) != nullptr) {
      EXPECT_LE(widget->sizeHint().width(), widget->width()) << name;
    }
  }
}

TEST_F(AppTest, SpinnerArrowsAndFormatOptionsMoveAndLockTheSelection) {
  Click(Child("format1"));  // no picture yet: the options are disabled
  EXPECT_TRUE(Child<QRadioButton>("format8").isChecked());

  Load(PutPicture("a.bmp", RandomPicture(100, 80, 3)));
  EXPECT_EQ(Caption("widthValue"), "96");  // whole tiles
  EXPECT_EQ(Thumbnail().cursor().shape(), Qt::BitmapCursor);
  ClickArrow("widthSpinner", false);  // 96 - 8
  ClickArrow("xSpinner", true);       // 0 + 8
  ClickArrow("xSpinner", true);       // 16 + 88 > 100: pushed back to 12
  EXPECT_EQ(Caption("xValue"), "12");
  // 100 by 80 is drawn 160 by 128 (160.0 rounded) from column 48.
  EXPECT_FLOAT_EQ(Model().View().outline.left, 48 + 160.0f / 100 * 12);
  // One notch of the wheel down is one click of the lower arrow.
  QWheelEvent notch(QPointF(8, 8), QPointF(8, 8), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&Child("xSpinner"), &notch);
  EXPECT_EQ(Caption("xValue"), "4");
  ExpectShowsModel();

  Click(Child("format1"));  // "1bpp Linear": the lock may go
  Click(Child("tileLock"));
  EXPECT_FALSE(Child<QCheckBox>("tileLock").isChecked());
  ClickArrow("widthSpinner", false);
  EXPECT_EQ(Caption("widthValue"), "87");
  Click(Child("format1"));  // the selected option stays selected
  EXPECT_TRUE(Child<QRadioButton>("format1").isChecked());
  Click(Child("format8"));  // a tiled format: locked again
  EXPECT_EQ(Caption("widthValue"), "80");
  ExpectShowsModel();
}

TEST_F(AppTest, ConvertLocksTheWindowShowsProgressAndSaves) {
  Load(PutPicture("a.bmp", RandomPicture(64, 64, 5)));
  std::vector<QString> shown;
  bool locked = true;
  bool closed = false;
  platform.duringLoop = [&] {
    ExpectShowsModel();
    shown.push_back(mainWindow.Progress().Text());
    locked = locked && mainWindow.Progress().isVisible() &&
             mainWindow.Progress().windowTitle() == "Image Conversion Progress" &&
             !Button("load").isEnabled() && Button("convert").text() == "Converting...";
    if (!closed) closed = mainWindow.close();  // refused while the loop runs
  };
  Keys(Qt::CTRL | Qt::Key_Return);
  platform.duringLoop = nullptr;
  EXPECT_TRUE(locked);
  EXPECT_FALSE(closed);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), "100%");
  EXPECT_EQ(Model().RomData().size(), 64u * 64 / 2);
  ExpectShowsModel();

  platform.saveChoices.push_back({dir.File("out.dat"), EntryOf(platform::FileKind::Data)});
  Keys(Qt::CTRL | Qt::Key_S);
  // Just converted: the ROM data first.
  EXPECT_EQ(platform.saveDialogFilters.back().front().kind, platform::FileKind::Data);
  EXPECT_EQ(platform.saveDialogFilters.back().size(), formats::SaveFilters(formats::Format(8)).size());
  auto written = platform::ReadFileBytes(dir.File("out.dat"));
  ASSERT_TRUE(written.Ok());
  EXPECT_EQ(written.Value(), Model().RomData());
}

// The road back: ROM data previewed, cancelled with Escape, loaded again and accepted.
TEST_F(AppTest, RomDataPreviewCancelAndAccept) {
  const std::string data = PutFile("rom.dat", RandomBytes(512, 8));
  Load(PutPicture("before.bmp", RandomPicture(24, 24, 9)));
  Load(data);
  EXPECT_EQ(Button("load").text(), "Preview");
  EXPECT_FALSE(Button("convert").isVisibleTo(&mainWindow));
  Click(Button("load"));
  EXPECT_FALSE(Thumbnail().Image().isNull());
  ClickArrow("widthSpinner", false);  // another width: the preview no longer matches
  EXPECT_TRUE(Thumbnail().Image().isNull());
  Keys(Qt::CTRL | Qt::Key_O);  // Preview again
  EXPECT_FALSE(Thumbnail().Image().isNull());
  ExpectShowsModel();

  Keys(QKeyCombination(Qt::Key_Escape));  // Cancel: the picture before the preview is back
  EXPECT_EQ(Button("load").text(), "Load");
  EXPECT_EQ(Caption("widthValue"), "24");
  ExpectShowsModel();
  Keys(QKeyCombination(Qt::Key_Escape));  // outside a preview Escape clears nothing
  EXPECT_TRUE(Button("convert").isEnabled());

  Load(data);
  const int width = Child<app::SpinnerBar>("widthSpinner").value();
  Keys(Qt::CTRL | Qt::Key_S);  // Accept
  EXPECT_EQ(Button("save").text(), "Save");
  EXPECT_EQ(Model().Picture().Width(), width);
  ExpectShowsModel();
}

TEST_F(AppTest, ViewerShowsThePictureFullSizeUntilClickedOrAKeyIsReleased) {
  Click(Thumbnail());  // nothing to view yet
  EXPECT_FALSE(mainWindow.Viewer().isVisible());

  const Surface picture = RandomPicture(100, 80, 11);
  Load(PutPicture("a.bmp", picture));
  Click(Thumbnail());
  EXPECT_FALSE(mainWindow.isVisible());
  ASSERT_TRUE(mainWindow.Viewer().isVisible());
  EXPECT_EQ(mainWindow.Viewer().size(), QSize(100, 80));
  EXPECT_EQ(mainWindow.Viewer().Picture().Image(), app::ToQImage(picture));
  EXPECT_EQ(mainWindow.Viewer().Picture().toolTip(), "Click to return...");
  ExpectShowsModel();
  Click(mainWindow.Viewer().Picture());
  EXPECT_TRUE(mainWindow.isVisible());

  Click(Thumbnail());
  QTest::keyClick(&mainWindow.Viewer(), Qt::Key_Space);
  EXPECT_TRUE(mainWindow.isVisible());
  ExpectShowsModel();
  Click(Thumbnail());
  QTest::keyPress(&mainWindow.Viewer(), Qt::Key_Escape);  // Escape closes it as soon as it is pressed
  EXPECT_TRUE(mainWindow.isVisible());
  EXPECT_FALSE(mainWindow.Viewer().isVisible());
  Click(Thumbnail());
  mainWindow.Viewer().close();  // closed by the window system: back to the main window too
  EXPECT_TRUE(mainWindow.isVisible());
  ExpectShowsModel();

  // Larger than the screen: a scrolling window that fills the available area.
  const QRect available = mainWindow.screen()->availableGeometry();
  Load(PutPicture("big.bmp", Surface::Picture(available.width() + 300, available.height() + 200)));
  Click(Thumbnail());
  EXPECT_EQ(mainWindow.Viewer().size(), available.size());
  EXPECT_GT(mainWindow.Viewer().horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(mainWindow.Viewer().verticalScrollBar()->maximum(), 0);
  Click(mainWindow.Viewer().Picture());
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
  mainWindow.Render();
  Keys(Qt::CTRL | Qt::Key_C);
  EXPECT_EQ(app::FromQImage(QApplication::clipboard()->image()), picture.Crop(8, 8, 16, 16));

  QApplication::clipboard()->setText("not a picture");
  Click(Button("paste"));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].lines, std::vector<std::string>{"Unable to paste image."});

  const Surface pasted = RandomPicture(24, 16, 13);
  QApplication::clipboard()->setImage(app::ToQImage(pasted));
  Keys(Qt::CTRL | Qt::Key_V);
  EXPECT_EQ(Model().Picture(), pasted);
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
  EXPECT_FALSE(Drop(mainWindow, PutFile("notes.txt", Bytes({1, 2, 3}))));
  const Surface picture = RandomPicture(20, 12, 15);
  EXPECT_TRUE(Drop(mainWindow, PutPicture("a.bmp", picture)));
  EXPECT_EQ(Model().Picture(), picture);

  // A PNG loads as a picture without a question.
  const Surface other = RandomPicture(8, 10, 16);
  EXPECT_TRUE(Drop(mainWindow, PutPicture("b.png", other)));
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(Model().Picture(), other);

  EXPECT_TRUE(Drop(mainWindow, PutFile("c.dat", RandomBytes(64, 16))));
  EXPECT_EQ(Button("load").text(), "Preview");
  EXPECT_FALSE(Drop(mainWindow, PutPicture("d.bmp", picture)));  // Load is Preview now
  EXPECT_TRUE(platform.openDialogFilters.empty());
  ExpectShowsModel();
}

// Memory running out in a command ends it with one message naming what could not be done,
// and the window goes on.
TEST_F(AppTest, RunningOutOfMemorySaysWhichCommandCouldNotFinish) {
  const std::string path = PutPicture("big.bmp", RandomPicture(8, 8, 3));
  platform.beforeLoadPicture = [] { throw std::bad_alloc(); };
  EXPECT_TRUE(mainWindow.LoadDroppedFile(QString::fromStdString(path)));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0],
            (platform::Message{{"Unable to load " + path + ".", "there is not enough memory"},
                               platform::Buttons::Ok,
                               platform::Icon::Exclamation,
                               platform::Answer::Ok,
                               ""}));
  platform.beforeLoadPicture = {};
  EXPECT_TRUE(mainWindow.LoadDroppedFile(QString::fromStdString(path)));
  EXPECT_EQ(Model().Picture().Width(), 8);
  ExpectShowsModel();
}

// The arrows, the keys and the wheel count up upwards; a value box takes a typed value on
// Enter, with the arrows' clamping and grid rounding, and gives it up on Escape.
TEST_F(AppTest, SpinnersCountUpAndTakeTypedValues) {
  Load(PutPicture("a.bmp", RandomPicture(100, 80, 3)));  // width 96 on the grid
  auto& width = Child<QLineEdit>("widthValue");
  auto& bar = Child<app::SpinnerBar>("widthSpinner");
  const auto type = [&](const QString& text, Qt::Key finish) {
    Click(width);
    QTest::keyClick(&width, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&width, text);
    QTest::keyClick(&width, finish);
  };
  const auto wheel = [&](int delta) {
    QWheelEvent notch(QPointF(8, 8), QPointF(8, 8), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&bar, &notch);
  };
  const std::vector<std::pair<std::function<void()>, const char*>> steps = {
      {[&] { ClickArrow("widthSpinner", false); }, "88"},
      {[&] { ClickArrow("widthSpinner", true); }, "96"},
      {[&] { QTest::keyClick(&bar, Qt::Key_Down); }, "88"},
      {[&] { QTest::keyClick(&bar, Qt::Key_Up); }, "96"},
      {[&] { wheel(-120); }, "88"},
      {[&] { wheel(120); }, "96"},
      {[&] { type("40", Qt::Key_Return); }, "40"},
      {[&] { type("45", Qt::Key_Enter); }, "40"},    // the grid
      {[&] { type("500", Qt::Key_Return); }, "96"},  // the picture's width, then the grid
      {[&] { type("abc", Qt::Key_Return); }, "96"},
      {[&] { type("16", Qt::Key_Escape); }, "96"},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    steps[i].first();
    EXPECT_EQ(width.text(), steps[i].second) << "step " << i;
    EXPECT_EQ(std::to_string(Model().View().width.value), steps[i].second) << "step " << i;
  }
  ExpectShowsModel();

  // Tab from the Y spinner reaches the width box, ready for typing.
  Keys(QKeyCombination(Qt::Key_Escape));
  Child("ySpinner").setFocus(Qt::TabFocusReason);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), &width);
  QTest::keyClicks(&width, "24");
  QTest::keyClick(&width, Qt::Key_Return);
  EXPECT_EQ(Model().View().width.value, 24);
}

// The format options are one Tab stop, the selected one; the arrow keys select the
// option before or after it, going round.
TEST_F(AppTest, FormatOptionsAreOneTabStopAndArrowsSelect) {
  Load(PutPicture("a.bmp", RandomPicture(16, 16, 4)));
  const auto tabStops = [&] {
    std::vector<int> stops;
    for (int i = 0; i < static_cast<int>(formats::Formats().size()); ++i) {
      if (Child(QStringLiteral("format%1").arg(i)).focusPolicy() & Qt::TabFocus) stops.push_back(i);
    }
    return stops;
  };
  EXPECT_EQ(tabStops(), std::vector<int>{8});
  Keys(QKeyCombination(Qt::Key_Escape));
  Child("format8").setFocus(Qt::TabFocusReason);
  for (const auto& [key, selected] :
       {std::pair{Qt::Key_Down, 9}, {Qt::Key_Right, 10}, {Qt::Key_Up, 9}, {Qt::Key_Left, 8}}) {
    QTest::keyClick(QApplication::focusWidget(), key);
    EXPECT_EQ(Model().View().format, selected);
    EXPECT_EQ(QApplication::focusWidget(), &Child(QStringLiteral("format%1").arg(selected)));
    EXPECT_EQ(tabStops(), std::vector<int>{selected});
  }
  Click(Child("format0"));
  QTest::keyClick(&Child("format0"), Qt::Key_Up);
  EXPECT_EQ(Model().View().format, static_cast<int>(formats::Formats().size()) - 1);
  ExpectShowsModel();
}

// While a conversion runs, every control the user could reach is disabled.
TEST_F(AppTest, EveryControlIsDisabledDuringAConversion) {
  Load(PutPicture("a.bmp", RandomPicture(32, 32, 6)));
  std::vector<std::string> live;
  int checks = 0;
  platform.duringLoop = [&] {
    ++checks;
    std::size_t controls = 0;
    const auto check = [&](const auto& widgets) {
      for (const QWidget* widget : widgets) {
        ++controls;
        if (widget->isEnabled()) live.push_back(widget->objectName().toStdString());
      }
    };
    check(mainWindow.findChildren<QAbstractButton*>());
    check(mainWindow.findChildren<QAbstractSlider*>());
    check(mainWindow.findChildren<QLineEdit*>());
    // 6 commands, an option a format, the check box, 4 spinners and their 4 value boxes.
    EXPECT_EQ(controls, 6u + formats::kFormatCount + 1 + 4 + 4);
    EXPECT_NE(Thumbnail().cursor().shape(), Qt::BitmapCursor) << "the viewer can be opened";
  };
  Click(Button("convert"));
  platform.duringLoop = nullptr;
  EXPECT_GT(checks, 0);
  EXPECT_EQ(live, std::vector<std::string>{});
}

TEST_F(AppTest, ClosingWithAnUnsavedConversionAsksFirst) {
  Load(PutPicture("a.bmp", RandomPicture(16, 16, 7)));
  Click(Button("convert"));
  platform.answers.push_back(Answer::No);
  EXPECT_FALSE(mainWindow.close());
  EXPECT_TRUE(mainWindow.isVisible());
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].lines, std::vector<std::string>{"Quit without saving?"});

  platform.saveChoices.push_back({dir.File("out.dat"), kFirstEntry});
  Click(Button("save"));
  EXPECT_TRUE(mainWindow.close());  // saved: no question
  EXPECT_EQ(platform.messages.size(), 1u);
}

}  // namespace
}  // namespace glyphon::test
