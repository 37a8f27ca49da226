#include "app/qt_platform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "app/surface_image.h"
#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

// Runs `inspect` on the modal dialog of type T as soon as it is open.
template <class T>
void WhenOpen(std::function<void(T&)> inspect) {
  QTimer::singleShot(0, [inspect] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      ADD_FAILURE() << "no dialog open";
      if (QApplication::activeModalWidget() != nullptr) QApplication::activeModalWidget()->close();
      return;
    }
    inspect(*dialog);
  });
}

struct FilterCase {
  const char* name;
  std::string_view filters;
  QStringList expected;
};

class NameFilterTest : public testing::TestWithParam<FilterCase> {};

TEST_P(NameFilterTest, BecomesQtsForm) {
  EXPECT_EQ(app::QtNameFilters(GetParam().filters), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, NameFilterTest,
    testing::Values(FilterCase{"Plain",
                               "Bitmap files (*.bmp)|*.bmp|ROM data files (*.dat)|*.dat|All files (*.*)|*.*",
                               {"Bitmap files (*.bmp)", "ROM data files (*.dat)", "All files (*.*)"}},
                    FilterCase{"PatternAdded", "Pictures|*.bmp;*.png", {"Pictures (*.bmp *.png)"}},
                    FilterCase{"OtherBrackets", "Data (raw)|*.dat", {"Data (raw) (*.dat)"}},
                    FilterCase{"Empty", "", {}}),
    [](const testing::TestParamInfo<FilterCase>& test) { return std::string(test.param.name); });

TEST(MessageTextTest, CarriageReturnsBreakLines) {
  EXPECT_EQ(app::MessageText("NOTE: No SuperFX high data loaded.\rDo you wish to continue?"),
            "NOTE: No SuperFX high data loaded.\nDo you wish to continue?");
}

struct BoxCase {
  const char* name;
  platform::Message message;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton press;  // NoButton: the box is closed without a button
  Answer expected;
};

class MessageBoxTest : public testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxTest, ShowsTheBoxAndReturnsTheButtonPressed) {
  const BoxCase& c = GetParam();
  app::QtPlatform platform;
  WhenOpen<QMessageBox>([&c](QMessageBox& box) {
    EXPECT_EQ(box.windowTitle(), QString::fromStdString(c.message.title));
    EXPECT_EQ(box.text(), app::MessageText(c.message.text));
    EXPECT_EQ(box.icon(), c.icon);
    EXPECT_EQ(box.standardButtons(), c.buttons);
    EXPECT_EQ(box.defaultButton(), box.button(static_cast<QMessageBox::StandardButton>(
                                       c.message.defaultButton == Answer::Yes  ? QMessageBox::Yes
                                       : c.message.defaultButton == Answer::No ? QMessageBox::No
                                                                               : QMessageBox::Ok)));
    if (c.press == QMessageBox::NoButton) {
      box.reject();
    } else {
      box.button(c.press)->click();
    }
  });
  EXPECT_EQ(platform.ShowMessage(c.message), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, MessageBoxTest,
    testing::Values(
        BoxCase{"Information",
                {"File not found.", Buttons::Ok, Icon::Information, Answer::Ok, ""},
                QMessageBox::Information,
                QMessageBox::Ok,
                QMessageBox::Ok,
                Answer::Ok},
        BoxCase{"QuestionYes",
                {"a\rb", Buttons::YesNo, Icon::Question, Answer::Yes, ""},
                QMessageBox::Question,
                QMessageBox::Yes | QMessageBox::No,
                QMessageBox::Yes,
                Answer::Yes},
        BoxCase{"ReplaceNoByDefault",
                {"x already exists.\rDo you want to replace it?", Buttons::YesNo, Icon::Exclamation,
                 Answer::No, ""},
                QMessageBox::Warning,
                QMessageBox::Yes | QMessageBox::No,
                QMessageBox::No,
                Answer::No},
        BoxCase{"ClosedQuestionIsNo",
                {"a", Buttons::YesNo, Icon::Question, Answer::Yes, ""},
                QMessageBox::Question,
                QMessageBox::Yes | QMessageBox::No,
                QMessageBox::NoButton,
                Answer::No},
        BoxCase{"ClosedThreeWayIsCancel",
                {"Do you wish to load as Bitmap?", Buttons::YesNoCancel, Icon::None, Answer::Yes, ""},
                QMessageBox::NoIcon,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                QMessageBox::NoButton,
                Answer::Cancel},
        BoxCase{"Titled",
                {"About", Buttons::Ok, Icon::Information, Answer::Ok, "About Quilby ROM Glyphon..."},
                QMessageBox::Information,
                QMessageBox::Ok,
                QMessageBox::Ok,
                Answer::Ok}),
    [](const testing::TestParamInfo<BoxCase>& test) { return std::string(test.param.name); });

constexpr std::string_view kPartnerList =
    "Bitmap files (*.bmp)|*.bmp|Bitmap FX high data files (*.bmp)|*.bmp|ROM data files (*.dat)|*.dat|"
    "ROM FX high data files (*.dat)|*.dat|All files (*.*)|*.*";

TEST(FileDialogTest, OpenReportsTheFileAndTheChosenFilterEntry) {
  TempDir dir;
  const std::string path = dir.File("x.dat");
  ASSERT_TRUE(platform::WriteFileAtomic(path, Bytes({1})).Ok());
  app::QtPlatform platform;
  WhenOpen<QFileDialog>([&path](QFileDialog& dialog) {
    EXPECT_EQ(dialog.nameFilters(), app::QtNameFilters(kPartnerList));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    dialog.selectNameFilter("ROM FX high data files (*.dat)");
    dialog.selectFile(QString::fromStdString(path));
    static_cast<QDialog&>(dialog).accept();
  });
  EXPECT_EQ(platform.OpenFileDialog(kPartnerList), (platform::FileChoice{path, 4}));
}

TEST(FileDialogTest, SaveAddsNoSuffixAndAsksNothing) {
  TempDir dir;
  const std::string path = dir.File("picture");  // no extension: stays without one
  app::QtPlatform platform;
  WhenOpen<QFileDialog>([&path](QFileDialog& dialog) {
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(dialog.defaultSuffix().isEmpty());
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    dialog.selectFile(QString::fromStdString(path));
    static_cast<QDialog&>(dialog).accept();
  });
  EXPECT_EQ(platform.SaveFileDialog("Bitmap files (*.bmp)|*.bmp"), (platform::FileChoice{path, 1}));
}

TEST(FileDialogTest, CancelGivesAnEmptyName) {
  app::QtPlatform platform;
  WhenOpen<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_EQ(platform.SaveFileDialog("Bitmap files (*.bmp)|*.bmp"), platform::FileChoice{});
}

TEST(FileDialogTest, APresetChoiceAnswersTheNextOpenDialogOnly) {
  app::QtPlatform platform;
  platform.PresetOpenChoice({"dropped.bmp", 1});
  EXPECT_EQ(platform.OpenFileDialog(kPartnerList), (platform::FileChoice{"dropped.bmp", 1}));
  WhenOpen<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_EQ(platform.OpenFileDialog(kPartnerList), platform::FileChoice{});
}

TEST(ClipboardTest, PicturesGoAndComeBackThroughTheSystemClipboard) {
  app::QtPlatform platform;
  const platform::Surface picture = RandomPicture(13, 7, 21);
  platform.SetClipboardPicture(picture);
  const auto back = platform.ClipboardPicture();
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, picture);
  EXPECT_TRUE(back->HasPicture());

