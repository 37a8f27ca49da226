// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "cli/cli.h"
#include "cli/run_glyphon.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "platform/file_range.h"
#include "support/test_support.h"

namespace glyphon::cli {
namespace {

using cli_test::Outcome;
using cli_test::RunWith;

ByteString Read(const std::string& path) {
  return platform::ReadFileBytes(path, platform::kRomDataLimit).Value();
}

ByteString Planted(ByteString rom, std::size_t offset, const ByteString& bytes) {
  std::copy(bytes.begin(), bytes.end(), rom.begin() + static_cast<std::ptrdiff_t>(offset));
  return rom;
}

constexpr std::size_t kRomSize = std::size_t{4} << 20;

struct RomFiles : testing::Test {
  RomFiles() : rom(test::RandomBytes(kRomSize, 17)) {
    EXPECT_TRUE(platform::WriteFileAtomic(romPath, rom).Ok());
    EXPECT_TRUE(imageio::WritePicture(picture, test::RandomPicture(16, 16, 5)).Ok());
  }
  // The bytes `encode` makes of the picture in format `format`.
  ByteString Encoded(const std::string& format, const std::string& from) {
    const Outcome o = RunWith({"encode", "-f", format, from, dir.File("plain.dat")});
    EXPECT_EQ(o.status, kExitSuccess) << o.err;
    return Read(dir.File("plain.dat"));
  }

  test::TempDir dir;
  std::string romPath = dir.File("game.sfc");
  std::string picture = dir.File("sprite.png");
  ByteString rom;
};

// Pictures planted at odd offsets come back from decode --offset, and encode --into puts
// them back changing exactly their range.
TEST_F(RomFiles, PlantedPicturesComeBackAndGoBackInPlace) {
  struct Case {
    std::string format;
    std::size_t offset;
  };
  for (const Case& c : std::vector<Case>{{"1bpp-snes", 0x1001},
                                         {"2bpp-nes", 0x12345},
                                         {"4bpp-snes", 0x200003},
                                         {"8bpp-mode7-lin", 0x3FFEFF},
                                         {"16bpp-n64-high", 0x2F0F1}}) {
    SCOPED_TRACE(c.format);
    const ByteString bytes = Encoded(c.format, picture);
    ASSERT_TRUE(platform::WriteFileAtomic(romPath, Planted(rom, c.offset, bytes)).Ok());
    const std::string back = dir.File("back.png");
    Outcome o = RunWith({"decode", "-f", c.format, "-w", "16", "--offset",
                         "0x" + platform::HexOffset(c.offset).substr(2), "--length",
                         std::to_string(bytes.size()), romPath, back});
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_EQ(Encoded(c.format, back), bytes);

    ASSERT_TRUE(platform::WriteFileAtomic(romPath, rom).Ok());
    const std::size_t at = (c.offset + 0x10001) % (kRomSize - 0x1000);
    o = RunWith({"encode", "-f", c.format, "--into", romPath, "--at", "$" + platform::HexOffset(at).substr(2),
                 "--verify", back});
    ASSERT_EQ(o.status, kExitSuccess) << o.err;
    EXPECT_NE(o.out.find("wrote " + std::to_string(bytes.size()) + " bytes at " + platform::HexOffset(at)),
              std::string::npos)
        << o.out;
    EXPECT_TRUE(Read(romPath) == Planted(rom, at, bytes));
  }
}

// Main and partner data may go into one ROM: both land in one replacement.
TEST_F(RomFiles, PartnerDataGoesIntoTheSameRom) {
  const ByteString alpha = test::RandomBytes(256, 3);
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("alpha.dat"), alpha).Ok());
  const Outcome o = RunWith({"encode", "-f", "17", "--partner-data", dir.File("alpha.dat"), "--into", romPath,
                             "--at", "0x100", "--partner-into", romPath, "--partner-at", "0x20001", picture});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  ASSERT_EQ(RunWith({"encode", "-f", "17", "--partner-data", dir.File("alpha.dat"), "--partner-out",
                     dir.File("alpha-out.dat"), picture, dir.File("plain.dat")})
                .status,
            kExitSuccess);
  const ByteString expected =
      Planted(Planted(rom, 0x100, Read(dir.File("plain.dat"))), 0x20001, Read(dir.File("alpha-out.dat")));
  EXPECT_TRUE(Read(romPath) == expected);
}

