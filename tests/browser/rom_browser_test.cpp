// SPDX-License-Identifier: MIT
#include "browser/rom_browser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "compression/compression.h"
#include "formats/decoding.h"
#include "support/fake_platform.h"
#include "support/test_support.h"
#include "workspace/main_window.h"

namespace glyphon::test {
namespace {

using browser::RomBrowser;
using browser::Step;
using platform::Answer;

constexpr std::size_t kRomSize = 40000 + 37;  // not a whole number of bands in any format

void WriteFile(const std::filesystem::path& path, const ByteString& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

ByteString ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return ByteString(std::istreambuf_iterator<char>(in), {});
}

class BrowserTest : public ::testing::Test {
 protected:
  BrowserTest() {
    WriteFile(rom, RandomBytes(kRomSize, 7));
    window.Start();
  }
  void OpenAt(int format, int width, int viewWidth, int viewHeight, int zoom = 1) {
    ASSERT_TRUE(browser.Open(rom));
    browser.SetFormat(format);
    browser.SetWidth(width);
    browser.SetZoom(zoom);
    browser.SetViewSize(viewWidth, viewHeight);
  }
  // The decoder run by itself on `length` bytes from `offset` at the browser's width.
  platform::Surface BareDecode(std::uint64_t offset, std::uint64_t length) {
    const ByteString bytes = ReadFile(rom);
    platform::NullProgress quiet;
    return formats::Decode(formats::Format(browser.Format()), std::span(bytes).subspan(offset, length),
                           browser.PixelWidth(), formats::DecodeMode::Preview, nullptr, quiet)
        .picture;
  }
  using Lines = std::vector<std::string>;
  Lines LastMessage() const { return platform.messages.empty() ? Lines{} : platform.messages.back().lines; }
  std::string Shown() const { return testing::PrintToString(LastMessage()); }

