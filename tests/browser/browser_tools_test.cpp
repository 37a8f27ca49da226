// SPDX-License-Identifier: MIT
// The browser's tools: palettes read from a ROM, Find in ROM, and the strip of every format.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "browser/rom_browser.h"
#include "formats/decoding.h"
#include "support/fake_platform.h"
#include "support/test_support.h"
#include "workspace/main_window.h"

namespace glyphon::test {
namespace {

using browser::ColourChoice;
using browser::Colours;
using browser::RomBrowser;
using browser::RomPalette;

void WriteFile(const std::filesystem::path& path, const ByteString& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class Tools : public ::testing::Test {
 protected:
  Tools() { window.Start(); }
  void Open(const ByteString& bytes, int format, int width, int viewWidth = 256, int viewHeight = 64) {
    WriteFile(rom, bytes);
    ASSERT_TRUE(browser.Open(rom));
    browser.SetFormat(format);
    browser.SetWidth(width);
    browser.SetZoom(1);
    browser.SetViewSize(viewWidth, viewHeight);
  }
  std::vector<std::string> LastMessage() const {
    return platform.messages.empty() ? std::vector<std::string>{} : platform.messages.back().lines;
  }

  TempDir dir;
  std::filesystem::path rom = dir.Path() / "game.gba";
  FakePlatform platform;
  workspace::MainWindow window{platform};
  RomBrowser browser{platform};
};

// ---- Palettes from the ROM ----

// Four colours of each layout, worked out by hand from the consoles' colour words:
// SNES/GBC bgr555 is little-endian 0bbbbbgggggrrrrr; Genesis CRAM big-endian 0000bbb0ggg0rrr0;
// N64 rgba5551 big-endian rrrrrgggggbbbbba. Five-bit level 16 reads as (16 << 3) | (16 >> 2)
// = 132, three-bit level 1 as (1 << 5) | (1 << 2) | (1 >> 1) = 36.
struct PaletteCase {
  const char* name;
  std::string_view kind;
  std::uint64_t offset;
  int number;
  ByteString words;  // the sub-palette's four colours
  RgbColor colours[4];
};

const PaletteCase kPalettes[] = {
    {"Bgr555",
     "bgr555",
     0x200,
     0,
     Bytes({0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C, 0x10, 0x42}),
     {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(132, 132, 132)}},
    {"Bgr555BitFifteenIgnored",
     "bgr555",
     0x80,
     3,
     Bytes({0x00, 0x80, 0xFF, 0xFF, 0x1F, 0x80, 0x00, 0x00}),
     {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(255, 0, 0), Rgb(0, 0, 0)}},
    {"GenesisAtAnOddOffset",
     "genesis",
     0x201,
     1,
     Bytes({0x00, 0x0E, 0x00, 0xE0, 0x0E, 0x00, 0x02, 0x22}),
     {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(36, 36, 36)}},
    {"Rgba5551AlphaIgnored",
     "rgba5551",
     0x300,
     2,
     Bytes({0xF8, 0x01, 0x07, 0xC0, 0x00, 0x3F, 0x84, 0x21}),
     {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(132, 132, 132)}},
};

class RomPalettes : public Tools, public ::testing::WithParamInterface<PaletteCase> {};

TEST_P(RomPalettes, ColourTheValuesWithTheSubPaletteAtTheOffset) {
  const PaletteCase& c = GetParam();
  // 2bpp Linear: the first byte 0x1B holds the values 0, 1, 2, 3; a 2bpp sub-palette is
  // four colours, eight bytes.
  ByteString bytes(0x400, 0x55);
  bytes[0] = 0x1B;
  std::copy(c.words.begin(), c.words.end(),
            bytes.begin() + static_cast<std::ptrdiff_t>(c.offset + 8 * static_cast<std::uint64_t>(c.number)));
  Open(bytes, 4, 4);
  ASSERT_TRUE(browser.LoadRomPalette({{}, c.offset, c.kind, c.number}))
      << testing::PrintToString(LastMessage());
  const platform::Surface& view = browser.Render();
  for (int v = 0; v < 4; ++v) EXPECT_EQ(view.GetPixel(v, 0), c.colours[v]) << "value " << v;
  EXPECT_EQ(browser.ColourSource(), Colours::Palette);
  EXPECT_EQ(browser.PaletteCaption(),
            std::string(c.kind) + " " + platform::HexOffset(c.offset) + " #" + std::to_string(c.number));
}

INSTANTIATE_TEST_SUITE_P(Browser, RomPalettes, ::testing::ValuesIn(kPalettes),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(Tools, SubPalettesStepAndFollowTheFormatsColourCount) {
  // Sixteen bgr555 colours from 0x100: colour i has red level i (word i, little-endian).
  ByteString bytes(0x200, 0x00);
  bytes[0] = 0x1B;  // 2bpp Linear values 0-3; in 4bpp Linear the values 1 and 11
  for (int i = 0; i < 16; ++i) bytes[static_cast<std::size_t>(0x100 + 2 * i)] = static_cast<std::uint8_t>(i);
  Open(bytes, 4, 4);
  ASSERT_TRUE(browser.LoadRomPalette({{}, 0x100, "bgr555", 0}));
  EXPECT_EQ(browser.Render().GetPixel(3, 0), Rgb(palette::ExpandFrom5(3), 0, 0));
  ASSERT_TRUE(browser.StepSubPalette(+1));  // colours 4-7
  EXPECT_EQ(browser.Render().GetPixel(3, 0), Rgb(palette::ExpandFrom5(7), 0, 0));
  // The strip's 4bpp cells read on into the colours after the sub-palette: value 11 of 4bpp
  // Linear is colour 4 + 11.
  EXPECT_EQ(browser.Strip()[10].picture.GetPixel(1, 0), Rgb(palette::ExpandFrom5(15), 0, 0));
  EXPECT_EQ(browser.PaletteCaption(), "bgr555 0x100 #1");
  browser.SetFormat(10);  // 4bpp Linear: sub-palette 1 is colours 16-31, all zero words
  EXPECT_EQ(browser.Render().GetPixel(1, 0), Rgb(0, 0, 0));
  EXPECT_FALSE(browser.StepSubPalette(-2));  // there is no sub-palette -1
  ASSERT_TRUE(browser.StepSubPalette(-1));
  EXPECT_EQ(browser.Render().GetPixel(1, 0), Rgb(palette::ExpandFrom5(11), 0, 0));
}

TEST_F(Tools, PalettePastTheEndIsRefusedByNameAndTheColoursStay) {
  Open(ByteString(0x40, 0x00), 4, 4);
  browser.SetColourSource(Colours::Shades);
  EXPECT_FALSE(browser.LoadRomPalette({{}, 0x3C, "genesis", 0}));  // 8 bytes from 0x3C: 4 missing
  ASSERT_EQ(LastMessage().size(), 2u);
  EXPECT_EQ(LastMessage()[0], "Unable to read a genesis palette at 0x3C (sub-palette 0) of game.gba.");
  EXPECT_EQ(browser.ColourSource(), Colours::Shades);
  EXPECT_FALSE(browser.PaletteInRom().has_value());
}

TEST_F(Tools, PaletteInAnotherFileIsNamedInTheCaption) {
  const std::filesystem::path other = dir.Path() / "colours.bin";
  WriteFile(other, Bytes({0x00, 0x00, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00}));
  Open(Bytes({0x1B}), 4, 4);
  ASSERT_TRUE(browser.LoadRomPalette({other, 0, "bgr555", 0}));
  EXPECT_EQ(browser.Render().GetPixel(1, 0), Rgb(255, 0, 0));
  EXPECT_EQ(browser.PaletteCaption(), "colours.bin bgr555 0x0 #0");
}

// The choice is remembered as one line per ROM and read back the same; anything else is none.
TEST(ColourChoiceText, RoundTripsAndRefusesTheRest) {
  const ColourChoice choices[] = {
      {Colours::DecoderGreys, {}, std::nullopt},
      {Colours::Shades, {}, std::nullopt},
      {Colours::Ramp, {}, std::nullopt},
      {Colours::Palette, "/home/me/level 1.gpl", std::nullopt},
      {Colours::Palette, {}, RomPalette{{}, 0x1F3A0, "genesis", 3}},
      {Colours::Palette, {}, RomPalette{"/tmp/other.bin", 0, "rgba5551", 0}},
  };
  for (const ColourChoice& choice : choices) {
    const std::string text = browser::ColourChoiceText(choice);
    EXPECT_EQ(browser::ParseColourChoice(text), choice) << text;
  }
  EXPECT_EQ(browser::ColourChoiceText(choices[4]), "rom\tgenesis\t0x1F3A0\t3\t");
  for (const char* bad : {"", "grey", "file\t", "rom\tbgr555\t1F\t0\t", "rom\tjasc\t0x1F\t0\t",
                          "rom\tbgr555\t0x1F\t-1\t", "rom\tbgr555\t0x1G\t0\t", "rom\tbgr555\t0x1F\t0"})
    EXPECT_FALSE(browser::ParseColourChoice(bad).has_value()) << bad;
}

TEST_F(Tools, RememberedChoiceComesBackAndOneNoLongerReadableIsDropped) {
  Open(ByteString(0x100, 0x00), 4, 4);
  const ColourChoice inRom{Colours::Palette, {}, RomPalette{{}, 0x10, "bgr555", 1}};
  browser.RecallColours(inRom);
  EXPECT_EQ(browser.CurrentColours(), inRom);
  browser.RecallColours({Colours::Palette, dir.Path() / "gone.gpl", std::nullopt});
  EXPECT_EQ(browser.CurrentColours(), inRom);  // quietly kept
  EXPECT_TRUE(platform.messages.empty());
  browser.RecallColours({Colours::Ramp, {}, std::nullopt});
  EXPECT_EQ(browser.CurrentColours().colours, Colours::Ramp);
}

// ---- Find in ROM ----

class Find : public Tools {
 protected:
  // 4bpp SNES, two tiles a band; the tiles planted at `places`, the rest random.
  void Plant(const ByteString& tiles, std::initializer_list<std::size_t> places) {
    ByteString bytes = RandomBytes(0x4000, 11);
    for (std::size_t at : places)
      std::copy(tiles.begin(), tiles.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    Open(bytes, 8, 2, 64, 64);
  }
  // The pair's picture in the main window, as a picture sent from the browser arrives.
  void PictureOf(const ByteString& tiles) {
    platform::NullProgress quiet;
    window.MakeCurrentPicture(
        formats::Decode(formats::Format(8), tiles, 16, formats::DecodeMode::Preview, nullptr, quiet).picture);
    window.SelectFormat(8);
  }
  const ByteString pair = RandomBytes(64, 5);
};

TEST_F(Find, NextAndPreviousGoRoundTheMatches) {
  Plant(pair, {0x100, 0x1003, 0x3F00});
  PictureOf(pair);
  browser.SetFormat(16);  // the search takes the main window's format
  ASSERT_TRUE(browser.FindInRom(window)) << browser.FindLine();
  EXPECT_EQ(browser.Format(), 8);
  EXPECT_EQ(browser.Offset(), 0x100u);
  EXPECT_EQ(browser.FindLine(), "Match 1 of 3 at 0x100");
  // The match is selected, so it can be sent at once.
  ASSERT_TRUE(browser.Selection().has_value());
  EXPECT_EQ(*browser.Selection(), (convert::Selection{0, 0, 16, 8}));
  struct Move {
    bool forward;
    std::uint64_t offset;
    const char* line;
  };
  const Move moves[] = {{true, 0x1003, "Match 2 of 3 at 0x1003"},
                        {true, 0x3F00, "Match 3 of 3 at 0x3F00"},
                        {true, 0x100, "Match 1 of 3 at 0x100 (wrapped)"},
                        {false, 0x3F00, "Match 3 of 3 at 0x3F00 (wrapped)"},
                        {false, 0x1003, "Match 2 of 3 at 0x1003"}};
  for (const Move& move : moves) {
    EXPECT_TRUE(move.forward ? browser.FindNext() : browser.FindPrevious());
    EXPECT_EQ(browser.Offset(), move.offset);
    EXPECT_EQ(browser.FindLine(), move.line);
  }
}

TEST_F(Find, NotFoundSaysSoAndTheViewStays) {
  Plant(pair, {});
  PictureOf(pair);
  browser.SetOffset(0x40);
  EXPECT_FALSE(browser.FindInRom(window));
  EXPECT_EQ(browser.FindLine(), "The selection's 64 bytes are not in game.gba.");
  EXPECT_EQ(browser.Offset(), 0x40u);
  EXPECT_FALSE(browser.FindNext());
  EXPECT_TRUE(platform.messages.empty());  // the status bar says it, no message box
}

TEST_F(Find, ObjectsAreLookedForInTheBrowsersTileOrder) {
  // A 2x2 object: four 32-byte tiles stored together. The picture sent from the browser in
  // that order is the object put together; found again it is where it was sent from.
  ByteString bytes = RandomBytes(0x4000, 12);
  const ByteString object = RandomBytes(128, 6);
  for (std::size_t at : {0x200u, 0x2000u})
    std::copy(object.begin(), object.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  Open(bytes, 8, 2, 64, 64);
  ASSERT_TRUE(browser.SetTileOrder({tiles::Walk::Rows, 2, 2, tiles::Walk::Rows}));
  browser.SetOffset(0x200);
  browser.Select(0, 0, 15, 15);
  ASSERT_TRUE(browser.SendToMainWindow(window));
  browser.SetOffset(0);
  ASSERT_TRUE(browser.FindInRom(window)) << browser.FindLine();
  EXPECT_EQ(browser.FindLine(), "Match 1 of 2 at 0x200");
  EXPECT_TRUE(browser.FindNext());
  EXPECT_EQ(browser.Offset(), 0x2000u);
}

// ---- Every format at a glance ----

// Each cell is its format's bare decoder run on the bytes at the offset at the view's width,
// cut to the strip's width and rows.
class Strip : public Tools, public ::testing::WithParamInterface<int> {};

TEST_P(Strip, CellsAreTheBareDecodeAtTheWidthCutToTheStrip) {
  const int pixelWidth = GetParam();
  const ByteString bytes = RandomBytes(300000, 9);
  Open(bytes, 16, pixelWidth);  // 8bpp Linear: the width in pixels
  browser.SetOffset(0x123);
  const std::vector<browser::StripCell>& cells = browser.Strip();
  ASSERT_EQ(cells.size(), static_cast<std::size_t>(formats::kFormatCount));
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const formats::FormatInfo& format = formats::Format(static_cast<int>(i));
    const browser::StripCell& cell = cells[i];
    EXPECT_EQ(cell.format, format.index);
    EXPECT_EQ(cell.label, format.caption);
    const int width = browser::StripWidth(format.index, pixelWidth);
    const browser::Layout layout = browser::LayoutOf(format, width / browser::UnitPixels(format));
    const int rows = std::max(browser::kStripRows, layout.bandHeight);
    platform::NullProgress quiet;
    const std::uint64_t length = layout.bandBytes * static_cast<std::uint64_t>(rows / layout.bandHeight);
    const platform::Surface full = formats::Decode(format, std::span(bytes).subspan(0x123, length), width,
                                                   formats::DecodeMode::Preview, nullptr, quiet)
                                       .picture;
    EXPECT_EQ(cell.width, width) << format.caption;
    ASSERT_EQ(cell.picture.Width(), std::min(width, browser::kStripMaxWidth)) << format.caption;
    ASSERT_EQ(cell.picture.Height(), rows) << format.caption;
    for (int y = 0; y < rows; ++y)
      ASSERT_TRUE(std::ranges::equal(cell.picture.Row(y),
                                     full.Row(y).first(static_cast<std::size_t>(cell.picture.Width()))))
          << format.caption << " row " << y;
  }
}

// 64 pixels: every cell whole; 320: cut to the strip's 256.
INSTANTIATE_TEST_SUITE_P(Browser, Strip, ::testing::Values(64, 320));

TEST_F(Tools, ClickingACellChoosesItsFormatAndKeepsTheOffsetAndWidth) {
  Open(RandomBytes(4096, 3), 2, 4);  // 2bpp SNES/GB, 32 pixels
  browser.SetOffset(0x30);
  const std::vector<browser::StripCell> cells = browser.Strip();
  browser.ChooseStripCell(19);
  EXPECT_EQ(browser.Format(), 19);
  EXPECT_EQ(cells[19].label, "4bpp GBA");
  EXPECT_EQ(browser.Offset(), 0x30u);
  EXPECT_EQ(browser.PixelWidth(), 32);
  // The strip follows the colours of the view.
  browser.SetColourSource(Colours::Ramp);
  EXPECT_FALSE(std::ranges::equal(browser.Strip()[19].picture.Pixels(), cells[19].picture.Pixels()));
  browser.ChooseStripCell(cells.size());  // past the cells: nothing
  EXPECT_EQ(browser.Format(), 19);
}

TEST_F(Tools, StripPastTheEndDecodesZeros) {
  Open(Bytes({0xFF, 0xFF}), 16, 8);
  const browser::StripCell& cell = browser.Strip()[16];  // 8bpp Linear, 8 pixels a row
  EXPECT_EQ(cell.picture.GetPixel(0, 0), kWhite);
  EXPECT_EQ(cell.picture.GetPixel(2, 0), kBlack);
  EXPECT_EQ(cell.picture.GetPixel(0, 1), kBlack);
}

}  // namespace
}  // namespace glyphon::test
