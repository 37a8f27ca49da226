#include "platform/output_batch.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <map>
#include <sstream>

#include "platform/file_io.h"
#include "support/test_support.h"

namespace glyphon::platform {
namespace {

namespace fs = std::filesystem;

// Every file in the folder by name, with its bytes ("<>" for a folder or a socket).
std::map<std::string, ByteString> Snapshot(const fs::path& folder) {
  std::map<std::string, ByteString> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    files[name] = entry.is_regular_file() ? ReadFileBytes(entry.path()).Value() : test::Bytes({'<', '>'});
  }
  return files;
}

void Put(const test::TempDir& dir, const std::string& name, const ByteString& bytes) {
  ASSERT_TRUE(WriteFileAtomic(dir.File(name), bytes).Ok());
}

// Runs a batch against a folder holding a.dat and b.dat; `fault` stages and commits.
struct Fault {
  std::string name;
  std::function<Status(OutputBatch&, const test::TempDir&)> run;
  std::string error;  // what the failure says
};

const ByteString kNew = test::Bytes({9, 9, 9, 9});

Status StageBothThen(OutputBatch& batch, const test::TempDir& dir, const std::function<void()>& between) {
  if (Status staged = batch.Stage(dir.File("a.dat"), kNew); !staged) return staged;
  if (Status staged = batch.Stage(dir.File("b.dat"), kNew); !staged) return staged;
  between();
  return batch.Commit();
}

const Fault kFaults[] = {
    {"SecondOutputInMissingFolder",
     [](OutputBatch& batch, const test::TempDir& dir) {
       if (Status staged = batch.Stage(dir.File("a.dat"), kNew); !staged) return staged;
       if (Status staged = batch.Stage(dir.File("no/b.dat"), kNew); !staged) return staged;
       return batch.Commit();
     },
     "no/b.dat: No such file or directory"},
    {"ReadOnlyFileEvenForRoot",
     [](OutputBatch& batch, const test::TempDir& dir) {
       chmod(dir.File("b.dat").c_str(), 0444);
       return StageBothThen(batch, dir, [] {});
     },
     "b.dat is read-only"},
    {"FolderAsOutput",
     [](OutputBatch& batch, const test::TempDir& dir) {
       fs::create_directory(dir.File("c"));
       if (Status staged = batch.Stage(dir.File("a.dat"), kNew); !staged) return staged;
       if (Status staged = batch.Stage(dir.File("c"), kNew); !staged) return staged;
       return batch.Commit();
     },
     "c: it is a folder, not a file"},
    {"FileSizeLimitDuringSecondWrite",
     [](OutputBatch& batch, const test::TempDir& dir) {
       if (Status staged = batch.Stage(dir.File("a.dat"), kNew); !staged) return staged;
       rlimit saved{};
       getrlimit(RLIMIT_FSIZE, &saved);
       const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
       rlimit small = saved;
       small.rlim_cur = 16;
       setrlimit(RLIMIT_FSIZE, &small);
       Status staged = batch.Stage(dir.File("b.dat"), ByteString(100000, 1));
       setrlimit(RLIMIT_FSIZE, &saved);
       std::signal(SIGXFSZ, oldHandler);
       return staged ? batch.Commit() : staged;
     },
     "b.dat: write failed: File too large"},
    {"SecondRenameFailsAndTheFirstIsPutBack",
     [](OutputBatch& batch, const test::TempDir& dir) {
       return StageBothThen(batch, dir, [&] {
         fs::remove(dir.File("b.dat"));
         fs::create_directories(dir.File("b.dat/x"));
       });
     },
     "b.dat: Is a directory"},
    {"DeviceWriteFailsBeforeAnyRename",
     [](OutputBatch& batch, const test::TempDir& dir) {
       if (Status staged = batch.Stage(dir.File("a.dat"), kNew); !staged) return staged;
       if (Status staged = batch.Stage("/dev/full", kNew); !staged) return staged;
       return batch.Commit();
     },
     "/dev/full: write failed: No space left on device"},
    {"StreamWriteFails",
     [](OutputBatch& batch, const test::TempDir& dir) {
       static std::ostringstream broken;
       broken.setstate(std::ios::badbit);
       if (Status staged = batch.Stage(dir.File("a.dat"), kNew); !staged) return staged;
       if (Status staged = batch.StageStream(broken, "standard output", kNew); !staged) return staged;
       return batch.Commit();
     },
     "standard output: write failed"},
};

class BatchFaults : public ::testing::TestWithParam<std::tuple<Fault, Temporaries>> {};

// Whatever fails, every file is as it was before and no temporary is left.
TEST_P(BatchFaults, LeaveEveryOldFileAndNoTemporary) {
  const auto& [fault, temporaries] = GetParam();
  test::TempDir dir;
  Put(dir, "a.dat", test::Bytes({1}));
  Put(dir, "b.dat", test::Bytes({2, 2}));
  Status status;
  {
    OutputBatch batch(temporaries);
    status = fault.run(batch, dir);
  }
  EXPECT_FALSE(status.Ok());
  EXPECT_NE(status.error.find(fault.error), std::string::npos) << status.error;
  auto after = Snapshot(dir.Path());
  EXPECT_EQ(after.at("a.dat"), test::Bytes({1}));
  if (fs::is_regular_file(dir.File("b.dat"))) {
    EXPECT_EQ(after.at("b.dat"), test::Bytes({2, 2}));
  }
  for (const auto& [name, bytes] : after) EXPECT_EQ(name.find(".glyphon-"), std::string::npos) << name;
}

INSTANTIATE_TEST_SUITE_P(Table, BatchFaults,
                         ::testing::Combine(::testing::ValuesIn(kFaults),
                                            ::testing::Values(Temporaries::AnonymousWherePossible,
                                                              Temporaries::Named)),
                         [](const auto& param) {
                           return std::get<0>(param.param).name +
                                  (std::get<1>(param.param) == Temporaries::Named ? "_Named" : "_Anonymous");
                         });

TEST(OutputBatch, ReplacesThroughSymlinksKeepingModeAndOwner) {
  test::TempDir dir;
  Put(dir, "target.dat", test::Bytes({1}));
  chmod(dir.File("target.dat").c_str(), 0640);
  // As root the owner can be given away and must come back; others keep their own.
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(dir.File("target.dat").c_str(), 1234, 5678), 0);
  }
  fs::create_symlink("target.dat", dir.File("link.dat"));
  const std::string longName(255, 'n');
  // A socket is written to, not replaced.
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  dir.File("sock").copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  OutputBatch batch;
  ASSERT_TRUE(batch.Stage(dir.File("sock"), kNew).Ok());
  ASSERT_TRUE(batch.Stage(dir.File("link.dat"), kNew).Ok());
  ASSERT_TRUE(batch.Stage(dir.File(longName), kNew).Ok());
  ASSERT_TRUE(batch.Stage("/dev/null", kNew).Ok());
  ASSERT_TRUE(batch.Commit().Ok());
  EXPECT_TRUE(fs::is_symlink(dir.File("link.dat")));
  EXPECT_EQ(ReadFileBytes(dir.File("target.dat")).Value(), kNew);
  EXPECT_EQ(ReadFileBytes(dir.File(longName)).Value(), kNew);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  const int peer = accept(listener, nullptr, nullptr);
  ByteString received(8, 0);
  EXPECT_EQ(read(peer, received.data(), received.size()), 4);
  EXPECT_EQ(ByteString(received.begin(), received.begin() + 4), kNew);
  close(peer);
  close(listener);
  struct stat info {};
  ASSERT_EQ(stat(dir.File("target.dat").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(info.st_uid, 1234u);
    EXPECT_EQ(info.st_gid, 5678u);
  }
  EXPECT_EQ(Snapshot(dir.Path()).size(), 4u);
}

// A terminating signal while a named temporary exists removes it, and the process still
// ends by that signal.
TEST(OutputBatch, SignalsRemovePendingTemporaries) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    test::TempDir dir;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      OutputBatch batch(Temporaries::Named);
      if (!batch.Stage(dir.File("a.dat"), kNew).Ok()) _exit(3);
      raise(signal);
      _exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_TRUE(Snapshot(dir.Path()).empty());
  }
}

}  // namespace
}  // namespace glyphon::platform
