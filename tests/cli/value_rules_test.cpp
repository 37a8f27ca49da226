// SPDX-License-Identifier: MIT
// The value options alike on every command that reads or draws values: known bytes worked
// out by hand from the Game Boy's tile layout (16 bytes a tile, two a row, the low bit
// plane first, bit 7 the leftmost pixel).
#include <gtest/gtest.h>

#include <fstream>

#include "cli/exit_codes.h"
#include "cli/rgba_png.h"
#include "cli/run_glyphon.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::cli {
namespace {

using cli_test::Outcome;
using cli_test::RunWith;

constexpr RgbColor kShades[] = {kWhite, 0xAAAAAA, 0x555555, kBlack};

// The 8 by 8 picture of value (x + y) % 4 drawn in the four Game Boy shades.
std::vector<std::uint8_t> Diagonals() {
  std::vector<std::uint8_t> values;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) values.push_back(static_cast<std::uint8_t>((x + y) % 4));
  }
  return values;
}

// Value (x + y) % 4, white 0: row 0 holds 0 1 2 3 0 1 2 3, low bits 01010101 = 0x55, high
// bits 00110011 = 0x33; row 1 is 1 2 3 0 ...: 0xAA, 0x66; row 2: 0x55, 0xCC; row 3: 0xAA,
// 0x99; rows 4 to 7 repeat them.
const ByteString kShadeBytes = test::Bytes({0x55, 0x33, 0xAA, 0x66, 0x55, 0xCC, 0xAA, 0x99,  //
                                            0x55, 0x33, 0xAA, 0x66, 0x55, 0xCC, 0xAA, 0x99});
// The grey rule makes black 0, so white is 3 and each value is 3 minus the shade's: row 0
// holds 3 2 1 0 ...: low 10101010 = 0xAA, high 11001100 = 0xCC; row 1 2 1 0 3: 0x55, 0x99;
// row 2: 0xAA, 0x33; row 3: 0x55, 0x66.
const ByteString kGreyBytes = test::Bytes({0xAA, 0xCC, 0x55, 0x99, 0xAA, 0x33, 0x55, 0x66,  //
                                           0xAA, 0xCC, 0x55, 0x99, 0xAA, 0x33, 0x55, 0x66});

ByteString ReadBytes(const std::string& path) {
  auto bytes = platform::ReadFileBytes(path);
  return bytes ? bytes.Value() : ByteString{};
}

