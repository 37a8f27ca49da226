// SPDX-License-Identifier: MIT
#include "cli/map_options.h"

#include <gtest/gtest.h>

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
using cli_test::RunWith;
using cli_test::Words;

// A 2bpp picture whose tile n (in rows) holds n in its top row's first eight values two
// bits at a time: every tile distinct, and none of one colour or mirror of another.
convert::ValuePlane Distinct(int across, int down) {
  convert::ValuePlane plane(across * 8, down * 8);
  for (int n = 0; n < across * down; ++n) {
    for (int i = 0; i < 8; ++i)
      plane.Set(n % across * 8 + i, n / across * 8, static_cast<std::uint8_t>((n >> (2 * (i % 8))) & 3));
    plane.Set(n % across * 8 + 7, n / across * 8 + 7, 3);  // no tile is its own mirror
  }
  return plane;
}

void WritePlane(const std::string& name, const convert::ValuePlane& plane) {
  const formats::FormatInfo& format = *formats::FindFormat("2bpp-snes/gb");
  ASSERT_TRUE(imageio::WritePicture(name, formats::PictureOfValues(format, plane),
                                    formats::DecoderColours(format.bitsPerPixel))
                  .Ok());
}

std::uint16_t Word(const ByteString& map, std::size_t i) {
  return static_cast<std::uint16_t>(map[2 * i] << 8 | map[2 * i + 1]);  // genesis: big-endian
}

// A 64 by 32 map in 32 by 32 screens: all of screen 0's rows, then screen 1's.
TEST(MapScreens, WritesScreenByScreenAndReadsBack) {
  test::TempDir dir;
  const cli_test::InFolder here(dir.Path());
  WritePlane("p.png", Distinct(64, 32));
  Outcome o = RunWith(
      Words("tiles -f 2bpp-snes/gb --map-layout genesis --map-out m.dat --map-screens 32x32 p.png t.dat"));
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  const ByteString map = platform::ReadRomData("m.dat").Value();
  ASSERT_EQ(map.size(), 64u * 32 * 2);
  EXPECT_EQ(Word(map, 31), 31);  // screen 0, row 0, last cell
  EXPECT_EQ(Word(map, 32), 64);  // screen 0, row 1
  EXPECT_EQ(Word(map, 1023), 31 * 64 + 31);
  EXPECT_EQ(Word(map, 1024), 32);       // screen 1, row 0
  EXPECT_EQ(Word(map, 1024 + 32), 96);  // screen 1, row 1
  o = RunWith(Words(
      "untile -f 2bpp-snes/gb --map-layout genesis --width-tiles 64 --map-screens 32x32 t.dat m.dat b.png"));
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(imageio::ReadPicture("b.png").Value(), imageio::ReadPicture("p.png").Value());
  o = RunWith(Words(
      "untile -f 2bpp-snes/gb --map-layout genesis --width-tiles 48 --map-screens 32x32 t.dat m.dat b.png"));
  EXPECT_EQ(o.status, kExitFailure);
  EXPECT_NE(o.err.find("not whole screens of 32 by 32 tiles"), std::string::npos) << o.err;
}

// Column order in tiles gives the bytes encode --order columns gives.
TEST(TilesOrder, TileSetInColumnsIsTheColumnEncode) {
  test::TempDir dir;
  const cli_test::InFolder here(dir.Path());
  WritePlane("p.png", Distinct(4, 2));
  for (const std::string order : {"--order columns", "--object 16x16", "--object 8x16"}) {
    ASSERT_EQ(
        RunWith(Words("tiles -f 2bpp-gb " + order + " --map-layout gb --map-out m.dat p.png t.dat")).status,
        kExitSuccess);
    ASSERT_EQ(RunWith(Words("encode -f 2bpp-gb " + order + " p.png e.dat")).status, kExitSuccess);
    EXPECT_EQ(platform::ReadRomData("t.dat").Value(), platform::ReadRomData("e.dat").Value()) << order;
    // The map stays in the picture's rows, naming each tile's place in the set.
    const ByteString map = platform::ReadRomData("m.dat").Value();
    ASSERT_EQ(RunWith(Words("untile -f 2bpp-gb --map-layout gb --width-tiles 4 t.dat m.dat b.png")).status,
              kExitSuccess);
    EXPECT_EQ(imageio::ReadPicture("b.png").Value(), imageio::ReadPicture("p.png").Value()) << order;
  }
  const ByteString map = platform::ReadRomData("m.dat").Value();  // 8x16: 0 2 4 6 / 1 3 5 7
  EXPECT_EQ(map, test::Bytes({0, 2, 4, 6, 1, 3, 5, 7}));
}