  TempDir dir;
  std::filesystem::path rom = dir.Path() / "game.sfc";
  FakePlatform platform;
  workspace::MainWindow window{platform};
  RomBrowser browser{platform};
};

// ---- Every format: layout, rendering, the tail, send and write back ----

class EveryFormat : public BrowserTest, public ::testing::WithParamInterface<int> {};

std::string FormatName(const ::testing::TestParamInfo<int>& info) {
  std::string name = formats::CliName(formats::Format(info.param));
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

// A screen is the decoder's picture of the bytes on screen, and one line down is one band:
// the picture moves up by exactly the band's rows.
TEST_P(EveryFormat, RendersTheBareDecodeAndALineIsOneBand) {
  OpenAt(GetParam(), 3, 400, 40);
  browser.SetOffset(1001);
  const platform::Surface first = browser.Render();
  const int band = browser::LayoutOf(formats::Format(GetParam()), browser.Width()).bandHeight;
  const std::uint64_t bands = static_cast<std::uint64_t>(first.Height() / band);
  const platform::Surface bare =
      BareDecode(1001, bands * browser::LayoutOf(formats::Format(GetParam()), 3).bandBytes);
  EXPECT_EQ(bare.Width(), first.Width());
  EXPECT_TRUE(std::ranges::equal(first.Pixels(), bare.Pixels()));

  browser.Press(Step::LineDown);
  const platform::Surface next = browser.Render();
  ASSERT_EQ(next.Height(), first.Height());
  for (int y = 0; y + band < first.Height(); ++y)
    ASSERT_TRUE(std::ranges::equal(next.Row(y), first.Row(y + band))) << "row " << y;
}

bool Hatched(RgbColor colour) {
  return colour == RomBrowser::kPastEndInk || colour == RomBrowser::kPastEndPaper;
}

// On the last screen what the file holds is drawn and everything past its end is hatched.
TEST_P(EveryFormat, TailDrawsWhatExistsAndHatchesTheRest) {
  OpenAt(GetParam(), 2, 400, 64);
  const browser::Layout layout = browser::LayoutOf(formats::Format(GetParam()), 2);
  const std::uint64_t start = kRomSize - layout.bandBytes - 1;  // one whole band, then one byte
  browser.SetOffset(start);
  const platform::Surface view = browser.Render();
  const platform::Surface whole = BareDecode(start, layout.bandBytes);
  for (int y = 0; y < layout.bandHeight; ++y) EXPECT_TRUE(std::ranges::equal(view.Row(y), whole.Row(y)));
  EXPECT_TRUE(Hatched(view.GetPixel(view.Width() - 1, view.Height() - 1)));
  EXPECT_NE(browser.DescribeRange().find(platform::HexOffset(kRomSize - 1) + " of "), std::string::npos);
}

// Sending a selection and converting it unchanged writes back the very bytes it came from;
// BGR555 carries no bit 15, so its words come back with that bit clear.
TEST_P(EveryFormat, SendConvertAndWriteBackChangesNothing) {
  OpenAt(GetParam(), 4, 400, 64);
  browser.SetOffset(2048 + 3);
  browser.Render();
  browser.Select(0, 0, 399, 9);  // two bands in a grid: whole rows
  ASSERT_TRUE(browser.SendToMainWindow(window));
  const browser::BrowsedRange sent = *browser.Sent();
  EXPECT_EQ(window.Picture().Width(), sent.width);
  EXPECT_EQ(window.View().format, GetParam());
  EXPECT_TRUE(window.HasUnsavedWork());

  window.Convert();
  ASSERT_EQ(window.RomData().size(), sent.length) << Shown();
  platform.answers.push_back(Answer::Yes);
  EXPECT_TRUE(browser.WriteIntoRom(window)) << Shown();
  ByteString expected = RandomBytes(kRomSize, 7);
  if (formats::Format(GetParam()).caption == "16bpp BGR555") {
    for (std::uint64_t at = sent.offset + 1; at < sent.offset + sent.length; at += 2) expected[at] &= 0x7F;
  } else {
    EXPECT_EQ(LastMessage().at(1), "0 bytes will change.") << Shown();
  }
  EXPECT_EQ(ReadFile(rom), expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryFormat, ::testing::Range(0, formats::kFormatCount), FormatName);

// ---- Navigation ----

struct StepCase {
  const char* name;
  int format;
  int width;
  std::uint64_t from;
  Step step;
  std::uint64_t to;
};

// 4bpp SNES at 4 tiles: bands of 128 bytes; 8bpp Linear at 100 pixels: rows of 100 bytes. The
// view (64 rows at zoom 2) holds 8 bands of 4bpp SNES and 64 rows of 8bpp Linear.
const StepCase kSteps[] = {
    {"LineDownIsABand", 8, 4, 5, Step::LineDown, 133},
    {"LineUpAtTheTopStays", 8, 4, 5, Step::LineUp, 5},
    {"LinearLineIsARow", 16, 100, 7, Step::LineDown, 107},
    {"PageDownIsAScreen", 8, 4, 5, Step::PageDown, 5 + 8 * 128},
    {"PageUpStopsAtTheAlignment", 8, 4, 300, Step::PageUp, 44},
    {"HomeGoesToZero", 8, 4, 300, Step::Home, 0},
    {"EndKeepsTheAlignment", 8, 4, 5, Step::End, 5 + (313 - 8) * 128},
    {"LinearEnd", 16, 100, 0, Step::End, (401 - 64) * 100},
    {"ByteRight", 8, 4, 5, Step::ByteRight, 6},
    {"ByteLeftAtZeroStays", 8, 4, 0, Step::ByteLeft, 0},
    {"ByteRightAtTheLastByteStays", 8, 4, kRomSize - 1, Step::ByteRight, kRomSize - 1},
    {"LineDownNeverLeavesTheFile", 16, 100, kRomSize - 50, Step::LineDown, kRomSize - 50},
};

template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& param) {
  return param.param.name;
}

class Steps : public BrowserTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(Steps, MoveTheOffset) {
  const StepCase& c = GetParam();
  OpenAt(c.format, c.width, 800, 128, 2);
  browser.SetOffset(c.from);
  browser.Press(c.step);
  EXPECT_EQ(browser.Offset(), c.to);
}

INSTANTIATE_TEST_SUITE_P(Browser, Steps, ::testing::ValuesIn(kSteps), CaseName<StepCase>);

TEST_F(BrowserTest, WidthStepsInTilesOrWholeBytesAndKeepsItsPixelsAcrossFormats) {
  OpenAt(1, 5, 800, 128);  // 1bpp Linear: 8 pixels a unit
  EXPECT_EQ(browser.PixelWidth(), 40);
  browser.Press(Step::Wider);
  EXPECT_EQ(browser.PixelWidth(), 48);
  browser.SetFormat(8);  // 4bpp SNES: tiles
  EXPECT_TRUE(browser.WidthInTiles());
  EXPECT_EQ(browser.Width(), 6);
  browser.SetFormat(17);  // 16bpp: one pixel a unit
  EXPECT_EQ(browser.Width(), 48);
  browser.SetWidth(0);
  EXPECT_EQ(browser.Width(), 1);
}

// 16 by 16 objects in "4bpp SNES" at 4 tiles wide: a band is one row of objects, and the
// stored tiles 0..7 of a band sit at (0,0) (1,0) (0,1) (1,1) (2,0) (3,0) (2,1) (3,1).
TEST_F(BrowserTest, ObjectsPutTheStoredTilesInTheirPlaces) {
  OpenAt(formats::FindFormat("4bpp SNES")->index, 4, 32, 32);
  EXPECT_FALSE(browser.SetTileOrder({tiles::Walk::Columns}));
  ASSERT_TRUE(browser.SetTileOrder({tiles::Walk::Rows, 2, 2}));
  EXPECT_EQ(browser.Scroll().pageStep, 2) << "a band is 16 rows of the 32";
  const platform::Surface& view = browser.Render();
  ASSERT_EQ(view.Height(), 32);
  // Each stored tile alone, decoded from the file: 32 bytes a tile.
  const ByteString bytes = ReadFile(rom);
  platform::NullProgress quiet;
  const std::vector<std::pair<int, int>> places{{0, 0}, {1, 0}, {0, 1}, {1, 1},
                                                {2, 0}, {3, 0}, {2, 1}, {3, 1}};
  for (std::size_t k = 0; k < 16; ++k) {
    const platform::Surface tile =
        formats::Decode(formats::Format(browser.Format()), std::span(bytes).subspan(32 * k, 32), 8,
                        formats::DecodeMode::Preview, nullptr, quiet)
            .picture;
    const auto [column, row] = places[k % 8];
    EXPECT_EQ(view.Crop(8 * column, 16 * static_cast<int>(k / 8) + 8 * row, 8, 8), tile) << k;
  }
  EXPECT_EQ(browser.At(9, 9)->offset, 3u * 32);  // tile (1,1) is stored fourth
  EXPECT_EQ(browser.At(17, 1)->offset, 4u * 32);
  // The width stays whole objects.
  browser.SetWidth(5);
  EXPECT_EQ(browser.Width(), 4);
  browser.Press(Step::Wider);
  EXPECT_EQ(browser.Width(), 6);
  browser.SetFormat(formats::FindFormat("4bpp Linear")->index);
  EXPECT_TRUE(browser.TileOrder().Plain());
}

TEST_F(BrowserTest, ScrollBarCoversTheFileInBands) {
  OpenAt(8, 4, 800, 128, 2);  // 313 bands from byte 5, 8 on screen
  browser.SetOffset(5 + 10 * 128);
  EXPECT_EQ(browser.Scroll(), (browser::ScrollRange{305, 8, 10}));
  browser.ScrollTo(400);
  EXPECT_EQ(browser.Offset(), 5 + 305 * 128);
  browser.Wheel(-1);
  EXPECT_EQ(browser.Offset(), 5 + 302 * 128);
}

// A file of more bands than an int can count scrolls in steps of several bands.
TEST_F(BrowserTest, ScrollBarOfAHugeFileStaysWithinAnInt) {
  const std::filesystem::path huge = dir.Path() / "huge.bin";
  WriteFile(huge, Bytes({1}));
  std::filesystem::resize_file(huge, std::uint64_t{5} << 30);  // sparse: costs no disk
  ASSERT_TRUE(browser.Open(huge));
  browser.SetFormat(16);
  browser.SetWidth(1);  // one byte a band
  browser.SetViewSize(100, 100);
  browser.Press(Step::End);
  const browser::ScrollRange range = browser.Scroll();
  EXPECT_GT(range.maximum, 1 << 29);
  EXPECT_EQ(range.value, range.maximum);
  browser.ScrollTo(range.maximum / 2);
  EXPECT_NEAR(static_cast<double>(browser.Offset()), static_cast<double>(std::uint64_t{5} << 29), 1e3);
}

TEST_F(BrowserTest, JumpToTakesHexAndRefusesTheRest) {
  OpenAt(8, 4, 800, 128);
  EXPECT_TRUE(browser.JumpTo("1F0"));
  EXPECT_EQ(browser.Offset(), 0x1F0u);
  EXPECT_TRUE(browser.JumpTo("$2A"));
  EXPECT_EQ(browser.Offset(), 0x2Au);
  EXPECT_FALSE(browser.JumpTo("FFFFF"));
  EXPECT_EQ(LastMessage(),
            (Lines{"Offset 0xFFFFF is beyond the end of game.sfc.", "game.sfc holds 0x9C65 bytes."}));
  EXPECT_FALSE(browser.JumpTo("xyz"));
  EXPECT_EQ(LastMessage().at(0), "\"xyz\" is not an offset.");
  EXPECT_EQ(browser.Offset(), 0x2Au);
}

// ---- Status bar and selection ----

TEST_F(BrowserTest, PointUnderTheMouseGivesItsByteAndTile) {
  OpenAt(8, 4, 800, 128, 2);  // 4bpp SNES: 32-byte tiles, 128-byte bands
  browser.SetOffset(0x100 + 5);
  const std::optional<browser::PointInfo> point = browser.At(2 * 17, 2 * 9);  // tile 2 of band 1
  ASSERT_TRUE(point);
  EXPECT_EQ(point->offset, 0x105u + 128 + 64);
  EXPECT_EQ(point->tile, (0x105u + 128 + 64) / 32);
  EXPECT_EQ(browser.DescribePoint(34, 18), "0x1C5  tile 14");
  EXPECT_EQ(browser.DescribePoint(2 * 32, 0), "") << "beside the picture";

  browser.SetFormat(17);  // 16bpp: two bytes a pixel, no tiles
  browser.SetOffset(0);
  const std::optional<browser::PointInfo> linear = browser.At(3, 2);
  ASSERT_TRUE(linear);
  EXPECT_EQ(linear->offset, 2 * static_cast<std::uint64_t>(browser.PixelWidth() + 1));
  EXPECT_FALSE(linear->tile);
}

// The PC Engine sprites are 16 by 16 blocks of 128 bytes: the width counts sprites, a band
// is 16 pixel rows, and the number under the mouse is the sprite's.
TEST_F(BrowserTest, SpriteFormatMovesInSixteenRowBandsOfWholeSprites) {
  const formats::FormatInfo& sprites = *formats::FindFormat("4bpp PCE Sprite");
  OpenAt(sprites.index, 4, 800, 128);
  const browser::Layout layout = browser::LayoutOf(sprites, 4);
  EXPECT_TRUE(layout.grid);
  EXPECT_EQ(layout.unitPixels, 16);
  EXPECT_EQ(layout.bandHeight, 16);
  EXPECT_EQ(layout.tileBytes, 128u);
  EXPECT_EQ(layout.bandBytes, 512u);
  EXPECT_EQ(browser.PixelWidth(), 64);
  const std::optional<browser::PointInfo> point = browser.At(20, 17);  // sprite 1 of band 1
  ASSERT_TRUE(point);
  EXPECT_EQ(point->offset, 512u + 128u);
  EXPECT_EQ(point->tile, 5u);
  browser.Press(Step::LineDown);
  EXPECT_EQ(browser.Offset(), 512u);
}

struct SnapCase {
  const char* name;
  int format;
  int fromX, fromY, toX, toY;
  convert::Selection expected;
};

// Zoom 2, width 4 units: a 32-pixel grid picture, a 32-pixel 1bpp Linear one.
const SnapCase kSnaps[] = {
    {"GridSnapsOutToTiles", 8, 2 * 9, 2 * 3, 2 * 20, 2 * 5, {8, 0, 16, 8}},
    {"GridBackwardsDrag", 8, 2 * 20, 2 * 5, 2 * 9, 2 * 3, {8, 0, 16, 8}},
    {"GridTwoBandsTakeWholeRows", 8, 2 * 9, 2 * 3, 2 * 20, 2 * 12, {0, 0, 32, 16}},
    {"LinearSnapsToWholeBytes", 1, 2 * 9, 2 * 3, 2 * 20, 2 * 3, {8, 3, 16, 1}},
    {"LinearTwoRowsTakeWholeRows", 1, 2 * 9, 2 * 3, 2 * 20, 2 * 4, {0, 3, 32, 2}},
    {"ClampedToThePicture", 8, -50, -50, 2 * 500, 2 * 2, {0, 0, 32, 8}},
    // 4bpp PCE Sprite: width 4 units is 64 pixels of 16 by 16 sprites.
    {"SpritesSnapOutToSixteenBySixteen", 23, 2 * 20, 2 * 3, 2 * 40, 2 * 5, {16, 0, 32, 16}},
    {"SpritesTwoBandsTakeWholeRows", 23, 2 * 20, 2 * 3, 2 * 40, 2 * 17, {0, 0, 64, 32}},
};

class Snaps : public BrowserTest, public ::testing::WithParamInterface<SnapCase> {};

TEST_P(Snaps, SelectionSnapsToOneStretchOfTheFile) {
  const SnapCase& c = GetParam();
  OpenAt(c.format, 4, 800, 128, 2);
  browser.Select(c.fromX, c.fromY, c.toX, c.toY);
  ASSERT_TRUE(browser.Selection());
  EXPECT_EQ(*browser.Selection(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Browser, Snaps, ::testing::ValuesIn(kSnaps), CaseName<SnapCase>);

// ---- Colours ----

TEST_F(BrowserTest, PaletteAndRampColourEachValue) {
  WriteFile(rom,
            Bytes({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}));  // 4bpp Linear: values 0-15 in order
  const std::filesystem::path pal = dir.Path() / "ramp.hex";
  std::string text;
  for (int v = 0; v < 16; ++v) text += "#" + std::string(1, "0123456789abcdef"[v]) + "00000\n";
  std::ofstream(pal) << text;
  OpenAt(10, 8, 100, 1);  // 16 pixels wide: one row of all sixteen values
  ASSERT_TRUE(browser.LoadPalette(pal)) << Shown();
  const platform::Surface coloured = browser.Render();
  for (int v = 0; v < 16; ++v) EXPECT_EQ(coloured.GetPixel(v, 0), Rgb(v * 16, 0, 0)) << v;

  browser.SetColourSource(browser::Colours::Ramp);
  const platform::Surface ramp = browser.Render();
  EXPECT_EQ(ramp.GetPixel(0, 0), kBlack);
  EXPECT_EQ(ramp.GetPixel(15, 0), kWhite);
  for (int v = 1; v < 16; ++v) EXPECT_NE(ramp.GetPixel(v, 0), ramp.GetPixel(v - 1, 0));

  // The shades count down from white in steps of 255 / 15 = 17.
  browser.SetColourSource(browser::Colours::Shades);
  const platform::Surface shades = browser.Render();
  for (int v = 0; v < 16; ++v) EXPECT_EQ(shades.GetPixel(v, 0), GreyColor(255 - 17 * v)) << v;
}

// ---- Bad input ----

TEST_F(BrowserTest, EmptyAndMissingFilesAreRefusedByName) {
  WriteFile(rom, {});
  EXPECT_FALSE(browser.Open(rom));
  EXPECT_EQ(LastMessage(), (Lines{"Unable to open game.sfc.", "the file is empty"}));
  EXPECT_FALSE(browser.Open(dir.Path() / "none.sfc"));
  EXPECT_EQ(LastMessage().at(0), "Unable to open none.sfc.");
  EXPECT_FALSE(browser.HasFile());
}

TEST_F(BrowserTest, FileShrunkWhileOpenIsReadAtItsNewSizeAndSaidSo) {
  OpenAt(8, 4, 800, 128);
  browser.SetOffset(30000);
  browser.Render();
  std::filesystem::resize_file(rom, 1000);
  const platform::Surface view = browser.Render();
  EXPECT_EQ(browser.Offset(), 999u);
  EXPECT_FALSE(view.IsEmpty());
  EXPECT_NE(browser.DescribeRange().find("game.sfc shrank to 0x3E8 bytes."), std::string::npos);
  std::filesystem::resize_file(rom, 0);
  EXPECT_TRUE(browser.Render().IsEmpty());
  EXPECT_NE(browser.DescribeRange().find("game.sfc: the file is empty"), std::string::npos);
}

// Another program cutting the ROM short and growing it back while the view scrolls, draws and
// sends: a cut that lands between the look at the file and the read of the screen must come
// out as bytes past the end (it raised SIGBUS when the screen was read through a mapping).
TEST_F(BrowserTest, RomCutShortWhileDrawingIsDrawnAsPastItsEnd) {
  constexpr off_t kLong = 1 << 20;
  constexpr off_t kShort = 4096;
  constexpr int kDraws = 200;
  constexpr int kMostCuts = 1'000'000;
  WriteFile(rom, RandomBytes(kLong, 3));
  OpenAt(16, 512, 512, 256);  // 8bpp Linear: 128 KiB a screen
  std::atomic<bool> stop = false;
  std::thread cutter([&] {
    for (int cut = 0; cut < kMostCuts && !stop; ++cut)
      if (::truncate(rom.c_str(), kShort) != 0 || ::truncate(rom.c_str(), kLong) != 0) break;
  });
  int wrongSize = 0;
  int otherNotices = 0;
  for (int draw = 0; draw < kDraws; ++draw) {
    browser.Press(draw % 3 == 0 ? Step::LineUp : Step::PageDown);
    const platform::Surface& view = browser.Render();
    if (view.Width() != 512 || view.Height() != 256) ++wrongSize;
    const std::string range = browser.DescribeRange();
    const std::size_t notice = range.find("  ");
    if (notice != std::string::npos && range.find("  game.sfc shrank to 0x") != notice) ++otherNotices;
    if (draw % 16 == 0) {
      browser.Select(0, 0, 511, 255);
      browser.SendToMainWindow(window);
    }
  }
  stop = true;
  cutter.join();
  EXPECT_EQ(wrongSize, 0);
  EXPECT_EQ(otherNotices, 0);
  // A change seen before the send drops the selection; one seen while reading it leaves it
  // running past the end.
  for (const platform::Message& message : platform.messages) {
    EXPECT_TRUE(message.lines == Lines{"The selection runs past the end of game.sfc."} ||
                message.lines == Lines{"Select part of the view to send to the main window first."})
        << testing::PrintToString(message.lines);
  }

  browser.Render();  // the ROM at its full length again
  ASSERT_EQ(::truncate(rom.c_str(), kShort), 0);
  const platform::Surface& cut = browser.Render();
  ASSERT_EQ(cut.Height(), 256);
  EXPECT_TRUE(cut.GetPixel(511, 255) == RomBrowser::kPastEndInk ||
              cut.GetPixel(511, 255) == RomBrowser::kPastEndPaper);
  EXPECT_NE(browser.DescribeRange().find("game.sfc shrank to 0x1000 bytes."), std::string::npos);
}

// ---- Write back ----

class WriteBack : public BrowserTest {
 protected:
  void SendAndConvert() {
    OpenAt(2, 4, 400, 64);  // 2bpp SNES/GB: 16-byte tiles
    browser.SetOffset(160);
    browser.Render();
    browser.Select(0, 0, 20, 3);  // three tiles of one band
    ASSERT_TRUE(browser.SendToMainWindow(window));
    EXPECT_EQ(*browser.Sent(), (browser::BrowsedRange{rom, 160, 48, 2, 24, 8}));
    window.MakeCurrentPicture(platform::Surface::Picture(24, 8, kWhite));  // edited elsewhere, pasted back
    window.SelectFormat(2);
    window.Convert();
    platform.messages.clear();
  }
  ByteString original = RandomBytes(kRomSize, 7);
};

TEST_F(WriteBack, YesWritesTheRangeAndTheViewShowsIt) {
  SendAndConvert();
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(browser.WriteIntoRom(window)) << Shown();
  ASSERT_EQ(platform.messages.size(), 1u);
  const std::size_t changed = static_cast<std::size_t>(std::count_if(
      original.begin() + 160, original.begin() + 208, [](std::uint8_t b) { return b != 0xFF; }));
  EXPECT_EQ(platform.messages[0].lines, (Lines{"Write 48 bytes at 0xA0 into game.sfc?",
                                               std::to_string(changed) + " bytes will change."}));
  std::fill(original.begin() + 160, original.begin() + 208, 0xFF);
  EXPECT_EQ(ReadFile(rom), original);
  EXPECT_EQ(browser.Render().GetPixel(0, 0), kWhite);
}

TEST_F(WriteBack, NoLeavesTheRomAlone) {
  SendAndConvert();
  platform.answers.push_back(Answer::No);
  EXPECT_FALSE(browser.WriteIntoRom(window));
  EXPECT_EQ(ReadFile(rom), original);
}

TEST_F(WriteBack, UndoWritesTheOldBytesBackAfterTheSameQuestionAndRedoWritesAgain) {
  SendAndConvert();
  EXPECT_TRUE(browser.CanWriteInto(window));
  const std::size_t changed = static_cast<std::size_t>(std::count_if(
      original.begin() + 160, original.begin() + 208, [](std::uint8_t b) { return b != 0xFF; }));
  const Lines question{"Write 48 bytes at 0xA0 into game.sfc?",
                       std::to_string(changed) + " bytes will change."};
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(browser.WriteIntoRom(window)) << Shown();
  EXPECT_EQ(browser.Report(),
            "Wrote 48 bytes at 0xA0 into game.sfc, " + std::to_string(changed) + " of them changed.");
  ByteString written = original;
  std::fill(written.begin() + 160, written.begin() + 208, 0xFF);
  EXPECT_EQ(browser.UndoName(), "Undo Write into ROM");

  // No to the question: the ROM keeps the written bytes and the step stays to be undone.
  platform.answers.push_back(Answer::No);
  EXPECT_FALSE(browser.Undo());
  EXPECT_EQ(ReadFile(rom), written);
  EXPECT_EQ(browser.UndoName(), "Undo Write into ROM");

  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(browser.Undo()) << Shown();
  EXPECT_EQ(LastMessage(), question);  // the same bytes change back
  EXPECT_EQ(ReadFile(rom), original);
  EXPECT_EQ(browser.Render().GetPixel(0, 0), BareDecode(160, 16).GetPixel(0, 0));
  EXPECT_EQ(browser.RedoName(), "Redo Write into ROM");
  EXPECT_EQ(browser.Report().find("Undid Write into ROM: Wrote 48 bytes at 0xA0"), 0u) << browser.Report();

  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(browser.Redo()) << Shown();
  EXPECT_EQ(LastMessage(), question);
  EXPECT_EQ(ReadFile(rom), written);
}

TEST_F(WriteBack, ClearInTheMainWindowLeavesNothingToWrite) {
  SendAndConvert();
  window.ClearOrCancel();
  EXPECT_FALSE(browser.CanWriteInto(window));
  EXPECT_FALSE(browser.WriteIntoRom(window));
  EXPECT_EQ(LastMessage(), (Lines{"Unable to write into game.sfc.",
                                  "The main window holds no converted data. Convert its picture first."}));
  EXPECT_EQ(ReadFile(rom), original);
}

// The user's changes of the settings, each undone and redone: the settings and the offset
// before and after, whole.
struct SettingsCase {
  const char* name;
  std::function<void(RomBrowser&)> change;
  const char* step;
};

class SettingsSteps : public BrowserTest, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(SettingsSteps, UndoAndRedoBringBackTheSettings) {
  OpenAt(2, 4, 400, 64);
  browser.SetOffset(160);
  browser.Render();
  browser.Select(0, 0, 20, 3);
  const RomBrowser::Settings before = browser.CurrentSettings();
  browser.Record(GetParam().step, [&] { GetParam().change(browser); });
  const RomBrowser::Settings after = browser.CurrentSettings();
  ASSERT_FALSE(after == before);
  EXPECT_EQ(browser.UndoName(), std::string("Undo ") + GetParam().step);
  ASSERT_TRUE(browser.Undo());
  EXPECT_TRUE(browser.CurrentSettings() == before);
  EXPECT_EQ(browser.Selection(), std::optional(convert::Selection{0, 0, 24, 8}));
  EXPECT_EQ(browser.Report(), std::string("Undid ") + GetParam().step + ".");
  ASSERT_TRUE(browser.Redo());
  EXPECT_TRUE(browser.CurrentSettings() == after);
  EXPECT_TRUE(platform.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Browser, SettingsSteps,
    ::testing::Values(
        SettingsCase{"Format", [](RomBrowser& b) { b.SetFormat(8); }, "Format 4bpp SNES"},
        SettingsCase{"Width", [](RomBrowser& b) { b.SetWidth(6); }, "Change width"},
        SettingsCase{"Order",
                     [](RomBrowser& b) {
                       b.SetTileOrder({tiles::Walk::Rows, 2, 2, tiles::Walk::Rows});
                     },
                     "Order 2x2 objects"},
        SettingsCase{"Compression", [](RomBrowser& b) { b.SetCompression(&compression::Schemes()[0]); },
                     "Compression"},
        SettingsCase{"Selection", [](RomBrowser& b) { b.Select(0, 0, 60, 3); }, "Select"},
        SettingsCase{"ClearSelection", [](RomBrowser& b) { b.ClearSelection(); }, "Clear selection"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(BrowserTest, StatusGivesTheSelectionsBytesAndFitWidthFillsTheView) {
  OpenAt(2, 4, 400, 64);  // 2bpp SNES/GB, 16 bytes a tile, 4 tiles a band
  EXPECT_EQ(browser.DescribeSelection(), "");
  browser.SetOffset(160);
  browser.Render();
  browser.Select(0, 0, 20, 3);  // three tiles of one band
  EXPECT_EQ(browser.DescribeSelection(), "Selected 0xA0-0xCF: 48 bytes, 24 by 8 pixels");
  // 400 screen pixels at zoom 2: 200 picture pixels, 25 whole tiles.
  browser.SetZoom(2);
  browser.FitWidth();
  EXPECT_EQ(browser.Width(), 25);
  browser.SetFormat(4);  // 2bpp linear: 4 pixels a byte
  browser.SetZoom(1);
  browser.FitWidth();
  EXPECT_EQ(browser.PixelWidth(), 400);
}

TEST_F(WriteBack, MismatchesAreRefusedNamingWhatDiffers) {
  SendAndConvert();
  window.SelectFormat(3);
  window.Convert();
  EXPECT_FALSE(browser.WriteIntoRom(window));
  EXPECT_EQ(LastMessage(),
            (Lines{"Unable to write into game.sfc.",
                   "The data was converted as 2bpp NES, but the range at 0xA0 holds 2bpp SNES/GB."}));
  window.MakeCurrentPicture(platform::Surface::Picture(32, 8, kWhite));
  window.SelectFormat(2);
  window.Convert();
  EXPECT_FALSE(browser.WriteIntoRom(window));
  EXPECT_EQ(LastMessage(), (Lines{"Unable to write into game.sfc.",
                                  "The data is 64 bytes, but the range at 0xA0 is 48 bytes."}));
  EXPECT_EQ(ReadFile(rom), original);
}

TEST_F(WriteBack, ReadOnlyRomIsRefusedAndUntouched) {
  SendAndConvert();
  std::filesystem::permissions(rom, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_FALSE(browser.WriteIntoRom(window));
  EXPECT_EQ(LastMessage().at(0), "Unable to write into game.sfc.");
  EXPECT_EQ(ReadFile(rom), original);
}

// ---- Compressed blocks ----

// GBA LZ77 blocks composed by hand: header 0x10 and the decompressed size (24 bits, little
// endian), then a flag byte (1 = copy, most significant bit first) and its items. A copy is
// two bytes: (length - 3) << 4 | (distance - 1) >> 8, then the low byte of distance - 1.
// A copy is at most 18 bytes.
// 0x1000: literals 11 22, then 18 and 12 bytes copied from 2 back: 32 bytes of 11 22.
const ByteString kBlockA = {0x10, 0x20, 0x00, 0x00, 0x30, 0x11, 0x22, 0xF0, 0x01, 0x90, 0x01};
// 0x2004: literals 01 02 03 04, then 18 and 10 bytes copied from 4 back: 32 bytes of 01 02 03 04.
const ByteString kBlockB = {0x10, 0x20, 0x00, 0x00, 0x0C, 0x01, 0x02, 0x03, 0x04, 0xF0, 0x03, 0x70, 0x03};
ByteString Repeat(const ByteString& unit, std::size_t count) {
  ByteString out;
  for (std::size_t i = 0; i < count; ++i) out.insert(out.end(), unit.begin(), unit.end());
  return out;
}

class Blocks : public BrowserTest {
 protected:
  Blocks() {
    // Filler, so that no chance block lies between the planted ones.
    ByteString bytes(0x8000, 0xFF);
    std::copy(kBlockA.begin(), kBlockA.end(), bytes.begin() + 0x1000);
    std::copy(kBlockB.begin(), kBlockB.end(), bytes.begin() + 0x2004);
    original = bytes;
    WriteFile(rom, bytes);
    OpenAt(2, 2, 400, 64);  // 2bpp SNES/GB, two 16-byte tiles a band
    browser.SetCompression(scheme);
  }
  // The block at `offset` of the ROM as it is now.
  ByteString BlockAt(std::size_t offset) {
    const ByteString bytes = ReadFile(rom);
    Result<compression::Decompressed> block = scheme->decode(std::span(bytes).subspan(offset), {});
    return block ? block.Value().bytes : ByteString{};
  }
  const compression::Scheme* scheme = compression::FindScheme("gba-lz77");
  ByteString original;
};

TEST_F(Blocks, ViewIsThePlainDecodeOfTheDecompressedBytesAndTheStatusGivesTheSizes) {
  browser.SetOffset(0x1000);
  const platform::Surface view = browser.Render();
  platform::NullProgress quiet;
  const ByteString data = Repeat({0x11, 0x22}, 16);
  const platform::Surface bare =
      formats::Decode(formats::Format(2), data, 16, formats::DecodeMode::Preview, nullptr, quiet).picture;
  ASSERT_EQ(view.Width(), 16);
  for (int y = 0; y < 8; ++y) EXPECT_TRUE(std::ranges::equal(view.Row(y), bare.Row(y))) << "row " << y;
  EXPECT_TRUE(Hatched(view.GetPixel(0, 8)));  // past the block's 32 bytes
  EXPECT_EQ(browser.DescribeRange(), "gba-lz77 block at 0x1000: 11 bytes, 32 decompressed");
  EXPECT_EQ(browser.DescribePoint(9, 0), "block +0x10  tile 1");  // tiles count from the block

  browser.SetCompression(nullptr);  // the ROM's bytes again
  EXPECT_EQ(browser.Render().GetPixel(0, 0), BareDecode(0x1000, 32).GetPixel(0, 0));
  EXPECT_EQ(browser.DescribeRange().find("0x1000-"), 0u);
}

TEST_F(Blocks, NoBlockAtTheOffsetIsHatchedAndTheStatusSaysWhy) {
  browser.SetOffset(0x10);
  const platform::Surface& view = browser.Render();
  for (int y = 0; y < view.Height(); ++y)
    for (RgbColor pixel : view.Row(y)) ASSERT_TRUE(Hatched(pixel));
  EXPECT_EQ(browser.DescribeRange().find("No gba-lz77 block at 0x10: "), 0u) << browser.DescribeRange();
  EXPECT_GT(browser.DescribeRange().size(), std::string("No gba-lz77 block at 0x10: ").size());
}

TEST_F(Blocks, NextAndPreviousLandOnThePlantedBlocks) {
  const std::uint64_t next[] = {0x1000, 0x2004, 0x2004};
  for (std::uint64_t expected : next) {
    browser.Press(Step::NextBlock);
    EXPECT_EQ(browser.Offset(), expected);
  }
  EXPECT_EQ(LastMessage(), Lines{"No gba-lz77 block after 0x2004 in game.sfc."});
  browser.SetOffset(0x2003);  // between the blocks, not on the alignment
  browser.Press(Step::PreviousBlock);
  EXPECT_EQ(browser.Offset(), 0x1000u);
  browser.Press(Step::PreviousBlock);
  EXPECT_EQ(browser.Offset(), 0x1000u);
  EXPECT_EQ(LastMessage(), Lines{"No gba-lz77 block before 0x1000 in game.sfc."});
  browser.SetCompression(nullptr);
  browser.Press(Step::NextBlock);  // nothing to look for
  EXPECT_EQ(browser.Offset(), 0x1000u);
}

// The steps read the file a stretch at a time: blocks at a stretch's first offset and across
// a stretch's end are found both ways.
TEST_F(Blocks, StepsFindBlocksAcrossTheStretchesTheFileIsReadIn) {
  ByteString bytes((std::size_t{5} << 20) / 2, 0xFF);
  const std::size_t planted[] = {0x100000, 0x1FFFFC};
  for (std::size_t at : planted)
    std::copy(kBlockA.begin(), kBlockA.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  WriteFile(rom, bytes);
  browser.Render();  // the file is read at its new size
  browser.SetOffset(0);
  for (std::size_t at : planted) {
    ASSERT_TRUE(browser.NextBlock()) << Shown();
    EXPECT_EQ(browser.Offset(), at);
  }
  EXPECT_FALSE(browser.NextBlock());
  browser.SetOffset(bytes.size() - 1);
  for (std::size_t i = std::size(planted); i-- > 0;) {
    ASSERT_TRUE(browser.PreviousBlock()) << Shown();
    EXPECT_EQ(browser.Offset(), planted[i]);
  }
  EXPECT_FALSE(browser.PreviousBlock());
}

// The block is sent whole (two tiles), converted white and written back compressed.
class BlockWriteBack : public Blocks {
 protected:
  void SendAndConvert(const platform::Surface& picture) {
    browser.SetOffset(0x1000);
    browser.Render();
    browser.Select(0, 0, 15, 15);  // two bands: the block holds one
    EXPECT_FALSE(browser.SendToMainWindow(window));
    EXPECT_EQ(LastMessage(),
              Lines{"The selection runs past the end of the gba-lz77 block at 0x1000 in game.sfc."});
    browser.Select(0, 0, 15, 7);
    ASSERT_TRUE(browser.SendToMainWindow(window)) << Shown();
    browser::BrowsedRange expected{rom, 0x1000, 32, 2, 16, 8, scheme, 0};
    EXPECT_EQ(*browser.Sent(), expected);
    // The picture sent is the block's decompressed bytes, not the ROM's.
    platform::NullProgress quiet;
    const platform::Surface bare = formats::Decode(formats::Format(2), Repeat({0x11, 0x22}, 16), 16,
                                                   formats::DecodeMode::Preview, nullptr, quiet)
                                       .picture;
    EXPECT_TRUE(std::ranges::equal(window.Picture().Pixels(), bare.Pixels()));
    window.MakeCurrentPicture(picture);
    window.SelectFormat(2);
    window.Convert();
    platform.messages.clear();
  }
};

TEST_F(BlockWriteBack, DataThatFitsIsCompressedIntoTheBlock) {
  SendAndConvert(platform::Surface::Picture(16, 8, kWhite));
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(browser.WriteIntoRom(window)) << Shown();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].lines.at(0).find("-byte gba-lz77 block at 0x1000 into game.sfc?"),
            std::string::npos)
      << Shown();
  EXPECT_EQ(BlockAt(0x1000), ByteString(32, 0xFF));
  const ByteString after = ReadFile(rom);
  EXPECT_TRUE(std::equal(after.begin() + 0x100B, after.end(), original.begin() + 0x100B));
  EXPECT_EQ(browser.Render().GetPixel(0, 0), kWhite);
}

TEST_F(BlockWriteBack, UndoPutsTheOldBlockBack) {
  SendAndConvert(platform::Surface::Picture(16, 8, kWhite));
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(browser.WriteIntoRom(window)) << Shown();
  ASSERT_NE(ReadFile(rom), original);
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(browser.Undo()) << Shown();
  EXPECT_EQ(ReadFile(rom), original);
  EXPECT_EQ(BlockAt(0x1000), Repeat({0x11, 0x22}, 16));
}

// A block that grew is offered a move to the free space after the ROM's data: the first
// word-aligned run of filler after the last used byte, here the pointer to the old block at
// 0x3000, which follows it there.
class BlockMove : public BlockWriteBack {
 protected:
  BlockMove() {
    ByteString bytes = original;
    const ByteString pointer = {0x00, 0x10, 0x00, 0x08};  // 0x08001000
    std::copy(pointer.begin(), pointer.end(), bytes.begin() + 0x3000);
    original = bytes;
    WriteFile(rom, bytes);
    platform::Surface noise = platform::Surface::Picture(16, 8, kWhite);
    const ByteString levels = RandomBytes(16 * 8, 3);
    for (int i = 0; i < 16 * 8; ++i)
      noise.SetPixel(i % 16, i / 16, GreyColor(levels[static_cast<std::size_t>(i)] / 64 * 85));
    SendAndConvert(noise);
  }
};

TEST_F(BlockMove, QuestionNamesBothSizesAndThePlaceAndNoLeavesTheRomAlone) {
  platform.answers.push_back(Answer::No);
  EXPECT_FALSE(browser.WriteIntoRom(window));
  ASSERT_EQ(platform.messages.size(), 1u) << Shown();
  const Lines& question = platform.messages[0].lines;
  ASSERT_EQ(question.size(), 2u);
  EXPECT_EQ(question[0].find("The new gba-lz77 block is "), 0u) << Shown();
  EXPECT_NE(
      question[0].find(" bytes, but the one at 0x1000 is 11 bytes. Write it at 0x3004 of game.sfc instead?"),
      std::string::npos)
      << Shown();
  EXPECT_EQ(question[1], "0x3004 holds only filler bytes; 1 GBA pointer to 0x1000 will point there.");
  EXPECT_EQ(ReadFile(rom), original);
}

TEST_F(BlockMove, YesWritesTheBlockThereAndRepointsInOneGo) {
  platform.answers.push_back(Answer::Yes);
  ASSERT_TRUE(browser.WriteIntoRom(window)) << Shown();
  const ByteString after = ReadFile(rom);
  const ByteString block = BlockAt(0x3004);
  ASSERT_EQ(block.size(), 32u);
  // The pointer now names 0x3004; the old block and everything before the new one are as they were.
  EXPECT_EQ(ByteString(after.begin() + 0x3000, after.begin() + 0x3004), (ByteString{0x04, 0x30, 0x00, 0x08}));
  EXPECT_TRUE(std::equal(after.begin(), after.begin() + 0x3000, original.begin()));
  EXPECT_EQ(browser.Offset(), 0x3004u);  // the view follows the block
  EXPECT_EQ(browser.Sent()->offset, 0x3004u);
  EXPECT_EQ(block, window.RomData());
}

}  // namespace
}  // namespace glyphon::test
