// SPDX-License-Identifier: MIT
#include "palette/palette_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "platform/file_io.h"
#include "support/peak_memory.h"
#include "support/test_support.h"

namespace glyphon::palette {
namespace {

Palette RandomPalette(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  Palette palette;
  for (std::size_t i = 0; i < count; ++i)
    palette.colours.push_back(static_cast<RgbColor>(random() & 0xFFFFFF));
  return palette;
}

ByteString Text(std::string_view text) {
  return ByteString(text.begin(), text.end());
}

ByteString Repeated(std::string_view line, int times) {
  ByteString out;
  for (int i = 0; i < times; ++i) out.insert(out.end(), line.begin(), line.end());
  return out;
}

class EveryKind : public ::testing::TestWithParam<std::size_t> {
 protected:
  const PaletteKind& kind() const { return PaletteKinds()[GetParam()]; }
};

// Written through the file functions (by extension where the kind has one), read back as
// the colours at the layout's depth, and written again byte for byte.
TEST_P(EveryKind, RoundTripsAtItsDepth) {
  test::TempDir dir;
  const std::string_view extension = kind().extensions.substr(0, kind().extensions.find(' '));
  const std::string path = dir.File("palette" + std::string(extension.empty() ? ".bin" : extension));
  const PaletteKind* named = extension.empty() ? &kind() : nullptr;
  for (std::size_t count : {1u, 16u, 255u, 256u}) {
    const Palette palette = RandomPalette(count, static_cast<std::uint32_t>(count));
    ASSERT_TRUE(SavePalette(path, palette, named));
    const Result<Palette> back = LoadPalette(path, named);
    ASSERT_TRUE(back) << back.Error();
    EXPECT_EQ(back.Value(), AtDepth(palette, kind().componentBits)) << count << " colours";
    EXPECT_EQ(kind().write(back.Value()), platform::ReadFileBytes(path).Value()) << count << " colours";
  }
}

std::string KindName(const ::testing::TestParamInfo<std::size_t>& info) {
  return std::string(PaletteKinds()[info.param].name);
}

INSTANTIATE_TEST_SUITE_P(Palettes, EveryKind, ::testing::Range<std::size_t>(0, PaletteKinds().size()),
                         KindName);

TEST(PaletteDepth, ReducingAnExpandedLevelGivesItBack) {
  for (int v = 0; v < 32; ++v) EXPECT_EQ(ReduceTo5(ExpandFrom5(v)), v);
  for (int v = 0; v < 8; ++v) EXPECT_EQ(ReduceTo3(ExpandFrom3(v)), v);
  EXPECT_EQ(ExpandFrom5(31), 255);
  EXPECT_EQ(ExpandFrom3(7), 255);
}

// The byte order and bit places of the console layouts.
TEST(ConsoleLayouts, KnownWords) {
  struct Case {
    const char* kind;
    RgbColor colour;
    ByteString bytes;
  };
  const Case cases[] = {
      {"bgr555", Rgb(255, 0, 0), test::Bytes({0x1F, 0x00})},
      {"bgr555", Rgb(0, 0, 255), test::Bytes({0x00, 0x7C})},
      {"bgr555", Rgb(0, 255, 0), test::Bytes({0xE0, 0x03})},
      {"genesis", Rgb(255, 0, 0), test::Bytes({0x00, 0x0E})},
      {"genesis", Rgb(0, 0, 255), test::Bytes({0x0E, 0x00})},
      {"genesis", Rgb(0, 255, 0), test::Bytes({0x00, 0xE0})},
      {"rgba5551", Rgb(255, 0, 0), test::Bytes({0xF8, 0x01})},
      {"rgba5551", Rgb(0, 0, 255), test::Bytes({0x00, 0x3F})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindPaletteKind(c.kind)->write(Palette{{c.colour}}), c.bytes)
        << c.kind << " " << HexColour(c.colour);
  }
}

// Photoshop's colour swatches: Photoshop 7 writes red (255, 0, 0) named "Swatch 1" and green
// named "Swatch 2" as a version 1 section then a version 2 one with the names (16-bit
// big-endian words; a name is a 32-bit count of UTF-16 units with its closing 0).
ByteString SwatchWords(std::initializer_list<unsigned> words) {
  ByteString out;
  for (unsigned w : words) {
    out.push_back(static_cast<std::uint8_t>(w >> 8));
    out.push_back(static_cast<std::uint8_t>(w & 0xFF));
  }
  return out;
}

TEST(PaletteFiles, PhotoshopSwatches) {
  const ByteString v1 = SwatchWords({1, 2, 0, 0xFFFF, 0, 0, 0, 0, 0, 0xFFFF, 0, 0});
  const ByteString v2 = SwatchWords({2, 2, 0, 0xFFFF, 0, 0, 0, 0, 9,   'S', 'w', 'a', 't', 'c', 'h', ' ', '1',
                                     0, 0, 0, 0xFFFF, 0, 0, 0, 9, 'S', 'w', 'a', 't', 'c', 'h', ' ', '2', 0});
  ByteString both = v1;
  both.insert(both.end(), v2.begin(), v2.end());
  const PaletteKind& aco = *FindPaletteKind("aco");
  const std::vector<RgbColor> redGreen{Rgb(255, 0, 0), Rgb(0, 255, 0)};
  for (const ByteString& file : {v1, v2, both}) {
    const Result<Palette> read = aco.read(file);
    ASSERT_TRUE(read) << read.Error();
    EXPECT_EQ(read.Value().colours, redGreen);
  }
  // Written as Photoshop writes: version 1, then version 2 naming each colour #rrggbb.
  EXPECT_EQ(aco.write(Palette{{Rgb(255, 0, 0)}}),
            SwatchWords({1, 1, 0, 0xFFFF, 0, 0, 0,  //
                         2, 1, 0, 0xFFFF, 0, 0, 0, 0, 8, '#', 'f', 'f', '0', '0', '0', '0', 0}));
  EXPECT_EQ(aco.read(SwatchWords({1, 1, 2, 0, 0, 0, 0})).Error(),
            "colour 0 is in colour space 2; only RGB (0) colours are read");
  EXPECT_EQ(aco.read(SwatchWords({1, 2, 0, 0xFFFF, 0, 0, 0})).Error(), "colour 1 is cut short");
  EXPECT_EQ(aco.read(SwatchWords({3, 1})).Error(), "the version is 3, not 1 or 2: not a colour swatch file");
  EXPECT_EQ(PaletteKindOfPath("x.ACO"), &aco);
}

// Truncation drops the low bits, c >> 3 to 5 bits and c >> 5 to 3, where the default takes
// the nearest level: 15 is 1.9 fifths of 255/31, nearest 2, truncated 15 >> 3 = 1.
TEST(PaletteDepth, TruncationDropsTheLowBits) {
  const PaletteKind& bgr555 = *FindPaletteKind("bgr555");
  const PaletteKind& genesis = *FindPaletteKind("genesis");
  const Palette colours{{Rgb(15, 7, 255)}};
  // Nearest: red 2, green round(7 * 31 / 255) = 1, blue 31: 0b11111_00001_00010 = 0x7C22.
  EXPECT_EQ(bgr555.write(colours), test::Bytes({0x22, 0x7C}));
  // Truncated: red 1, green 0, blue 31: 0x7C01.
  EXPECT_EQ(bgr555.write(Rounded(colours, 5, Rounding::Truncate)), test::Bytes({0x01, 0x7C}));
  // Genesis, 3 bits: 0xE0 is 224, nearest round(224 * 7 / 255) = 6, truncated 224 >> 5 = 7.
  const Palette amber{{Rgb(0xE0, 0, 0)}};
  EXPECT_EQ(genesis.write(amber), test::Bytes({0x00, 0x0C}));
  EXPECT_EQ(genesis.write(Rounded(amber, 3, Rounding::Truncate)), test::Bytes({0x00, 0x0E}));
  EXPECT_EQ(Rounded(Rgb(15, 7, 255), 8, Rounding::Truncate), Rgb(15, 7, 255));
}

TEST(PaletteFiles, ReadWhatOtherProgramsWrite) {
  struct Case {
    const char* kind;
    std::string_view text;
    std::vector<RgbColor> colours;
  };
  const Case cases[] = {
      {"jasc", "JASC-PAL\n0100\n2\n255 0 0\n0 0 255\n", {Rgb(255, 0, 0), Rgb(0, 0, 255)}},
      {"gimp",
       "GIMP Palette\nName: x\nColumns: 4\n# c\n  0 128 255\tBlue-ish\n\n1 2 3\n",
       {Rgb(0, 128, 255), Rgb(1, 2, 3)}},
      {"hex", "ff0000\r\n#00FF00\r\n", {Rgb(255, 0, 0), Rgb(0, 255, 0)}},
      {"hex", "; paint.net\nFF0000FF\n", {Rgb(0, 0, 255)}},
      // Text editors on Windows start UTF-8 files with a byte order mark.
      {"jasc", "\xEF\xBB\xBFJASC-PAL\r\n0100\r\n1\r\n1 2 3\r\n", {Rgb(1, 2, 3)}},
      {"gimp", "\xEF\xBB\xBFGIMP Palette\n1 2 3\n", {Rgb(1, 2, 3)}},
      {"hex", "\xEF\xBB\xBF#010203\n", {Rgb(1, 2, 3)}},
  };
  for (const Case& c : cases) {
    const Result<Palette> palette = FindPaletteKind(c.kind)->read(Text(c.text));
    ASSERT_TRUE(palette) << c.kind << ": " << palette.Error();
    EXPECT_EQ(palette.Value().colours, c.colours) << c.kind << ": " << c.text;
  }
}

TEST(PaletteFiles, BadInputGivesClearMessages) {
  struct Case {
    const char* kind;
    ByteString bytes;
    std::string error;
  };
  const std::string jascHeader = "JASC-PAL\r\n0100\r\n2\r\n";
  const Case cases[] = {
      {"jasc", Text(jascHeader + "1 2 3\r\n4 five 6\r\n"),
       "line 5: expected three numbers 0-255 (red green blue), found \"4 five 6\""},
      {"jasc", Text(jascHeader + "1 2 3\r\n4 5 256\r\n"),
       "line 5: expected three numbers 0-255 (red green blue), found \"4 5 256\""},
      {"jasc", Text(jascHeader + "1 2 3\r\n"), "the header says 2 colours, the file holds 1"},
      {"jasc", Text("JASC-PAL\n0100\n0\n"), "no colours"},
      {"jasc", Text("RIFF"), "line 1: expected \"JASC-PAL\", found \"RIFF\""},
      {"gimp", Text("GIMP Palette\n1 2 3\nbanana\n"),
       "line 3: expected three numbers 0-255 (red green blue) and an optional name, found \"banana\""},
      {"hex", Text("#123456\n\n#12345\n"), "line 3: expected a colour \"#rrggbb\", found \"#12345\""},
      {"hex", Text("\n; only a comment\n\n"), "no colours"},
      {"hex", Repeated("#000000\n", 257), "257 colours, more than the 256 a palette holds"},
      {"rgb24", ByteString(3 * 300, 0), "300 colours, more than the 256 a palette holds"},
      {"rgb24", ByteString(7, 0), "7 bytes: an RGB24 palette is 3 bytes a colour"},
      {"rgb24", ByteString{}, "no colours"},
      {"act", ByteString(700, 0), "700 bytes: an .act palette is 768 or 772 bytes"},
      {"bgr555", ByteString(33, 0), "33 bytes, an odd count: a bgr555 palette is 2 bytes a colour"},
      {"genesis", ByteString(1, 0), "1 byte, an odd count: a genesis palette is 2 bytes a colour"},
      {"rgba5551", ByteString(2 * 257, 0), "257 colours, more than the 256 a palette holds"},
  };
  for (const Case& c : cases) {
    const Result<Palette> palette = FindPaletteKind(c.kind)->read(c.bytes);
    ASSERT_FALSE(palette) << c.kind << ": " << c.error;
    EXPECT_EQ(palette.Error(), c.error) << c.kind;
  }
}

TEST(PaletteFiles, KindByExtensionOrName) {
  test::TempDir dir;
  // A binary .pal (as tile editors write) is raw RGB24.
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("nes.PAL"), test::Bytes({1, 2, 3, 4, 5, 6})));
  const Result<Palette> raw = LoadPalette(dir.File("nes.PAL"));
  ASSERT_TRUE(raw) << raw.Error();
  EXPECT_EQ(raw.Value().colours, (std::vector<RgbColor>{Rgb(1, 2, 3), Rgb(4, 5, 6)}));
  EXPECT_EQ(FindPaletteKind("BGR555"), FindPaletteKind("bgr555"));
  EXPECT_EQ(FindPaletteKind("png"), nullptr);
  EXPECT_EQ(
      LoadPalette(dir.File("sheet.cgram")).Error(),
      "the palette kind of \"sheet.cgram\" is not known by its extension; name one of jasc, gimp, hex, act, "
      "rgb24, bgr555, genesis, rgba5551, aco");
  EXPECT_FALSE(SavePalette(dir.File("empty.pal"), Palette{}));
  EXPECT_FALSE(std::filesystem::exists(dir.File("empty.pal")));
}

