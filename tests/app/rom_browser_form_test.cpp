#include "app/rom_browser_form.h"

#include <QAction>
#include <QComboBox>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QWheelEvent>

#include "app/app_fixture.h"
#include "formats/decoding.h"
#include "platform/file_range.h"

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
                         none, quiet);
}

// The ROM browser of the real main window, its settings kept in the test's folder.
class RomBrowserTest : public AppTest {
 protected:
  RomBrowserTest() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(dir.File("settings")));
  }

  app::RomBrowserForm& Browser() { return *form.Browser(); }
  template <class Widget = QWidget>
  Widget& Part(const char* name) {
    auto* widget = Browser().findChild<Widget*>(name);
    if (widget == nullptr) throw std::runtime_error(std::string("no part named ") + name);
    return *widget;
  }
  QAction& Action(const char* name) { return Part<QAction>(name); }
  void Key(int key) { QTest::keyClick(&Browser().View(), static_cast<Qt::Key>(key)); }
  void TypeOffset(const QString& text) {
    auto& field = Part<QLineEdit>("offset");
    field.setFocus();
    field.setText(text);
    QTest::keyClick(&field, Qt::Key_Return);
  }
  // A left-button drag over the view, in view pixels.
  void Drag(QPoint from, QPoint to) {
    QWidget& view = Browser().View();
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, to, view.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, to);
  }
  // A ROM of `before` bytes, then `graphics`, then filler.
  std::string PutRom(std::size_t before, const ByteString& graphics) {
    ByteString rom = RandomBytes(before, 7);
    rom.insert(rom.end(), graphics.begin(), graphics.end());
    rom.resize(rom.size() + 8192, 0);
    return PutFile("game.sfc", rom);
  }
};

TEST_F(RomBrowserTest, ShortcutOpensAFileAndTheKeysWheelAndOffsetFieldMoveTheView) {
  const QList<QAction*> menu = form.actions();
  ASSERT_EQ(menu.size(), 1);
  EXPECT_EQ(menu[0]->text(), "Browse ROM...");
  EXPECT_EQ(form.contextMenuPolicy(), Qt::ActionsContextMenu);

  const std::string rom = PutFile("game.sfc", RandomBytes(256 * 1024, 3));
  platform.openChoices.push_back({rom, 1});
  Keys(Qt::CTRL | Qt::Key_B);
  ASSERT_NE(form.Browser(), nullptr);
  EXPECT_TRUE(Browser().isVisible());
  EXPECT_EQ(Browser().windowTitle(), "ROM Browser");
  ASSERT_EQ(Browser().Model().Path(), rom);
  emit Part<QComboBox>("format").activated(kFourBppSnes);
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
  auto& bar = Part<QScrollBar>("romScrollBar");
  for (const auto& [key, step] : {std::pair{Qt::Key_Down, Step::LineDown},
                                  {Qt::Key_Down, Step::LineDown},
                                  {Qt::Key_Up, Step::LineUp},
                                  {Qt::Key_Right, Step::ByteRight},
                                  {Qt::Key_PageDown, Step::PageDown},
                                  {Qt::Key_Left, Step::ByteLeft},
                                  {Qt::Key_End, Step::End},
                                  {Qt::Key_PageUp, Step::PageUp},
                                  {Qt::Key_Home, Step::Home},
                                  {Qt::Key_Plus, Step::Wider},
                                  {Qt::Key_Minus, Step::Narrower},
                                  {Qt::Key_Equal, Step::Wider}}) {
    Key(key);
    twin.Press(step);
    SCOPED_TRACE(QTest::toString(QKeySequence(key)));
    EXPECT_EQ(Browser().Model().Offset(), twin.Offset());
    EXPECT_EQ(std::tuple(bar.value(), bar.maximum(), bar.pageStep()),
              std::tuple(twin.Scroll().value, twin.Scroll().maximum, twin.Scroll().pageStep));
    EXPECT_EQ(Part<QLineEdit>("offset").text().toStdString(), platform::HexOffset(twin.Offset()));
    EXPECT_EQ(Part<QSpinBox>("width").value(), twin.Width());
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
  EXPECT_EQ(Part<QLineEdit>("offset").text(), "0x1F0");

  // Closed and opened again by another main window: the same file at the same offset.
  Browser().close();
  app::MainForm again(platform);
  again.Browse();
  EXPECT_EQ(again.Browser()->Model().Path(), rom);
  EXPECT_EQ(again.Browser()->Model().Offset(), 0x1F0u);
  EXPECT_EQ(again.Browser()->Model().Format(), kFourBppSnes);
}

TEST_F(RomBrowserTest, ADraggedRangeGoesToTheMainWindowAndAnEditedPictureBackIntoTheRom) {
  const Surface original = RandomPicture(128, 16, 21);
  const std::string rom = PutRom(0x400, FourBppSnes(original));
  form.Browse(QString::fromStdString(rom));
  emit Part<QComboBox>("format").activated(kFourBppSnes);
  TypeOffset("400");
  EXPECT_FALSE(Action("send").isEnabled());
  EXPECT_FALSE(Action("write").isEnabled());

  // Two rows of the first tile: whole 128-pixel rows, the only shape that is one stretch.
  const int zoom = Browser().Model().Zoom();
  Drag(QPoint(1, 1), QPoint(6 * zoom, 12 * zoom));
  ASSERT_TRUE(Browser().Model().Selection().has_value());
  EXPECT_EQ(*Browser().Model().Selection(), (convert::Selection{0, 0, 128, 16}));
  Action("send").trigger();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(Model().imgImage.Width(), 128);
  ExpectShowsModel();
  // Converted again, the picture gives back the ROM's bytes.
  Click(Button("cmdConvert"));
  EXPECT_EQ(Model().RomDataString, FourBppSnes(original));

  // Edited elsewhere, pasted back and converted: written over the range after a Yes.
  const Surface edited = RandomPicture(128, 16, 22);
  QApplication::clipboard()->setImage(app::ToQImage(edited));
  Click(Button("cmdPaste"));
  Click(Button("cmdConvert"));
  ASSERT_TRUE(Action("write").isEnabled());
  const ByteString before = platform::ReadFileBytes(rom).Value();
  platform.answers = {Answer::No, Answer::Yes};
  Action("write").trigger();
  EXPECT_EQ(platform::ReadFileBytes(rom).Value(), before);
  Action("write").trigger();
  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_NE(platform.messages[1].text.find("0x400"), std::string::npos) << platform.messages[1].text;
  ByteString expected = before;
  const ByteString written = FourBppSnes(edited);
  std::copy(written.begin(), written.end(), expected.begin() + 0x400);
  EXPECT_EQ(platform::ReadFileBytes(rom).Value(), expected);
}

}  // namespace
}  // namespace glyphon::test
