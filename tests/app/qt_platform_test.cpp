// SPDX-License-Identifier: MIT
#include "app/qt_platform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

// Runs `act` on the modal dialog of type T as soon as it is open.
template <class T>
void WhenOpen(std::function<void(T&)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<T*>(modal)) return act(*dialog);
    ADD_FAILURE() << "the dialog did not open";
    if (modal != nullptr) modal->close();
  });
}

TEST(NameFiltersTest, EntriesBecomeQtsEntries) {
  const std::vector<platform::FileFilter> entries = {
      {"Bitmap", {"bmp", "png"}, platform::FileKind::Picture},
      {"ROM FX high data", {"dat"}, platform::FileKind::PartnerData},
      {"All", {}, std::nullopt}};
  EXPECT_EQ(app::QtNameFilters(entries),
            QStringList({"Bitmap files (*.bmp *.png)", "ROM FX high data files (*.dat)", "All files (*.*)"}));
}

struct BoxCase {
  const char* name;
  platform::Message message;
  QMessageBox::Icon icon;
  QMessageBox::StandardButton defaultButton;
  QMessageBox::StandardButton press;  // NoButton: the box is closed without a button
  Answer expected;
  bool escape = false;  // Escape is pressed instead
};

class MessageBoxTest : public testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxTest, ShowsTheBoxAndReturnsTheButtonPressed) {
  const BoxCase& c = GetParam();
  WhenOpen<QMessageBox>([&c](QMessageBox& box) {
    EXPECT_EQ(box.windowTitle().toStdString(), c.message.title);
    // Each line of the message on a line of its own; those after the first with a capital.
    const QStringList shown = box.text().split(u'\n');
    ASSERT_EQ(static_cast<std::size_t>(shown.size()), c.message.lines.size());
    for (std::size_t i = 0; i < c.message.lines.size(); ++i)
      EXPECT_EQ(shown[static_cast<qsizetype>(i)].toStdString(),
                i == 0 ? c.message.lines[i] : platform::AsSentence(c.message.lines[i]));
    EXPECT_EQ(box.icon(), c.icon);
    EXPECT_EQ(box.defaultButton(), box.button(c.defaultButton));
    if (c.escape) return QTest::keyClick(&box, Qt::Key_Escape);
    if (c.press == QMessageBox::NoButton) return box.reject();
    box.button(c.press)->click();
  });
  app::QtPlatform platform;
  EXPECT_EQ(platform.ShowMessage(c.message), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, MessageBoxTest,
    testing::Values(
        BoxCase{"Information",
                {{"File not found."}, Buttons::Ok, Icon::Information, Answer::Ok, ""},
                QMessageBox::Information,
                QMessageBox::Ok,
                QMessageBox::Ok,
                Answer::Ok},
        BoxCase{"ReplaceNoByDefault",
                {{"x already exists.", "Do you want to replace it?"},
                 Buttons::YesNo,
                 Icon::Exclamation,
                 Answer::No,
                 ""},
                QMessageBox::Warning,
                QMessageBox::No,
                QMessageBox::Yes,
                Answer::Yes},
        BoxCase{"ClosedQuestionIsNo",
                {{"a", "", "b"}, Buttons::YesNo, Icon::Question, Answer::Yes, ""},
                QMessageBox::Question,
                QMessageBox::Yes,
                QMessageBox::NoButton,
                Answer::No},
        BoxCase{"ClosedThreeWayIsCancel",
                {{"Load as?"}, Buttons::YesNoCancel, Icon::None, Answer::Yes, ""},
                QMessageBox::NoIcon,
                QMessageBox::Yes,
                QMessageBox::NoButton,
                Answer::Cancel},
        BoxCase{"Titled",
                {{"About"}, Buttons::Ok, Icon::Information, Answer::Ok, "About Quilby ROM Glyphon..."},
                QMessageBox::Information,
                QMessageBox::Ok,
                QMessageBox::Ok,
                Answer::Ok},
        BoxCase{"EscapeClosesTheAboutBox",
                {{"About"}, Buttons::Ok, Icon::Information, Answer::Ok, "About"},
                QMessageBox::Information,
                QMessageBox::Ok,
                QMessageBox::NoButton,
                Answer::Ok,
                true},
        BoxCase{"EscapeIsNo",
                {{"Quit without saving?"}, Buttons::YesNo, Icon::Question, Answer::No, ""},
                QMessageBox::Question,
                QMessageBox::No,
                QMessageBox::NoButton,
                Answer::No,
                true},
        BoxCase{"EscapeIsCancel",
                {{"Load as?"}, Buttons::YesNoCancel, Icon::None, Answer::Yes, ""},
                QMessageBox::NoIcon,
                QMessageBox::Yes,
                QMessageBox::NoButton,
                Answer::Cancel,
                true}),
    [](const testing::TestParamInfo<BoxCase>& test) { return std::string(test.param.name); });

// The open dialog reports the chosen entry of a partner list; the save dialog adds no
// suffix to a typed name and leaves the replace question to the Save command.
TEST(FileDialogTest, ReportsTheFileAsChosenAndTheFilterEntry) {
  TempDir dir;
  const std::string data = dir.File("x.dat");
  const std::string bare = dir.File("picture");
  ASSERT_TRUE(platform::WriteFileAtomic(data, Bytes({1})).Ok());
  ASSERT_TRUE(platform::WriteFileAtomic(bare, Bytes({1})).Ok());
  const auto choose = [](const std::string& path, const QString& filter) {
    WhenOpen<QFileDialog>([path, filter](QFileDialog& dialog) {
      if (!filter.isEmpty()) dialog.selectNameFilter(filter);
      dialog.selectFile(QString::fromStdString(path));
      static_cast<QDialog&>(dialog).accept();
    });
  };
  using platform::FileKind;
  const std::vector<platform::FileFilter> partnerList = {
      {"Bitmap", {"bmp"}, FileKind::Picture},
      {"Bitmap FX high data", {"bmp"}, FileKind::PartnerPicture},
      {"ROM data", {"dat"}, FileKind::Data},
      {"ROM FX high data", {"dat"}, FileKind::PartnerData}};
  const std::vector<platform::FileFilter> bitmaps = {{"Bitmap", {"bmp"}, FileKind::Picture}};
  app::QtPlatform platform;
  choose(data, "ROM FX high data files (*.dat)");
  EXPECT_EQ(platform.OpenFileDialog(partnerList), (platform::FileChoice{data, partnerList[3]}));
  choose(bare, {});
  EXPECT_EQ(platform.SaveFileDialog(bitmaps), (platform::FileChoice{bare, bitmaps[0]}));
  WhenOpen<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_EQ(platform.SaveFileDialog(bitmaps), platform::FileChoice{});
}

// Pictures are written by the name's extension, PNG or BMP; the next dialog opens only in
// a folder where a file was loaded or saved, never where a load or save failed.
TEST(FileTest, PicturesByExtensionAndOnlyFoldersThatWorkedAreRemembered) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "sub");
  app::QtPlatform platform;
  const platform::Surface picture = RandomPicture(5, 3, 22);
  const QString folder = QString::fromStdString(dir.Path().string());
  const QString sub = QString::fromStdString((dir.Path() / "sub").string());
  struct Step {
    std::function<bool()> act;
    std::string file;  // its first bytes are checked when not empty
    std::string magic;
    QString folder;  // remembered after the step
  };
  const std::vector<Step> steps = {
      {[&] { return platform.SaveBitmap(dir.File("a.png"), picture).Ok(); }, dir.File("a.png"), "\x89PNG",
       folder},
      {[&] { return platform.SaveBitmap(dir.File("sub/a.BMP2"), picture).Ok(); }, dir.File("sub/a.BMP2"),
       "BM", sub},
      {[&] { return !platform.SaveBitmap(dir.File("missing/a.bmp"), picture).Ok(); }, "", "", sub},
      {[&] { return platform.WriteBytes(dir.File("d.dat"), Bytes({1})).Ok(); }, "", "", folder},
      {[&] { return !platform.WriteBytes(dir.File("missing/d.dat"), Bytes({1})).Ok(); }, "", "", folder},
      {[&] { return platform.LoadPicture(dir.File("sub/a.BMP2")).Ok(); }, "", "", sub},
      {[&] { return !platform.ReadBytes(dir.File("missing/d.dat")).Ok(); }, "", "", sub},
      {[&] { return platform.ReadBytes(dir.File("d.dat")).Ok(); }, "", "", folder},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(steps[i].act());
    if (!steps[i].file.empty()) {
      const auto bytes = platform::ReadFileBytes(steps[i].file);
      ASSERT_TRUE(bytes.Ok());
      EXPECT_EQ(std::string(bytes.Value().begin(), bytes.Value().begin() + 2), steps[i].magic.substr(0, 2));
    }
    EXPECT_EQ(platform.LastFolder(), steps[i].folder);
  }
}

TEST(ClipboardTest, PicturesGoAndComeBackThroughTheSystemClipboard) {
  app::QtPlatform platform;
  const platform::Surface picture = RandomPicture(13, 7, 21);
  platform.SetClipboardPicture(picture);
  const RgbColor first = picture.GetPixel(0, 0);
  EXPECT_EQ(QApplication::clipboard()->image().pixel(0, 0),
            qRgb(RedOf(first), GreenOf(first), BlueOf(first)));
  const auto back = platform.ClipboardPicture();
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, picture);

  QApplication::clipboard()->setText("text");
  EXPECT_FALSE(platform.ClipboardPicture().has_value());
  // An empty selection copies nothing.
  platform.SetClipboardPicture(platform::Surface::Picture(0, 5));
  EXPECT_FALSE(platform.ClipboardPicture().has_value());
}

}  // namespace
}  // namespace glyphon::test
