// SPDX-License-Identifier: MIT
#include "platform/watched_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/test_support.h"

namespace glyphon::platform {
namespace {

// Byte i of the files written here is i mod 251, so any stretch read can be checked by its offset.
ByteString Counting(std::size_t count, std::size_t from = 0) {
  ByteString bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>((from + i) % 251);
  return bytes;
}

void Write(const std::string& path, const ByteString& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(WatchedFile, RefusesWhatIsNotAFileWithBytes) {
  test::TempDir dir;
  Write(dir.File("empty.bin"), {});
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  struct Case {
    std::string file;
    std::string error;
  };
  for (const Case& c : std::vector<Case>{
           {"missing.bin", "No such file"},
           {"", "it is a folder, not a file"},
           {"pipe", "it is not a regular file"},
           {"empty.bin", "the file is empty"},
       }) {
    auto file = WatchedFile::Open(dir.File(c.file));
    ASSERT_FALSE(file.Ok()) << c.file;
    EXPECT_NE(file.Error().find(c.error), std::string::npos) << file.Error();
  }
}

// A file cut short under the reader: reads come up short (never SIGBUS), and the size is
// only taken up by Refresh().
TEST(WatchedFile, ReadsWhatTheFileHoldsNowAndRefreshTakesUpItsSize) {
  test::TempDir dir;
  const std::string name = dir.File("rom.bin");
  Write(name, Counting(10000));
  auto opened = WatchedFile::Open(name);
  ASSERT_TRUE(opened.Ok()) << opened.Error();
  WatchedFile& file = opened.Value();
  EXPECT_EQ(file.Size(), 10000u);

  ByteString into(4097, 0xEE);  // a byte more than is ever asked for
  struct Case {
    off_t size;  // the file is cut to this before the read; 0 leaves it
    std::uint64_t offset;
    std::size_t expected;
  };
  for (const Case& c : std::vector<Case>{
           {0, 0, 4096},
           {0, 9990, 10},
           {0, 10000, 0},
           {1000, 0, 1000},
           {1000, 900, 100},
           {1000, 5000, 0},
       }) {
    SCOPED_TRACE(testing::Message() << c.size << " " << c.offset);
    if (c.size != 0) {
      ASSERT_EQ(::truncate(name.c_str(), c.size), 0);
    }
    std::fill(into.begin(), into.end(), 0xEE);
    auto read = file.ReadAt(c.offset, std::span(into).first(4096));
    ASSERT_TRUE(read.Ok()) << read.Error();
    ASSERT_EQ(read.Value(), c.expected);
    EXPECT_EQ(ByteString(into.begin(), into.begin() + static_cast<std::ptrdiff_t>(c.expected)),
              Counting(c.expected, c.offset));
    EXPECT_EQ(into[c.expected], 0xEE);  // nothing written past what was read
  }
  EXPECT_EQ(file.Size(), 10000u);
  ASSERT_EQ(file.Refresh().Value(), WatchedFile::Change::Updated);
  EXPECT_EQ(file.Size(), 1000u);
  EXPECT_EQ(file.Refresh().Value(), WatchedFile::Change::None);

  ASSERT_EQ(::truncate(name.c_str(), 3000), 0);  // grown again, with zeros
  ASSERT_EQ(file.Refresh().Value(), WatchedFile::Change::Updated);
  EXPECT_EQ(file.Size(), 3000u);
  ASSERT_EQ(file.ReadAt(2000, into).Value(), 1000u);
  EXPECT_EQ(into[0], 0);

  ASSERT_EQ(::truncate(name.c_str(), 0), 0);
  auto emptied = file.Refresh();
  ASSERT_FALSE(emptied.Ok());
  EXPECT_EQ(emptied.Error(), "the file is empty");
}

TEST(WatchedFile, AFileRenamedOverTheNameIsOpenedAnewAndOneRemovedStaysReadable) {
  test::TempDir dir;
  const std::string name = dir.File("rom.bin");
  Write(name, Counting(600));
  auto opened = WatchedFile::Open(name);
  ASSERT_TRUE(opened.Ok()) << opened.Error();
  WatchedFile& file = opened.Value();

  Write(dir.File("new.bin"), Counting(300, 7));
  std::filesystem::rename(dir.File("new.bin"), name);
  ASSERT_EQ(file.Refresh().Value(), WatchedFile::Change::Updated);
  EXPECT_EQ(file.Size(), 300u);
  ByteString into(300);
  ASSERT_EQ(file.ReadAt(0, into).Value(), 300u);
  EXPECT_EQ(into, Counting(300, 7));

  std::filesystem::remove(name);
  EXPECT_EQ(file.Refresh().Value(), WatchedFile::Change::Vanished);
  EXPECT_EQ(file.Size(), 300u);
  ASSERT_EQ(file.ReadAt(0, into).Value(), 300u);
  EXPECT_EQ(into, Counting(300, 7));
}

}  // namespace
}  // namespace glyphon::platform
