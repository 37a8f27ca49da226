// SPDX-License-Identifier: MIT
#include "rom/pointers.h"

#include <gtest/gtest.h>

namespace glyphon::rom {
namespace {

TEST(GbaPointers, FindsAlignedLittleEndianWordsOnly) {
  // 0x08000000 + 0x1234 = 0x08001234: bytes 34 12 00 08.
  std::vector<std::uint8_t> rom(32, 0);
  const std::uint8_t word[4] = {0x34, 0x12, 0x00, 0x08};
  for (std::size_t at : {4u, 13u, 20u})
    std::copy(word, word + 4, rom.begin() + static_cast<std::ptrdiff_t>(at));
  EXPECT_EQ(FindGbaPointers(rom, 0x1234), (std::vector<std::uint64_t>{4, 20}));  // 13 is not aligned
  EXPECT_TRUE(FindGbaPointers(rom, 0x1235).empty());
  // Past the 32 MiB window no pointer can name the offset.
  EXPECT_TRUE(FindGbaPointers(rom, kGbaRomWindow).empty());
  EXPECT_EQ(GbaPointerBytes(0x1234), (std::vector<std::uint8_t>{0x34, 0x12, 0x00, 0x08}));
}

}  // namespace
}  // namespace glyphon::rom