void Put(const std::string& path, const ByteString& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct Folder {
  Folder() {
    // An indexed PNG whose indices are the shade values and whose palette the shades.
    Put(dir.File("gb.png"), imageio::IndexedPngBytes(8, 8, Diagonals(), kShades, 2).Value());
    std::ofstream(dir.File("gb.hex")) << "#FFFFFF\n#AAAAAA\n#555555\n#000000\n";
    // A ROM holding the shade tile at 0x20 and the grey one at 0x40.
    ByteString rom(0x60, 0xEE);
    std::copy(kShadeBytes.begin(), kShadeBytes.end(), rom.begin() + 0x20);
    std::copy(kGreyBytes.begin(), kGreyBytes.end(), rom.begin() + 0x40);
    Put(dir.File("gb.rom"), rom);
  }
  test::TempDir dir;
};

// One table over the value rules and the commands that read pictures: encode, tiles and
// locate give the same bytes for the same rule.
TEST(ValueRules, EveryReadingCommandTakesTheSameValues) {
  Folder f;
  struct Rule {
    std::vector<std::string> options;
    const ByteString& bytes;
    std::string offset;  // where locate finds them
  };
  const Rule rules[] = {
      {{}, kGreyBytes, "0x40"},
      {{"--values", "grey"}, kGreyBytes, "0x40"},
      {{"--values", "shade"}, kShadeBytes, "0x20"},
      {{"--values", "index"}, kShadeBytes, "0x20"},
      {{"--values", "palette", "--palette", f.dir.File("gb.hex")}, kShadeBytes, "0x20"},
      {{"--palette", f.dir.File("gb.hex")}, kShadeBytes, "0x20"},
  };
  const std::string in = f.dir.File("gb.png"), out = f.dir.File("out.bin");
  for (const Rule& rule : rules) {
    for (const std::string command : {"encode", "tiles", "locate"}) {
      std::filesystem::remove(out);
      std::vector<std::string> args{command, "-f", "2bpp-gb"};
      args.insert(args.end(), rule.options.begin(), rule.options.end());
      args.insert(args.end(), {in, command == "locate" ? f.dir.File("gb.rom") : out});
      const Outcome o = RunWith(args);
      const std::string name = command + " " + (rule.options.empty() ? "" : rule.options[1]);
      ASSERT_EQ(o.status, kExitSuccess) << name << ": " << o.err;
      EXPECT_EQ(o.err, "") << name;
      if (command == "locate") {
        EXPECT_EQ(o.out, rule.offset + "\n") << name;
      } else {
        EXPECT_EQ(ReadBytes(out), rule.bytes) << name;
      }
    }
  }
}

// decode and untile draw the values in the shade levels under --values shade, in the
// format's greys by default (black 0), and in --palette's colours.
TEST(ValueRules, DrawingCommandsDrawTheChosenColours) {
  Folder f;
  Put(f.dir.File("shade.bin"), kShadeBytes);
  Put(f.dir.File("map.dat"), test::Bytes({0, 0}));
  struct Rule {
    std::vector<std::string> options;
    std::vector<RgbColor> colours;  // of the values 0 to 3
  };
  const Rule rules[] = {
      {{}, {kBlack, GreyColor(128), GreyColor(192), kWhite}},
      {{"--values", "shade"}, {kWhite, 0xAAAAAA, 0x555555, kBlack}},
      {{"--palette", f.dir.File("gb.hex")}, {kWhite, 0xAAAAAA, 0x555555, kBlack}},
  };
  const std::vector<std::uint8_t> values = Diagonals();
  const std::string out = f.dir.File("out.png");
  for (const Rule& rule : rules) {
    for (const bool untile : {false, true}) {
      std::vector<std::string> args =
          untile ? std::vector<std::string>{"untile",        "-f", "2bpp-gb", "--map-layout", "snes",
                                            "--width-tiles", "1"}
                 : std::vector<std::string>{"decode", "-f", "2bpp-gb", "-w", "8"};
      args.insert(args.end(), rule.options.begin(), rule.options.end());
      args.push_back(f.dir.File("shade.bin"));
      if (untile) args.push_back(f.dir.File("map.dat"));
      args.push_back(out);
      const Outcome o = RunWith(args);
      const std::string name = args[0] + " " + (rule.options.empty() ? "" : rule.options[1]);
      ASSERT_EQ(o.status, kExitSuccess) << name << ": " << o.err;
      auto picture = imageio::ReadPicture(out);
      ASSERT_TRUE(picture.Ok()) << name;
      for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(picture.Value().GetPixel(i % 8, i / 8), rule.colours[values[static_cast<std::size_t>(i)]])
            << name << " pixel " << i;
      }
    }
  }
}

// A fully transparent pixel is value 0 under every rule whatever colour it hides; a partly
// transparent one is refused unless --alpha-threshold decides.
TEST(ValueRules, TransparentPixelsAreValueZero) {
  Folder f;
  // #AAAAAA is 2 under the grey rule (its band is 136-199), 1 under shade and in gb.hex.
  std::vector<std::uint8_t> rgba = cli_test::RgbaFilled(8, 8, 0xAAAAAA);
  cli_test::SetRgba(rgba, 8, 0, 0, 0x555555, 0);
  Put(f.dir.File("clear.png"), cli_test::RgbaPng(8, 8, rgba));
  cli_test::SetRgba(rgba, 8, 3, 5, 0x555555, 128);
  Put(f.dir.File("half.png"), cli_test::RgbaPng(8, 8, rgba));
  // Value 2: low 0, high 1; value 1: low 1, high 0. Pixel (0, 0) of value 0 clears bit 7
  // of row 0; pixel (3, 5) of value 0 clears bit 4 of row 5.
  const auto tile = [](int value, bool clearAt35) {
    ByteString bytes;
    for (int y = 0; y < 8; ++y) {
      std::uint8_t row = y == 0 ? 0x7F : y == 5 && clearAt35 ? 0xEF : 0xFF;
      bytes.push_back(value & 1 ? row : 0);
      bytes.push_back(value & 2 ? row : 0);
    }
    return bytes;
  };
  ByteString shadeAt35 = tile(1, false);
  shadeAt35[10] = 0xEF;
  shadeAt35[11] = 0x10;
  struct Case {
    std::vector<std::string> options;
    std::string picture;
    int status;
    ByteString bytes;
    std::string err;
  };
  const std::string half = f.dir.File("half.png");
  const Case cases[] = {
      {{}, "clear.png", kExitSuccess, tile(2, false), ""},
      {{"--values", "shade"}, "clear.png", kExitSuccess, tile(1, false), ""},
      {{"--palette", f.dir.File("gb.hex")}, "clear.png", kExitSuccess, tile(1, false), ""},
      {{},
       "half.png",
       kExitFailure,
       {},
       "glyphon: " + half + ": pixel (3, 5) is partly transparent (alpha 128); use --alpha-threshold N\n"},
      {{"--values", "shade"},
       "half.png",
       kExitFailure,
       {},
       "glyphon: " + half + ": pixel (3, 5) is partly transparent (alpha 128); use --alpha-threshold N\n"},
      // Alpha below the threshold is transparent, the rest opaque.
      {{"--alpha-threshold", "129"}, "half.png", kExitSuccess, tile(2, true), ""},
      // At 128 pixel (3, 5) is opaque #555555, shade 2: bit 4 of row 5 moves to the high plane.
      {{"--alpha-threshold", "128", "--values", "shade"}, "half.png", kExitSuccess, shadeAt35, ""},
  };
  const std::string out = f.dir.File("out.bin");
  // The direct-colour formats store the colours as they are, transparent ones too: 64
  // pixels of 2 bytes.
  const Outcome direct = RunWith({"encode", "-f", "16bpp-bgr555", f.dir.File("clear.png"), out});
  EXPECT_EQ(direct.status, kExitSuccess) << direct.err;
  EXPECT_EQ(ReadBytes(out).size(), 128u);
  for (const Case& c : cases) {
    for (const std::string command : {"encode", "tiles"}) {
      std::filesystem::remove(out);
      std::vector<std::string> args{command, "-f", "2bpp-gb"};
      args.insert(args.end(), c.options.begin(), c.options.end());
      args.insert(args.end(), {f.dir.File(c.picture), out});
      const Outcome o = RunWith(args);
      const std::string name = command + " " + c.picture + " " + (c.options.empty() ? "" : c.options[1]);
      EXPECT_EQ(o.status, c.status) << name << ": " << o.err;
      EXPECT_EQ(o.err, c.err) << name;
      EXPECT_EQ(ReadBytes(out), c.bytes) << name;
    }
  }
}