// The open dialog offers every extension that picks a kind, without its dot, so a file the
// dialog shows is one LoadPalette can read by its name.
TEST(PaletteFiles, TheDialogOffersEveryExtensionThatPicksAKind) {
  const std::vector<platform::FileFilter> filters = PaletteFileFilters();
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[1].description, "All");
  EXPECT_TRUE(filters[1].extensions.empty());
  for (std::string_view extension : filters[0].extensions) {
    EXPECT_FALSE(extension.empty() || extension.starts_with('.') || extension.find(' ') != extension.npos);
    EXPECT_NE(PaletteKindOfPath("x." + std::string(extension)), nullptr) << extension;
  }
  for (std::string_view wanted : {"pal", "gpl", "act", "aco"})
    EXPECT_NE(std::find(filters[0].extensions.begin(), filters[0].extensions.end(), wanted),
              filters[0].extensions.end())
        << wanted;
}

// A ".pal" is JASC-PAL when it is text, with or without a byte order mark; text that is no
// JASC-PAL is refused at its line rather than read as raw colours.
TEST(PaletteFiles, APalFileThatIsTextIsReadAsJasc) {
  test::TempDir dir;
  struct Case {
    std::string_view bytes;
    std::vector<RgbColor> colours;  // empty: refused with `error`
    std::string error;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBFJASC-PAL\r\n0100\r\n2\r\n0 0 0\r\n255 255 255\r\n",
       {Rgb(0, 0, 0), Rgb(255, 255, 255)},
       ""},
      {"\xEF\xBB\xBFJASC-PAL\n0100\n1\n1 2\n",
       {},
       "line 4: expected three numbers 0-255 (red green blue), found \"1 2\""},
      {"jasc-pal\n0100\n1\n1 2 3\n", {}, "line 1: expected \"JASC-PAL\", found \"jasc-pal\""},
      {"GIMP Palette\n1 2 3\n", {}, "line 1: expected \"JASC-PAL\", found \"GIMP Palette\""},
      // Raw colours, among them components that are line ends.
      {std::string_view("\x0A\x0D\x00\x20\x41\x7E", 6), {Rgb(10, 13, 0), Rgb(32, 65, 126)}, ""},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(platform::WriteFileAtomic(dir.File("a.pal"), Text(c.bytes)));
    const Result<Palette> read = LoadPalette(dir.File("a.pal"));
    if (c.colours.empty()) {
      EXPECT_EQ(read.Ok() ? "" : read.Error(), c.error) << c.bytes;
    } else {
      ASSERT_TRUE(read) << c.bytes << ": " << read.Error();
      EXPECT_EQ(read.Value().colours, c.colours) << c.bytes;
    }
  }
}

