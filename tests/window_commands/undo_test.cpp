// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "browser/rom_browser.h"
#include "files_fixture.h"
#include "formats/values.h"

namespace glyphon::test {
namespace {

using platform::Answer;
using platform::FileKind;
using platform::Surface;
using workspace::WindowState;

// Four greys of a 2bpp picture: the decoder's levels for values 0..3 (black 0).
Surface FourGreys(int width, int height) {
  Surface picture = Surface::Picture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.SetPixel(x, y, GreyColor(((x + y) % 4) * 85));
  return picture;
}

// A window with its file commands and a ROM for the browser.
class HistoryTest : public FilesTest {
 public:
  HistoryTest() { EXPECT_TRUE(platform::WriteFileAtomic(rom, RandomBytes(4096, 11)).Ok()); }

  // What the cases of the table reach.
  using FilesTest::commands;
  using FilesTest::Load;
  using FilesTest::LoadData;
  using FilesTest::PutBitmap;
  using FilesTest::PutFile;
  using WindowTest::platform;
  using WindowTest::window;

  void Picture() { window.MakeCurrentPicture(FourGreys(32, 16)); }
  void Preview() { LoadData(RandomBytes(512, 3)); }
  void Sent() {
    ASSERT_TRUE(browser.Open(rom));
    browser.SetFormat(2);
    browser.SetWidth(4);
    browser.SetZoom(1);
    browser.SetViewSize(400, 64);
    browser.Render();
    browser.Select(0, 0, 31, 7);
    ASSERT_TRUE(browser.SendToMainWindow(window));
  }
  std::string Palette() {
    return PutFile("game.pal",
                   Bytes("JASC-PAL\r\n0100\r\n4\r\n255 255 255\r\n170 0 0\r\n85 0 0\r\n0 0 0\r\n"));
  }
  static ByteString Bytes(std::string_view text) { return ByteString(text.begin(), text.end()); }

  std::filesystem::path rom = dir.Path() / "game.gb";
  browser::RomBrowser browser{platform};