// A picture whose sides are not whole tiles is refused without --crop; --crop takes the
// whole tiles inside and says what it left out; a --rect of part tiles keeps its bytes
// and warns.
TEST(ValueRules, PicturesOfPartTilesNeedCrop) {
  Folder f;
  const std::string pic = f.dir.File("p.png"), out = f.dir.File("out.bin");
  ASSERT_TRUE(imageio::WritePicture(pic, test::Filled(16, 20, kWhite)).Ok());
  // White under the grey rule is 3: every byte 0xFF, 16 a tile.
  const ByteString twoTiles(32, 0xFF);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::size_t bytes;  // of white tiles, 0xFF each
    std::string err;
  };
  const Case cases[] = {
      {{"encode", "-f", "2bpp-gb", pic, out},
       kExitFailure,
       0,
       "glyphon: " + pic +
           ": the picture is 16 by 20 pixels, not whole 8 by 8 tiles of 2bpp SNES/GB; give --crop for the "
           "whole tiles inside\n"},
      {{"tiles", "-f", "2bpp-gb", pic, out},
       kExitFailure,
       0,
       "glyphon: " + pic +
           ": the picture is 16 by 20 pixels, not whole 8 by 8 tiles of 2bpp SNES/GB; give --crop for the "
           "whole tiles inside\n"},
      {{"encode", "-f", "2bpp-gb", "--crop", pic, out},
       kExitSuccess,
       64,
       "glyphon: warning: " + pic + ": --crop left out the bottom 4 rows of the 16 by 20 picture\n"},
      {{"tiles", "-f", "2bpp-gb", "--crop", "--dedupe", pic, out},
       kExitSuccess,
       16,
       "glyphon: warning: " + pic + ": --crop left out the bottom 4 rows of the 16 by 20 picture\n"},
      {{"encode", "-f", "2bpp-gb", "--rect", "0,0,16,16", pic, out}, kExitSuccess, 64, ""},
      // 12 by 8 pixels at 2 bits are 24 bytes, as before (their count is checked).
      {{"encode", "-f", "2bpp-gb", "--rect", "0,0,12,8", pic, out},
       kExitSuccess,
       24,
       "glyphon: warning: " + pic +
           ": the rectangle 0,0,12,8 is not whole 8 by 8 tiles of 2bpp SNES/GB, which the console reads in "
           "whole tiles\n"},
      // PC Engine sprites are 16 by 16.
      {{"encode", "-f", "4bpp-pce-sprite", "--rect", "0,0,16,16", pic, out}, kExitSuccess, 128, ""},
      {{"encode", "-f", "4bpp-pce-sprite", "--crop", pic, out},
       kExitSuccess,
       128,
       "glyphon: warning: " + pic + ": --crop left out the bottom 4 rows of the 16 by 20 picture\n"},
      // The linear formats have no tiles: the picture rounded down to multiples of 8 as before.
      {{"encode", "-f", "4bpp-linear", pic, out}, kExitSuccess, 128, ""},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(out);
    const Outcome o = RunWith(c.args);
    const std::string name = c.args[0] + " " + c.args[2] + " " + c.args[3];
    EXPECT_EQ(o.status, c.status) << name << ": " << o.err;
    EXPECT_EQ(o.err, c.err) << name;
    if (c.bytes == 24) {
      EXPECT_EQ(ReadBytes(out).size(), 24u);
    } else {
      EXPECT_EQ(ReadBytes(out), ByteString(c.bytes, 0xFF)) << name;
    }
  }
}

}  // namespace
}  // namespace glyphon::cli

