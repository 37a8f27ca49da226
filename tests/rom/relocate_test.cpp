// SPDX-License-Identifier: MIT
#include "rom/relocate.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::test {
namespace {

struct FreeSpaceCase {
  const char* name;
  ByteString rom;
  std::uint64_t length;
  std::uint64_t alignment;
  std::optional<std::uint64_t> expected;
};

ByteString Join(std::initializer_list<ByteString> parts) {
  ByteString out;
  for (const ByteString& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// "used" bytes are anything but 0x00 and 0xFF; the free space starts after the last of them.
const FreeSpaceCase kFreeSpace[] = {
    {"RightAfterTheDataWhenAligned", Join({Bytes({1, 2, 3, 4}), ByteString(12, 0xFF)}), 4, 4, 4},
    {"AlignedUpPastTheData", Join({Bytes({1, 2, 3, 4, 5}), ByteString(11, 0xFF)}), 4, 4, 8},
    {"AZeroRunTooShortIsPassed",
     Join({Bytes({1}), ByteString(5, 0x00), ByteString(2, 0xFF), ByteString(8, 0xFF)}), 8, 4, 8},
    {"ARunOfOneValueOnly", Join({Bytes({1}), ByteString(3, 0x00), ByteString(2, 0xFF), ByteString(2, 0x00)}),
     4, 1, std::nullopt},
    {"ZerosInsideTheDataAreNotFree", Join({ByteString(8, 0x00), Bytes({1}), ByteString(3, 0xFF)}), 2, 4,
     std::nullopt},
    {"NoRoomAtTheEnd", Join({Bytes({1, 2, 3, 4}), ByteString(4, 0xFF)}), 5, 4, std::nullopt},
    {"ExactlyToTheEnd", Join({Bytes({1, 2, 3, 4}), ByteString(4, 0xFF)}), 4, 4, 4},
    {"AllFillerFromTheStart", ByteString(16, 0x00), 16, 4, 0},
};

class FreeSpace : public ::testing::TestWithParam<FreeSpaceCase> {};

TEST_P(FreeSpace, IsTheFirstFillerRunAfterTheUsedData) {
  const FreeSpaceCase& c = GetParam();
  EXPECT_EQ(rom::FindFreeSpace(c.rom, c.length, c.alignment), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rom, FreeSpace, ::testing::ValuesIn(kFreeSpace),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(RomMove, BlockAndPointersGoInOneReplacement) {
  TempDir dir;
  const std::filesystem::path path = dir.Path() / "game.gba";
  // A GBA pointer to 0x10 (0x08000010: 10 00 00 08) at 0x4, and the same word at 0xA, not
  // aligned, which is no pointer.
  const ByteString rom =
      Join({Bytes({0xAA, 0xAA, 0xAA, 0xAA, 0x10, 0x00, 0x00, 0x08, 0xAA, 0xAA, 0x10, 0x00, 0x00, 0x08}),
            ByteString(18, 0xFF)});
  ASSERT_TRUE(platform::WriteFileAtomic(path, rom).Ok());
  const rom::Repointing found = rom::PointersToMove(rom, 0x10, 0x18);
  ASSERT_EQ(found.at, (std::vector<std::uint64_t>{4}));
  const ByteString block = Bytes({1, 2, 3});
  Result<rom::RomMove> move = rom::PlanRomMove(path, 0x18, block, found, false);
  ASSERT_TRUE(move.Ok()) << move.Error();
  platform::OutputBatch batch;
  ASSERT_TRUE(rom::StageRomMove(batch, move.Value()).Ok());
  ASSERT_TRUE(batch.Commit().Ok());
  ByteString expected = rom;
  expected[4] = 0x18;  // 0x08000018
  std::copy(block.begin(), block.end(), expected.begin() + 0x18);
  EXPECT_EQ(platform::ReadFileBytes(path, platform::kRomDataLimit).Value(), expected);
}

}  // namespace
}  // namespace glyphon::test