// A palette file is a few KiB: anything beyond 4 MiB is refused before it is read, a regular
// file by its size, a device after 4 MiB.
TEST(PaletteFiles, FilesBeyondAnyPaletteAreRefusedUnread) {
  test::TempDir dir;
  const std::string sparse = dir.File("huge.gpl");
  {
    const int descriptor = open(sparse.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(descriptor, 0);
    ASSERT_EQ(ftruncate(descriptor, off_t{1} << 40), 0);  // 1 TiB of nothing
    close(descriptor);
  }
  const std::string refusal = "larger than any palette file (at most 4 MiB)";
  EXPECT_EQ(LoadPalette(sparse).Error(), refusal);
  EXPECT_EQ(LoadPalette("/dev/zero", FindPaletteKind("rgb24")).Error(), refusal);
}

// Text is read a line at a time: 4 MiB of blank lines cost no more than their bytes.
TEST(PaletteFiles, ALongTextCostsNoMoreThanItsBytes) {
  const ByteString blank(std::size_t{4} << 20, '\n');
  for (const char* kind : {"jasc", "gimp", "hex"}) {
    std::string error;
    const auto growth = test::PeakGrowth([&] { error = FindPaletteKind(kind)->read(blank).Error(); });
    EXPECT_FALSE(error.empty()) << kind;
    if (!growth) GTEST_SKIP() << "the peak resident size cannot be measured here";
    EXPECT_LT(*growth, std::uint64_t{8} << 20) << kind << ": peak growth " << (*growth >> 20) << " MiB";
  }
}

}  // namespace
}  // namespace glyphon::palette
