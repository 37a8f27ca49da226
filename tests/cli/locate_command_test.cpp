// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "cli/run_glyphon.h"
#include "formats/decoding.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "support/peak_memory.h"
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
                                             {0, 0, 16, 8}, partner, progress)
                                 .Value();
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

// --max-matches keeps the lowest offsets: of the picture, or of each tile on its own.
TEST_F(LocateCli, MaxMatchesKeepsTheFirstOffsets) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  for (const Case& c : std::vector<Case>{
           {{"-f", "8", "--max-matches", "2", picture, rom}, "0x3\n0x10001\n"},
           {{"-f", "8", "--max-matches=3", picture, rom}, "0x3\n0x10001\n0x3FFFBF\n"},
           {{"-f", "8", "--max-matches", "1", "--tiles", picture, rom}, "0\t0x3\n1\t0x23\n"},
           {{"-f", "8", "--max-matches", "3", "--tiles", picture, rom},
            "0\t0x3\t0x10001\t0x3FFFBF\n1\t0x23\t0x2345\t0x10021\n"},
       }) {
    const Outcome o = Locate(c.args);
    EXPECT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(o.out, c.out) << c.args[3];
  }
}

// Counts the lines printed and keeps none of them.
class LineCounter : public std::streambuf {
 public:
  std::uint64_t lines = 0;

 protected:
  int_type overflow(int_type ch) override {
    lines += ch == '\n';
    return ch;
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    lines += static_cast<std::uint64_t>(std::count(text, text + count, '\n'));
    return count;
  }
};

// Offsets are printed as they are found, and those of --tiles wait in a temporary file: a
// search costs memory by its patterns, however often they occur. Four equal tiles of
// stripes, 8 equal bytes in 1 bit a pixel, against 2 MiB of that byte: they occur at every
// offset but the last 7, two million times each.
TEST_F(LocateCli, ManyMatchesCostNoMemoryOfTheirOwn) {
  const std::string stripes = dir.File("stripes.png"), repeated = dir.File("stripes.bin");
  platform::Surface tile = test::Filled(32, 8, kBlack);
  for (int x = 0; x < 32; x += 2) tile.FillRect(x, 0, 1, 8, kWhite);
  ASSERT_TRUE(imageio::WritePicture(stripes, tile).Ok());
  ByteString data(std::size_t{2} << 20, 0);
  {
    platform::NullProgress progress;
    convert::PartnerState partner;
    const ByteString bytes =
        formats::Encode(formats::Format(0), tile, {0, 0, 8, 8}, partner, progress).Value();
    for (std::size_t at = 0; at < data.size(); ++at) data[at] = bytes[at % bytes.size()];
  }
  ASSERT_TRUE(platform::WriteFileAtomic(repeated, data).Ok());
  for (const char* mode : {"--rect=0,0,8,8", "--tiles"}) {
    LineCounter counter;
    std::ostream out(&counter);
    std::ostringstream err;
    int status = -1;
    const auto growth = test::PeakGrowth([&] {
      status = cli::Run(std::vector<std::string>{"locate", "-f", "0", mode, stripes, repeated}, out, err);
    });
    EXPECT_EQ(status, kExitSuccess) << err.str();
    EXPECT_EQ(counter.lines, std::string(mode) == "--tiles" ? 4u : data.size() - 7) << mode;
    if (!growth) GTEST_SKIP() << "the peak resident size cannot be measured here";
    EXPECT_LT(*growth, std::uint64_t{16} << 20) << mode << ": peak growth " << (*growth >> 20) << " MiB";
  }
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
           {{"-f", "8", "--max-matches", "0", picture, rom},
            kExitUsage,
            "--max-matches wants a whole number"},
           {{"-f", "8", "--max-matches=-1", picture, rom}, kExitUsage, "--max-matches wants a whole number"},
           {{"-f", "8", "--rect", "8,0,16,8", picture, rom}, kExitFailure, "does not lie inside the 16 by 8"},
           {{"-f", "8", dir.File("tiny.png"), rom},
            kExitFailure,
            "tiny.png: the picture is 7 by 7 pixels, not whole 8 by 8 tiles"},
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
