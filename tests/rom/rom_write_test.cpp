// SPDX-License-Identifier: MIT
#include "rom/rom_write.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::rom {
namespace {

constexpr std::size_t kRomSize = std::size_t{4} << 20;

struct RomWrite : testing::Test {
  RomWrite() : rom(test::RandomBytes(kRomSize, 99)) {
    EXPECT_TRUE(platform::WriteFileAtomic(path, rom).Ok());
    EXPECT_EQ(chmod(path.c_str(), 0640), 0);
  }
  ByteString Now() const { return platform::ReadFileBytes(path).Value(); }
  struct stat Info() const {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return info;
  }

  test::TempDir dir;
  std::string path = dir.File("game.sfc");
  ByteString rom;
};

TEST_F(RomWrite, ChangesExactlyTheBytesOfItsRangeAndKeepsThePermissions) {
  struct Case {
    std::uint64_t offset;
    ByteString bytes;
    bool grow;
  };
  ByteString halfSame(rom.begin() + 0x3001, rom.begin() + 0x3001 + 64);
  for (std::size_t i = 0; i < halfSame.size(); i += 2) halfSame[i] ^= 0xFF;
  for (const Case& c :
       std::vector<Case>{{0x11, test::RandomBytes(2048, 1), false},
                         {0x3001, halfSame, false},
                         {9, ByteString(rom.begin() + 9, rom.begin() + 41), false},  // no change
                         {kRomSize - 1, test::Bytes({~rom.back() & 0xFF}), false},
                         {kRomSize + 5, test::Bytes({1, 2, 3}), true}}) {  // a gap of 5
    SCOPED_TRACE(c.offset);
    ByteString expected = rom;
    expected.resize(std::max<std::size_t>(rom.size(), c.offset + c.bytes.size()), 0);
    std::copy(c.bytes.begin(), c.bytes.end(), expected.begin() + static_cast<std::ptrdiff_t>(c.offset));
    std::uint64_t differing = 0;
    for (std::size_t i = 0; i < c.bytes.size(); ++i)
      differing += c.offset + i >= rom.size() || rom[c.offset + i] != c.bytes[i];

    const auto inode = Info().st_ino;
    auto plan = PlanRomWrite(path, c.offset, c.bytes, c.grow);
    ASSERT_TRUE(plan.Ok()) << plan.Error();
    EXPECT_EQ(plan.Value().changed, differing);
    EXPECT_TRUE(Now() == rom);  // a plan alone writes nothing
    ASSERT_TRUE(ApplyRomWrite(plan.Value(), c.bytes).Ok());
    EXPECT_TRUE(Now() == expected);
    EXPECT_EQ(Info().st_mode & 07777, 0640u);
    EXPECT_EQ(Info().st_ino == inode, differing == 0);  // a write that changes nothing leaves the file be
    rom = expected;
  }
}

TEST_F(RomWrite, DescribesTheWriteInOneLine) {
  auto grow = PlanRomWrite(path, kRomSize + 5, test::Bytes({1, 2, 3}), true);
  EXPECT_EQ(DescribeRomWrite(grow.Value(), true),
            path + ": would write 3 bytes at 0x400005, 3 of them would change; the file would grow from " +
                "4194304 bytes to 4194312 bytes");
  auto same = PlanRomWrite(path, 9, ByteString(rom.begin() + 9, rom.begin() + 41), false);
  EXPECT_EQ(DescribeRomWrite(same.Value(), false), path + ": wrote 32 bytes at 0x9, 0 of them changed");
}

TEST_F(RomWrite, RefusesBadTargetsAndLeavesTheRomUntouched) {
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("locked.sfc"), ByteString(16, 0)).Ok());
  ASSERT_EQ(chmod(dir.File("locked.sfc").c_str(), 0444), 0);
  struct Case {
    std::string file;
    std::uint64_t offset;
    bool grow;
    std::string error;
  };
  for (const Case& c : std::vector<Case>{
           {"missing.sfc", 0, false, "No such file"},
           {"", 0, false, "it is a folder, not a file"},
           {"locked.sfc", 0, false, "it is read-only"},
           {"game.sfc", kRomSize - 3, false,
            "4 bytes at 0x3FFFFD end past the end of the ROM (4194304 bytes)"},
           {"game.sfc", kRomSize, false, "past the end of the ROM"},
           {"game.sfc", ~std::uint64_t{0} - 1, true, "is too large"},
           {"game.sfc", kMaxRomSize, true, "more than the 1073741824 bytes a ROM may hold"},
       }) {
    auto plan = PlanRomWrite(dir.File(c.file), c.offset, test::Bytes({1, 2, 3, 4}), c.grow);
    ASSERT_FALSE(plan.Ok()) << c.file << " " << c.offset;
    EXPECT_NE(plan.Error().find(c.error), std::string::npos) << plan.Error();
  }
  EXPECT_TRUE(Now() == rom);
}

TEST_F(RomWrite, ARomThatChangesAfterThePlanIsRefused) {
  auto plan = PlanRomWrite(path, 100, test::RandomBytes(64, 8), false);
  ASSERT_TRUE(plan.Ok());
  ASSERT_EQ(truncate(path.c_str(), kRomSize - 1), 0);
  const Status applied = ApplyRomWrite(plan.Value(), test::RandomBytes(64, 8));
  EXPECT_NE(applied.error.find("the ROM changed since the write was planned"), std::string::npos);
  rom.pop_back();
  EXPECT_TRUE(Now() == rom);
}

// Another program writes the ROM after it was read and staged, before the commit: the
// commit refuses, and the ROM keeps the other program's bytes.
TEST_F(RomWrite, ARomChangedWhileBeingWrittenIsRefusedAtTheCommit) {
  const std::vector<std::pair<std::string, std::function<void()>>> writers{
      {"InPlaceSameSize",
       [&] {
         const int file = open(path.c_str(), O_WRONLY);
         ASSERT_EQ(pwrite(file, "other", 5, 1000), 5);
         close(file);
       }},
      {"Shrunk", [&] { ASSERT_EQ(truncate(path.c_str(), kRomSize - 1), 0); }},
      {"Replaced",
       [&] { ASSERT_TRUE(platform::WriteFileAtomic(path, test::RandomBytes(kRomSize, 5)).Ok()); }},
  };
  for (const auto& [name, write] : writers) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(platform::WriteFileAtomic(path, rom).Ok());
    const ByteString bytes = test::RandomBytes(64, 8);
    auto plan = PlanRomWrite(path, 100, bytes, false);
    ASSERT_TRUE(plan.Ok());
    platform::OutputBatch batch;
    const RomPiece piece{&plan.Value(), bytes};
    ASSERT_TRUE(StageRomWrites(batch, std::span(&piece, 1)).Ok());
    write();
    const ByteString other = Now();
    EXPECT_EQ(batch.Commit().error, path + ": the ROM changed while being written; nothing was written");
    EXPECT_TRUE(Now() == other);
  }
}

}  // namespace
}  // namespace glyphon::rom