// The Game Boy's numbers wrap at 256; the gbc bank bit is set by --bank-split only.
TEST(GameBoyNumbers, WrapAndSplitBanks) {
  test::TempDir dir;
  const cli_test::InFolder here(dir.Path());
  WritePlane("p.png", Distinct(3, 1));
  ASSERT_EQ(
      RunWith(Words("tiles -f 2bpp-gb --map-layout gb --map-out m.dat --base-tile 255 p.png t.dat")).status,
      kExitSuccess);
  EXPECT_EQ(platform::ReadRomData("m.dat").Value(), test::Bytes({255, 0, 1}));
  Outcome o =
      RunWith(Words("tiles -f 2bpp-gb --map-layout gbc --map-out m.dat --attr-out a.dat --bank-split 1 "
                    "--base-tile 128 p.png t.dat"));
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(platform::ReadRomData("m.dat").Value(), test::Bytes({128, 128, 129}));
  EXPECT_EQ(platform::ReadRomData("a.dat").Value(), test::Bytes({0x00, 0x08, 0x08}));
  o = RunWith(
      Words("untile -f 2bpp-gb --map-layout gbc --attr a.dat --bank-split 1 --base-tile 128 --width-tiles 3 "
            "t.dat m.dat b.png"));
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(imageio::ReadPicture("b.png").Value(), imageio::ReadPicture("p.png").Value());

  // 300 tiles used to reach bank 1 through the number's carry, unasked; now refused.
  WritePlane("big.png", Distinct(30, 10));
  o = RunWith(Words("tiles -f 2bpp-gb --map-layout gbc --map-out m.dat --attr-out a.dat big.png t.dat"));
  EXPECT_EQ(o.status, kExitFailure);
  EXPECT_NE(o.err.find("at most 256 (--bank-split puts the rest in bank 1)"), std::string::npos) << o.err;
  o = RunWith(Words(
      "tiles -f 2bpp-gb --map-layout gbc --map-out m.dat --attr-out a.dat --bank-split 200 big.png t.dat"));
  EXPECT_EQ(o.status, kExitSuccess) << o.err;
}