  QApplication::clipboard()->setText("text");
  EXPECT_FALSE(platform.ClipboardPicture().has_value());
  QApplication::clipboard()->clear();
  EXPECT_FALSE(platform.ClipboardPicture().has_value());
  // An empty selection copies nothing.
  platform.SetClipboardPicture(platform::Surface::Picture(0, 5));
  EXPECT_FALSE(platform.ClipboardPicture().has_value());
}

TEST(SurfaceImageTest, ColoursKeepTheirComponents) {
  platform::Surface surface = platform::Surface::Picture(2, 1);
  surface.SetPixel(0, 0, Rgb(1, 2, 3));
  surface.SetPixel(1, 0, Rgb(250, 128, 0));
  const QImage image = app::ToQImage(surface);
  EXPECT_EQ(image.pixel(0, 0), qRgb(1, 2, 3));
  EXPECT_EQ(image.pixel(1, 0), qRgb(250, 128, 0));
  EXPECT_EQ(app::FromQImage(image), surface);
  // Alpha is dropped.
  QImage translucent(1, 1, QImage::Format_ARGB32);
  translucent.setPixel(0, 0, qRgba(10, 20, 30, 40));
  EXPECT_EQ(app::FromQImage(translucent).GetPixel(0, 0), Rgb(10, 20, 30));
  EXPECT_FALSE(app::FromQImage(QImage()).HasPicture());
}

}  // namespace
}  // namespace glyphon::test
