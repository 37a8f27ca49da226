// SPDX-License-Identifier: MIT
#include "app/rom_browser_widget.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QWheelEvent>

#include "app/app_fixture.h"
#include "app/format_strip_widget.h"
#include "formats/decoding.h"
#include "platform/file_range.h"
#include "tiles/tile_order.h"

namespace glyphon::test {
namespace {

using browser::Step;
using platform::Answer;
using platform::Surface;

constexpr int kFourBppSnes = 8;

// Bytes of `picture` in 4bpp SNES, as a ROM would hold them.
ByteString FourBppSnes(const Surface& picture) {
  convert::PartnerState none;
  platform::NullProgress quiet;
  return formats::Encode(formats::Format(kFourBppSnes), picture, {0, 0, picture.Width(), picture.Height()},
                         none, quiet)
      .Value();
}

// The ROM browser of the real main window, its settings kept in the test's folder.
class RomBrowserTest : public AppTest {
 protected:
  RomBrowserTest() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(dir.File("settings")));
  }

  app::RomBrowserWidget& Browser() { return *mainWindow.Browser(); }
  template <class Part = QAction>
  Part& Find(const char* name) {
    auto* part = Browser().findChild<Part*>(name);
    if (part == nullptr) throw std::runtime_error(std::string("no part named ") + name);
    return *part;
  }
  void TypeOffset(const QString& text) {
    Find<QLineEdit>("offset").setText(text);
    QTest::keyClick(&Find<QLineEdit>("offset"), Qt::Key_Return);
  }
};

TEST_F(RomBrowserTest, ShortcutOpensAFileAndTheKeysWheelAndOffsetFieldMoveTheView) {
  // The right-click menu: Undo, Redo, then Browse ROM... and the value rules.
  const QList<QAction*> menu = mainWindow.actions();
  ASSERT_EQ(menu.size(), 6);
  EXPECT_EQ(menu[0]->text(), "Undo");
  EXPECT_EQ(menu[1]->text(), "Redo");
  EXPECT_TRUE(menu[2]->isSeparator());
  EXPECT_EQ(menu[3]->text(), "Browse ROM...");
  EXPECT_EQ(menu[4]->text(), "Find in ROM");
  EXPECT_EQ(menu[5]->text(), "Values for Convert");
  EXPECT_EQ(mainWindow.contextMenuPolicy(), Qt::ActionsContextMenu);

  const std::string rom = PutFile("game.sfc", RandomBytes(256 * 1024, 3));
  platform.openChoices.push_back({rom, kFirstEntry});
  Keys(Qt::CTRL | Qt::Key_B);
  ASSERT_NE(mainWindow.Browser(), nullptr);
  EXPECT_EQ(std::pair(Browser().isVisible(), Browser().windowTitle()),
            std::pair(true, QString("ROM Browser")));
  ASSERT_EQ(Browser().Model().Path(), rom);
  emit Find<QComboBox>("format").activated(kFourBppSnes);
  EXPECT_EQ(Browser().Model().Format(), kFourBppSnes);

  // A twin model of the same view takes the same steps: the window forwards each and shows
  // where it landed in the scroll bar and the offset field.
  FakePlatform quiet;
  browser::RomBrowser twin(quiet);
  ASSERT_TRUE(twin.Open(rom));
  twin.SetFormat(kFourBppSnes);
  twin.SetZoom(Browser().Model().Zoom());
  twin.SetWidth(Browser().Model().Width());
  twin.SetViewSize(Browser().View().width(), Browser().View().height());
  auto& bar = Find<QScrollBar>("romScrollBar");
  const std::pair<Qt::Key, Step> keys[] = {
      {Qt::Key_Down, Step::LineDown},   {Qt::Key_Down, Step::LineDown},     {Qt::Key_Up, Step::LineUp},
      {Qt::Key_Right, Step::ByteRight}, {Qt::Key_PageDown, Step::PageDown}, {Qt::Key_Left, Step::ByteLeft},
      {Qt::Key_End, Step::End},         {Qt::Key_PageUp, Step::PageUp},     {Qt::Key_Home, Step::Home},
      {Qt::Key_Plus, Step::Wider},      {Qt::Key_Minus, Step::Narrower},    {Qt::Key_Equal, Step::Wider}};
  for (const auto& [key, step] : keys) {
    QTest::keyClick(&Browser().View(), key);
    twin.Press(step);
    SCOPED_TRACE(QKeySequence(key).toString().toStdString());
    EXPECT_EQ(Browser().Model().Offset(), twin.Offset());
    EXPECT_EQ(std::tuple(bar.value(), bar.maximum(), bar.pageStep()),
              std::tuple(twin.Scroll().value, twin.Scroll().maximum, twin.Scroll().pageStep));
    EXPECT_EQ(Find<QLineEdit>("offset").text().toStdString(), platform::HexOffset(twin.Offset()));
    EXPECT_EQ(Find<QSpinBox>("width").value(), twin.Width());
  }
  QWheelEvent notch(QPointF(8, 8), QPointF(8, 8), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&Browser().View(), &notch);
  twin.Wheel(2);
  EXPECT_EQ(Browser().Model().Offset(), twin.Offset());
  bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
  twin.ScrollTo(bar.value());
  EXPECT_EQ(Browser().Model().Offset(), twin.Offset());

  TypeOffset("1F0");
  EXPECT_EQ(Browser().Model().Offset(), 0x1F0u);
  TypeOffset("FFFFFF");  // beyond the end: refused over the browser, the offset stays
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].icon, platform::Icon::Exclamation);
  EXPECT_EQ(Find<QLineEdit>("offset").text(), "0x1F0");

  // Closed and opened again by another main window: the same file at the same offset.
  Browser().close();
  app::MainWindowWidget again(platform);
  again.Browse();
  const browser::RomBrowser& reopened = again.Browser()->Model();
  EXPECT_EQ(std::tuple(reopened.Path(), reopened.Offset(), reopened.Format()), std::tuple(rom, 0x1F0u, 8));
}

