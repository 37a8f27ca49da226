// SPDX-License-Identifier: MIT
#include "platform/file_range.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::platform {
namespace {

TEST(FileRange, ResolvesRangesAndRefusesThoseBeyondTheFile) {
  constexpr std::uint64_t kNone = ~std::uint64_t{0};  // stands for "no length given"
  struct Case {
    std::uint64_t size, offset, length;
    ByteRange expected;
    std::string error;  // a part of the failure; empty for a success
  };
  for (const Case& c : std::vector<Case>{
           {100, 0, kNone, {0, 100}, ""},
           {100, 99, kNone, {99, 1}, ""},
           {100, 7, 93, {7, 93}, ""},
           {100, 100, 0, {100, 0}, ""},
           {100, 100, kNone, {}, "offset 0x64 is at or past the end of the file (100 bytes)"},
           {100, 0x500000, 4, {}, "offset 0x500000 is at or past the end of the file (100 bytes)"},
           {100, 50, 51, {}, "51 bytes from offset 0x32 run past the end of the file (100 bytes)"},
           {100, 1, kNone - 1, {}, "run past the end"},
           {0, 0, kNone, {}, "at or past the end of the file (0 bytes)"},
       }) {
    SCOPED_TRACE(testing::Message() << c.size << " " << c.offset << " " << c.length);
    auto range = ResolveRange(c.size, c.offset, c.length == kNone ? std::nullopt : std::optional(c.length));
    if (c.error.empty()) {
      ASSERT_TRUE(range.Ok()) << range.Error();
      EXPECT_EQ(range.Value(), c.expected);
    } else {
      ASSERT_FALSE(range.Ok());
      EXPECT_NE(range.Error().find(c.error), std::string::npos) << range.Error();
    }
  }
}

TEST(FileRange, GivesBackBytesPlantedAtOddOffsetsOfA4MiBFile) {
  test::TempDir dir;
  ByteString rom = test::RandomBytes(std::size_t{4} << 20, 17);
  struct Planted {
    std::uint64_t offset;
    ByteString bytes;
  };
  const std::vector<Planted> planted = {{1, test::RandomBytes(31, 1)},
                                        {0x12345, test::RandomBytes(4097, 2)},
                                        {(4u << 20) - 777, test::RandomBytes(777, 3)}};
  for (const Planted& p : planted)
    std::copy(p.bytes.begin(), p.bytes.end(), rom.begin() + static_cast<std::ptrdiff_t>(p.offset));
  ASSERT_TRUE(WriteFileAtomic(dir.File("rom.bin"), rom).Ok());
  for (const Planted& p : planted) {
    auto read = ReadFileRange(dir.File("rom.bin"), p.offset, p.bytes.size(), 1u << 20);
    ASSERT_TRUE(read.Ok()) << read.Error();
    EXPECT_EQ(read.Value(), p.bytes);
  }
  // Without a length, the range runs to the end of the file.
  EXPECT_EQ(ReadFileRange(dir.File("rom.bin"), planted.back().offset, std::nullopt, 1u << 20).Value(),
            planted.back().bytes);
}

TEST(FileRange, RefusesWhatCannotBeReadAsARange) {
  test::TempDir dir;
  ASSERT_TRUE(WriteFileAtomic(dir.File("rom.bin"), ByteString(64, 1)).Ok());
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  struct Case {
    std::string file;
    std::uint64_t offset;
    std::string error;
  };
  for (const Case& c : std::vector<Case>{
           {"missing.bin", 0, "No such file"},
           {"", 0, "it is a folder, not a file"},
           {"pipe", 0, "it is not a regular file"},
           {"rom.bin", 0, "the range holds 64 bytes, more than 16 bytes can be read at once"},
       }) {
    auto read = ReadFileRange(dir.File(c.file), c.offset, std::nullopt, 16);
    ASSERT_FALSE(read.Ok()) << c.file;
    EXPECT_NE(read.Error().find(c.error), std::string::npos) << read.Error();
  }
}

TEST(FileRange, AFileThatShrinksAfterOpeningIsAFailureNotShortData) {
  test::TempDir dir;
  ASSERT_TRUE(WriteFileAtomic(dir.File("rom.bin"), ByteString(4096, 1)).Ok());
  auto file = RangeFile::Open(dir.File("rom.bin"));
  ASSERT_EQ(truncate(dir.File("rom.bin").c_str(), 1000), 0);
  EXPECT_NE(file.Value().Read({0, 4096}).Error().find("ends at 0x3E8"), std::string::npos);
  EXPECT_NE(file.Value().StampNow().Value(), file.Value().Stamp());
}

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(FileRange, AMiBRangeOfAGiBSparseFileCostsAboutTheRange) {
  test::TempDir dir;
  const std::string name = dir.File("sparse.bin");
  const int descriptor = ::open(name.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(descriptor, 0);
  const std::uint64_t size = std::uint64_t{1} << 30;
  ASSERT_EQ(ftruncate(descriptor, static_cast<off_t>(size)), 0);
  const ByteString tail = test::RandomBytes(16, 5);
  ASSERT_EQ(pwrite(descriptor, tail.data(), tail.size(), static_cast<off_t>(size - tail.size())), 16);
  ::close(descriptor);

  const long before = PeakKiB();
  auto read = ReadFileRange(name, size - (1u << 20), std::nullopt, 1u << 20);
  ASSERT_TRUE(read.Ok()) << read.Error();
  EXPECT_EQ(ByteString(read.Value().end() - 16, read.Value().end()), tail);
  // Reading the whole file would add a GiB to the peak; the range adds about a MiB.
  EXPECT_LT(PeakKiB() - before, 64 * 1024);
}

}  // namespace
}  // namespace glyphon::platform