TEST_F(RomFiles, BadInputNamesTheFileAndLeavesTheRomUntouched) {
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("ro.sfc"), rom).Ok());
  ASSERT_EQ(chmod(dir.File("ro.sfc").c_str(), 0444), 0);
  const std::string out = dir.File("out.dat");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  for (const Case& c : std::vector<Case>{
           {{"encode", "-f", "8", "--at", "5", picture, out}, kExitUsage, "--at needs --into"},
           {{"encode", "-f", "8", "--into", romPath, picture}, kExitUsage, "--into needs --at"},
           {{"encode", "-f", "8", "--into", romPath, "--at", "0", picture, out}, kExitUsage, "no OUTPUT"},
           {{"encode", "-f", "8", "--into", romPath, "--at", "0", "--grow=x", picture},
            kExitUsage,
            "takes no value"},
           {{"decode", "-f", "8", "-w", "8", "--offset", "-1", romPath, out},
            kExitUsage,
            "\"-1\" is negative"},
           {{"decode", "-f", "8", "-w", "8", "--length", "12k", romPath, out}, kExitUsage, "not a number"},
           {{"decode", "-f", "8", "-w", "8", "--offset", "0x400000", romPath, out},
            kExitFailure,
            romPath + ": offset 0x400000 is at or past the end of the file (4194304 bytes)"},
           {{"decode", "-f", "8", "-w", "8", "--offset", "0x3FFFFF", "--length", "2", romPath, out},
            kExitFailure,
            romPath + ": "},
           {{"encode", "-f", "8", "--into", dir.File("none.sfc"), "--at", "0", picture},
            kExitFailure,
            dir.File("none.sfc") + ": "},
           {{"encode", "-f", "8", "--into", dir.Path().string(), "--at", "0", picture},
            kExitFailure,
            dir.Path().string() + ": "},
           {{"encode", "-f", "8", "--into", dir.File("ro.sfc"), "--at", "0", picture},
            kExitFailure,
            dir.File("ro.sfc") + ": it is read-only"},
           {{"encode", "-f", "8", "--into", romPath, "--at", "0x3FFFF0", picture},
            kExitFailure,
            romPath + ": 128 bytes at 0x3FFFF0 end past the end of the ROM"},
           {{"encode", "-f", "17", "--into", romPath, "--at", "0x100", "--partner-into", romPath,
             "--partner-at", "0x1FF", "--partner-data", picture, picture},
            kExitFailure,
            "overlap"},
           // 36 pixels of 1 bit round down to 4 bytes: the last four pixels are lost.
           {{"encode", "-f", "1", "--rect", "0,0,12,3", "--into", romPath, "--at", "9", "--verify", picture},
            kExitFailure,
            romPath + ": verify: pixel ("},
       }) {
    const Outcome o = RunWith(c.args);
    EXPECT_EQ(o.status, c.status) << c.args[3] << ' ' << o.err;
    EXPECT_EQ(o.err.find("glyphon: " + c.err) == 0 || o.err.find(c.err) != std::string::npos, true) << o.err;
    if (c.status == kExitUsage) continue;
    EXPECT_TRUE(Read(romPath) == rom);
  }
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(RomFiles, DryRunTellsAndWritesNothing) {
  const Outcome o =
      RunWith({"encode", "-f", "8", "--into", romPath, "--at", "0x3FFFC0", "--grow", "--dry-run", picture});
  ASSERT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.out, romPath +
                       ": would write 128 bytes at 0x3FFFC0, 128 of them would change; the file would "
                       "grow from 4194304 bytes to 4194368 bytes\n");
  EXPECT_TRUE(Read(romPath) == rom);
}

// A run killed while writing into a ROM leaves the old ROM (or, had it finished, the new
// one) and no temporary beside it.
TEST_F(RomFiles, KilledRunLeavesTheRomWhole) {
  ByteString big = test::RandomBytes(std::size_t{48} << 20, 4);
  ASSERT_TRUE(platform::WriteFileAtomic(romPath, big).Ok());
  const ByteString bytes = Encoded("8", picture);
  for (int signal : {SIGKILL, SIGTERM}) {
    SCOPED_TRACE(signal);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::vector<std::string> args{"encode", "-f", "8", "--into", romPath, "--at", "0x12345", picture};
      std::ostringstream out, err;
      (void)!write(ready[1], "x", 1);
      _exit(cli::Run(args, out, err));
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    usleep(20000);
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(ready[1]);
    const ByteString now = Read(romPath);
    EXPECT_TRUE(now == big || now == Planted(big, 0x12345, bytes));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"game.sfc", "plain.dat", "sprite.png"}));
    ASSERT_TRUE(platform::WriteFileAtomic(romPath, big).Ok());
  }
}

}  // namespace
}  // namespace glyphon::cli