// --tiles-from matches an existing set (with the mirrors --flips allows), appends what is
// new, and --tiles-from-only names the first tile it lacks; --trim-end and --background
// leave tiles out.
TEST(TileSetOptions, ReuseTrimAndBackground) {
  test::TempDir dir;
  const cli_test::InFolder here(dir.Path());
  const convert::ValuePlane four = Distinct(4, 1);
  WritePlane("four.png", four);
  ASSERT_EQ(RunWith(Words("tiles -f 2bpp-gb four.png four.dat")).status, kExitSuccess);
  // Tiles 2 and 0 of the set, tile 1 mirrored left-right, then a new tile.
  convert::ValuePlane next(32, 8);
  const auto cut = tiles::CutTiles(four).Value();
  tiles::PutTile(next, 0, 0, cut[2]);
  tiles::PutTile(next, 1, 0, cut[0]);
  tiles::PutTile(next, 2, 0, tiles::Mirror(cut[1], tiles::kFlipH));
  tiles::PutTile(next, 3, 0, tiles::Mirror(cut[1], tiles::kFlipV));
  WritePlane("next.png", next);
  const std::size_t tile = 16;
  Outcome o =
      RunWith(Words("tiles -f 2bpp-gb --tiles-from four.dat --flips h --map-layout snes --map-out m.dat "
                    "next.png out.dat"));
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(platform::ReadRomData("out.dat").Value().size(), 5 * tile) << "the V mirror is new";
  EXPECT_EQ(platform::ReadRomData("m.dat").Value(), test::Bytes({2, 0, 0, 0, 1, 0x40, 4, 0}));
  o =
      RunWith(Words("tiles -f 2bpp-gb --tiles-from four.dat --flips both --map-layout snes --map-out m.dat "
                    "next.png out.dat"));
  EXPECT_EQ(platform::ReadRomData("out.dat").Value(), platform::ReadRomData("four.dat").Value());
  EXPECT_EQ(platform::ReadRomData("m.dat").Value(), test::Bytes({2, 0, 0, 0, 1, 0x40, 1, 0x80}));
  o = RunWith(Words("tiles -f 2bpp-gb --tiles-from four.dat --tiles-from-only next.png out.dat"));
  EXPECT_EQ(o.status, kExitFailure);
  EXPECT_NE(o.err.find("next.png: the tile at (16, 0) is not in four.dat"), std::string::npos) << o.err;

  ASSERT_EQ(RunWith(Words("tiles -f 2bpp-gb --trim-end 3 four.png t.dat")).status, kExitSuccess);
  EXPECT_EQ(platform::ReadRomData("t.dat").Value().size(), tile);
  EXPECT_EQ(RunWith(Words("tiles -f 2bpp-gb --trim-end 4 four.png t.dat")).status, kExitFailure);

  // A picture of white around two tiles: the white tiles take tile 0x1FF and are left out.
  platform::Surface framed = platform::Surface::Picture(32, 8, 0xFFFFFF);
  framed.FillRect(8, 0, 8, 8, 0x000000);
  framed.FillRect(16, 0, 8, 8, 0x555555);
  ASSERT_TRUE(imageio::WritePicture("framed.png", framed).Ok());
  o = RunWith(
      Words("tiles -f 2bpp-gb --background #FFFFFF --background-tile 511 --base-tile 16 --map-layout snes "
            "--map-out m.dat framed.png t.dat"));
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(platform::ReadRomData("t.dat").Value().size(), 2 * tile);
  EXPECT_EQ(platform::ReadRomData("m.dat").Value(), test::Bytes({0xFF, 1, 16, 0, 17, 0, 0xFF, 1}));
}

TEST(MapOptionRefusals, NameTheCause) {
  test::TempDir dir;
  const cli_test::InFolder here(dir.Path());
  WritePlane("p.png", Distinct(3, 1));
  struct Case {
    std::string line;
    int status;
    std::string err;
  };
  for (const Case& c : std::vector<Case>{
           {"tiles -f 2bpp-gb --flips=x p.png t.dat", kExitUsage, "--flips wants h, v or both, not \"x\""},
           {"tiles -f 2bpp-gb --map-screens 32 --map-layout snes --map-out m.dat p.png t.dat", kExitUsage,
            "--map-screens wants WxH in tiles"},
           {"tiles -f 2bpp-gb --map-screens 32x32 p.png t.dat", kExitUsage, "need --map-out"},
           {"tiles -f 2bpp-gb --bank-split 4 --map-layout snes --map-out m.dat p.png t.dat", kExitUsage,
            "the snes map layout has no second bank for --bank-split"},
           {"tiles -f 2bpp-gb --tiles-from-only p.png t.dat", kExitUsage,
            "--tiles-from-only needs --tiles-from FILE"},
           {"tiles -f 2bpp-gb --background #12345 p.png t.dat", kExitUsage,
            "--background wants a colour #RRGGBB"},
           {"tiles -f 2bpp-gb --map-screens 2x2 --map-layout snes --map-out m.dat p.png t.dat", kExitFailure,
            "the map's 3 by 1 tiles are not whole objects of 2 by 2 tiles (--map-screens)"},
           {"tiles -f 2bpp-gb --object 16x8 p.png t.dat", kExitFailure,
            "the picture's 3 by 1 tiles are not whole objects of 2 by 1 tiles"},
       }) {
    const Outcome o = RunWith(Words(c.line));
    EXPECT_EQ(o.status, c.status) << c.line;
    EXPECT_NE(o.err.find(c.err), std::string::npos) << c.line << "\n" << o.err;
  }
  // "--flips" alone still means both mirrors, before a file name too.
  EXPECT_EQ(JoinFlips(Words("--flips p.png --flips v --flips=h --flips -- --flips")),
            Words("--flips=both p.png --flips=v --flips=h --flips=both -- --flips"));
}

}  // namespace
}  // namespace glyphon::cli
