// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "cli/cli.h"
#include "cli/run_glyphon.h"
#include "formats/decoding.h"
#include "formats/values.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "support/test_support.h"
#include "tiles/tile.h"

namespace glyphon::cli {
namespace {

using cli_test::Outcome;

Outcome Glyphon(std::vector<std::string> args) {
  return cli_test::RunWith(std::move(args));
}

// A sheet as artists draw one: `poolSize` random tiles, each used at least once, placed
// over and over in random orientations. Values fit `bits`.
convert::ValuePlane Sheet(int widthTiles, int heightTiles, int poolSize, int bits, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<tiles::Tile> pool(static_cast<std::size_t>(poolSize));
  for (tiles::Tile& tile : pool) {
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) tile.Set(x, y, static_cast<std::uint8_t>(random() & ((1u << bits) - 1)));
    }
  }
  convert::ValuePlane plane(widthTiles * 8, heightTiles * 8);
  for (int i = 0; i < widthTiles * heightTiles; ++i) {
    const auto pick = static_cast<std::size_t>(i < poolSize ? i : static_cast<int>(random() % pool.size()));
    tiles::PutTile(plane, i % widthTiles, i / widthTiles,
                   tiles::Mirror(pool[pick], static_cast<tiles::Flip>(random() % 4)));
  }
  return plane;
}

// Counted without hashing: distinct tiles, or distinct up to mirrors (the least orientation).
std::size_t CountUnique(const convert::ValuePlane& plane, bool flips) {
  std::set<tiles::Tile> seen;
  const auto cut = tiles::CutTiles(plane);
  for (const tiles::Tile& tile : cut.Value()) {
    tiles::Tile least = tile;
    for (tiles::Flip f = 1; flips && f < 4; ++f) least = std::min(least, tiles::Mirror(tile, f));
    seen.insert(least);
  }
  return seen.size();
}

struct RoundTrip {
  std::string format;
  std::string layout;
  std::vector<std::string> options;  // beyond --format, --map-out and --map-layout
  int widthTiles;
  int heightTiles;
  bool indexed;  // the sheet as a palette PNG read with --values index
};

class TilesRoundTrip : public testing::TestWithParam<RoundTrip> {};