// The order box sets the model's tile order in the formats that store whole tiles, and is
// off (back to rows) in the others; the colours box offers the Game Boy's shades.
TEST_F(RomBrowserTest, TheOrderAndColourBoxesSetTheModel) {
  const std::string rom = PutFile("game.gb", RandomBytes(64 * 1024, 5));
  platform.openChoices.push_back({rom, kFirstEntry});
  Keys(Qt::CTRL | Qt::Key_B);
  ASSERT_NE(mainWindow.Browser(), nullptr);
  auto& order = Find<QComboBox>("order");
  emit Find<QComboBox>("format").activated(kFourBppSnes);
  ASSERT_TRUE(order.isEnabled());
  const int twoByTwo = order.findText("2x2 objects");
  ASSERT_GE(twoByTwo, 0);
  emit order.activated(twoByTwo);
  EXPECT_EQ(Browser().Model().TileOrder(), (tiles::TileOrder{tiles::Walk::Rows, 2, 2, tiles::Walk::Rows}));
  const int byColumns = order.findText("4x4 by columns");
  emit order.activated(byColumns);
  EXPECT_EQ(Browser().Model().TileOrder(), (tiles::TileOrder{tiles::Walk::Rows, 4, 4, tiles::Walk::Columns}));
  EXPECT_EQ(order.currentIndex(), byColumns);

  emit Find<QComboBox>("format").activated(formats::FindFormat("4bpp Linear")->index);
  EXPECT_TRUE(Browser().Model().TileOrder().Plain());
  EXPECT_EQ(std::pair(order.isEnabled(), order.currentIndex()), std::pair(false, 0));

  auto& colours = Find<QComboBox>("colours");
  const int shades = colours.findText("Shades (white 0)");
  ASSERT_GE(shades, 0);
  emit colours.activated(shades);
  EXPECT_EQ(Browser().Model().ColourSource(), browser::Colours::Shades);
}

