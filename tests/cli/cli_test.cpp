// SPDX-License-Identifier: MIT
#include "cli/cli.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "cli/run_glyphon.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::cli {
namespace {

using cli_test::Outcome;
using cli_test::RunWith;

TEST(Cli, FormatsListsTwentyFiveTabSeparatedLines) {
  const Outcome o = RunWith({"formats"});
  EXPECT_EQ(o.status, kExitSuccess);
  std::istringstream lines(o.out);
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  ASSERT_EQ(all.size(), 25u);
  EXPECT_EQ(all[0], "0\t1bpp SNES\t1\t-\t-");
  EXPECT_EQ(all[2], "2\t2bpp SNES/GB\t2\t-\t2bpp-gb,2bpp-gbc,2bpp-ws");
  EXPECT_EQ(all[11], "11\t4bpp FX Low\t4\tSuperFX high\t-");
  EXPECT_EQ(all[18], "18\t32bpp N64 (True)\t32\tN64 alpha channel\t-");
  EXPECT_EQ(all[23], "23\t4bpp PCE Sprite\t4\t-\t-");
  EXPECT_EQ(all[24], "24\t16bpp BGR555\t16\t-\t16bpp-gba,16bpp-psx");
}

// A console name works wherever a format is named, and the help lists it beside its format.
TEST(Cli, ConsoleNamesNameTheirFormats) {
  test::TempDir dir;
  platform::Surface picture = test::Filled(8, 8, kBlack);
  picture.SetPixel(0, 0, GreyColor(17));
  ASSERT_TRUE(imageio::WritePicture(dir.File("pic.png"), picture).Ok());
  Outcome o = RunWith({"encode", "--format", "4bpp-nds", dir.File("pic.png"), dir.File("out.dat")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  // Value 1 at the left of the first byte: the low nibble in the GBA and DS layout.
  EXPECT_EQ(platform::ReadFileBytes(dir.File("out.dat")).Value().at(0), 0x01);
  o = RunWith({"--help"});
  EXPECT_NE(o.out.find("  19  4bpp-gba          also 4bpp-nds\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("  2   2bpp-snes/gb      also 2bpp-gb,2bpp-gbc,2bpp-ws\n"), std::string::npos);
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

// Every way of spelling the options reads the same: inline values, short names with the
// value attached, a repeated option (the last wins), and "--" before names that start with "-".
TEST(Cli, OptionSpellingsReadAlike) {
  test::TempDir dir;
  ASSERT_TRUE(imageio::WritePicture(dir.File("-pic.png"), test::Filled(8, 8, kWhite)).Ok());
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  for (const auto& options : std::vector<std::vector<std::string>>{{"-f", "0"},
                                                                   {"-f0"},
                                                                   {"-f=0"},
                                                                   {"--format=0"},
                                                                   {"--format", "5", "-f", "1bpp-snes"},
                                                                   {"--rect=0,0,8,8", "-f", "0"}}) {
    std::vector<std::string> args{"encode"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"--", "-pic.png", "-out.dat"});
    const Outcome o = RunWith(args);
    EXPECT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(platform::ReadFileBytes(dir.File("-out.dat")).Value(), ByteString(8, 0xFF));
    std::filesystem::remove(dir.File("-out.dat"));
  }
  std::filesystem::current_path(before);
}

TEST(Cli, DefaultSelectionIsTheWholePictureRoundedDownToTiles) {
  test::TempDir dir;
  ASSERT_TRUE(imageio::WritePicture(dir.File("pic.png"), test::Filled(13, 9, kWhite)).Ok());
  ASSERT_EQ(RunWith({"encode", "-f", "1", dir.File("pic.png"), dir.File("a.dat")}).status, kExitSuccess);
  EXPECT_EQ(platform::ReadFileBytes(dir.File("a.dat")).Value(), ByteString(8, 0xFF));
  ASSERT_EQ(
      RunWith({"encode", "-f", "1", "--rect", "1,1,12,2", dir.File("pic.png"), dir.File("b.dat")}).status,
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
           {{"encode", "--format", "0", "--rect", "-8,0,16,16", pic, out}, kExitUsage, "--rect"},
           {{"encode", "--format", "0", "--rect", "0,0,-16,16", pic, out}, kExitUsage, "--rect"},
           {{"encode", "--format", "0", "--rect", "0,0,16,-16", pic, out}, kExitUsage, "--rect"},
           {{"encode", "--format", "0", "--bogus", "1", pic, out}, kExitUsage, "unknown option"},
           {{"encode", "--format"}, kExitUsage, "needs a value"},
           {{"decode", "--format", "0", "--width", "0", pic, out}, kExitUsage, "--width"},
           {{"decode", "--format", "0", pic, out}, kExitUsage, "needs --width"},
           {{"encode", "--format", "0", "--rect", "8,8,16,8", pic, out}, kExitFailure, "does not lie inside"},
           {{"encode", "--format", "0", dir.File("missing.bmp"), out}, kExitFailure, "missing.bmp: "},
           {{"encode", "--format", "0", dir.File("empty.dat"), out}, kExitFailure, "empty.dat: "},
           {{"decode", "--format", "0", "--width", "16", dir.File("empty.dat"), dir.File("x.bmp")},
            kExitFailure,
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

// A failing run names the file on one line and leaves every existing file as it was.
TEST(Cli, FailedRunsChangeNoFile) {
  test::TempDir dir;
  ASSERT_TRUE(imageio::WritePicture(dir.File("in.bmp"), test::Filled(16, 16, kWhite)).Ok());
  ASSERT_TRUE(imageio::WritePicture(dir.File("small.bmp"), test::Filled(7, 7, kWhite)).Ok());
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("out.dat"), test::Bytes({1, 2, 3})).Ok());
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("data.dat"), ByteString(256, 7)).Ok());
  std::filesystem::create_symlink("in.bmp", dir.File("link.bmp"));
  // A sparse file one byte beyond the most ROM data any picture can hold.
  std::ofstream(dir.File("big.dat")).close();
  ASSERT_EQ(truncate(dir.File("big.dat").c_str(), (std::int64_t{256} << 20) + 1), 0);
  const auto before = [&] {
    std::vector<ByteString> all;
    for (const char* name : {"in.bmp", "out.dat", "data.dat"}) {
      all.push_back(platform::ReadFileBytes(dir.File(name)).Value());
    }
    return all;
  }();
  const std::string in = dir.File("in.bmp"), out = dir.File("out.dat");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;  // the whole of stderr after "glyphon: "
  };
  for (const Case& c : std::vector<Case>{
           {{"encode", "-f", "11", "--partner-out", dir.File("no/p.dat"), in, out},
            kExitFailure,
            dir.File("no/p.dat") + ": No such file or directory"},
           {{"decode", "-f", "14", "-w", "8", "--partner-out", dir.File("no/p.dat"), dir.File("data.dat"),
             dir.File("new.png")},
            kExitFailure,
            dir.File("no/p.dat") + ": No such file or directory"},
           {{"encode", "-f", "0", in, in},
            kExitUsage,
            in + ": OUTPUT is the same file as INPUT (" + in + ")"},
           {{"encode", "-f", "0", in, dir.File("link.bmp")},
            kExitUsage,
            dir.File("link.bmp") + ": OUTPUT is the same file as INPUT (" + in + ")"},
           {{"encode", "-f", "12", "--partner-data", dir.File("data.dat"), in, dir.File("data.dat")},
            kExitUsage,
            dir.File("data.dat") + ": OUTPUT is the same file as --partner-data (" + dir.File("data.dat") +
                ")"},
           {{"encode", "-f", "12", "--partner-out", out, in, out},
            kExitUsage,
            out + ": OUTPUT and --partner-out are the same file"},
           {{"encode", "-f", "0", dir.File("small.bmp"), out},
            kExitFailure,
            dir.File("small.bmp") + ": the picture is 7 by 7 pixels, not whole 8 by 8 tiles of 1bpp SNES; "
                                    "give --crop for the whole tiles inside"},
           {{"encode", "-f", "0", "--rect", "0,0,8,0", in, out},
            kExitFailure,
            in + ": the selection is empty (8 by 0 pixels)"},
           {{"decode", "-f", "0", "-w", "8", dir.File("big.dat"), out},
            kExitFailure,
            dir.File("big.dat") + ": more ROM data than any picture can hold (at most 256 MiB)"},
           {{"encode", "-f", "0", "-", "-", "--partner-data", "-"}, kExitUsage, "standard input: "},
       }) {
    const Outcome o = RunWith(c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    if (c.err.back() == ' ') {
      EXPECT_EQ(o.err.rfind("glyphon: " + c.err, 0), 0u) << o.err;
    } else {
      EXPECT_EQ(o.err.substr(o.err.rfind("glyphon: ")), "glyphon: " + c.err + "\n");
    }
    std::vector<ByteString> after;
    for (const char* name : {"in.bmp", "out.dat", "data.dat"}) {
      after.push_back(platform::ReadFileBytes(dir.File(name)).Value());
    }
    EXPECT_EQ(after, before) << c.err;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 6);
}

// "-" reads standard input and writes to the output stream; a decoded picture there is a PNG.
TEST(Cli, DashIsStandardInputAndOutput) {
  test::TempDir dir;
  ASSERT_TRUE(imageio::WritePicture(dir.File("in.bmp"), test::Filled(8, 8, kWhite)).Ok());
  const int saved = dup(STDIN_FILENO);
  const int picture = open(dir.File("in.bmp").c_str(), O_RDONLY);
  ASSERT_GE(picture, 0);
  dup2(picture, STDIN_FILENO);
  close(picture);
  const Outcome encoded = RunWith({"encode", "-f", "0", "-", "-"});
  dup2(saved, STDIN_FILENO);
  close(saved);
  ASSERT_EQ(encoded.status, kExitSuccess) << encoded.err;
  EXPECT_EQ(encoded.out, std::string(8, '\xFF'));

  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("a.dat"), ByteString(8, 0xFF)).Ok());
  const Outcome decoded = RunWith({"decode", "-f", "0", "-w", "8", dir.File("a.dat"), "-"});
  ASSERT_EQ(decoded.status, kExitSuccess) << decoded.err;
  EXPECT_EQ(decoded.out.substr(1, 3), "PNG");
  const ByteString png(decoded.out.begin(), decoded.out.end());
  EXPECT_EQ(imageio::ReadPictureBytes(png).Value(), test::Filled(8, 8, kWhite));
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
  EXPECT_EQ(platform::ReadFileBytes(dir.File("true.dat")).Value(),
            Repeat(test::Bytes({0xFF, 0xFF, 0xFF, 0x40}), 64));
  EXPECT_EQ(platform::ReadFileBytes(dir.File("alpha.dat")).Value(), Repeat(test::Bytes({0, 0, 0, 0x40}), 64));
}

TEST(Cli, WithoutPartnerTheNoteIsPrintedAndTheConversionRuns) {
  test::TempDir dir;
  const std::string pic = dir.File("white.bmp");
  ASSERT_TRUE(imageio::WritePicture(pic, test::Filled(8, 8, kWhite)).Ok());
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("empty.dat"), ByteString{}).Ok());
  for (const auto& extra :
       std::vector<std::vector<std::string>>{{}, {"--partner-data", dir.File("empty.dat")}}) {
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
  const Outcome o = RunWith({"decode", "-f", "8bpp-mode7-int", "-w", "8", "--partner-out",
                             dir.File("aux.dat"), dir.File("m7.dat"), dir.File("m7.png")});
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

// Through encode, "8bpp Linear" stores each pixel's grey level as a byte: the mean of red,
// green and blue rounded half up, worked out by hand (truncating would give 00 00 64 14 FE 64
// 01 01).
TEST(Cli, EightBitLinearStoresTheRoundedGreyLevel) {
  test::TempDir dir;
  platform::Surface picture(8, 1);
  const RgbColor colours[] = {Rgb(0, 1, 1),       Rgb(0, 0, 1),     Rgb(100, 101, 101), Rgb(10, 20, 31),
                              Rgb(255, 255, 254), Rgb(200, 100, 0), Rgb(1, 1, 1),       Rgb(2, 2, 1)};
  for (int x = 0; x < 8; ++x) picture.SetPixel(x, 0, colours[x]);
  ASSERT_TRUE(imageio::WritePicture(dir.File("row.png"), picture).Ok());
  const Outcome o =
      RunWith({"encode", "-f", "8bpp Linear", "--rect", "0,0,8,1", dir.File("row.png"), dir.File("row.dat")});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(platform::ReadFileBytes(dir.File("row.dat")).Value(),
            test::Bytes({0x01, 0x00, 0x65, 0x14, 0xFF, 0x64, 0x01, 0x02}));
}

}  // namespace
}  // namespace glyphon::cli