namespace glyphon::cli {
namespace {

// 8-bit components to 5 bits: the nearest level by default, c >> 3 under --colour-rounding
// truncate, for palette files and the 16bpp BGR555 format alike. (15, 7, 255): nearest red
// round(15 * 31 / 255) = 2, green 1, blue 31, the word 0x7C22; truncated 1, 0, 31: 0x7C01.
TEST(ColourRounding, TruncateDropsTheLowBits) {
  test::TempDir dir;
  const std::string pic = dir.File("c.png"), out = dir.File("out.bin"), pal = dir.File("p.hex");
  ASSERT_TRUE(imageio::WritePicture(pic, test::Filled(8, 8, Rgb(15, 7, 255))).Ok());
  std::ofstream(pal) << "#0f07ff\n";
  ByteString nearest, truncated;
  for (int i = 0; i < 64; ++i) {
    nearest.insert(nearest.end(), {0x22, 0x7C});
    truncated.insert(truncated.end(), {0x01, 0x7C});
  }
  struct Case {
    std::vector<std::string> args;
    ByteString bytes;
  };
  const Case cases[] = {
      {{"encode", "-f", "16bpp-bgr555", pic, out}, nearest},
      {{"encode", "-f", "16bpp-bgr555", "--colour-rounding", "nearest", pic, out}, nearest},
      {{"encode", "-f", "16bpp-bgr555", "--colour-rounding", "truncate", pic, out}, truncated},
      {{"palette", "--palette-out-format", "bgr555", pal, out}, test::Bytes({0x22, 0x7C})},
      {{"palette", "--palette-out-format", "bgr555", "--colour-rounding", "truncate", pal, out},
       test::Bytes({0x01, 0x7C})},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(out);
    const Outcome o = RunWith(c.args);
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(ReadBytes(out), c.bytes) << c.args[0] << " " << c.args[3];
  }
}

// --palette-out takes its kind from --palette-out-format apart from --palette's
// --palette-format, rounds as asked, and --nearest says nothing when every colour matched.
TEST(ColourRounding, PaletteOutHasItsOwnKind) {
  test::TempDir dir;
  const std::string pic = dir.File("c.png"), out = dir.File("out.bin"), pal = dir.File("p.txt"),
                    palOut = dir.File("p.out");
  ASSERT_TRUE(imageio::WritePicture(pic, test::Filled(8, 8, Rgb(15, 7, 255))).Ok());
  std::ofstream(pal) << "#000000\n#0f07ff\n";
  const Outcome o = RunWith({"encode", "-f", "2bpp-gb", "--palette", pal, "--palette-format", "hex",
                             "--nearest", "--palette-out", palOut, "--palette-out-format", "bgr555",
                             "--colour-rounding", "truncate", pic, out});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.err, "");
  // Every pixel is entry 1: both planes 0xFF in every row at low bit, 0 at high.
  ByteString tile;
  for (int y = 0; y < 8; ++y) tile.insert(tile.end(), {0xFF, 0x00});
  EXPECT_EQ(ReadBytes(out), tile);
  EXPECT_EQ(ReadBytes(palOut), test::Bytes({0x00, 0x00, 0x01, 0x7C}));
  // Photoshop swatches by extension, read back by the palette command.
  const std::string aco = dir.File("p.aco"), hex = dir.File("back.hex");
  ASSERT_EQ(RunWith({"palette", "--input-format", "hex", pal, aco}).status, kExitSuccess);
  const Outcome back = RunWith({"palette", aco, hex});
  ASSERT_EQ(back.status, kExitSuccess) << back.err;
  std::ifstream text(hex);
  const std::string written((std::istreambuf_iterator<char>(text)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, "#000000\n#0f07ff\n");
}

}  // namespace
}  // namespace glyphon::cli
