// SPDX-License-Identifier: MIT
#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <thread>

#include "support/peak_memory.h"
#include "support/test_support.h"

namespace glyphon::platform {
namespace {

TEST(FileIo, WritesAndReadsRawBytesExactly) {
  test::TempDir dir;
  const ByteString bytes = test::RandomBytes(1000, 7);
  ASSERT_TRUE(WriteFileAtomic(dir.File("a.dat"), bytes).Ok());
  auto read = ReadFileBytes(dir.File("a.dat"));
  ASSERT_TRUE(read.Ok()) << read.Error();
  EXPECT_EQ(read.Value(), bytes);
}

TEST(FileIo, ReplacingLeavesNoStaleTailAndNoTemporaryFiles) {
  test::TempDir dir;
  ASSERT_TRUE(WriteFileAtomic(dir.File("a.dat"), ByteString(100, 1)).Ok());
  ASSERT_TRUE(WriteFileAtomic(dir.File("a.dat"), test::Bytes({1, 2, 3})).Ok());
  EXPECT_EQ(ReadFileBytes(dir.File("a.dat")).Value(), test::Bytes({1, 2, 3}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(FileIo, WriteIntoMissingFolderFailsWithAReason) {
  test::TempDir dir;
  const Status status = WriteFileAtomic(dir.File("no/such/a.dat"), test::Bytes({1}));
  EXPECT_FALSE(status.Ok());
  EXPECT_FALSE(status.error.empty());
}

// Regular files are measured before reading; pipes and devices are read one byte past
// the limit and then refused.
TEST(FileIo, ReadsStopAtTheLimit) {
  const ReadLimit limit{100, "too much"};
  // The writer of a refused pipe finds it closed early.
  std::signal(SIGPIPE, SIG_IGN);
  struct Case {
    std::string source;  // "file", "pipe" or a device
    std::size_t size;
    bool accepted;
  };
  for (const Case& c : std::vector<Case>{{"file", 100, true},
                                         {"file", 101, false},
                                         {"pipe", 100, true},
                                         {"pipe", 0, true},
                                         {"pipe", 5000000, false},
                                         {"/dev/zero", 0, false}}) {
    test::TempDir dir;
    std::string name = c.source;
    std::thread writer;
    const ByteString bytes = test::RandomBytes(c.size, 5);
    if (c.source == "file") {
      name = dir.File("a.dat");
      ASSERT_TRUE(WriteFileAtomic(name, bytes).Ok());
    } else if (c.source == "pipe") {
      name = dir.File("pipe");
      ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
      writer = std::thread([&] {
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      });
    }
    auto read = ReadFileBytes(name, limit);
    if (writer.joinable()) writer.join();
    EXPECT_EQ(read.Ok(), c.accepted) << c.source << " " << c.size;
    if (c.accepted) {
      EXPECT_EQ(read.Value(), bytes);
    } else {
      EXPECT_EQ(read.Error(), "too much");
    }
  }
}

// A stream is read into the buffer it is returned in: 64 MiB through a pipe, the size at
// which a doubling buffer is exactly full when the stream ends, cost about 64 MiB at the
// peak, not a second buffer of twice the size to find the end in.
TEST(FileIo, AStreamCostsAboutItsOwnSizeAtThePeak) {
  test::TempDir dir;
  const std::string name = dir.File("pipe");
  ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
  constexpr std::size_t kSize = std::size_t{64} << 20;
  std::thread writer([&] {
    const ByteString block = test::RandomBytes(65536, 9);
    std::ofstream pipe(name, std::ios::binary);
    for (std::size_t sent = 0; sent < kSize; sent += block.size())
      pipe.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
  });
  std::size_t read = 0;
  const auto growth = test::PeakGrowth([&] {
    auto bytes = ReadFileBytes(name, kRomDataLimit);
    read = bytes.Ok() ? bytes.Value().size() : 0;
  });
  writer.join();
  EXPECT_EQ(read, kSize);
  if (!growth) GTEST_SKIP() << "the peak resident size cannot be measured here";
  EXPECT_LT(*growth, kSize * 7 / 4) << "peak growth " << (*growth >> 20) << " MiB";
}

TEST(FileIo, ReadFailuresSayWhy) {
  test::TempDir dir;
  EXPECT_FALSE(ReadFileBytes(dir.File("missing.dat")).Ok());
  EXPECT_FALSE(ReadFileBytes(dir.Path()).Ok());
  std::ofstream(dir.File("empty.dat")).close();
  auto empty = ReadFileBytes(dir.File("empty.dat"));
  ASSERT_TRUE(empty.Ok());
  EXPECT_TRUE(empty.Value().empty());
}

}  // namespace
}  // namespace glyphon::platform
