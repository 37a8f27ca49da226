#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <thread>

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

TEST(FileIo, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  test::TempDir dir;
  ASSERT_TRUE(WriteFileAtomic(dir.File("a.dat"), test::Bytes({7})).Ok());
  // A file size limit makes the write itself fail, even for root.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const Status status = WriteFileAtomic(dir.File("a.dat"), ByteString(100000, 1));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(status.Ok());
  EXPECT_EQ(ReadFileBytes(dir.File("a.dat")).Value(), test::Bytes({7}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(FileIo, WriteIntoMissingFolderFailsWithAReason) {
  test::TempDir dir;
  const Status status = WriteFileAtomic(dir.File("no/such/a.dat"), test::Bytes({1}));
  EXPECT_FALSE(status.Ok());
  EXPECT_FALSE(status.error.empty());
}

TEST(FileIo, ReadsAPipeToItsEnd) {
  test::TempDir dir;
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const ByteString bytes = test::RandomBytes(200000, 3);
  std::thread writer([&] {
    std::ofstream(fifo, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  });
  auto read = ReadFileBytes(fifo);
  writer.join();
  ASSERT_TRUE(read.Ok()) << read.Error();
  EXPECT_EQ(read.Value(), bytes);
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