// The compression box sets the model's scheme (None clears it), and N and the Next block
// button step to a block: one composed by hand in a ROM of filler, 32 bytes of 11 22.
TEST_F(RomBrowserTest, TheCompressionBoxSetsTheModelAndNStepsToTheBlock) {
  ByteString bytes(0x2000, 0xFF);
  const ByteString block = {0x10, 0x20, 0x00, 0x00, 0x30, 0x11, 0x22, 0xF0, 0x01, 0x90, 0x01};
  std::copy(block.begin(), block.end(), bytes.begin() + 0x400);
  std::copy(block.begin(), block.end(), bytes.begin() + 0x1000);
  const std::string rom = PutFile("game.gba", bytes);
  platform.openChoices.push_back({rom, kFirstEntry});
  Keys(Qt::CTRL | Qt::Key_B);
  ASSERT_NE(mainWindow.Browser(), nullptr);
  auto& box = Find<QComboBox>("compression");
  EXPECT_EQ(box.itemText(0), "None");
  EXPECT_FALSE(Find("nextBlock").isEnabled());
  const int lz77 = box.findText("gba-lz77");
  ASSERT_GT(lz77, 0);
  emit box.activated(lz77);
  EXPECT_EQ(Browser().Model().Compression(), compression::FindScheme("gba-lz77"));
  ASSERT_TRUE(Find("nextBlock").isEnabled());
  QTest::keyClick(&Browser().View(), Qt::Key_N);
  EXPECT_EQ(Browser().Model().Offset(), 0x400u);
  Find("nextBlock").trigger();
  EXPECT_EQ(Browser().Model().Offset(), 0x1000u);
  QTest::keyClick(&Browser().View(), Qt::Key_P);
  EXPECT_EQ(Browser().Model().Offset(), 0x400u);
  EXPECT_EQ(Browser().Model().DescribeRange(), "gba-lz77 block at 0x400: 11 bytes, 32 decompressed");
  emit box.activated(0);
  EXPECT_EQ(Browser().Model().Compression(), nullptr);
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(RomBrowserTest, ADraggedRangeGoesToTheMainWindowAndAnEditedPictureBackIntoTheRom) {
  const Surface original = RandomPicture(128, 16, 21);
  ByteString bytes = RandomBytes(0x400, 7);  // then the graphics, then more
  const ByteString graphics = FourBppSnes(original);
  bytes.insert(bytes.end(), graphics.begin(), graphics.end());
  bytes.resize(bytes.size() + 8192);
  const std::string rom = PutFile("game.sfc", bytes);
  mainWindow.Browse(QString::fromStdString(rom));
  emit Find<QComboBox>("format").activated(kFourBppSnes);
  TypeOffset("400");
  EXPECT_EQ(std::pair(Find("send").isEnabled(), Find("write").isEnabled()), std::pair(false, false));

  // Two rows of the first tile: whole 128-pixel rows, the only shape that is one stretch.
  const int zoom = Browser().Model().Zoom();
  QWidget& view = Browser().View();
  QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
  QMouseEvent move(QEvent::MouseMove, QPoint(6, 12) * zoom, QPoint(), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&view, &move);
  QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(6, 12) * zoom);
  EXPECT_EQ(Browser().Model().Selection(), std::optional(convert::Selection{0, 0, 128, 16}));
  Find("send").trigger();
  EXPECT_TRUE(platform.messages.empty());
  ExpectShowsModel();
  // Converted again, the picture gives back the ROM's bytes.
  Click(Button("convert"));
  EXPECT_EQ(Model().RomData(), FourBppSnes(original));

  // Edited elsewhere, pasted back and converted: written over the range after a Yes.
  const Surface edited = RandomPicture(128, 16, 22);
  QApplication::clipboard()->setImage(app::ToQImage(edited));
  Click(Button("paste"));
  Click(Button("convert"));
  ASSERT_TRUE(Find("write").isEnabled());
  const ByteString before = platform::ReadFileBytes(rom).Value();
  platform.answers = {Answer::No, Answer::Yes};
  Find("write").trigger();
  EXPECT_EQ(platform::ReadFileBytes(rom).Value(), before);
  Find("write").trigger();
  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_NE(platform.messages[1].lines.at(0).find("0x400"), std::string::npos)
      << testing::PrintToString(platform.messages[1].lines);
  const ByteString written = FourBppSnes(edited);
  EXPECT_TRUE(
      std::equal(written.begin(), written.end(), platform::ReadFileBytes(rom).Value().begin() + 0x400));
}

// The strip: a click on a cell takes its format; a palette from the ROM names itself in the
// Colours box and comes back when the ROM is opened again; Find in ROM from the main
// window's menu lands on the match and F3 goes round.
TEST_F(RomBrowserTest, StripClickPaletteInRomAndFindInRom) {
  ByteString bytes = RandomBytes(64 * 1024, 8);
  const ByteString pair = RandomBytes(64, 9);  // two 4bpp SNES tiles
  for (std::size_t at : {0x400u, 0x9000u})
    std::copy(pair.begin(), pair.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  const std::string rom = PutFile("game.sfc", bytes);
  mainWindow.Browse(QString::fromStdString(rom));
  auto& strip = Browser().Strip();
  const int cellHeight = strip.height() / formats::kFormatCount;
  QTest::mouseClick(&strip, Qt::LeftButton, Qt::NoModifier,
                    QPoint(10, kFourBppSnes * cellHeight + cellHeight / 2));
  EXPECT_EQ(Browser().Model().Format(), kFourBppSnes);
  EXPECT_EQ(Find<QComboBox>("format").currentIndex(), kFourBppSnes);

  Browser().Model().LoadRomPalette({{}, 0x100, "bgr555", 2});
  emit Find<QComboBox>("format").activated(kFourBppSnes);  // any operation redraws the window
  EXPECT_EQ(Find<QComboBox>("colours").currentText(), "bgr555 0x100 #2");
  Browser().close();  // remembers
  Browser().Model().SetColourSource(browser::Colours::DecoderGreys);
  mainWindow.Browse(QString::fromStdString(rom));
  EXPECT_EQ(Browser().Model().PaletteCaption(), "bgr555 0x100 #2");

  // The pair as the main window's picture, then Find in ROM from its menu.
  platform::NullProgress quiet;
  mainWindow.Model().MakeCurrentPicture(
      formats::Decode(formats::Format(kFourBppSnes), pair, 16, formats::DecodeMode::Preview, nullptr, quiet)
          .picture);
  mainWindow.Model().SelectFormat(kFourBppSnes);
  for (QAction* action : mainWindow.actions())
    if (action->text() == "Find in ROM") action->trigger();
  EXPECT_EQ(Browser().Model().Offset(), 0x400u);
  EXPECT_EQ(Find<QLabel>("findLine").text(), "Match 1 of 2 at 0x400");
  Keys(Qt::Key_F3);
  EXPECT_EQ(Browser().Model().Offset(), 0x9000u);
  Keys(Qt::Key_F3);
  EXPECT_EQ(Find<QLabel>("findLine").text(), "Match 1 of 2 at 0x400 (wrapped)");
}

}  // namespace
}  // namespace glyphon::test