// The tile set and map draw back the sheet's values, with as many tiles as an independent count.
TEST_P(TilesRoundTrip, UntileGivesBackTheValues) {
  const RoundTrip& c = GetParam();
  const formats::FormatInfo& format = *formats::FindFormat(c.format);
  const int bits = std::min(format.bitsPerPixel, 8);
  const convert::ValuePlane plane = Sheet(c.widthTiles, c.heightTiles, 40, bits, 19);
  test::TempDir dir;
  const std::string sheet = dir.File("sheet.png"), set = dir.File("set.dat"), map = dir.File("map.dat"),
                    attr = dir.File("attr.dat"), back = dir.File("back.png");
  if (c.indexed) {
    std::vector<RgbColor> palette(std::size_t{1} << (bits == 3 ? 4 : bits));
    for (std::size_t i = 0; i < palette.size(); ++i)
      palette[i] = static_cast<RgbColor>(0x102030 * (i + 1) & 0xFFFFFF);
    const auto png =
        imageio::IndexedPngBytes(plane.width, plane.height, plane.values, palette, bits == 3 ? 4 : bits);
    ASSERT_TRUE(platform::WriteFileAtomic(sheet, png.Value()).Ok());
  } else {
    ASSERT_TRUE(imageio::WritePicture(sheet, formats::PictureOfValues(format, plane),
                                      formats::DecoderColours(format.bitsPerPixel))
                    .Ok());
  }
  const bool gbc = c.layout == "gbc";
  std::vector<std::string> args{"tiles", "--format", c.format, "--map-layout", c.layout, "--map-out", map};
  args.insert(args.end(), c.options.begin(), c.options.end());
  if (gbc) args.insert(args.end(), {"--attr-out", attr});
  if (c.indexed) args.insert(args.end(), {"--values", "index"});
  args.insert(args.end(), {sheet, set});
  Outcome o = Glyphon(args);
  ASSERT_EQ(o.status, kExitSuccess) << o.err;

  const bool flips = std::count(args.begin(), args.end(), "--flips") > 0;
  const bool dedupe = flips || std::count(args.begin(), args.end(), "--dedupe") > 0;
  const std::size_t expected = dedupe ? CountUnique(plane, flips) : plane.values.size() / 64;
  EXPECT_EQ(platform::ReadRomData(set).Value().size(),
            expected * 8 * static_cast<std::size_t>(format.bitsPerPixel));

  std::vector<std::string> back_args{"untile",
                                     "--format",
                                     c.format,
                                     "--map-layout",
                                     c.layout,
                                     "--width-tiles",
                                     std::to_string(c.widthTiles)};
  for (std::size_t i = 0; i + 1 < c.options.size(); ++i) {
    if (c.options[i] == "--base-tile") back_args.insert(back_args.end(), {"--base-tile", c.options[i + 1]});
  }
  if (gbc) back_args.insert(back_args.end(), {"--attr", attr});
  back_args.insert(back_args.end(), {set, map, back});
  o = Glyphon(back_args);
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  const platform::Surface drawn = imageio::ReadPicture(back).Value();
  EXPECT_EQ(formats::ValuesOf(format, drawn, {0, 0, drawn.Width(), drawn.Height()}), plane);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TilesRoundTrip,
    testing::Values(RoundTrip{"4bpp SNES", "snes", {"--dedupe", "--flips"}, 256, 256, false},
                    RoundTrip{"3bpp-snes",
                              "snes",
                              {"--flips", "--base-tile", "900", "--palette-number", "5", "--priority"},
                              24,
                              16,
                              false},
                    RoundTrip{"4bpp-genesis", "genesis", {"--flips", "--priority"}, 24, 16, true},
                    RoundTrip{"2bpp-snes/gb", "gbc", {"--flips", "--palette-number", "7"}, 24, 16, false},
                    RoundTrip{"2bpp-nes", "nes", {"--dedupe", "--base-tile", "64"}, 24, 16, true},
                    RoundTrip{"2bpp-vb-tile", "gb", {}, 16, 16, false},
                    RoundTrip{"1bpp-snes", "snes", {"--dedupe"}, 24, 16, false},
                    RoundTrip{"8bpp-snes", "genesis", {}, 40, 40, false},
                    RoundTrip{"8bpp-mode7-lin", "mode7", {"--dedupe"}, 24, 16, true}),
    [](const testing::TestParamInfo<RoundTrip>& param) {
      std::string name = param.param.format + "_" + param.param.layout;
      std::replace_if(
          name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
      return name;
    });

// Without --dedupe the tile set holds every tile in row order: what encode writes for a
// tiled format, also past the 4095 tiles one column of them can hold.
TEST(TilesCli, EveryTileInRowOrderIsThePlainEncode) {
  test::TempDir dir;
  const std::string sheet = dir.File("sheet.png");
  ASSERT_TRUE(imageio::WritePicture(sheet, test::RandomPicture(520, 512, 7)).Ok());
  for (const formats::FormatInfo& format : formats::Formats()) {
    if (!format.tiled) continue;
    const std::string name = formats::CliName(format);
    ASSERT_EQ(Glyphon({"tiles", "-f", name, sheet, dir.File("set.dat")}).status, kExitSuccess) << name;
    ASSERT_EQ(Glyphon({"encode", "-f", name, sheet, dir.File("plain.dat")}).status, kExitSuccess) << name;
    EXPECT_EQ(platform::ReadRomData(dir.File("set.dat")).Value(),
              platform::ReadRomData(dir.File("plain.dat")).Value())
        << name;
  }
}

TEST(TilesCli, RefusalsNameTheCauseAndWriteNothing) {
  test::TempDir dir;
  const std::string sheet = dir.File("sheet.png"), bmp = dir.File("sheet.bmp"), set = dir.File("set.dat");
  ASSERT_TRUE(imageio::WritePicture(sheet, test::RandomPicture(264, 64, 3)).Ok());
  ASSERT_TRUE(imageio::WriteBitmap(bmp, test::RandomPicture(16, 16, 4)).Ok());
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("odd.dat"), test::RandomBytes(33, 5)).Ok());
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("one.dat"), test::RandomBytes(32, 5)).Ok());
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("map.dat"), test::Bytes({0, 1})).Ok());
  const std::string map = dir.File("map.dat");
  // A file of 1 TiB that takes no room: inputs beyond their bound are refused by their size.
  const std::string huge = dir.File("huge.dat");
  {
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, std::uintmax_t{1} << 40);
  }
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  for (const Case& c : std::vector<Case>{
           {{"tiles", sheet, set}, kExitUsage, "tiles needs --format"},
           {{"tiles", "-f", "4bpp-linear", sheet, set},
            kExitUsage,
            "\"4bpp Linear\" does not store 8 by 8 tiles"},
           {{"tiles", "-f", "8", "--values", "rgb", sheet, set},
            kExitUsage,
            "--values wants grey, shade, index, palette or colour"},
           {{"tiles", "-f", "8", "--dedupe=1", sheet, set}, kExitUsage, "--dedupe takes no value"},
           {{"tiles", "-f", "8", "--map-out", map, sheet, set}, kExitUsage, "--map-out needs --map-layout"},
           {{"tiles", "-f", "8", "--map-layout", "psx", "--map-out", map, sheet, set},
            kExitUsage,
            "unknown map layout \"psx\" (snes, genesis, gb, nes, gbc, mode7)"},
           {{"tiles", "-f", "8", "--flips", "--map-layout", "gb", "--map-out", map, sheet, set},
            kExitUsage,
            "the gb map layout can't flip tiles"},
           {{"tiles", "-f", "8", "--map-layout", "gbc", "--map-out", map, sheet, set},
            kExitUsage,
            "needs --attr-out"},
           {{"tiles", "-f", "8", "--priority", sheet, set}, kExitUsage, "need --map-out"},
           {{"tiles", "-f", "8", "--map-layout", "nes", "--map-out", set, sheet, set},
            kExitUsage,
            "TILES and --map-out are the same file"},
           {{"tiles", "-f", "8", sheet, sheet}, kExitUsage, "TILES is the same file as INPUT"},
           {{"tiles", "-f", "8", "--map-layout", "nes", "--map-out", dir.File("m"), sheet, set},
            kExitFailure,
            "264 unique tiles are more than the nes map layout can number"},
           {{"tiles", "-f", "8", "--dedupe", "--map-layout", "snes", "--map-out", dir.File("m"),
             "--base-tile", "1000", sheet, set},
            kExitFailure,
            "from base tile 1000: at most 24"},
           {{"tiles", "-f", "8", "--values", "index", bmp, set},
            kExitFailure,
            "sheet.bmp: the picture stores colours"},
           {{"untile", "-f", "8", "--map-layout", "snes", sheet, map, dir.File("o.png")},
            kExitUsage,
            "untile needs --width-tiles"},
           {{"untile", "-f", "8", "--map-layout", "snes", "--width-tiles", "4096", sheet, map,
             dir.File("o.png")},
            kExitUsage,
            "--width-tiles wants a whole number from 1 to 4095"},
           {{"untile", "-f", "8", "--map-layout", "snes", "--width-tiles", "1", dir.File("odd.dat"), map,
             dir.File("o.png")},
            kExitFailure,
            "odd.dat: it holds 33 bytes, not whole tiles of 32 bytes in 4bpp SNES"},
           {{"untile", "-f", "8", "--map-layout", "snes", "--width-tiles", "1", dir.File("one.dat"), map,
             dir.File("o.png")},
            kExitFailure,
            "map.dat: map entry 0 places tile 256, but the tile set holds 1"},
           {{"untile", "-f", "8", "--map-layout", "snes", "--width-tiles", "1", huge, map, dir.File("o.png")},
            kExitFailure,
            "huge.dat: larger than any tile set in 4bpp SNES (at most 32 MiB)"},
           {{"untile", "-f", "8", "--map-layout", "snes", "--width-tiles", "1", dir.File("one.dat"), huge,
             dir.File("o.png")},
            kExitFailure,
            "huge.dat: larger than any tile map (at most 2 MiB)"},
           {{"untile", "-f", "8", "--map-layout", "gbc", "--width-tiles", "1", "--attr", huge,
             dir.File("one.dat"), map, dir.File("o.png")},
            kExitFailure,
            "huge.dat: larger than any attribute map (at most 1 MiB)"},
       }) {
    const Outcome o = Glyphon(c.args);
    EXPECT_EQ(o.status, c.status) << c.err;
    EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
  }
  EXPECT_FALSE(std::filesystem::exists(set));
  EXPECT_FALSE(std::filesystem::exists(dir.File("m")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("o.png")));
}

}  // namespace
}  // namespace glyphon::cli
