// SPDX-License-Identifier: MIT
#include "platform/output_batch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "platform/file_io.h"
#include "platform/file_range.h"
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

// Runs `stage` with files held to 16 bytes (SIGXFSZ ignored, so a write past it fails with
// EFBIG rather than ending the process), then lifts the limit again.
Status WithSmallFileSizeLimit(const std::function<Status()>& stage) {
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 16;
  setrlimit(RLIMIT_FSIZE, &small);
  Status staged = stage();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  return staged;
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
       Status staged =
           WithSmallFileSizeLimit([&] { return batch.Stage(dir.File("b.dat"), ByteString(100000, 1)); });
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
    // A writer that fails after writing part of its output: its own failure, as it is.
    {"WriterFailsHalfWay",
     [](OutputBatch& batch, const test::TempDir& dir) {
       if (Status staged = batch.Stage(dir.File("a.dat"), kNew); !staged) return staged;
       const Status staged = batch.StageWritten(dir.File("b.dat"), [](ByteSink& sink) {
         const ByteString piece(100000, 7);
         if (Status written = sink.Write(piece); !written) return written;
         return Status::Failure("in.dat: the data ends early");
       });
       return staged ? batch.Commit() : staged;
     },
     "in.dat: the data ends early"},
    {"WrittenOutputBeyondTheFileSizeLimit",
     [](OutputBatch& batch, const test::TempDir& dir) {
       if (Status staged = batch.Stage(dir.File("a.dat"), kNew); !staged) return staged;
       Status staged = WithSmallFileSizeLimit([&] {
         return batch.StageWritten(dir.File("b.dat"), [](ByteSink& sink) {
           for (int i = 0; i < 100; ++i) {
             if (Status written = sink.Write(ByteString(1000, 1)); !written) return written;
           }
           return Status::Success();
         });
       });
       return staged ? batch.Commit() : staged;
     },
     "b.dat: write failed: File too large"},
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

// Runs `body` in a child process and returns its exit code (-1 for a signal). Anything
// buffered for our streams is flushed first, so the child does not write it again.
int InChild(const std::function<int()>& body) {
  std::cout.flush();
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Leftovers(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : Snapshot(folder))
    if (name.starts_with(".glyphon-")) names.push_back(name);
  return names;
}

// A name of one of our descriptors is that descriptor: written at its offset (after what
// an earlier command or `>>` put there), never replaced, and a pipe works as well.
TEST(OutputBatch, DescriptorNamesWriteToTheOpenDescriptor) {
  enum class Into { Pipe, AppendFile, FileAfterEarlierWrite };
  for (const std::string name :
       {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1", "/proc/thread-self/fd/1", "link-to-stdout"}) {
    for (const Into into : {Into::Pipe, Into::AppendFile, Into::FileAfterEarlierWrite}) {
      SCOPED_TRACE(name + " " + std::to_string(static_cast<int>(into)));
      test::TempDir dir;
      fs::create_symlink("/dev/stdout", dir.File("link-to-stdout"));
      const fs::path outputName = name.starts_with("/") ? fs::path(name) : dir.Path() / name;
      int ends[2] = {-1, -1};
      std::string file = dir.File("out.txt");
      if (into == Into::Pipe) {
        ASSERT_EQ(pipe(ends), 0);
      } else {
        ASSERT_TRUE(WriteFileAtomic(file, test::Bytes({'A', '\n'})).Ok());
        const int flags = into == Into::AppendFile ? O_WRONLY | O_APPEND : O_WRONLY | O_TRUNC;
        ends[1] = open(file.c_str(), flags);
        ASSERT_GE(ends[1], 0);
        if (into == Into::FileAfterEarlierWrite) {
          ASSERT_EQ(write(ends[1], "A\n", 2), 2);
        }
      }
      const std::uint64_t inode = into == Into::Pipe ? 0 : StampOf(file).Value().inode;
      const int code = InChild([&] {
        if (dup2(ends[1], 1) != 1) return 2;
        OutputBatch batch;
        if (!batch.Stage(outputName, kNew).Ok()) return 3;
        return batch.Commit().Ok() ? 0 : 4;
      });
      close(ends[1]);
      EXPECT_EQ(code, 0);
      ByteString expected = into == Into::Pipe ? kNew : test::Bytes({'A', '\n', 9, 9, 9, 9});
      if (into == Into::Pipe) {
        ByteString received(16, 0);
        const ssize_t got = read(ends[0], received.data(), received.size());
        close(ends[0]);
        received.resize(static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        EXPECT_EQ(received, expected);
      } else {
        EXPECT_EQ(ReadFileBytes(file).Value(), expected);
        EXPECT_EQ(StampOf(file).Value().inode, inode);
      }
      EXPECT_TRUE(Leftovers(dir.Path()).empty());
    }
  }
}

TEST(OutputBatch, ADescriptorOpenOnlyForReadingIsRefusedAtStage) {
  test::TempDir dir;
  Put(dir, "in.txt", test::Bytes({1}));
  const int reading = open(dir.File("in.txt").c_str(), O_RDONLY);
  OutputBatch batch;
  const Status staged = batch.Stage("/dev/fd/" + std::to_string(reading), kNew);
  close(reading);
  EXPECT_EQ(staged.error, "/dev/fd/" + std::to_string(reading) + ": it is not open for writing");
}

// Another writer changes a file between its staging and the commit: the commit refuses the
// whole batch, and the other writer's bytes stay.
TEST(OutputBatch, AFileThatChangesAfterStagingRefusesTheCommit) {
  struct Case {
    std::string name;
    std::function<void(const std::string&)> write;  // the other writer
    bool wrongDigest = false;                       // a write the stamp cannot see
  };
  const ByteString other = test::Bytes({7, 7, 7});
  const std::vector<Case> cases{
      {"SameSizeNewTime", [&](const std::string& path) { ASSERT_TRUE(WriteFileAtomic(path, other).Ok()); }},
      {"InPlaceWithTheTimeSetBack",
       [&](const std::string& path) {
         struct stat before {};
         stat(path.c_str(), &before);
         const int file = open(path.c_str(), O_WRONLY);
         ASSERT_EQ(pwrite(file, other.data(), other.size(), 0), 3);
         const timespec times[2] = {before.st_atim, before.st_mtim};
         ASSERT_EQ(futimens(file, times), 0);
         close(file);
       }},
      {"Grown", [&](const std::string& path) { std::ofstream(path, std::ios::app) << "more"; }},
      {"WithinOneClockTick", [](const std::string&) {}, true},
  };
  for (const Case& c : cases) {
    for (const Temporaries temporaries : {Temporaries::AnonymousWherePossible, Temporaries::Named}) {
      SCOPED_TRACE(c.name);
      test::TempDir dir;
      Put(dir, "rom.sfc", test::Bytes({1, 2, 3}));
      Put(dir, "side.dat", test::Bytes({4}));
      const std::string rom = dir.File("rom.sfc");
      ExpectedFile expected{StampOf(rom).Value(), ContentDigest(test::Bytes({1, 2, 3})), "the ROM"};
      if (c.wrongDigest) expected.digest = ContentDigest(test::Bytes({1, 2, 4}));
      OutputBatch batch(temporaries);
      ASSERT_TRUE(batch.Stage(dir.File("side.dat"), kNew).Ok());
      ASSERT_TRUE(batch.Stage(rom, kNew, expected).Ok());
      c.write(rom);
      const ByteString now = ReadFileBytes(rom).Value();
      EXPECT_EQ(batch.Commit().error, rom + ": the ROM changed while being written; nothing was written");
      EXPECT_EQ(ReadFileBytes(rom).Value(), now);
      EXPECT_NE(now, kNew);
      EXPECT_EQ(ReadFileBytes(dir.File("side.dat")).Value(), test::Bytes({4}));
      EXPECT_TRUE(Leftovers(dir.Path()).empty());
    }
  }
}

// An output written in pieces, small and larger than the staging buffer, to a file, a
// device and standard output, is the pieces one after the other.
TEST(OutputBatch, WrittenOutputsHoldTheirPiecesInOrder) {
  test::TempDir dir;
  Put(dir, "a.dat", test::Bytes({1}));
  ByteString want;
  const OutputBatch::Writer write = [](ByteSink& sink) {
    for (std::size_t size : {std::size_t{3}, std::size_t{70000}, std::size_t{1}, std::size_t{200000}}) {
      if (Status written = sink.Write(ByteString(size, static_cast<std::uint8_t>(size))); !written)
        return written;
    }
    return Status::Success();
  };
  StringSink expected(want);
  ASSERT_TRUE(write(expected));
  std::ostringstream out;
  OutputBatch batch;
  ASSERT_TRUE(batch.StageWritten(dir.File("a.dat"), write));
  ASSERT_TRUE(batch.StageWritten("/dev/null", write));
  ASSERT_TRUE(batch.StageStreamWritten(out, "standard output", write));
  ASSERT_TRUE(batch.Commit());
  EXPECT_EQ(ReadFileBytes(dir.File("a.dat")).Value(), want);
  EXPECT_EQ(out.str(), std::string(want.begin(), want.end()));
}

TEST(OutputBatch, AnUnchangedExpectedFileIsReplaced) {
  test::TempDir dir;
  Put(dir, "rom.sfc", test::Bytes({1, 2, 3}));
  const std::string rom = dir.File("rom.sfc");
  OutputBatch batch;
  ASSERT_TRUE(
      batch.Stage(rom, kNew, ExpectedFile{StampOf(rom).Value(), ContentDigest(test::Bytes({1, 2, 3}))}).Ok());
  ASSERT_TRUE(batch.Commit().Ok());
  EXPECT_EQ(ReadFileBytes(rom).Value(), kNew);
}

// Digests of neighbouring contents differ, of any length, including the tail after the
// last whole word.
TEST(OutputBatch, ContentDigestTellsOneChangedByte) {
  std::set<std::uint64_t> seen;
  for (std::size_t size : {0u, 1u, 7u, 8u, 9u, 64u, 1001u}) {
    ByteString bytes(size, 0);
    EXPECT_TRUE(seen.insert(ContentDigest(bytes)).second) << size;
    for (std::size_t i = 0; i < size; i += 3) {
      bytes[i] = 1;
      EXPECT_TRUE(seen.insert(ContentDigest(bytes)).second) << size << " " << i;
      bytes[i] = 0;
    }
  }
}

// The old files whose backup link the system refuses (no hard links, or another user's
// file under protected_hardlinks): one is renamed last, so a failing rename before it leaves
// it untouched; two are refused before any rename.
std::set<std::string> g_unlinkable;
int RefusingLink(int folder, const char* from, const char* to) {
  if (g_unlinkable.count(from) != 0) {
    errno = EPERM;
    return -1;
  }
  return linkat(folder, from, folder, to, 0);
}

TEST(OutputBatch, OldFilesThatCannotBeKeptAreNeverLeftReplaced) {
  struct Case {
    std::string name;
    std::set<std::string> unlinkable;
    bool breakC;        // a folder takes the new c.dat's name, so its rename fails
    std::string error;  // empty: the commit succeeds
  };
  const std::vector<Case> cases{
      {"OneRenamedLastAfterAFailure", {"a.dat"}, true, "c.dat: Is a directory"},
      {"OneRenamedLast", {"a.dat"}, false, ""},
      {"TwoRefused",
       {"a.dat", "b.dat"},
       false,
       "b.dat: the old file cannot be kept to put back should another output fail (Operation not permitted); "
       "nothing was replaced"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    Put(dir, "a.dat", test::Bytes({1}));
    Put(dir, "b.dat", test::Bytes({2}));
    g_unlinkable = c.unlinkable;
    OutputBatch batch;
    batch.SetBackupLinkForTesting(RefusingLink);
    for (const char* name : {"a.dat", "b.dat", "c.dat"}) ASSERT_TRUE(batch.Stage(dir.File(name), kNew).Ok());
    if (c.breakC) fs::create_directories(dir.File("c.dat/x"));
    const Status committed = batch.Commit();
    g_unlinkable.clear();
    if (c.error.empty()) {
      ASSERT_TRUE(committed.Ok()) << committed.error;
      for (const char* name : {"a.dat", "b.dat", "c.dat"})
        EXPECT_EQ(ReadFileBytes(dir.File(name)).Value(), kNew);
    } else {
      EXPECT_EQ(committed.error, dir.File(c.error.substr(0, 5)) + c.error.substr(5));
      EXPECT_EQ(ReadFileBytes(dir.File("a.dat")).Value(), test::Bytes({1}));
      EXPECT_EQ(ReadFileBytes(dir.File("b.dat")).Value(), test::Bytes({2}));
    }
    EXPECT_TRUE(Leftovers(dir.Path()).empty());
  }
}

// As another user than root in a sticky folder (/tmp), root's file cannot be replaced
// (rename over it is refused) and a backup link to it could never be removed: refused at
// the staging, before anything is made. Their own files there are replaced as ever.
TEST(OutputBatch, AnotherUsersFileInAStickyFolderIsRefusedLeavingNothing) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make a file of another user";
  test::TempDir dir;
  ASSERT_EQ(chmod(dir.Path().c_str(), 01777), 0);
  Put(dir, "root.dat", test::Bytes({1}));
  ASSERT_EQ(chmod(dir.File("root.dat").c_str(), 0666), 0);
  Put(dir, "mine.dat", test::Bytes({2}));
  ASSERT_EQ(chown(dir.File("mine.dat").c_str(), 65534, 65534), 0);
  for (const Temporaries temporaries : {Temporaries::AnonymousWherePossible, Temporaries::Named}) {
    const int code = InChild([&] {
      if (setgid(65534) != 0 || setuid(65534) != 0) return 2;
      OutputBatch batch(temporaries);
      const Status refused = batch.Stage(dir.File("root.dat"), kNew);
      if (refused.error != dir.File("root.dat") +
                               ": it belongs to another user in a folder with the sticky bit, so only "
                               "they can replace it")
        return 3;
      if (!batch.Stage(dir.File("mine.dat"), kNew).Ok()) return 4;
      return batch.Commit().Ok() ? 0 : 5;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("root.dat")).Value(), test::Bytes({1}));
    EXPECT_EQ(ReadFileBytes(dir.File("mine.dat")).Value(), kNew);
    EXPECT_TRUE(Leftovers(dir.Path()).empty());
  }
}

std::string BootPrefix() {
  std::ifstream file("/proc/sys/kernel/random/boot_id");
  std::string id;
  std::getline(file, id);
  return id.size() >= 8 ? id.substr(0, 8) : "00000000";
}

// Temporaries are named for the process and boot that made them; a later staging into the
// folder removes those it can prove are leftovers, and nothing else.
TEST(OutputBatch, LeftoverTemporariesOfGoneProcessesAreRemoved) {
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
  const std::string boot = BootPrefix();
  const std::string otherBoot = boot == "00000000" ? "11111111" : "00000000";
  const std::string self = std::to_string(getpid());
  test::TempDir dir;
  const std::map<std::string, bool> names{
      {".glyphon-" + std::to_string(gone) + "-" + boot + "-abcd1234", true},      // its process is gone
      {".glyphon-" + self + "-" + otherBoot + "-abcd1234", true},                 // an earlier boot
      {".glyphon-" + self + "-" + boot + "-abcd1234", false},                     // a live process's
      {".glyphon-" + std::to_string(gone) + "-" + boot + "-abcd123", false},      // not our form
      {".glyphon-" + std::to_string(gone) + "-" + boot + "-ABCD1234", false},     // not our form
      {".glyphon-x" + std::to_string(gone) + "-" + boot + "-abcd1234", false},    // not our form
      {".glyphon-" + std::to_string(gone) + "-" + boot + "-abcd1234.bak", false}  // not our form
  };
  for (const auto& [name, stale] : names) Put(dir, name, test::Bytes({1}));
  const std::string foreign = ".glyphon-" + std::to_string(gone) + "-" + otherBoot + "-zzzz9999";
  fs::create_directory(dir.File(foreign));  // not a file
  OutputBatch batch(Temporaries::Named);
  ASSERT_TRUE(batch.Stage(dir.File("a.dat"), kNew).Ok());
  std::vector<std::string> left = Leftovers(dir.Path());
  for (const auto& [name, stale] : names)
    EXPECT_EQ(std::find(left.begin(), left.end(), name) == left.end(), stale) << name;
  EXPECT_NE(std::find(left.begin(), left.end(), foreign), left.end());
  // Our own temporary, in that form: ".glyphon-<pid>-<boot>-" and 8 letters or digits.
  const std::string prefix = ".glyphon-" + self + "-" + boot + "-";
  auto ours = std::find_if(left.begin(), left.end(), [&](const std::string& name) {
    return name.starts_with(prefix) && name.size() == prefix.size() + 8 && !names.contains(name);
  });
  ASSERT_NE(ours, left.end());
  EXPECT_LT(ours->size(), 48u);
  ASSERT_TRUE(batch.Commit().Ok());
  EXPECT_EQ(ReadFileBytes(dir.File("a.dat")).Value(), kNew);
}

}  // namespace
}  // namespace glyphon::platform
