// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <random>

#include "cli/rgba_png.h"
#include "cli/run_glyphon.h"
#include "imageio/picture_file.h"
#include "palette/palette.h"
#include "palette/palette_file.h"
#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::cli {
namespace {

using cli_test::Outcome;
using cli_test::RgbaPng;
using cli_test::SetRgba;

constexpr RgbColor kRed = Rgb(255, 0, 0), kBlue = Rgb(0, 0, 255), kMagenta = Rgb(255, 0, 255);

ByteString Read(const std::string& path) {
  return platform::ReadFileBytes(path).Value();
}

std::string Text(const std::string& path) {
  const ByteString bytes = Read(path);
  return {bytes.begin(), bytes.end()};
}

void WriteRgba(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba) {
  ASSERT_TRUE(platform::WriteFileAtomic(path, RgbaPng(width, height, rgba)).Ok());
}

struct Layout {
  std::string name;
  std::string format;
  std::string kind;  // of --palette-out
  int componentBits;
  std::size_t palettes;     // what the layout numbers
  std::size_t paletteSize;  // 2^bpp
  int areaSide;
};

class ColourRoundTrip : public testing::TestWithParam<Layout> {};

// Colour art drawn from as many known sub-palettes as the layout numbers, at the console's
// colour depth, with transparent pixels: packed into at most that many palettes, and untile
// draws it back exactly (transparent pixels in entry 0, black). Each area holds to one
// sub-palette, and the first areas use theirs whole, so that the packing is bound to find them.
TEST_P(ColourRoundTrip, PackedAndDrawnBack) {
  const Layout& c = GetParam();
  std::mt19937 random(31);
  const auto level = [&](int v) {
    return c.componentBits == 5 ? palette::ExpandFrom5(v) : palette::ExpandFrom3(v);
  };
  const int top = (1 << c.componentBits) - 1;
  std::vector<std::vector<RgbColor>> known(c.palettes);
  for (std::size_t p = 0; p < known.size(); ++p) {
    // Distinct colours: each sub-palette its own red level, each entry its own green and
    // blue levels.
    for (int i = 0; i + 1 < static_cast<int>(c.paletteSize); ++i)
      known[p].push_back(
          Rgb(level(static_cast<int>(p) + 1), level(i % (top + 1)), level(top - i / (top + 1))));
  }
  const int width = 64, height = 48, side = c.areaSide;
  const int across = width / side;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width * height * 4));
  std::vector<RgbColor> expected(static_cast<std::size_t>(width * height));
  for (int area = 0; area < across * (height / side); ++area) {
    const std::size_t p =
        area < static_cast<int>(known.size()) ? static_cast<std::size_t>(area) : random() % known.size();
    for (int i = 0; i < side * side; ++i) {
      const int x = area % across * side + i % side, y = area / across * side + i / side;
      const bool clear = i == side * side - 1;
      const std::size_t entry =
          i < static_cast<int>(known[p].size()) ? static_cast<std::size_t>(i) : random() % known[p].size();
      const RgbColor colour = known[p][entry];
      SetRgba(rgba, width, x, y, colour, clear ? 0 : 255);
      expected[static_cast<std::size_t>(y * width + x)] = clear ? kBlack : colour;
    }
  }
  test::TempDir dir;
  const std::string art = dir.File("art.png"), set = dir.File("set.chr"), map = dir.File("map.dat"),
                    attr = dir.File("attr.dat"), pal = dir.File("pal.dat"), back = dir.File("back.png");
  WriteRgba(art, width, height, rgba);
  const bool attributes = c.name == "gbc" || c.name == "nes";
  const bool flips = c.name != "nes";  // mirrored tiles keep their palette numbers
  std::vector<std::string> args{"tiles",
                                "-f",
                                c.format,
                                "--values",
                                "colour",
                                "--dedupe",
                                "--map-layout",
                                c.name,
                                "--map-out",
                                map,
                                "--palette-out",
                                pal,
                                "--palette-out-format",
                                c.kind};
  if (attributes) args.insert(args.end(), {"--attr-out", attr});
  if (flips) args.push_back("--flips");
  args.insert(args.end(), {art, set});
  Outcome o = cli_test::RunWith(args);
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  const auto palettes = palette::LoadPalette(pal, palette::FindPaletteKind(c.kind));
  ASSERT_TRUE(palettes) << palettes.Error();
  EXPECT_EQ(palettes.Value().colours.size() % c.paletteSize, 0u);
  EXPECT_LE(palettes.Value().colours.size() / c.paletteSize, c.palettes);

  std::vector<std::string> back_args{
      "untile", "-f",        c.format, "--map-layout",     c.name, "--width-tiles", "8", "--values",
      "colour", "--palette", pal,      "--palette-format", c.kind};
  if (attributes) back_args.insert(back_args.end(), {"--attr", attr});
  back_args.insert(back_args.end(), {set, map, back});
  o = cli_test::RunWith(back_args);
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  const platform::Surface drawn = imageio::ReadPicture(back).Value();
  ASSERT_EQ(drawn.Width(), width);
  ASSERT_EQ(drawn.Height(), height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(drawn.GetPixel(x, y), expected[static_cast<std::size_t>(y * width + x)]) << x << ", " << y;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ColourRoundTrip,
                         testing::Values(Layout{"snes", "4bpp-snes", "bgr555", 5, 8, 16, 8},
                                         Layout{"gbc", "2bpp-snes/gb", "bgr555", 5, 8, 4, 8},
                                         Layout{"genesis", "4bpp-genesis", "genesis", 3, 4, 16, 8},
                                         Layout{"nes", "2bpp-nes", "hex", 5, 4, 4, 16}),
                         [](const testing::TestParamInfo<Layout>& param) { return param.param.name; });

