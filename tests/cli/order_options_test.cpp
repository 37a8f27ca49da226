// SPDX-License-Identifier: MIT
#include "cli/order_options.h"

#include <gtest/gtest.h>

#include "cli/cli.h"
#include "cli/run_glyphon.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::cli {
namespace {

using cli_test::Outcome;
using cli_test::RunWith;
using cli_test::Words;

// A 1bpp SNES picture of 4 by 4 tiles whose tile n (counted in rows) has the top row n in
// binary, white for 1, and black below: a 1bpp SNES tile is 8 bytes, byte 8t + r row r,
// bit 7 the left column, so stored tile k begins with the number of the picture tile.
platform::Surface NumberedTiles() {
  platform::Surface picture = platform::Surface::Picture(32, 32);
  for (int n = 0; n < 16; ++n) {
    for (int bit = 0; bit < 8; ++bit) {
      if (n & (0x80 >> bit)) picture.SetPixel(n % 4 * 8 + bit, n / 4 * 8, 0xFFFFFF);
    }
  }
  return picture;
}

struct KnownBytes {
  const char* options;
  std::vector<std::uint8_t> firstBytes;  // each stored tile's first byte, worked out by hand
};

class OrderKnownBytes : public testing::TestWithParam<KnownBytes> {};

TEST_P(OrderKnownBytes, StoresTheTilesInTheHandWorkedOrder) {
  test::TempDir dir;
  const cli_test::InFolder here(dir.Path());
  ASSERT_TRUE(imageio::WritePicture("p.png", NumberedTiles()).Ok());
  const Outcome o = RunWith(Words(std::string("encode -f 1bpp-snes ") + GetParam().options + " p.png o.dat"));
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  const ByteString bytes = platform::ReadRomData("o.dat").Value();
  ASSERT_EQ(bytes.size(), 16u * 8);
  std::vector<std::uint8_t> first;
  for (std::size_t k = 0; k < 16; ++k) {
    first.push_back(bytes[8 * k]);
    for (std::size_t r = 1; r < 8; ++r) EXPECT_EQ(bytes[8 * k + r], 0) << k;
  }
  EXPECT_EQ(first, GetParam().firstBytes);

  // The decode in the same order draws the picture back.
  const Outcome back =
      RunWith(Words(std::string("decode -f 1bpp-snes -w 32 ") + GetParam().options + " o.dat back.png"));
  ASSERT_EQ(back.status, kExitSuccess) << back.err;
  EXPECT_EQ(imageio::ReadPicture("back.png").Value(), NumberedTiles());
}

INSTANTIATE_TEST_SUITE_P(
    Orders, OrderKnownBytes,
    testing::Values(KnownBytes{"", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
                    KnownBytes{"--order columns", {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15}},
                    KnownBytes{"--object 16x16", {0, 1, 4, 5, 2, 3, 6, 7, 8, 9, 12, 13, 10, 11, 14, 15}},
                    KnownBytes{"--object 8x16", {0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15}},
                    KnownBytes{"--object 16x16 --object-order columns",
                               {0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15}},
                    KnownBytes{"--object 16x16 --order columns",
                               {0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15}},
                    KnownBytes{"--object 32x16 --object-order columns",
                               {0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15}}));

// Every format that stores whole blocks, in every order: decode in the order gives what a
// plain encode and decode of the picture gives, and the bytes differ from the plain ones.
TEST(OrderRoundTrip, EveryOrderOfEveryBlockFormat) {
  test::TempDir dir;
  const cli_test::InFolder here(dir.Path());
  ASSERT_TRUE(imageio::WritePicture("p.png", test::RandomPicture(64, 64, 11)).Ok());
  const std::vector<std::string> orders{"--order columns",
                                        "--object 16x16",
                                        "--object 8x16",
                                        "--object 32x32 --object-order columns",
                                        "--object 16x32 --order columns",
                                        "--object 64x64"};
  int formats = 0;
  for (const formats::FormatInfo& format : formats::Formats()) {
    if (!format.StoresWholeBlocks()) continue;
    ++formats;
    const std::string name = formats::CliName(format);
    ASSERT_EQ(RunWith(Words("encode -f " + name + " p.png plain.dat")).status, kExitSuccess);
    ASSERT_EQ(RunWith(Words("decode -f " + name + " -w 64 plain.dat plain.png")).status, kExitSuccess);
    const platform::Surface want = imageio::ReadPicture("plain.png").Value();
    for (const std::string& order : orders) {
      const std::string what = name + " " + order;
      Outcome o = RunWith(Words("encode -f " + name + " " + order + " p.png o.dat"));
      if (format.blockSide == 16 && order == "--object 8x16") {
        EXPECT_EQ(o.status, kExitFailure) << what;
        EXPECT_NE(o.err.find("not whole blocks of 16 by 16 pixels in 4bpp PCE Sprite"), std::string::npos)
            << o.err;
        continue;
      }
      ASSERT_EQ(o.status, kExitSuccess) << what << ": " << o.err;
      const ByteString bytes = platform::ReadRomData("o.dat").Value();
      EXPECT_EQ(bytes.size(), platform::ReadRomData("plain.dat").Value().size()) << what;
      if (order != "--object 64x64" && !(format.blockSide == 16 && order == "--object 16x16")) {
        EXPECT_NE(bytes, platform::ReadRomData("plain.dat").Value()) << what;
      }
      o = RunWith(Words("decode -f " + name + " -w 64 " + order + " o.dat back.png"));
      ASSERT_EQ(o.status, kExitSuccess) << what << ": " << o.err;
      EXPECT_EQ(imageio::ReadPicture("back.png").Value(), want) << what;
    }
  }
  EXPECT_GE(formats, 12);
}

// --verify compares the bytes with the picture in the order they are stored in.
TEST(OrderVerify, PassesForAnOrderedEncode) {
  test::TempDir dir;
  const cli_test::InFolder here(dir.Path());
  ASSERT_TRUE(imageio::WritePicture("p.png", test::RandomPicture(32, 32, 8)).Ok());
  for (const std::string order : {"--order columns", "--object 16x16 --object-order columns"}) {
    const Outcome o = RunWith(Words("encode -f 4bpp-genesis --verify " + order + " p.png o.dat"));
    EXPECT_EQ(o.status, kExitSuccess) << order << ": " << o.err;
  }
}

TEST(OrderLocate, FindsAPictureStoredByColumns) {
  test::TempDir dir;
  const cli_test::InFolder here(dir.Path());
  ASSERT_TRUE(imageio::WritePicture("p.png", test::RandomPicture(32, 16, 5)).Ok());
  ASSERT_EQ(RunWith(Words("encode -f 2bpp-gb --order columns p.png sprite.dat")).status, kExitSuccess);
  ByteString rom = test::RandomBytes(0x300, 9);
  const ByteString sprite = platform::ReadRomData("sprite.dat").Value();
  rom.insert(rom.begin() + 0x123, sprite.begin(), sprite.end());
  ASSERT_TRUE(platform::WriteFileAtomic("rom.gb", rom).Ok());
  const Outcome found = RunWith(Words("locate -f 2bpp-gb --order columns p.png rom.gb"));
  EXPECT_EQ(found.status, kExitSuccess) << found.err;
  EXPECT_EQ(found.out, "0x123\n");
  EXPECT_EQ(RunWith(Words("locate -f 2bpp-gb p.png rom.gb")).status, kExitFailure);
}

TEST(OrderRefusals, NameTheCause) {
  test::TempDir dir;
  const cli_test::InFolder here(dir.Path());
  ASSERT_TRUE(imageio::WritePicture("p.png", test::RandomPicture(24, 16, 5)).Ok());
  ASSERT_TRUE(platform::WriteFileAtomic("d.dat", test::RandomBytes(64, 5)).Ok());
  struct Case {
    std::string line;
    int status;
    std::string err;
  };
  for (const Case& c : std::vector<Case>{
           {"encode -f 4bpp-snes --order diagonal p.png o.dat", kExitUsage,
            "--order wants rows or columns, not \"diagonal\""},
           {"encode -f 4bpp-snes --object 12x8 p.png o.dat", kExitUsage,
            "--object wants WxH in pixels, multiples of 8 from 8 to 512, not \"12x8\""},
           {"encode -f 4bpp-snes --object 2x2 p.png o.dat", kExitUsage, "--object wants WxH in pixels"},
           {"decode -f 4bpp-snes -w 8 --object-order down d.dat o.png", kExitUsage,
            "--object-order wants rows or columns"},
           {"encode -f 4bpp-linear --order columns p.png o.dat", kExitFailure,
            "glyphon: p.png: --order and --object need a format that stores whole tiles; 4bpp Linear does "
            "not"},
           {"encode -f 4bpp-snes --object 16x16 p.png o.dat", kExitFailure,
            "glyphon: p.png: the selection of 24 by 16 pixels is not whole objects of 16 by 16 pixels"},
           {"decode -f 4bpp-snes -w 24 --object 16x16 d.dat o.png", kExitFailure,
            "glyphon: d.dat: the width 24 is not whole objects of 16 pixels"},
       }) {
    const Outcome o = RunWith(Words(c.line));
    EXPECT_EQ(o.status, c.status) << c.line;
    EXPECT_NE(o.err.find(c.err), std::string::npos) << c.line << "\n" << o.err;
    EXPECT_FALSE(std::filesystem::exists("o.dat") || std::filesystem::exists("o.png")) << c.line;
  }
}

}  // namespace
}  // namespace glyphon::cli
