// SPDX-License-Identifier: MIT
#include "browser/pixel_editor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "browser/rom_browser.h"
#include "compression/compression.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "support/fake_platform.h"
#include "support/test_support.h"
#include "workspace/main_window.h"

namespace glyphon::test {
namespace {

using browser::RomBrowser;
using browser::RomEditor;
using platform::Answer;

ByteString ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return ByteString(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& path, const ByteString& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A ROM of zeros in the browser at zoom 1, 2 tiles wide, on a view of 16 by 32 pixels.
class EditorTest : public ::testing::Test {
 protected:
  EditorTest() { WriteBytes(rom, ByteString(kSize, 0)); }
  void OpenAs(std::string_view format, int width = 2) {
    ASSERT_TRUE(browser.Open(rom));
    browser.SetFormat(formats::FindFormat(format)->index);
    browser.SetWidth(width);
    browser.SetZoom(1);
    browser.SetViewSize(16, 32);
    browser.Render();
    ASSERT_TRUE(editor.SetEditing(true)) << Shown();
  }
  void Click(int x, int y, bool second = false) {
    editor.Press(x, y, second);
    editor.Release(x, y);
  }
  // The bytes of the ROM that differ from `before`, as "offset:value".
  std::vector<std::string> Differences(const ByteString& before) const {
    const ByteString now = ReadBytes(rom);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < now.size(); ++i)
      if (now[i] != before[i]) out.push_back(std::to_string(i) + ":" + std::to_string(now[i]));
    return out;
  }
  std::string Shown() const {
    return platform.messages.empty() ? "" : testing::PrintToString(platform.messages.back().lines);
  }

  static constexpr std::size_t kSize = 1024;
  TempDir dir;
  std::filesystem::path rom = dir.Path() / "game.gb";
  FakePlatform platform;
  RomBrowser browser{platform};
  RomEditor editor{browser, platform};
};

// Pixel (x, y) of value 1 in each layout, and the bytes it takes, worked out from the
// formats' bit layouts: a pixel of value 1 sets one bit of the first plane.
struct PixelCase {
  const char* name;
  const char* format;
  int x, y;
  std::vector<std::string> bytes;  // offset:value
};
const PixelCase kPixelCases[] = {
    // Row 0's low plane is byte 0, leftmost pixel in bit 7.
    {"GameBoyTileTopLeft", "2bpp SNES/GB", 0, 0, {"0:128"}},
    // Second tile of the row (16 bytes a tile), row 2 (2 bytes a row), pixel 3 of the row.
    {"GameBoySecondTile", "2bpp SNES/GB", 11, 2, {"20:16"}},
    // A 2-tile-wide 1bpp Linear picture is 16 pixels, 2 bytes a row: row 3 starts at 6.
    {"OneBitLinearRow", "1bpp Linear", 9, 3, {"7:64"}},
    // 4bpp GBA: 4 bytes a tile row, the left pixel of a byte in its low nibble.
    {"GbaLowNibbleFirst", "4bpp GBA", 3, 1, {"5:16"}},
};

class DrawsPixel : public EditorTest, public ::testing::WithParamInterface<PixelCase> {};

TEST_P(DrawsPixel, SaveWritesOnlyItsBytesAndUndoSaveGivesTheRomBack) {
  const PixelCase& c = GetParam();
  OpenAs(c.format);
  const ByteString original = ReadBytes(rom);
  Click(c.x, c.y);
  EXPECT_EQ(editor.Canvas().ValueAt({c.x, c.y}), 1);
  EXPECT_TRUE(editor.HasUnsavedEdits());
  EXPECT_EQ(Differences(original), std::vector<std::string>{}) << "nothing is written before Save";
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(editor.Save()) << Shown();
  EXPECT_EQ(Differences(original), c.bytes);
  EXPECT_FALSE(editor.HasUnsavedEdits());
  ASSERT_TRUE(editor.Undo());
  EXPECT_EQ(editor.Canvas().ValueAt({c.x, c.y}), 0);
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(editor.Save()) << Shown();
  EXPECT_EQ(ReadBytes(rom), original);
}

INSTANTIATE_TEST_SUITE_P(Editor, DrawsPixel, ::testing::ValuesIn(kPixelCases),
                         [](const ::testing::TestParamInfo<PixelCase>& p) { return p.param.name; });

TEST_F(EditorTest, TheViewShowsTheEditAtOnceAndTheQuestionNamesRangesAndCount) {
  OpenAs("2bpp SNES/GB");
  const RgbColor before = browser.Render().GetPixel(0, 0);
  Click(0, 0);
  EXPECT_NE(browser.Render().GetPixel(0, 0), before);
  editor.Tools().SetValue(3);
  Click(8, 9);  // tile 3 (the second row of tiles): offset 48 + 2, both planes
  platform.answers.push_back(Answer::No);
  EXPECT_FALSE(editor.Save());
  ASSERT_FALSE(platform.messages.empty());
  EXPECT_EQ(
      platform.messages.back().lines,
      (std::vector<std::string>{"Save the edits into game.gb at 0x0, 0x32-0x33?", "3 bytes will change."}));
  EXPECT_EQ(ReadBytes(rom), ByteString(kSize, 0));
  EXPECT_TRUE(editor.HasUnsavedEdits());
}

TEST_F(EditorTest, AStrokeIsOneUndoStepAndDrawingBackTheOldValueLeavesNothingToSave) {
  OpenAs("2bpp SNES/GB");
  editor.Press(0, 0, false);
  for (int x = 1; x < 16; ++x) editor.Drag(x, 0);
  editor.Release(15, 0);
  EXPECT_EQ(editor.History().Count(), 1u);
  EXPECT_EQ(editor.History().UndoName(), "Undo Pencil");
  ASSERT_TRUE(editor.Undo());
  EXPECT_FALSE(editor.HasUnsavedEdits());
  ASSERT_TRUE(editor.Redo());
  EXPECT_TRUE(editor.HasUnsavedEdits());
  // The right button draws value 0, the ROM's own.
  editor.Press(0, 0, true);
  editor.Drag(15, 0);
  editor.Release(15, 0);
  EXPECT_FALSE(editor.HasUnsavedEdits());
}

// Edits and the browser's own steps are one history: Ctrl+Z takes back the last thing done,
// whichever it was, and an edit undone after a change of format still puts back its bytes.
TEST_F(EditorTest, EditsAndTheBrowsersStepsShareOneHistory) {
  OpenAs("2bpp SNES/GB");
  Click(0, 0);  // value 1 at pixel (0, 0): bit 7 of byte 0
  browser.Record("Format 1bpp SNES", [&] { browser.SetFormat(formats::FindFormat("1bpp SNES")->index); });
  EXPECT_EQ(browser.UndoName(), "Undo Format 1bpp SNES");
  ASSERT_TRUE(editor.Undo());
  EXPECT_EQ(browser.Format(), formats::FindFormat("2bpp SNES/GB")->index);
  EXPECT_EQ(browser.UndoName(), "Undo Pencil");
  EXPECT_TRUE(editor.HasUnsavedEdits());
  ASSERT_TRUE(browser.Undo());
  EXPECT_FALSE(editor.HasUnsavedEdits());
  ASSERT_TRUE(browser.Redo());
  platform.answers.push_back(platform::Answer::Yes);
  ASSERT_TRUE(editor.Save()) << Shown();
  EXPECT_EQ(Differences(ByteString(kSize, 0)), (std::vector<std::string>{"0:128"}));
}

TEST_F(EditorTest, ObjectOrderDrawsIntoTheStoredTile) {
  OpenAs("2bpp SNES/GB");
  ASSERT_TRUE(browser.SetTileOrder({tiles::Walk::Rows, 1, 2, tiles::Walk::Rows}));
  browser.Render();
  // Tall objects: the tile under the first is stored second, at offset 16.
  Click(0, 8);
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(editor.Save());
  EXPECT_EQ(Differences(ByteString(kSize, 0)), std::vector<std::string>{"16:128"});
}

TEST_F(EditorTest, PixelsPastTheEndAreNotDrawn) {
  WriteBytes(rom, ByteString(40, 0));  // two and a half tiles
  OpenAs("2bpp SNES/GB");
  EXPECT_EQ(editor.Canvas().ValueAt({0, 8}), std::nullopt);
  Click(0, 8);
  EXPECT_FALSE(editor.HasUnsavedEdits());
  EXPECT_EQ(editor.History().Count(), 0u);
}

TEST_F(EditorTest, ViewsThatCannotBeDrawnOnAreRefusedNamingTheFile) {
  struct Refusal {
    const char* format;
    bool compressed;
    std::string message;
  };
  const Refusal refusals[] = {
      {"2bpp SNES/GB", true,
       "Unable to edit game.gb: the view shows a decompressed block; choose Compression None to edit."},
      {"16bpp BGR555", false, "Unable to edit game.gb: 16bpp BGR555 stores colours, not values."},
      {"4bpp FX Low", false, "Unable to edit game.gb: 4bpp FX Low shares its bytes with partner data."},
  };
  for (const Refusal& r : refusals) {
    ASSERT_TRUE(browser.Open(rom));
    browser.SetCompression(r.compressed ? &compression::Schemes()[0] : nullptr);
    browser.SetFormat(formats::FindFormat(r.format)->index);
    EXPECT_FALSE(editor.SetEditing(true)) << r.format;
    EXPECT_EQ(Shown(), testing::PrintToString(std::vector<std::string>{r.message}));
    EXPECT_FALSE(editor.Editing());
  }
}

TEST_F(EditorTest, ConfirmDiscardSavesDropsOrKeeps) {
  OpenAs("2bpp SNES/GB");
  Click(0, 0);
  platform.answers.push_back(Answer::Cancel);
  EXPECT_FALSE(editor.ConfirmDiscard("closing"));
  EXPECT_EQ(Shown(),
            testing::PrintToString(std::vector<std::string>{"Save the edits to game.gb before closing?"}));
  EXPECT_TRUE(editor.HasUnsavedEdits());
  platform.answers.push_back(Answer::No);
  EXPECT_TRUE(editor.ConfirmDiscard("closing"));
  EXPECT_EQ(ReadBytes(rom), ByteString(kSize, 0));
  platform.answers.push_back(Answer::Yes);  // Yes saves without a second question
  EXPECT_TRUE(editor.ConfirmDiscard("closing"));
  EXPECT_EQ(Differences(ByteString(kSize, 0)), std::vector<std::string>{"0:128"});
}

TEST_F(EditorTest, TileOperationsWorkOnTheSelectionAndPasteAcrossFormatsOfOneDepth) {
  OpenAs("2bpp SNES/GB");
  Click(0, 0);
  browser.Select(0, 0, 7, 7);  // the first tile
  ASSERT_TRUE(editor.FlipHorizontally());
  EXPECT_EQ(editor.Canvas().ValueAt({7, 0}), 1);
  EXPECT_EQ(editor.Canvas().ValueAt({0, 0}), 0);
  ASSERT_TRUE(editor.CopySelection());
  // 2bpp NES stores the same values in other bytes: the tile pastes by value.
  browser.SetFormat(formats::FindFormat("2bpp NES")->index);
  browser.Select(8, 0, 15, 7);
  ASSERT_TRUE(editor.PasteAtSelection()) << Shown();
  EXPECT_EQ(editor.Canvas().ValueAt({15, 0}), 1);
  // Remapped as typed: the 1 at (15, 0) becomes 3; a value beyond the depth is refused.
  EXPECT_TRUE(editor.Remap("1>3"));
  EXPECT_EQ(editor.Canvas().ValueAt({15, 0}), 3);
  EXPECT_FALSE(editor.Remap("1>7"));
  EXPECT_EQ(Shown(), testing::PrintToString(std::vector<std::string>{
                         "Unable to remap the values in game.gb.",
                         "\"1>7\" is not a pair of values from 0 to 3 such as 1>3."}));
  // A 4bpp view holds other values: refused.
  browser.SetFormat(formats::FindFormat("4bpp SNES")->index);
  browser.Select(0, 0, 7, 7);
  EXPECT_FALSE(editor.PasteAtSelection());
  EXPECT_EQ(Shown(),
            testing::PrintToString(std::vector<std::string>{
                "Unable to paste into game.gb.", "The tiles hold 4 values, but this view holds 16."}));
}

TEST_F(EditorTest, EditsFarApartAreSavedTogetherAndAReadOnlyRomKeepsThem) {
  OpenAs("2bpp SNES/GB");
  Click(0, 0);
  browser.SetOffset(512);
  Click(7, 0);  // bit 0 of byte 512
  std::filesystem::permissions(rom, std::filesystem::perms::owner_read);
  EXPECT_FALSE(editor.Save());
  EXPECT_EQ(Shown(), testing::PrintToString(std::vector<std::string>{"Unable to save the edits into game.gb.",
                                                                     "it is read-only"}));
  EXPECT_TRUE(editor.HasUnsavedEdits());
  std::filesystem::permissions(rom, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(editor.Save()) << Shown();
  EXPECT_EQ(platform.messages.back().lines.front(), "Save the edits into game.gb at 0x0, 0x200?");
  EXPECT_EQ(Differences(ByteString(kSize, 0)), (std::vector<std::string>{"0:128", "512:1"}));
}

TEST_F(EditorTest, FillsKeepToTheTileOrCrossTiles) {
  OpenAs("2bpp SNES/GB");
  editor.Tools().SetTool(editor::Tool::TileFill);
  Click(9, 1);  // the second tile
  EXPECT_EQ(editor.Canvas().ValueAt({8, 0}), 1);
  EXPECT_EQ(editor.Canvas().ValueAt({7, 0}), 0);
  EXPECT_EQ(editor.Canvas().ValueAt({8, 8}), 0);
  editor.Tools().SetTool(editor::Tool::Fill);
  editor.Tools().SetValue(2);
  Click(0, 0);  // every 0 on screen is joined to the first pixel
  EXPECT_EQ(editor.Canvas().ValueAt({15, 31}), 2);
  EXPECT_EQ(editor.Canvas().ValueAt({8, 0}), 1);
  EXPECT_EQ(editor.History().Count(), 2u);
  // 2 tiles by 4 rows of tiles: the second tile value 1 (its 8 low-plane bytes 0xFF), the
  // other 7 value 2 (their 8 high-plane bytes 0xFF).
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(editor.Save());
  EXPECT_EQ(platform.messages.back().lines.at(1), "64 bytes will change.");
}

TEST_F(EditorTest, SendToTheMainWindowTakesTheEditedPicture) {
  OpenAs("2bpp SNES/GB");
  editor.Tools().SetValue(3);
  Click(1, 0);
  browser.Select(0, 0, 7, 7);
  workspace::MainWindow window{platform};
  window.Start();
  ASSERT_TRUE(browser.SendToMainWindow(window));
  EXPECT_EQ(window.Picture().GetPixel(1, 0), kWhite);  // value 3 in the decoder's greys
  EXPECT_EQ(window.Picture().GetPixel(0, 0), kBlack);
  // Converted and written back, the range holds the edit and the editor has none left there.
  window.Convert();
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(browser.WriteIntoRom(window)) << Shown();
  EXPECT_EQ(Differences(ByteString(kSize, 0)), (std::vector<std::string>{"0:64", "1:64"}));
  EXPECT_FALSE(editor.HasUnsavedEdits());
}

// In every format that can be edited, a click changes exactly the pixel clicked, and only
// bytes of its tile (its row, in the linear formats).
class EveryEditableFormat : public EditorTest, public ::testing::WithParamInterface<int> {};

TEST_P(EveryEditableFormat, AClickChangesThatPixelAndOnlyItsTilesBytes) {
  const formats::FormatInfo& format = formats::Format(GetParam());
  WriteBytes(rom, RandomBytes(16384, 3));  // the view's 64 rows at every depth
  ASSERT_TRUE(browser.Open(rom));
  browser.SetFormat(format.index);
  browser.SetZoom(1);
  browser.SetViewSize(64, 64);
  ASSERT_TRUE(editor.SetEditing(true));
  const ByteString before = ReadBytes(rom);
  const platform::Surface shownBefore = browser.Render();
  const int x = std::min(5, editor.Canvas().Width() - 1), y = 9;
  const int value = (*editor.Canvas().ValueAt({x, y}) + 1) % (editor.Canvas().MaxValue() + 1);
  ASSERT_NE(value, *editor.Canvas().ValueAt({x, y}));
  editor.Tools().SetValue(value);
  Click(x, y);
  EXPECT_EQ(editor.Canvas().ValueAt({x, y}), value);
  const platform::Surface shownAfter = browser.Render();
  int changed = 0;
  for (int v = 0; v < shownAfter.Height(); ++v)
    for (int u = 0; u < shownAfter.Width(); ++u)
      changed += shownAfter.GetPixel(u, v) != shownBefore.GetPixel(u, v);
  EXPECT_EQ(changed, 1);
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(editor.Save()) << Shown();
  const ByteString after = ReadBytes(rom);
  const browser::Layout layout = browser::LayoutOf(format, browser.Width());
  const std::uint64_t unitBytes = layout.grid ? layout.tileBytes : layout.bandBytes;
  // The tile's first byte, or the row's.
  const std::uint64_t start =
      layout.grid ? browser.At(x, y)->offset : static_cast<std::uint64_t>(y) * layout.bandBytes;
  for (std::size_t i = 0; i < after.size(); ++i)
    if (after[i] != before[i]) {
      EXPECT_GE(i, start);
      EXPECT_LT(i, start + unitBytes);
    }
  EXPECT_NE(after, before);
}

// The formats of values that keep every bit and no partner data.
std::vector<int> EditableFormats() {
  std::vector<int> indices;
  for (const formats::FormatInfo& format : formats::Formats())
    if (format.HasValues() && !format.HasPartner() && format.lossless) indices.push_back(format.index);
  return indices;
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryEditableFormat, ::testing::ValuesIn(EditableFormats()),
                         [](const ::testing::TestParamInfo<int>& p) {
                           std::string name = formats::CliName(formats::Format(p.param));
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
}  // namespace glyphon::test