struct KnownMap {
  std::string layout;  // empty: no map, --palette-map-out
  std::string format;
  ByteString map;
  ByteString attributes;  // the gbc attribute map, the nes attribute table, the palette map
  ByteString tile;
};

class ColourKnownMaps : public testing::TestWithParam<KnownMap> {};

// Fixed sub-palettes, worked by hand: a 32 by 16 picture, white with a red pixel at the top
// left of each tile of its left half and a blue one in its right half. The palette file holds
// black, white, red, green, then black, white, blue, yellow: the left tiles take palette 0,
// the right ones palette 1, and every tile stores white as 1 and its red or blue as 2, so
// all eight are one tile of the set (dedupe works on the stored indices). Map entries in rows
// of 4: palettes 0 0 1 1 / 0 0 1 1.
TEST_P(ColourKnownMaps, PaletteNumbersInTheMap) {
  const KnownMap& c = GetParam();
  test::TempDir dir;
  std::vector<std::uint8_t> rgba = cli_test::RgbaFilled(32, 16, kWhite);
  for (int t = 0; t < 8; ++t) SetRgba(rgba, 32, t % 4 * 8, t / 4 * 8, t % 4 < 2 ? kRed : kBlue, 255);
  WriteRgba(dir.File("art.png"), 32, 16, rgba);
  const std::string palettes = "#000000\n#ffffff\n#ff0000\n#00ff00\n#000000\n#ffffff\n#0000ff\n#ffff00\n";
  ASSERT_TRUE(
      platform::WriteFileAtomic(dir.File("fixed.hex"), ByteString(palettes.begin(), palettes.end())).Ok());
  std::vector<std::string> args{
      "tiles",          "-f", c.format,  "--values", "colour", "--palette", dir.File("fixed.hex"),
      "--palette-size", "4",  "--dedupe"};
  if (c.layout.empty()) {
    args.insert(args.end(), {"--palette-map-out", dir.File("attr.dat")});
  } else {
    args.insert(args.end(), {"--map-layout", c.layout, "--map-out", dir.File("map.dat")});
    if (c.layout == "gbc" || c.layout == "nes") args.insert(args.end(), {"--attr-out", dir.File("attr.dat")});
  }
  args.insert(args.end(), {dir.File("art.png"), dir.File("set.chr")});
  const Outcome o = cli_test::RunWith(args);
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(Read(dir.File("set.chr")), c.tile);
  if (!c.layout.empty()) {
    EXPECT_EQ(Read(dir.File("map.dat")), c.map);
  }
  if (!c.attributes.empty()) {
    EXPECT_EQ(Read(dir.File("attr.dat")), c.attributes);
  }
}

// 2bpp SNES/GB tile rows are plane 0 then plane 1, bit 7 the leftmost pixel: row 0 is white
// (1) but for a 2 at the left, 0x7F 0x80; the other rows 0xFF 0x00. The NES keeps plane 0's
// eight rows, then plane 1's. Genesis 4bpp: a nibble a pixel, the left one high.
const ByteString kTile2bpp =
    test::Bytes({0x7F, 0x80, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0});
const ByteString kTileNes =
    test::Bytes({0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0});

ByteString GenesisTile() {
  ByteString tile{0x21, 0x11, 0x11, 0x11};
  tile.resize(32, 0x11);
  return tile;
}

