// SPDX-License-Identifier: MIT
#include "rom/locate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "formats/decoding.h"
#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::rom {
namespace {

// Every offset of `pattern` in `text`, one memmem call at a time: the yardstick.
std::vector<std::uint64_t> Naive(const ByteString& text, const ByteString& pattern) {
  std::vector<std::uint64_t> found;
  const auto* start = text.data();
  for (std::size_t at = 0; at + pattern.size() <= text.size();) {
    const void* hit = memmem(start + at, text.size() - at, pattern.data(), pattern.size());
    if (hit == nullptr) break;
    at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - start);
    found.push_back(at++);
  }
  return found;
}

// Every offset of each pattern, gathered from the visitor.
using Gathered = std::vector<std::vector<std::uint64_t>>;
OccurrenceVisitor GatherInto(Gathered& hits) {
  return [&hits](std::span<const std::size_t> patterns, std::uint64_t offset) {
    for (std::size_t p : patterns) hits[p].push_back(offset);
    return true;
  };
}

TEST(Locate, FindsEveryOccurrenceOfEveryPatternAsANaiveSearchDoes) {
  struct Case {
    const char* name;
    ByteString text;
    std::size_t length;
  };
  ByteString lowEntropy = test::RandomBytes(200000, 3);
  for (auto& b : lowEntropy) b &= 0x01;  // long runs of repeats and near-repeats
  for (const Case& c : std::vector<Case>{{"random/1", test::RandomBytes(100000, 1), 1},
                                         {"random/8", test::RandomBytes(300000, 2), 8},
                                         {"random/200", test::RandomBytes(300000, 4), 200},
                                         {"bits/16", lowEntropy, 16},
                                         {"zeros/32", ByteString(5000, 0), 32}}) {
    SCOPED_TRACE(c.name);
    // Windows of the text itself, one twice, and one that occurs nowhere.
    std::vector<ByteString> patterns;
    for (std::size_t at : {std::size_t{0}, c.text.size() / 3, c.text.size() / 3, c.text.size() - c.length})
      patterns.emplace_back(c.text.begin() + static_cast<std::ptrdiff_t>(at),
                            c.text.begin() + static_cast<std::ptrdiff_t>(at + c.length));
    patterns.push_back(ByteString(c.length, 0xAA));
    const PatternSearch search(patterns);
    Gathered hits(search.Count());
    EXPECT_TRUE(search.Scan(c.text, 1000, GatherInto(hits)));
    for (std::size_t p = 0; p < patterns.size(); ++p) {
      std::vector<std::uint64_t> expected = Naive(c.text, patterns[p]);
      for (auto& offset : expected) offset += 1000;
      EXPECT_EQ(hits[p], expected) << "pattern " << p;
    }
  }
}

TEST(Locate, FindsPicturesPlantedAtOddOffsetsOfA4MiBFileAcrossReadChunks) {
  test::TempDir dir;
  const std::size_t size = (std::size_t{4} << 20) + 10001;  // a second read chunk
  ByteString rom = test::RandomBytes(size, 11);
  const ByteString picture = test::RandomBytes(3000, 12);
  const std::vector<std::uint64_t> planted = {3, 0x1ABCD, (4u << 20) - 1001, size - 3000};
  for (std::uint64_t at : planted)
    std::copy(picture.begin(), picture.end(), rom.begin() + static_cast<std::ptrdiff_t>(at));
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("rom.bin"), rom).Ok());
  auto file = platform::RangeFile::Open(dir.File("rom.bin"));
  ASSERT_TRUE(file.Ok());
  Gathered hits(1);
  const Status searched = FindInFile(file.Value(), PatternSearch({picture}), GatherInto(hits));
  ASSERT_TRUE(searched.Ok()) << searched.error;
  EXPECT_EQ(hits[0], planted);
  // A visitor that has seen enough ends the search at once, in the middle of a read chunk.
  std::vector<std::uint64_t> firstTwo;
  ASSERT_TRUE(
      FindInFile(file.Value(), PatternSearch({picture}), [&](std::span<const std::size_t>, std::uint64_t at) {
        firstTwo.push_back(at);
        return firstTwo.size() < 2;
      }).Ok());
  EXPECT_EQ(firstTwo, (std::vector<std::uint64_t>{planted[0], planted[1]}));
}

// Offsets logged for many patterns come back pattern by pattern in the order given, while
// memory never holds more than a batch a pattern; the rest waits in the temporary file.
TEST(Locate, TheLogGivesBackEveryOffsetHoldingABatchAPattern) {
  struct Case {
    const char* name;
    std::size_t patterns, perPattern, offsets;
  };
  for (const Case& c : {Case{"nothing spilled", 3, 100, 250}, Case{"batches of one", 2, 1, 7},
                        Case{"many batches", 5, 8, 20000}, Case{"a pattern never seen", 4, 3, 0}}) {
    SCOPED_TRACE(c.name);
    OccurrenceLog log(c.patterns, c.perPattern);
    Gathered expected(c.patterns);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < c.offsets; ++i) {
      // Pattern 0 gets none; the rest at random, offsets rising as a search finds them.
      const std::size_t pattern = 1 + random() % (c.patterns - 1);
      ASSERT_TRUE(log.Add(pattern, 3 * i).Ok());
      expected[pattern].push_back(3 * i);
      ASSERT_LE(log.Held(), c.patterns * c.perPattern);
    }
    for (std::size_t p = 0; p < c.patterns; ++p) {
      std::vector<std::uint64_t> back;
      ASSERT_TRUE(log.ForEach(p, [&](std::uint64_t offset) { back.push_back(offset); }).Ok());
      EXPECT_EQ(back, expected[p]) << "pattern " << p;
      EXPECT_EQ(log.Count(p), expected[p].size());
    }
  }
}

class TilesOfEveryFormat : public testing::TestWithParam<int> {};

// Three blocks across, two down (8 by 8 tiles, or the format's larger blocks): blocks 0-2 on
// top, 3-5 below. Block 1 is one colour, block 4 repeats block 0, the bottom 5 rows are no
// whole block.
TEST_P(TilesOfEveryFormat, KeepsEachWholeTileButThePlainOnes) {
  const formats::FormatInfo& format = formats::Format(GetParam());
  SCOPED_TRACE(format.caption);
  const int side = format.blockSide;
  platform::Surface picture = test::RandomPicture(3 * side, 2 * side + 5, 5);
  picture.FillRect(side, 0, side, side, Rgb(200, 100, 50));
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) picture.SetPixel(side + x, side + y, picture.GetPixel(x, y));
  const std::vector<TileBytes> tiles = DistinctiveTiles(format, picture, {0, 0, 3 * side, 2 * side + 5});
  std::vector<int> numbers;
  for (const TileBytes& tile : tiles) numbers.push_back(tile.number);
  ASSERT_EQ(numbers, (std::vector<int>{0, 2, 3, 4, 5}));
  EXPECT_EQ(tiles[0].bytes, tiles[3].bytes);
  EXPECT_EQ(tiles[0].bytes.size(), convert::OutputSize({0, 0, side, side}, format.pixelsPerByte));
}

INSTANTIATE_TEST_SUITE_P(Formats, TilesOfEveryFormat, testing::Range(0, formats::kFormatCount));

}  // namespace
}  // namespace glyphon::rom
