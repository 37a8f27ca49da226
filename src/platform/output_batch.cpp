// SPDX-License-Identifier: MIT
#include "platform/output_batch.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "core/types.h"
#include "platform/file_io.h"
#include "platform/pending_files.h"

namespace glyphon::platform {

namespace {

// An open file descriptor, closed at the end of its life.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
  Descriptor(Descriptor&& other) noexcept : m_descriptor(std::exchange(other.m_descriptor, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    std::swap(m_descriptor, other.m_descriptor);
    return *this;
  }
  ~Descriptor() {
    if (m_descriptor >= 0) close(m_descriptor);
  }
  int Get() const { return m_descriptor; }
  int Release() { return std::exchange(m_descriptor, -1); }
  bool Valid() const { return m_descriptor >= 0; }
  // Closes now; a failed close means data may not have reached the file.
  Status Close() {
    const int result = close(std::exchange(m_descriptor, -1));
    return result == 0 ? Status::Success() : Status::Failure("close failed: " + SystemReason(errno));
  }

 private:
  int m_descriptor = -1;
};

// A short file name in a folder, registered for removal on a fatal signal while it exists.
struct PendingName {
  std::string name;
  int slot = -1;
  bool Empty() const { return name.empty(); }
  void Forget() {
    ForgetPending(std::exchange(slot, -1));
    name.clear();
  }
  void Remove(int folder) {
    if (!Empty()) unlinkat(folder, name.c_str(), 0);
    Forget();
  }
};

Status Failure(const std::string& name, const std::string& reason) {
  return Status::Failure(name + ": " + reason);
}

constexpr std::string_view kPrefix = ".glyphon-";

// The first 8 hex digits of this boot's id, "00000000" where the kernel does not tell.
const std::string& BootId() {
  static const std::string id = [] {
    std::ifstream file("/proc/sys/kernel/random/boot_id");
    std::string text;
    std::getline(file, text);
    if (text.size() < 8) return std::string(8, '0');
    text.resize(8);
    const bool hex = std::all_of(text.begin(), text.end(),
                                 [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
    return hex ? text : std::string(8, '0');
  }();
  return id;
}

// ".glyphon-<pid>-<boot>-" and eight random letters or digits: at most 35 characters, short
// enough beside any file name and for the table of pending files, and telling whose it is.
std::string RandomName() {
  static std::mt19937_64 random{std::random_device{}()};
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string name = std::string(kPrefix) + std::to_string(getpid()) + "-" + BootId() + "-";
  for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name;
}

// The process and boot in a name RandomName made; nothing for any other name.
struct NameOwner {
  pid_t pid = 0;
  std::string boot;
};
std::optional<NameOwner> OwnerOfName(std::string_view name) {
  if (!name.starts_with(kPrefix)) return std::nullopt;
  name.remove_prefix(kPrefix.size());
  const std::size_t digits = name.find('-');
  if (digits == 0 || digits == std::string_view::npos || digits > 9) return std::nullopt;
  // "-", 8 hex digits, "-", 8 letters or digits.
  if (name.size() != digits + 18 || name[digits + 9] != '-') return std::nullopt;
  long pid = 0;
  for (char c : name.substr(0, digits)) {
    if (c < '0' || c > '9') return std::nullopt;
    pid = pid * 10 + (c - '0');
  }
  const std::string_view boot = name.substr(digits + 1, 8);
  const std::string_view tail = name.substr(digits + 10);
  if (!std::all_of(boot.begin(), boot.end(),
                   [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
    return std::nullopt;
  if (!std::all_of(tail.begin(), tail.end(),
                   [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); }))
    return std::nullopt;
  if (pid <= 0) return std::nullopt;
  return NameOwner{static_cast<pid_t>(pid), std::string(boot)};
}

// Removes the temporaries and backup links that runs before this one left in a folder
// (killed between naming and renaming): only names in exactly our form, of files this user
// owns, made in an earlier boot or by a process that is gone. A live process's names, and
// names whose process cannot be told, stay.
void RemoveLeftovers(int folder) {
  const int copy = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (copy < 0) return;
  DIR* listing = fdopendir(copy);
  if (listing == nullptr) {
    close(copy);
    return;
  }
  while (const dirent* entry = readdir(listing)) {
    const auto owner = OwnerOfName(entry->d_name);
    if (!owner) continue;
    struct stat info {};
    if (fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode) || info.st_uid != geteuid()) continue;
    const bool gone = owner->boot != BootId() || (kill(owner->pid, 0) != 0 && errno == ESRCH);
    if (gone) unlinkat(folder, entry->d_name, 0);
  }
  closedir(listing);
}

// Runs `make(name)` (an openat or a linkat: -1 and errno on failure) under fresh names
// until one is free. The name is registered before it exists, so no signal can leave it.
template <class Make>
Result<int> UnderFreshName(int folder, PendingName& pending, Make&& make) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    pending.name = RandomName();
    pending.slot = RememberPending(folder, pending.name);
    const int result = make(pending.name.c_str());
    if (result >= 0) return result;
    const int error = errno;
    pending.Forget();
    if (error != EEXIST) return Result<int>::Failure(SystemReason(error));
  }
  return Result<int>::Failure(SystemReason(EEXIST));
}

Status WriteAll(int descriptor, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return Status::Failure("write failed: " + SystemReason(errno));
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return Status::Success();
}

// The descriptor of this process that `path` names (as /dev/fd/N, /proc/self/fd/N,
// /proc/<our pid>/fd/N or /proc/thread-self/fd/N do), or -1. Those entries look like
// symlinks, but their text ("pipe:[4026]", or a file's path) is no path to write to: the
// open descriptor is the output.
int DescriptorNamed(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  if (name.empty() || name.size() > 9) return -1;
  if (!std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) return -1;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::canonical(path.parent_path(), error);
  if (error) return -1;
  const std::string process = "/proc/" + std::to_string(getpid());
  if (folder != process + "/fd" && folder != process + "/task/" + std::to_string(gettid()) + "/fd") return -1;
  return std::stoi(name);
}

// Where an output name leads: the file at the end of its symlinks (which need not exist
// yet), or one of our descriptors.
struct Destination {
  std::filesystem::path path;
  int descriptor = -1;
};

Result<Destination> ThroughLinks(std::filesystem::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    if (const int descriptor = DescriptorNamed(path); descriptor >= 0) return Destination{path, descriptor};
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
      if (errno == ENOENT) return Destination{path};
      return Result<Destination>::Failure(SystemReason(errno));
    }
    if (!S_ISLNK(info.st_mode)) return Destination{path};
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(path, error);
    if (error) return Result<Destination>::Failure(error.message());
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return Result<Destination>::Failure(SystemReason(ELOOP));
}

// Decided by the mode bits, so that root, whom access() lets write anything, is refused a
// file nobody may write as well.
bool IsReadOnly(const std::filesystem::path& path, const struct stat& info) {
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return geteuid() != 0 && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

// Writes to a descriptor through a buffer of 64 KiB, made at the first small write; a
// large write goes straight through. The first failure is kept (the writer's own failures
// are told apart from it).
class DescriptorSink final : public ByteSink {
 public:
  explicit DescriptorSink(int descriptor) : m_descriptor(descriptor) {}
  Status Write(std::span<const std::uint8_t> bytes) override {
    if (!m_failed) return m_failed;
    if (m_buffer.size() + bytes.size() > kBufferBytes) {
      if (Status flushed = Flush(); !flushed) return flushed;
    }
    if (bytes.size() >= kBufferBytes) return Keep(WriteAll(m_descriptor, bytes));
    if (m_buffer.capacity() == 0) m_buffer.reserve(kBufferBytes);
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    return Status::Success();
  }
  Status Flush() {
    if (!m_failed) return m_failed;
    const Status written = WriteAll(m_descriptor, m_buffer);
    m_buffer.clear();
    return Keep(written);
  }
  // The first failure of a write to the file, or success.
  const Status& Written() const { return m_failed; }

 private:
  static constexpr std::size_t kBufferBytes = std::size_t{1} << 16;
  Status Keep(Status status) {
    if (!status) m_failed = status;
    return status;
  }
  int m_descriptor;
  std::vector<std::uint8_t> m_buffer;
  Status m_failed = Status::Success();
};

// The temporary's content, then the old file's owner, group and mode, then the disk. A
// failure of the writer's own (not a write to the file) comes back as `ownFailure`.
Status FillTemporary(int descriptor, const OutputBatch::Writer& write, const std::optional<struct stat>& old,
                     Status& ownFailure) {
  DescriptorSink sink(descriptor);
  const Status made = write(sink);
  if (!sink.Written()) return sink.Written();
  if (!made) {
    ownFailure = made;
    return made;
  }
  if (Status flushed = sink.Flush(); !flushed) return flushed;
  if (old) {
    // Where the owner may not be given away (EPERM), the file stays ours. chown clears
    // the set-id bits, so the mode comes after it.
    const bool ownerKept = fchown(descriptor, old->st_uid, old->st_gid) == 0;
    static_cast<void>(ownerKept);
    if (fchmod(descriptor, old->st_mode & 07777) != 0) return Status::Failure(SystemReason(errno));
  }
  if (fsync(descriptor) != 0) return Status::Failure("write failed: " + SystemReason(errno));
  return Status::Success();
}

// A device or a FIFO opens for writing; a socket is connected to (a stream socket, as
// the shell's tools use them).
int OpenDirect(const std::filesystem::path& target) {
  const int descriptor = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (descriptor >= 0 || errno != ENXIO) return descriptor;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = target.string();
  if (path.size() >= sizeof address.sun_path) return -1;
  path.copy(address.sun_path, path.size());
  Descriptor socketFile(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socketFile.Valid()) return -1;
  if (connect(socketFile.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return -1;
  return socketFile.Release();
}

// In a folder with the sticky bit only the file's owner, the folder's owner and root may
// remove or rename over a file, so another user's file there cannot be replaced (and a
// backup link to it could not be removed again).
bool StickyForeign(const struct stat& folder, const struct stat& file) {
  const uid_t self = geteuid();
  return (folder.st_mode & S_ISVTX) != 0 && self != 0 && file.st_uid != self && folder.st_uid != self;
}

Status Changed(const std::string& name, const ExpectedFile& expected, bool written) {
  return Failure(name, expected.what + " changed while being written; " +
                           (written ? "no file was replaced" : "nothing was written"));
}

// The digest of the file `name` in `folder`, read whole; nothing when it cannot be read.
std::optional<std::uint64_t> DigestOf(int folder, const std::string& name, std::uint64_t size) {
  Descriptor file(openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!file.Valid()) return std::nullopt;
  ByteString bytes(static_cast<std::size_t>(size) + 1);
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = read(file.Get(), bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  return ContentDigest(std::span(bytes).first(filled));
}

int LinkInFolder(int folder, const char* from, const char* to) {
  return linkat(folder, from, folder, to, 0);
}

}  // namespace

std::uint64_t ContentDigest(std::span<const std::uint8_t> bytes) {
  // Eight bytes at a time: xor, multiply by an odd number, fold the high bits down. Each
  // step is one-to-one in the state, so any single changed word changes the result.
  std::uint64_t hash = 0xcbf29ce484222325u;
  auto mix = [&hash](std::uint64_t word) {
    hash = (hash ^ word) * 0x100000001b3u;
    hash ^= hash >> 29;
  };
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + i, 8);
    mix(word);
  }
  std::uint64_t last = 0;
  if (i < bytes.size()) std::memcpy(&last, bytes.data() + i, bytes.size() - i);
  mix(last);
  mix(bytes.size());
  return hash;
}

struct OutputBatch::Output {
  enum class Kind { Replace, Direct, Descriptor, Stream };
  Kind kind = Kind::Replace;
  std::string name;                      // as the caller gave it, for messages
  std::filesystem::path target;          // Replace: the name in `folder`; Direct: the path
  Descriptor folder;                     // Replace: the target's folder
  Descriptor file;                       // the anonymous temporary, or our copy of a descriptor
  PendingName temporary;                 // the temporary's name in `folder`, once it has one
  PendingName backup;                    // a second link to the old file during the renames
  std::optional<struct stat> old;        // the file being replaced
  std::optional<ExpectedFile> expected;  // what that file must still be at the commit
  std::ostream* stream = nullptr;        // Stream
  ByteString bytes;                      // Direct, Descriptor and Stream: written at the commit

  ~Output() {
    temporary.Remove(folder.Get());
    backup.Remove(folder.Get());
  }
  Status WriteDirectly();
  Status NameTemporary();
  Status CheckUnchanged(bool digest, bool written) const;
};

Status OutputBatch::Output::WriteDirectly() {
  if (kind == Kind::Stream) {
    stream->write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    stream->flush();
    return *stream ? Status::Success() : Failure(name, "write failed");
  }
  if (kind == Kind::Descriptor) {
    // What the program printed through its own streams comes first, as it was meant to.
    std::cout.flush();
    std::fflush(nullptr);
    if (Status written = WriteAll(file.Get(), bytes); !written) return Failure(name, written.error);
    return Status::Success();
  }
  Descriptor device(OpenDirect(target));
  if (!device.Valid()) return Failure(name, SystemReason(errno));
  if (Status written = WriteAll(device.Get(), bytes); !written) return Failure(name, written.error);
  if (Status closed = device.Close(); !closed) return Failure(name, closed.error);
  return Status::Success();
}

// An anonymous temporary gets its short name just before the rename. linkat through
// /proc needs no privilege; AT_EMPTY_PATH serves where /proc is not mounted.
Status OutputBatch::Output::NameTemporary() {
  if (!temporary.Empty()) return Status::Success();
  const std::string self = "/proc/self/fd/" + std::to_string(file.Get());
  auto linked = UnderFreshName(folder.Get(), temporary, [&](const char* fresh) {
    if (linkat(AT_FDCWD, self.c_str(), folder.Get(), fresh, AT_SYMLINK_FOLLOW) == 0) return 0;
    if (errno != ENOENT) return -1;
    return linkat(file.Get(), "", folder.Get(), fresh, AT_EMPTY_PATH);
  });
  if (!linked) return Failure(name, linked.Error());
  if (Status closed = file.Close(); !closed) return Failure(name, closed.error);
  return Status::Success();
}

// The file being replaced as it is now against what the caller expects of it.
Status OutputBatch::Output::CheckUnchanged(bool digest, bool written) const {
  if (!expected) return Status::Success();
  struct stat info {};
  if (fstatat(folder.Get(), target.c_str(), &info, 0) != 0 || StampFrom(info) != expected->stamp)
    return Changed(name, *expected, written);
  if (digest && expected->digest && expected->stamp.size <= kDigestLimit &&
      DigestOf(folder.Get(), target.string(), expected->stamp.size) != expected->digest)
    return Changed(name, *expected, written);
  return Status::Success();
}

OutputBatch::OutputBatch(Temporaries temporaries) : m_temporaries(temporaries) {}
OutputBatch::~OutputBatch() = default;

Status OutputBatch::Stage(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                          std::optional<ExpectedFile> expected) {
  return StageWith(
      path, [bytes](ByteSink& sink) { return sink.Write(bytes); }, std::move(expected));
}

Status OutputBatch::StageWritten(const std::filesystem::path& path, const Writer& write) {
  return StageWith(path, write, std::nullopt);
}

namespace {

// The bytes of an output written at the commit, made now.
Status Collect(ByteString& bytes, const OutputBatch::Writer& write) {
  StringSink sink(bytes);
  return write(sink);
}

}  // namespace

Status OutputBatch::StageWith(const std::filesystem::path& path, const Writer& write,
                              std::optional<ExpectedFile> expected) {
  auto output = std::make_unique<Output>();
  output->name = path.string();
  auto destination = ThroughLinks(path);
  if (!destination) return Failure(output->name, destination.Error());
  const std::filesystem::path& target = destination.Value().path;
  if (const int descriptor = destination.Value().descriptor; descriptor >= 0) {
    // Our own copy of the descriptor shares its offset and flags (O_APPEND) with the original.
    output->kind = Output::Kind::Descriptor;
    output->file = Descriptor(fcntl(descriptor, F_DUPFD_CLOEXEC, 0));
    if (!output->file.Valid()) return Failure(output->name, SystemReason(errno));
    const int flags = fcntl(output->file.Get(), F_GETFL);
    if (flags >= 0 && (flags & O_ACCMODE) == O_RDONLY)
      return Failure(output->name, "it is not open for writing");
    if (expected) return Failure(output->name, "it is not a regular file");
    if (Status made = Collect(output->bytes, write); !made) return made;
    m_outputs.push_back(std::move(output));
    return Status::Success();
  }
  struct stat info {};
  const bool exists = stat(target.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) return Failure(output->name, "it is a folder, not a file");
  if (exists && !S_ISREG(info.st_mode)) {
    if (expected) return Failure(output->name, "it is not a regular file");
    output->kind = Output::Kind::Direct;
    output->target = target;
    if (Status made = Collect(output->bytes, write); !made) return made;
    m_outputs.push_back(std::move(output));
    return Status::Success();
  }
  if (exists && IsReadOnly(target, info)) return Status::Failure(output->name + " is read-only");
  if (expected && (!exists || StampFrom(info) != expected->stamp))
    return Changed(output->name, *expected, false);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  output->folder = Descriptor(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!output->folder.Valid()) return Failure(output->name, SystemReason(errno));
  output->target = target.filename();
  if (exists) {
    struct stat folderInfo {};
    if (fstat(output->folder.Get(), &folderInfo) == 0 && StickyForeign(folderInfo, info)) {
      return Failure(
          output->name,
          "it belongs to another user in a folder with the sticky bit, so only they can replace it");
    }
    output->old = info;
  }
  output->expected = std::move(expected);
  RemoveLeftovers(output->folder.Get());
  if (Status made = MakeTemporary(*output, write); !made) return made;
  m_outputs.push_back(std::move(output));
  return Status::Success();
}

Status OutputBatch::StageStream(std::ostream& stream, std::string name, std::span<const std::uint8_t> bytes) {
  return StageStreamWritten(stream, std::move(name), [bytes](ByteSink& sink) { return sink.Write(bytes); });
}

Status OutputBatch::StageStreamWritten(std::ostream& stream, std::string name, const Writer& write) {
  auto output = std::make_unique<Output>();
  output->kind = Output::Kind::Stream;
  output->name = std::move(name);
  output->stream = &stream;
  if (Status made = Collect(output->bytes, write); !made) return made;
  m_outputs.push_back(std::move(output));
  return Status::Success();
}

Status OutputBatch::MakeTemporary(Output& output, const Writer& write) {
  const int dir = output.folder.Get();
  if (m_temporaries == Temporaries::AnonymousWherePossible) {
    output.file = Descriptor(openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  }
  if (!output.file.Valid()) {
    // No unnamed files on this file system (or not asked for): a named one.
    auto made = UnderFreshName(dir, output.temporary, [dir](const char* fresh) {
      return openat(dir, fresh, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    });
    if (!made) return Failure(output.name, made.Error());
    output.file = Descriptor(made.Value());
  }
  Status ownFailure = Status::Success();
  if (Status filled = FillTemporary(output.file.Get(), write, output.old, ownFailure); !filled) {
    return ownFailure ? Failure(output.name, filled.error) : ownFailure;
  }
  if (!output.temporary.Empty()) {
    if (Status closed = output.file.Close(); !closed) return Failure(output.name, closed.error);
  }
  return Status::Success();
}

Status OutputBatch::CheckUnchanged(bool digests, bool written) const {
  for (const auto& output : m_outputs) {
    if (Status same = output->CheckUnchanged(digests, written); !same) return same;
  }
  return Status::Success();
}

Status OutputBatch::Commit() {
  // A file that already changed refuses the batch before anything is written.
  Status status = CheckUnchanged(false, false);
  bool written = false;
  for (auto& output : m_outputs) {
    if (!status || output->kind == Output::Kind::Replace) continue;
    status = output->WriteDirectly();
    written = true;
  }
  if (status) {
    const HeldSignals held;
    status = RenameAll(written);
  }
  m_outputs.clear();
  return status;
}

// Names every temporary, checks the files being replaced once more, keeps the old files by
// a second link, then renames; a failed rename puts back what the earlier ones replaced.
Status OutputBatch::RenameAll(bool written) {
  std::vector<Output*> replaced;
  for (auto& output : m_outputs) {
    if (output->kind != Output::Kind::Replace) continue;
    if (Status named = output->NameTemporary(); !named) return named;
    replaced.push_back(output.get());
  }
  // The content first (it takes a moment), the stamps last: a backup link changes the old
  // file's status change time, so nothing may come between but the links and renames.
  if (Status same = CheckUnchanged(true, written); !same) return same;
  if (Status same = CheckUnchanged(false, written); !same) return same;
  // An old file that cannot be put back goes last; two of them cannot both go last.
  const BackupLink link = m_backupLink != nullptr ? m_backupLink : LinkInFolder;
  Output* unbackable = nullptr;
  for (Output* output : replaced) {
    if (!output->old) continue;
    const int dir = output->folder.Get();
    const std::string from = output->target.string();
    auto linked = UnderFreshName(dir, output->backup,
                                 [&](const char* fresh) { return link(dir, from.c_str(), fresh); });
    if (linked) continue;
    output->backup.Forget();
    if (replaced.size() == 1) break;
    if (unbackable != nullptr) {
      return Failure(output->name, "the old file cannot be kept to put back should another output fail (" +
                                       linked.Error() + "); nothing was replaced");
    }
    unbackable = output;
  }
  if (unbackable != nullptr) {
    std::stable_partition(replaced.begin(), replaced.end(), [&](const Output* o) { return o != unbackable; });
  }
  for (std::size_t i = 0; i < replaced.size(); ++i) {
    Output& output = *replaced[i];
    const int dir = output.folder.Get();
    if (renameat(dir, output.temporary.name.c_str(), dir, output.target.c_str()) != 0) {
      Status failed = Failure(output.name, SystemReason(errno));
      for (std::size_t j = 0; j < i; ++j) {
        Output& back = *replaced[j];
        const int backDir = back.folder.Get();
        if (!back.backup.Empty()) {
          if (renameat(backDir, back.backup.name.c_str(), backDir, back.target.c_str()) != 0) {
            // The old content lives on only under the backup name: it stays, and is told.
            failed.error += "; the old " + back.name + " is kept as " + back.backup.name;
          }
          back.backup.Forget();
        } else if (!back.old) {
          unlinkat(backDir, back.target.c_str(), 0);
        }
      }
      return failed;
    }
    output.temporary.Forget();
  }
  for (Output* output : replaced) output->backup.Remove(output->folder.Get());
  // The renames reach the disk too; a file system that cannot flush a folder is no failure.
  for (Output* output : replaced) fsync(output->folder.Get());
  return Status::Success();
}

}  // namespace glyphon::platform
