#include "rom/rom_write.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

  test::TempDir dir;
  std::string path = dir.File("game.sfc");
  ByteString rom;
};

TEST_F(RomWrite, ChangesExactlyTheBytesOfItsRangeAndKeepsThePermissions) {
  struct Case {
    std::uint64_t offset;
    ByteString bytes;
  };
  // Random bytes, bytes half equal to the ROM's, and a last byte of the ROM.
  ByteString halfSame(rom.begin() + 0x3001, rom.begin() + 0x3001 + 64);
  for (std::size_t i = 0; i < halfSame.size(); i += 2) halfSame[i] ^= 0xFF;
  for (const Case& c :
       std::vector<Case>{{0x11, test::RandomBytes(2048, 1)},
                         {0x3001, halfSame},
                         {kRomSize - 1, test::Bytes({static_cast<std::uint8_t>(~rom.back())})}}) {
    SCOPED_TRACE(c.offset);
    std::uint64_t differing = 0;
    for (std::size_t i = 0; i < c.bytes.size(); ++i) differing += rom[c.offset + i] != c.bytes[i];
    auto plan = PlanRomWrite(path, c.offset, c.bytes, false);
    ASSERT_TRUE(plan.Ok()) << plan.Error();
    EXPECT_EQ(plan.Value().changed, differing);
    ASSERT_TRUE(ApplyRomWrite(plan.Value(), c.bytes).Ok());
    std::copy(c.bytes.begin(), c.bytes.end(), rom.begin() + static_cast<std::ptrdiff_t>(c.offset));
    EXPECT_TRUE(Now() == rom);
  }
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(RomWrite, GrowingFillsTheGapWithZeros) {
  const ByteString bytes = test::Bytes({1, 2, 3});
  auto plan = PlanRomWrite(path, kRomSize + 5, bytes, true);
  ASSERT_TRUE(plan.Ok()) << plan.Error();
  EXPECT_EQ(plan.Value().changed, 3u);
  EXPECT_EQ(DescribeRomWrite(plan.Value(), true),
            path + ": would write 3 bytes at 0x400005, 3 of them would change; the file would grow from " +
                "4194304 bytes to 4194312 bytes");
  ASSERT_TRUE(ApplyRomWrite(plan.Value(), bytes).Ok());
  rom.insert(rom.end(), {0, 0, 0, 0, 0, 1, 2, 3});
  EXPECT_TRUE(Now() == rom);
}

TEST_F(RomWrite, APlanAloneAndAWriteThatChangesNothingLeaveTheFileAlone) {
  struct stat before {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  const ByteString same(rom.begin() + 9, rom.begin() + 41);
  auto plan = PlanRomWrite(path, 9, same, false);
  ASSERT_TRUE(plan.Ok());
  EXPECT_EQ(DescribeRomWrite(plan.Value(), false), path + ": wrote 32 bytes at 0x9, 0 of them changed");
  ASSERT_TRUE(PlanRomWrite(path, 9, test::RandomBytes(32, 4), false).Ok());
  ASSERT_TRUE(ApplyRomWrite(plan.Value(), same).Ok());
  struct stat after {};
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced
  EXPECT_TRUE(Now() == rom);
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
  ASSERT_FALSE(applied.Ok());
  EXPECT_NE(applied.error.find("the ROM changed since the write was planned"), std::string::npos);
  rom.pop_back();
  EXPECT_TRUE(Now() == rom);
}

}  // namespace
}  // namespace glyphon::rom