 protected:
  void TestBody() override {}
};

// One operation: the state it starts from, the operation, and the name of its step.
struct StepCase {
  const char* name;
  std::function<void(HistoryTest&)> before;
  std::function<void(HistoryTest&)> operation;
  const char* step;
};

class EveryStep : public HistoryTest, public ::testing::WithParamInterface<StepCase> {};

// Undo brings back the whole state before the operation, Redo the whole state after it,
// and both again.
TEST_P(EveryStep, UndoAndRedoBringBackTheWholeState) {
  const StepCase& c = GetParam();
  c.before(*this);
  platform.messages.clear();
  const WindowState before = window.State();
  const std::size_t steps = window.History().Count();
  c.operation(*this);
  EXPECT_TRUE(platform.messages.empty()) << testing::PrintToString(MessageTexts());
  const WindowState after = window.State();
  ASSERT_FALSE(after == before) << "the operation changed nothing";
  EXPECT_EQ(window.History().Count(), steps + 1);
  EXPECT_EQ(window.UndoName(), std::string("Undo ") + c.step);
  if (std::string(c.name) != "Convert") {
    EXPECT_EQ(window.StatusLine(), std::string(c.step) + ".");
  }

  ASSERT_TRUE(window.Undo());
  EXPECT_TRUE(window.State() == before);
  EXPECT_EQ(window.RedoName(), std::string("Redo ") + c.step);
  EXPECT_EQ(window.StatusLine(), std::string("Undid ") + c.step + ".");
  ASSERT_TRUE(window.Redo());
  EXPECT_TRUE(window.State() == after);
  ASSERT_TRUE(window.Undo());
  EXPECT_TRUE(window.State() == before);
  ASSERT_TRUE(window.Redo());
  EXPECT_TRUE(window.State() == after);
}

void Nothing(HistoryTest&) {}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, EveryStep,
    ::testing::Values(
        StepCase{"LoadPicture", Nothing,
                 [](HistoryTest& h) { h.Load(h.PutBitmap("a.bmp", FourGreys(16, 8))); }, "Load picture"},
        StepCase{"LoadOverAPicture", [](HistoryTest& h) { h.Picture(); },
                 [](HistoryTest& h) { h.Load(h.PutBitmap("a.png", RandomPicture(24, 8, 1))); },
                 "Load picture"},
        StepCase{"LoadRomData", [](HistoryTest& h) { h.Picture(); }, [](HistoryTest& h) { h.Preview(); },
                 "Load ROM data"},
        StepCase{"LoadPartnerData",
                 [](HistoryTest& h) {
                   h.Picture();
                   h.window.SelectFormat(11);
                 },
                 [](HistoryTest& h) {
                   h.Load(h.PutFile("b.dat", RandomBytes(64, 2)), EntryOf(FileKind::PartnerData));
                 },
                 "Load partner data"},
        StepCase{"LoadPartnerPicture",
                 [](HistoryTest& h) {
                   h.Picture();
                   h.window.SelectFormat(11);
                 },
                 [](HistoryTest& h) {
                   h.Load(h.PutBitmap("b.bmp", RandomPicture(8, 8, 3)), EntryOf(FileKind::PartnerPicture));
                 },
                 "Load partner picture"},
        StepCase{"Preview", [](HistoryTest& h) { h.Preview(); }, [](HistoryTest& h) { h.commands.Load(); },
                 "Preview"},
        StepCase{"Accept", [](HistoryTest& h) { h.Preview(); }, [](HistoryTest& h) { h.commands.Save(); },
                 "Accept"},
        StepCase{"Cancel", [](HistoryTest& h) { h.Preview(); },
                 [](HistoryTest& h) { h.window.ClearOrCancel(); }, "Cancel"},
        StepCase{"Paste", [](HistoryTest& h) { h.platform.clipboard = RandomPicture(9, 9, 4); },
                 [](HistoryTest& h) { h.commands.Paste(); }, "Paste"},
        StepCase{"Clear",
                 [](HistoryTest& h) {
                   h.Picture();
                   h.window.Convert();
                 },
                 [](HistoryTest& h) { h.window.ClearOrCancel(); }, "Clear"},
        StepCase{"Convert", [](HistoryTest& h) { h.Picture(); }, [](HistoryTest& h) { h.window.Convert(); },
                 "Convert"},
        StepCase{"Format", [](HistoryTest& h) { h.Picture(); },
                 [](HistoryTest& h) { h.window.SelectFormat(2); }, "Format 2bpp SNES/GB"},
        StepCase{"FormatDropsTheSaveList",
                 [](HistoryTest& h) {
                   h.Picture();
                   h.window.Convert();
                 },
                 [](HistoryTest& h) { h.window.SelectFormat(3); }, "Format 2bpp NES"},
        StepCase{"SpinnerArrows", [](HistoryTest& h) { h.Picture(); },
                 [](HistoryTest& h) { h.window.ScrollSpinner(workspace::Spinner::Width, 16); },
                 "Change selection"},
        StepCase{"TypedValue", [](HistoryTest& h) { h.Picture(); },
                 [](HistoryTest& h) { h.window.TypeSpinnerValue(workspace::Spinner::Width, "16"); },
                 "Change selection"},
        StepCase{"TileLock",
                 [](HistoryTest& h) {
                   h.Picture();
                   h.window.SelectFormat(1);
                 },
                 [](HistoryTest& h) { h.window.ToggleTileLock(); }, "Change selection"},
        StepCase{"ValueRule", [](HistoryTest& h) { h.Picture(); },
                 [](HistoryTest& h) { h.window.ChooseValueRule(formats::ValueRule::Shade); },
                 "Values: shade"},
        StepCase{"ValuePalette", [](HistoryTest& h) { h.Picture(); },
                 [](HistoryTest& h) {
                   h.platform.openChoices.push_back({h.Palette(), kFirstEntry});
                   h.commands.ChooseValuePalette();
                 },
                 "Values: palette game.pal"},
        StepCase{"Send", [](HistoryTest& h) { h.Picture(); }, [](HistoryTest& h) { h.Sent(); },
                 "Send from ROM browser"},
        StepCase{"SendCancelsAPreview", [](HistoryTest& h) { h.Preview(); }, [](HistoryTest& h) { h.Sent(); },
                 "Send from ROM browser"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(HistoryTest, ArrowsClickedAgainAndAgainAreOneStepAndAFailureIsNone) {
  Picture();
  window.SelectFormat(1);
  window.ToggleTileLock();
  window.SetSpinner(workspace::Spinner::Width, 8);  // as the program sets it: no step
  const WindowState before = window.State();
  const std::size_t steps = window.History().Count();
  for (int x = 1; x <= 5; ++x) window.ScrollSpinner(workspace::Spinner::X, x);
  EXPECT_EQ(window.History().Count(), steps + 1);
  ASSERT_TRUE(window.Undo());
  EXPECT_TRUE(window.State() == before);

  // Nothing changed: no step. A paste of nothing changes nothing either.
  window.ScrollSpinner(workspace::Spinner::X, 0);
  commands.Paste();
  EXPECT_EQ(window.History().Count(), steps + 1);
  EXPECT_TRUE(window.History().CanRedo());
}

TEST_F(HistoryTest, ARefusedAcceptIsNoStep) {
  // An accept of a shown preview first, then one refused.
  Preview();
  commands.Load();
  commands.Save();
  ASSERT_TRUE(platform.messages.empty());
  Preview();
  window.ScrollSpinner(workspace::Spinner::Width, 0);
  const WindowState before = window.State();
  const std::size_t steps = window.History().Count();
  commands.Save();  // Accept at width 0: refused
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_TRUE(window.State() == before);
  EXPECT_EQ(window.History().Count(), steps);
}

TEST_F(HistoryTest, UndoOfAConversionLeavesNothingUnsavedAndRedoBringsItBack) {
  Picture();
  window.Convert();
  EXPECT_TRUE(window.HasUnsavedWork());
  ASSERT_TRUE(window.Undo());
  EXPECT_FALSE(window.HasUnsavedWork());
  EXPECT_TRUE(window.ConfirmQuit());  // nothing asked
  ASSERT_TRUE(window.Redo());
  platform.answers.push_back(Answer::No);
  EXPECT_FALSE(window.ConfirmQuit());
  EXPECT_EQ(platform.messages.back().lines, std::vector<std::string>{"Quit without saving?"});
}

// The game's colours end to end: a picture sent from the ROM, saved as a palette PNG, edited
// in a paint program that keeps the palette, loaded and converted gives the ROM's bytes.
TEST_F(HistoryTest, SentPictureSavedAsPalettePngLoadsAndConvertsToTheRomsBytes) {
  ASSERT_TRUE(browser.Open(rom));
  browser.SetFormat(2);  // 2bpp SNES/GB
  browser.SetWidth(4);
  browser.SetZoom(1);
  browser.SetViewSize(400, 64);
  browser.SetColourSource(browser::Colours::Shades);
  browser.SetOffset(64);
  browser.Render();
  browser.Select(0, 0, 31, 7);
  ASSERT_TRUE(browser.SendToMainWindow(window));
  ASSERT_EQ(window.ValueRule(), formats::ValueRule::Index);
  const ByteString romBytes = FileBytes(rom.string());
  const ByteString range(romBytes.begin() + 64, romBytes.begin() + 64 + 64);

  // Shown in the browser's shades: value 0 white, 3 black.
  const std::vector<RgbColor> shades = {0xFFFFFF, 0xAAAAAA, 0x555555, 0x000000};
  EXPECT_EQ(window.PictureColours(), shades);
  for (RgbColor c : window.Picture().Pixels())
    EXPECT_NE(std::find(shades.begin(), shades.end(), c), shades.end());

  Save(dir.File("sprite.png"), EntryOf(FileKind::Picture));
  ASSERT_TRUE(platform.messages.empty()) << testing::PrintToString(MessageTexts());
  // A palette PNG (colour type 3) of 2 bits a pixel: byte 24 is the depth, 25 the type.
  const ByteString png = FileBytes(dir.File("sprite.png"));
  ASSERT_GT(png.size(), 26u);
  EXPECT_EQ(png[24], 2);
  EXPECT_EQ(png[25], 3);

  window.ClearOrCancel();
  Load(dir.File("sprite.png"));
  EXPECT_EQ(window.ValueRule(), formats::ValueRule::Index);
  window.Convert();
  EXPECT_EQ(window.RomData(), range);
  EXPECT_EQ(window.StatusLine(),
            "Converted 32 by 8 pixels at 0,0 to 64 bytes of 2bpp SNES/GB (values: index).");
  // Under the grey rule the shades (white 0) would come out the other way round.
  window.ChooseValueRule(formats::ValueRule::Grey);
  window.Convert();
  EXPECT_NE(window.RomData(), range);
}

TEST_F(HistoryTest, ValueRulesDecideWhatConvertStores) {
  // A 2bpp picture of the four shades: the shade rule stores value 0 for white, the grey
  // rule 3; the palette rule the index of each colour in the palette file.
  Surface picture = Surface::Picture(8, 8, 0xFFFFFF);
  window.MakeCurrentPicture(picture);
  window.SelectFormat(4);  // 2bpp linear: 4 pixels a byte, first pixel in the high bits
  window.Convert();
  EXPECT_EQ(window.RomData(), ByteString(16, 0xFF));
  window.ChooseValueRule(formats::ValueRule::Shade);
  EXPECT_EQ(window.View().values, "Values: shade");
  window.Convert();
  EXPECT_EQ(window.RomData(), ByteString(16, 0x00));
  platform.openChoices.push_back({Palette(), kFirstEntry});
  commands.ChooseValuePalette();
  EXPECT_EQ(window.View().values, "Values: palette game.pal");
  window.Convert();
  EXPECT_EQ(window.RomData(), ByteString(16, 0x00));  // white is entry 0
  // An index rule without indices says why.
  window.ChooseValueRule(formats::ValueRule::Index);
  window.Convert();
  ASSERT_FALSE(platform.messages.empty());
  EXPECT_EQ(platform.messages.back().lines.at(0), "Unable to convert image.");
}

}  // namespace
}  // namespace glyphon::test
