#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>

#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::cli {
namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome RunWith(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = Run(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(Cli, FormatsListsNineteenTabSeparatedLines) {
  const Outcome o = RunWith({"formats"});
  EXPECT_EQ(o.status, kExitSuccess);
  std::istringstream lines(o.out);
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  ASSERT_EQ(all.size(), 19u);
  EXPECT_EQ(all[0], "0\t1bpp SNES\t1\t-");
  EXPECT_EQ(all[11], "11\t4bpp FX Low\t4\tSuperFX high");
  EXPECT_EQ(all[18], "18\t32bpp N64 (True)\t32\tN64 alpha channel");
}

TEST(Cli, EncodeThenDecodeRoundTripsAPicture) {
  test::TempDir dir;
  platform::Surface picture = test::Filled(16, 8, kBlack);
  picture.FillRect(0, 0, 8, 8, kWhite);
  ASSERT_TRUE(imageio::WritePicture(dir.File("pic.bmp"), picture).Ok());
  Outcome o = RunWith({"encode", "--format", "1bpp SNES", dir.File("pic.bmp"), dir.File("out.dat")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(platform::ReadFileBytes(dir.File("out.dat")).Value(),
            test::Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}));
  o = RunWith({"decode", "--format", "0", "--width", "16", dir.File("out.dat"), dir.File("back.bmp")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(imageio::ReadPicture(dir.File("back.bmp")).Value(), picture);
  o = RunWith({"decode", "--format=1bpp-snes", "--width=16", dir.File("out.dat"), dir.File("back.png")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(imageio::ReadPicture(dir.File("back.png")).Value(), picture);
}

TEST(Cli, DefaultSelectionIsTheWholePictureRoundedDownToTiles) {
  test::TempDir dir;
  ASSERT_TRUE(imageio::WritePicture(dir.File("pic.png"), test::Filled(13, 9, kWhite)).Ok());
  ASSERT_EQ(RunWith({"encode", "-f", "1", dir.File("pic.png"), dir.File("a.dat")}).status, kExitSuccess);
  EXPECT_EQ(platform::ReadFileBytes(dir.File("a.dat")).Value(), ByteString(8, 0xFF));
  ASSERT_EQ(RunWith({"encode", "-f", "1", "--rect", "1,1,12,2", dir.File("pic.png"), dir.File("b.dat")}).status,
            kExitSuccess);
  EXPECT_EQ(platform::ReadFileBytes(dir.File("b.dat")).Value(), ByteString(3, 0xFF));
}

TEST(Cli, UsageErrorsExitTwoAndFailuresExitOneWithTheFileNamed) {
  test::TempDir dir;
  ASSERT_TRUE(imageio::WritePicture(dir.File("pic.bmp"), test::Filled(16, 16, kWhite)).Ok());
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("empty.dat"), ByteString{}).Ok());
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string errContains;
  };
  const std::string pic = dir.File("pic.bmp");
  const std::string out = dir.File("out.dat");
  for (const Case& c : std::vector<Case>{
           {{}, kExitUsage, "command is needed"},
           {{"frobnicate"}, kExitUsage, "unknown command"},
           {{"encode", pic, out}, kExitUsage, "needs --format"},
           {{"encode", "--format", "5bpp", pic, out}, kExitUsage, "unknown format"},
           {{"encode", "--format", "0", pic}, kExitUsage, "INPUT"},
           {{"encode", "--format", "0", "--rect", "1,2,3", pic, out}, kExitUsage, "--rect"},
           {{"encode", "--format", "0", "--bogus", "1", pic, out}, kExitUsage, "unknown option"},
           {{"encode", "--format"}, kExitUsage, "needs a value"},
           {{"decode", "--format", "0", "--width", "0", pic, out}, kExitUsage, "--width"},
           {{"decode", "--format", "0", pic, out}, kExitUsage, "needs --width"},
           {{"encode", "--format", "0", "--rect", "8,8,16,8", pic, out}, kExitFailure, "does not lie inside"},
           {{"encode", "--format", "0", dir.File("missing.bmp"), out}, kExitFailure, "missing.bmp: "},
           {{"encode", "--format", "0", dir.File("empty.dat"), out}, kExitFailure, "empty.dat: "},
           {{"decode", "--format", "0", "--width", "16", dir.File("empty.dat"), dir.File("x.bmp")}, kExitFailure,
            "empty.dat: no pixels to decode at width 16 (0 bytes)"},
       }) {
    const Outcome o = RunWith(c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_NE(o.err.find(c.errContains), std::string::npos) << o.err;
    EXPECT_EQ(o.err.rfind("glyphon: ", 0), 0u) << o.err;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.bmp")));
}

// Repeats a group of bytes `count` times.
ByteString Repeat(const ByteString& group, std::size_t count) {
  ByteString out;
  for (std::size_t i = 0; i < count; ++i) out.insert(out.end(), group.begin(), group.end());
  return out;
}

TEST(Cli, PartnerFormatsTakePartnerDataOrPictureAndWriteThePartnerOut) {
  test::TempDir dir;
  const std::string pic = dir.File("white.bmp");
  ASSERT_TRUE(imageio::WritePicture(pic, test::Filled(8, 8, kWhite)).Ok());
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("high.dat"), ByteString(64, 0xA7)).Ok());
  ASSERT_TRUE(imageio::WritePicture(dir.File("alpha.png"), test::Filled(8, 8, GreyColor(0x40))).Ok());

  Outcome o = RunWith({"encode", "-f", "4bpp-fx-low", "--partner-data", dir.File("high.dat"), "--partner-out",
                       dir.File("aux.dat"), pic, dir.File("low.dat")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(platform::ReadFileBytes(dir.File("low.dat")).Value(), ByteString(64, 0xAF));
  EXPECT_EQ(platform::ReadFileBytes(dir.File("aux.dat")).Value(), ByteString(64, 0xA0));

  o = RunWith({"encode", "-f", "32bpp N64 (True)", "--partner-image", dir.File("alpha.png"), "--partner-out",
               dir.File("alpha.dat"), pic, dir.File("true.dat")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(platform::ReadFileBytes(dir.File("true.dat")).Value(), Repeat(test::Bytes({0xFF, 0xFF, 0xFF, 0x40}), 64));
  EXPECT_EQ(platform::ReadFileBytes(dir.File("alpha.dat")).Value(), Repeat(test::Bytes({0, 0, 0, 0x40}), 64));
}

TEST(Cli, WithoutPartnerTheNoteIsPrintedAndTheConversionRuns) {
  test::TempDir dir;
  const std::string pic = dir.File("white.bmp");
  ASSERT_TRUE(imageio::WritePicture(pic, test::Filled(8, 8, kWhite)).Ok());
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("empty.dat"), ByteString{}).Ok());
  for (const auto& extra : std::vector<std::vector<std::string>>{{}, {"--partner-data", dir.File("empty.dat")}}) {
    std::vector<std::string> args{"encode", "-f", "12"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), {pic, dir.File("high.dat")});
    const Outcome o = RunWith(args);
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(o.err, "glyphon: NOTE: No SuperFX low data loaded.\n");
    EXPECT_EQ(platform::ReadFileBytes(dir.File("high.dat")).Value(), ByteString(64, 0xF0));
  }
}

TEST(Cli, DecodingMode7InterleavedWritesTheRebuiltPartnerData) {
  test::TempDir dir;
  const ByteString data = test::RandomBytes(128, 51);
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("m7.dat"), data).Ok());
  const Outcome o = RunWith({"decode", "-f", "8bpp-mode7-int", "-w", "8", "--partner-out", dir.File("aux.dat"),
                             dir.File("m7.dat"), dir.File("m7.png")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  ByteString expected(128, 0);
  for (std::size_t i = 1; i < 128; i += 2) expected[i] = data[i];
  EXPECT_EQ(platform::ReadFileBytes(dir.File("aux.dat")).Value(), expected);
  EXPECT_EQ(imageio::ReadPicture(dir.File("m7.png")).Value().Width(), 8);
}

TEST(Cli, HelpOnEveryCommand) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"formats", "--help"}, {"encode", "--help"}, {"decode", "-h"}}) {
    const Outcome o = RunWith(args);
    EXPECT_EQ(o.status, kExitSuccess);
    EXPECT_NE(o.out.find("Usage: glyphon"), std::string::npos);
  }
}

}  // namespace
}  // namespace glyphon::cli
