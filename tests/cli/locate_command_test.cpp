#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "cli/run_glyphon.h"
#include "formats/decoding.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::cli {
namespace {

using cli_test::Outcome;

Outcome Locate(std::vector<std::string> args) {
  args.insert(args.begin(), "locate");
  return cli_test::RunWith(std::move(args));
}

// A 16 by 8 picture in "4bpp SNES" (two tiles of 32 bytes) planted at odd offsets of a
// random 4 MiB ROM, its second tile once more on its own.
struct LocateCli : testing::Test {
  LocateCli() {
    EXPECT_TRUE(imageio::WritePicture(picture, test::RandomPicture(16, 8, 21)).Ok());
    platform::NullProgress progress;
    convert::PartnerState partner;
    const ByteString bytes = formats::Encode(formats::Format(8), imageio::ReadPicture(picture).Value(),
                                             {0, 0, 16, 8}, partner, progress);
    ByteString data = test::RandomBytes(std::size_t{4} << 20, 22);
    for (std::ptrdiff_t at : {0x3, 0x10001, 0x3FFFBF})
      std::copy(bytes.begin(), bytes.end(), data.begin() + at);
    std::copy(bytes.begin() + 32, bytes.end(), data.begin() + 0x2345);
    EXPECT_TRUE(platform::WriteFileAtomic(rom, data).Ok());
  }
  test::TempDir dir;
  std::string picture = dir.File("sprite.png");
  std::string rom = dir.File("game.sfc");
};

TEST_F(LocateCli, PrintsEveryOffsetOfThePictureAndOfEachTile) {
  Outcome o = Locate({"--format", "4bpp-snes", picture, rom});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.out, "0x3\n0x10001\n0x3FFFBF\n");
  o = Locate({"-f", "8", "--tiles", picture, rom});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.out, "0\t0x3\t0x10001\t0x3FFFBF\n1\t0x23\t0x2345\t0x10021\t0x3FFFDF\n");
  o = Locate({"--rect=0,0,8,8", "--format=8", "--tiles", picture, rom});
  EXPECT_EQ(o.out, "0\t0x3\t0x10001\t0x3FFFBF\n");
}

TEST_F(LocateCli, BadInputsExitWithOneLineNamingTheCause) {
  ASSERT_TRUE(imageio::WritePicture(dir.File("plain.png"), test::Filled(8, 8, kWhite)).Ok());
  ASSERT_TRUE(imageio::WritePicture(dir.File("tiny.png"), test::Filled(7, 7, kWhite)).Ok());
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  for (const Case& c : std::vector<Case>{
           {{picture, rom}, kExitUsage, "locate needs --format"},
           {{"-f", "9bpp", picture, rom}, kExitUsage, "unknown format \"9bpp\""},
           {{"-f", "8", picture}, kExitUsage, "locate needs a PICTURE and a ROM file"},
           {{"-f", "8", "--rect", "1,2,3", picture, rom}, kExitUsage, "--rect wants X,Y,W,H"},
           {{"-f", "8", "--tiles=yes", picture, rom}, kExitUsage, "--tiles takes no value"},
           {{"-f", "8", "--rect", "8,0,16,8", picture, rom}, kExitFailure, "does not lie inside the 16 by 8"},
           {{"-f", "8", dir.File("tiny.png"), rom}, kExitFailure, "tiny.png: the selection is empty (7 by 7"},
           {{"-f", "8", "--tiles", dir.File("plain.png"), rom}, kExitFailure, "every whole tile"},
           {{"-f", "8", dir.File("plain.png"), rom},
            kExitFailure,
            "game.sfc: the picture's 32 bytes do not occur"},
           {{"-f", "8", "--tiles", picture, dir.File("plain.png")},
            kExitFailure,
            "none of the picture's 2 tiles"},
           {{"-f", "8", picture, dir.File("none.sfc")}, kExitFailure, "none.sfc: No such file"},
           {{"-f", "8", picture, dir.Path().string()}, kExitFailure, "it is a folder"},
       }) {
    const Outcome o = Locate(c.args);
    EXPECT_EQ(o.status, c.status) << c.err;
    EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), c.status == kExitUsage ? 2 : 1) << o.err;
  }
}

}  // namespace
}  // namespace glyphon::cli