ByteString NesTable() {
  ByteString table(64, 0);
  table[0] = 1 << 2;  // area (1, 0), the top right of the first 32 by 32 square: palette 1
  return table;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ColourKnownMaps,
    testing::Values(
        // SNES: vhopppcc cccccccc little-endian, palette 1 is 0x0400.
        KnownMap{"snes",
                 "2bpp-snes/gb",
                 test::Bytes({0, 0, 0, 0, 0, 4, 0, 4, 0, 0, 0, 0, 0, 4, 0, 4}),
                 {},
                 kTile2bpp},
        // Genesis: pccv hnnn nnnn nnnn big-endian, palette 1 is 0x2000.
        KnownMap{"genesis",
                 "4bpp-genesis",
                 test::Bytes({0, 0, 0, 0, 0x20, 0, 0x20, 0, 0, 0, 0, 0, 0x20, 0, 0x20, 0}),
                 {},
                 GenesisTile()},
        // GBC: the palette in bits 0-2 of the attribute byte.
        KnownMap{"gbc", "2bpp-snes/gb", ByteString(8, 0), test::Bytes({0, 0, 1, 1, 0, 0, 1, 1}), kTile2bpp},
        KnownMap{"nes", "2bpp-nes", ByteString(8, 0), NesTable(), kTileNes},
        KnownMap{"", "2bpp-snes/gb", {}, test::Bytes({0, 0, 1, 1, 0, 0, 1, 1}), kTile2bpp}),
    [](const testing::TestParamInfo<KnownMap>& param) {
      return param.param.layout.empty() ? std::string("sprite") : param.param.layout;
    });

// Entry 0: a transparent pixel and the --colour-zero colour take it; the other colours follow
// in the order they first appear (red at (2, 0), then white), the rest black.
TEST(ColourArt, ColourZeroAndPictureOrder) {
  test::TempDir dir;
  std::vector<std::uint8_t> rgba = cli_test::RgbaFilled(8, 8, kWhite);
  SetRgba(rgba, 8, 0, 0, kBlue, 0);
  SetRgba(rgba, 8, 1, 0, kMagenta, 255);
  SetRgba(rgba, 8, 2, 0, kRed, 255);
  WriteRgba(dir.File("art.png"), 8, 8, rgba);
  const Outcome o = cli_test::RunWith({"tiles", "-f", "2bpp-snes/gb", "--values", "colour", "--colour-zero",
                                       "#FF00FF", "--palette-order", "picture", "--palette-out",
                                       dir.File("pal.hex"), dir.File("art.png"), dir.File("set.chr")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(Text(dir.File("pal.hex")), "#ff00ff\n#ff0000\n#ffffff\n#000000\n");
  // Row 0: 0 0 1 2 2 2 2 2 -> plane 0 0b00100000, plane 1 0b00011111.
  EXPECT_EQ(Read(dir.File("set.chr"))[0], 0x20);
  EXPECT_EQ(Read(dir.File("set.chr"))[1], 0x1F);
}

TEST(ColourArt, RefusalsNameTheFileAndWhere) {
  test::TempDir dir;
  // Three tiles of two colours, none shared: white and red, blue and green, black and magenta.
  std::vector<std::uint8_t> rgba = cli_test::RgbaFilled(24, 8, kWhite);
  for (int y = 0; y < 8; ++y) {
    for (int x = 8; x < 24; ++x) SetRgba(rgba, 24, x, y, x < 16 ? kBlue : kBlack, 255);
  }
  SetRgba(rgba, 24, 0, 0, kRed, 255);
  SetRgba(rgba, 24, 9, 0, Rgb(0, 255, 0), 255);
  SetRgba(rgba, 24, 17, 0, kMagenta, 255);
  WriteRgba(dir.File("three.png"), 24, 8, rgba);
  // A 16 by 16 area whose tiles hold three colours each, five between them.
  std::vector<std::uint8_t> area = cli_test::RgbaFilled(16, 16, kWhite);
  SetRgba(area, 16, 0, 0, kRed, 255);
  SetRgba(area, 16, 1, 0, kBlue, 255);
  SetRgba(area, 16, 8, 8, kMagenta, 255);
  SetRgba(area, 16, 9, 8, kBlack, 255);
  WriteRgba(dir.File("area.png"), 16, 16, area);
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  for (const Case& c : std::vector<Case>{
           {{"tiles", "-f", "8", "--values", "colour", "--palette-size", "2", "--palettes", "2",
             dir.File("three.png"), dir.File("t.chr")},
            "three.png: the colours need 3 palettes of 2, more than the 2 allowed"},
           {{"tiles", "-f", "2bpp-nes", "--values", "colour", "--map-layout", "nes", "--map-out",
             dir.File("m"), "--attr-out", dir.File("a"), dir.File("area.png"), dir.File("t.chr")},
            "area.png: the 16 by 16 area at (0, 0) has 5 colours, more than a palette of 4 holds"},
       }) {
    const Outcome o = cli_test::RunWith(c.args);
    EXPECT_EQ(o.status, kExitFailure);
    EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("t.chr")));
  // The same area passes tile by tile on the gbc layout.
  EXPECT_EQ(cli_test::RunWith({"tiles", "-f", "2bpp-snes/gb", "--values", "colour", "--map-layout", "gbc",
                               "--map-out", dir.File("m"), "--attr-out", dir.File("a"), dir.File("area.png"),
                               dir.File("t.chr")})
                .status,
            kExitSuccess);
}

}  // namespace
}  // namespace glyphon::cli
