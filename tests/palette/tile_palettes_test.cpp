// SPDX-License-Identifier: MIT
#include "palette/tile_palettes.h"

#include <gtest/gtest.h>

#include <random>

#include "support/test_support.h"

namespace glyphon::palette {
namespace {

constexpr RgbColor kRed = Rgb(255, 0, 0), kGreen = Rgb(0, 255, 0), kBlue = Rgb(0, 0, 255),
                   kYellow = Rgb(255, 255, 0), kMagenta = Rgb(255, 0, 255), kPurple = Rgb(128, 0, 128);

std::vector<RgbColor> Colours(std::initializer_list<RgbColor> colours) {
  return colours;
}

// A picture of 8 by 8 tiles in a row, tile i filled with tiles[i][0] and its first pixels
// painted in the rest of tiles[i], one colour a pixel from (0, 0) on.
platform::Surface TileRow(const std::vector<std::vector<RgbColor>>& tiles) {
  platform::Surface picture = platform::Surface::Picture(8 * static_cast<int>(tiles.size()), 8);
  for (std::size_t t = 0; t < tiles.size(); ++t) {
    const int x0 = 8 * static_cast<int>(t);
    picture.FillRect(x0, 0, 8, 8, tiles[t][0]);
    for (std::size_t i = 1; i < tiles[t].size(); ++i)
      picture.SetPixel(x0 + static_cast<int>(i - 1), 0, tiles[t][i]);
  }
  return picture;
}

ColourArt Whole(const platform::Surface& picture, int side = 8, std::span<const std::uint8_t> mask = {}) {
  return {picture, {0, 0, picture.Width(), picture.Height()}, mask, side};
}

// Worked by hand: one palette holds white, red and blue, lightest first by 299 R + 587 G +
// 114 B (white 255000, red 76245, blue 29070), padded with black; no transparency, so entry 0
// is the lightest colour.
TEST(PackAreaPalettes, OnePaletteLightestFirst) {
  const platform::Surface picture = TileRow({{kRed, kWhite}, {kBlue, kWhite}});
  const auto packed = PackAreaPalettes(Whole(picture), {4, 2, std::nullopt, PaletteOrder::Luminance});
  ASSERT_TRUE(packed) << packed.Error();
  ASSERT_EQ(packed.Value().palettes.size(), 1u);
  EXPECT_EQ(packed.Value().palettes[0].colours, Colours({kWhite, kRed, kBlue, kBlack}));
  EXPECT_EQ(packed.Value().paletteOfArea, (std::vector<std::uint8_t>{0, 0}));
  EXPECT_EQ(packed.Value().values.At(0, 0), 0);  // white
  EXPECT_EQ(packed.Value().values.At(1, 1), 1);  // red
  EXPECT_EQ(packed.Value().values.At(9, 1), 2);  // blue
}

// Picture order: blue appears first (pixel (0, 0)), then red, then white.
TEST(PackAreaPalettes, PictureOrderIsFirstAppearance) {
  const platform::Surface picture = TileRow({{kRed, kBlue}, {kWhite, kRed}});
  const auto packed = PackAreaPalettes(Whole(picture), {4, 1, std::nullopt, PaletteOrder::Picture});
  ASSERT_TRUE(packed) << packed.Error();
  EXPECT_EQ(packed.Value().palettes[0].colours, Colours({kBlue, kRed, kWhite, kBlack}));
}

// Transparent pixels and the colour zero both take entry 0, which holds the colour zero;
// the other colours start at entry 1.
TEST(PackAreaPalettes, TransparentAndColourZeroTakeEntryZero) {
  const platform::Surface picture = TileRow({{kGreen, kMagenta, kRed}});
  std::vector<std::uint8_t> mask(64, 0);
  mask[2] = 1;  // pixel (2, 0) is transparent
  const auto packed = PackAreaPalettes(Whole(picture, 8, mask), {4, 1, kMagenta, PaletteOrder::Luminance});
  ASSERT_TRUE(packed) << packed.Error();
  EXPECT_EQ(packed.Value().palettes[0].colours, Colours({kMagenta, kGreen, kRed, kBlack}));
  EXPECT_EQ(packed.Value().values.At(0, 0), 0);  // magenta
  EXPECT_EQ(packed.Value().values.At(2, 0), 0);  // transparent
  EXPECT_EQ(packed.Value().values.At(1, 0), 2);  // red
  EXPECT_EQ(packed.Value().values.At(5, 5), 1);  // green
}

struct Refusal {
  const char* name;
  std::vector<std::vector<RgbColor>> tiles;
  int side;
  bool transparentPixel;  // pixel (7, 7) of the first tile is transparent
  std::size_t size, most;
  std::string message;
};

class PackRefusals : public testing::TestWithParam<Refusal> {};

TEST_P(PackRefusals, NameTheAreaAndTheCount) {
  const Refusal& c = GetParam();
  const platform::Surface picture = TileRow(c.tiles);
  // The selection starts at (8, 0): places are named in the picture's pixels.
  const int width = picture.Width() - 8;
  std::vector<std::uint8_t> mask;
  if (c.transparentPixel) {
    mask.assign(static_cast<std::size_t>(width * 8), 0);
    mask[static_cast<std::size_t>(7 * width + 7)] = 1;
  }
  const ColourArt art{picture, {8, 0, width, 8}, mask, c.side};
  const auto packed = PackAreaPalettes(art, {c.size, c.most, std::nullopt, PaletteOrder::Luminance});
  ASSERT_FALSE(packed);
  EXPECT_EQ(packed.Error(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackRefusals,
    testing::Values(Refusal{"TooManyColours",
                            {{kRed}, {kBlack, kWhite, kRed, kGreen, kBlue}},
                            8,
                            false,
                            4,
                            8,
                            "the tile at (8, 0) has 5 colours, more than a palette of 4 holds"},
                    Refusal{"TooManyBesideColourZero",
                            {{kRed}, {kBlack, kWhite, kRed, kGreen}},
                            8,
                            true,
                            4,
                            8,
                            "the tile at (8, 0) has 4 colours besides colour 0, more than the 3 a palette of "
                            "4 holds beside it"},
                    // Three tiles of two colours each, no colour shared: three palettes of two.
                    Refusal{"TooManyPalettes",
                            {{kRed}, {kRed, kWhite}, {kGreen, kBlue}, {kYellow, kBlack}},
                            8,
                            false,
                            2,
                            2,
                            "the colours need 3 palettes of 2, more than the 2 allowed"},
                    // NES: the two tiles of one 16 by 16 area hold five colours between them.
                    Refusal{"AreaOfSixteen",
                            {{kRed}, {kRed, kWhite}, {kGreen, kBlue, kYellow}},
                            16,
                            false,
                            4,
                            4,
                            "the 16 by 16 area at (8, 0) has 5 colours, more than a palette of 4 holds"}),
    [](const testing::TestParamInfo<Refusal>& param) { return std::string(param.param.name); });

// NES attribute areas: the colours of a 16 by 16 area share one palette, though each tile
// alone would fit another.
TEST(PackAreaPalettes, AreasOfSixteenHoldToOnePalette) {
  platform::Surface picture = platform::Surface::Picture(32, 16, kBlack);
  picture.FillRect(0, 0, 8, 8, kRed);
  picture.FillRect(8, 8, 8, 8, kGreen);
  picture.FillRect(16, 0, 16, 16, kBlue);
  picture.SetPixel(16, 0, kYellow);
  const auto packed = PackAreaPalettes(Whole(picture, 16), {2, 4, std::nullopt, PaletteOrder::Luminance});
  EXPECT_FALSE(packed);  // red, green and black in one area: three colours in palettes of two
  const auto roomy = PackAreaPalettes(Whole(picture, 16), {3, 4, std::nullopt, PaletteOrder::Luminance});
  ASSERT_TRUE(roomy) << roomy.Error();
  ASSERT_EQ(roomy.Value().paletteOfArea.size(), 2u);
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 2; ++column)
      EXPECT_EQ(roomy.Value().PaletteOfTile(column, row, 16), roomy.Value().paletteOfArea[0]);
  }
}

// A picture drawn from `count` known sub-palettes (disjoint, each used whole by one tile, the
// other tiles using random parts of one) packs into at most `count` palettes and draws back
// exactly. The first tiles use each palette whole, so even first-fit decreasing must find it.
TEST(PackAreaPalettes, KnownSubPalettesComeBackAndDrawTheSamePicture) {
  for (const auto& [count, size] : std::vector<std::pair<int, int>>{{8, 16}, {8, 4}, {4, 16}, {4, 4}}) {
    std::mt19937 random(static_cast<std::uint32_t>(count * 100 + size));
    std::vector<std::vector<RgbColor>> known(static_cast<std::size_t>(count));
    for (int p = 0; p < count; ++p) {
      for (int i = 0; i < size; ++i)
        known[static_cast<std::size_t>(p)].push_back(Rgb(p * 16 + i, i * 8, 200 - p));
    }
    const int across = 12, down = 10;
    platform::Surface picture = platform::Surface::Picture(across * 8, down * 8);
    for (int t = 0; t < across * down; ++t) {
      const auto& palette =
          known[static_cast<std::size_t>(t < count ? t : static_cast<int>(random() % known.size()))];
      const int used = t < count ? size : 1 + static_cast<int>(random() % static_cast<unsigned>(size));
      for (int i = 0; i < 64; ++i) {
        const int pick = i < size ? i % used : static_cast<int>(random() % static_cast<unsigned>(used));
        picture.SetPixel(t % across * 8 + i % 8, t / across * 8 + i / 8,
                         palette[static_cast<std::size_t>(pick)]);
      }
    }
    const auto packed =
        PackAreaPalettes(Whole(picture), {static_cast<std::size_t>(size), static_cast<std::size_t>(count),
                                          std::nullopt, PaletteOrder::Luminance});
    ASSERT_TRUE(packed) << packed.Error();
    EXPECT_LE(packed.Value().palettes.size(), static_cast<std::size_t>(count));
    std::vector<std::uint8_t> ofTile;
    for (int t = 0; t < across * down; ++t)
      ofTile.push_back(packed.Value().PaletteOfTile(t % across, t / across, 8));
    std::int64_t beyond = 0;
    const platform::Surface drawn =
        DrawInPalettes(packed.Value().values, ofTile, packed.Value().palettes, beyond);
    EXPECT_EQ(beyond, 0);
    EXPECT_TRUE(std::equal(drawn.Pixels().begin(), drawn.Pixels().end(), picture.Pixels().begin()))
        << count << " of " << size;
  }
}

const std::vector<Palette> kFixed{Palette{{kBlack, kWhite, kRed, kGreen}},
                                  Palette{{kBlack, kWhite, kBlue, kYellow}}};

// The first palette holding all of a tile's colours; each colour at its entry there.
TEST(MatchAreaPalettes, FirstPaletteHoldingEveryColour) {
  const platform::Surface picture = TileRow({{kWhite}, {kWhite, kBlue}, {kYellow, kBlack}, {kGreen}});
  const auto matched = MatchAreaPalettes(Whole(picture), kFixed, false);
  ASSERT_TRUE(matched) << matched.Error();
  EXPECT_EQ(matched.Value().paletteOfArea, (std::vector<std::uint8_t>{0, 1, 1, 0}));
  EXPECT_EQ(matched.Value().values.At(8, 0), 2);   // blue in palette 1
  EXPECT_EQ(matched.Value().values.At(9, 0), 1);   // white
  EXPECT_EQ(matched.Value().values.At(16, 0), 0);  // black
  EXPECT_EQ(matched.Value().values.At(17, 0), 3);  // yellow
  EXPECT_EQ(matched.Value().values.At(24, 0), 3);  // green in palette 0
}

TEST(MatchAreaPalettes, RefusalsNameTheTileAndTheColour) {
  const platform::Surface lost = TileRow({{kWhite}, {kWhite, kWhite, kPurple}});
  const auto none = MatchAreaPalettes(Whole(lost), kFixed, false);
  ASSERT_FALSE(none);
  EXPECT_EQ(none.Error(),
            "the tile at (8, 0) has the colour #800080 at pixel (9, 0), which no palette holds");
  const platform::Surface split = TileRow({{kRed, kBlue}});
  const auto apart = MatchAreaPalettes(Whole(split), kFixed, false);
  ASSERT_FALSE(apart);
  EXPECT_EQ(apart.Error(),
            "the tile at (0, 0) has colours of more than one palette: no palette holds them all");
}

// --nearest: the palette of least total squared error. Near-blue (0, 0, 250) is 5^2 = 25 from
// blue in palette 1, and 250^2 = 62500 from black, the nearest entry of palette 0; white is
// in both. So palette 1, and the 63 near-blue pixels are inexact.
TEST(MatchAreaPalettes, NearestTakesThePaletteOfLeastError) {
  const platform::Surface picture = TileRow({{Rgb(0, 0, 250), kWhite}});
  std::int64_t inexact = 0;
  const auto matched = MatchAreaPalettes(Whole(picture), kFixed, true, &inexact);
  ASSERT_TRUE(matched) << matched.Error();
  EXPECT_EQ(matched.Value().paletteOfArea[0], 1);
  EXPECT_EQ(matched.Value().values.At(1, 1), 2);
  EXPECT_EQ(inexact, 63);
}

TEST(CutPalettes, WholeSubPalettesAndAShortLastOne) {
  Palette ten;
  for (int i = 0; i < 10; ++i) ten.colours.push_back(GreyColor(i));
  const std::vector<Palette> cut = CutPalettes(ten, 4);
  ASSERT_EQ(cut.size(), 3u);
  EXPECT_EQ(cut[1].colours, Colours({GreyColor(4), GreyColor(5), GreyColor(6), GreyColor(7)}));
  EXPECT_EQ(cut[2].colours.size(), 2u);
  EXPECT_EQ(JoinPalettes(cut), ten);
}

TEST(DrawInPalettes, EachTileInItsPaletteAndWhatLiesBeyondBlack) {
  convert::ValuePlane values(16, 8, 1);
  values.Set(15, 7, 3);  // beyond palette 1's two entries
  std::int64_t beyond = 0;
  const std::vector<Palette> palettes{Palette{{kBlack, kRed}}, Palette{{kBlack, kGreen}}};
  const std::vector<std::uint8_t> ofTile{0, 1};
  const platform::Surface drawn = DrawInPalettes(values, ofTile, palettes, beyond);
  EXPECT_EQ(drawn.GetPixel(0, 0), kRed);
  EXPECT_EQ(drawn.GetPixel(8, 0), kGreen);
  EXPECT_EQ(drawn.GetPixel(15, 7), kBlack);
  EXPECT_EQ(beyond, 1);
}

}  // namespace
}  // namespace glyphon::palette
