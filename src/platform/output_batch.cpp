#include "platform/output_batch.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <system_error>
#include <utility>

#include "platform/file_io.h"
#include "platform/pending_files.h"
#include "platform/types.h"

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

// ".glyphon-" and eight random letters or digits: short enough beside any file name.
std::string RandomName() {
  static std::mt19937_64 random{std::random_device{}()};
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string name = ".glyphon-";
  for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name;
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

// Follows symlinks to the file they lead to, which need not exist yet.
Result<std::filesystem::path> ThroughLinks(std::filesystem::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
      if (errno == ENOENT) return path;
      return Result<std::filesystem::path>::Failure(SystemReason(errno));
    }
    if (!S_ISLNK(info.st_mode)) return path;
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(path, error);
    if (error) return Result<std::filesystem::path>::Failure(error.message());
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return Result<std::filesystem::path>::Failure(SystemReason(ELOOP));
}

// Decided by the mode bits, so that root, whom access() lets write anything, is refused a
// file nobody may write as well.
bool IsReadOnly(const std::filesystem::path& path, const struct stat& info) {
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return geteuid() != 0 && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

// The temporary's content, then the old file's owner, group and mode, then the disk.
Status FillTemporary(int descriptor, std::span<const std::uint8_t> bytes,
                     const std::optional<struct stat>& old) {
  if (Status written = WriteAll(descriptor, bytes); !written) return written;
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

}  // namespace

struct OutputBatch::Output {
  enum class Kind { Replace, Direct, Stream };
  Kind kind = Kind::Replace;
  std::string name;                // as the caller gave it, for messages
  std::filesystem::path target;    // Replace: the name in `folder`; Direct: the path
  Descriptor folder;               // Replace: the target's folder
  Descriptor file;                 // the anonymous temporary, open until the commit
  PendingName temporary;           // the temporary's name in `folder`, once it has one
  PendingName backup;              // a second link to the old file during the renames
  std::optional<struct stat> old;  // the file being replaced
  std::ostream* stream = nullptr;  // Stream
  ByteString bytes;                // Direct and Stream: written at the commit

  ~Output() {
    temporary.Remove(folder.Get());
    backup.Remove(folder.Get());
  }
  Status WriteDirectly();
  Status NameTemporary();
  void LinkBackup();
};

Status OutputBatch::Output::WriteDirectly() {
  if (kind == Kind::Stream) {
    stream->write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    stream->flush();
    return *stream ? Status::Success() : Failure(name, "write failed");
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

// Where hard links work, the old file keeps a second name until every rename is done, so
// that a failed rename can put it back.
void OutputBatch::Output::LinkBackup() {
  if (!old) return;
  const int dir = folder.Get();
  const std::string from = target.string();
  auto linked = UnderFreshName(dir, backup,
                               [&](const char* fresh) { return linkat(dir, from.c_str(), dir, fresh, 0); });
  if (!linked) backup.Forget();
}

OutputBatch::OutputBatch(Temporaries temporaries) : m_temporaries(temporaries) {}
OutputBatch::~OutputBatch() = default;

Status OutputBatch::Stage(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  auto output = std::make_unique<Output>();
  output->name = path.string();
  auto target = ThroughLinks(path);
  if (!target) return Failure(output->name, target.Error());
  struct stat info {};
  const bool exists = stat(target.Value().c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) return Failure(output->name, "it is a folder, not a file");
  if (exists && !S_ISREG(info.st_mode)) {
    output->kind = Output::Kind::Direct;
    output->target = target.Value();
    output->bytes.assign(bytes.begin(), bytes.end());
  } else {
    if (exists && IsReadOnly(target.Value(), info)) return Status::Failure(output->name + " is read-only");
    if (exists) output->old = info;
    if (Status made = MakeTemporary(*output, target.Value(), bytes); !made) return made;
  }
  m_outputs.push_back(std::move(output));
  return Status::Success();
}

Status OutputBatch::StageStream(std::ostream& stream, std::string name, std::span<const std::uint8_t> bytes) {
  auto output = std::make_unique<Output>();
  output->kind = Output::Kind::Stream;
  output->name = std::move(name);
  output->stream = &stream;
  output->bytes.assign(bytes.begin(), bytes.end());
  m_outputs.push_back(std::move(output));
  return Status::Success();
}

Status OutputBatch::MakeTemporary(Output& output, const std::filesystem::path& target,
                                  std::span<const std::uint8_t> bytes) {
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  output.folder = Descriptor(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!output.folder.Valid()) return Failure(output.name, SystemReason(errno));
  output.target = target.filename();
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
  if (Status filled = FillTemporary(output.file.Get(), bytes, output.old); !filled) {
    return Failure(output.name, filled.error);
  }
  if (!output.temporary.Empty()) {
    if (Status closed = output.file.Close(); !closed) return Failure(output.name, closed.error);
  }
  return Status::Success();
}

Status OutputBatch::Commit() {
  for (auto& output : m_outputs) {
    if (output->kind == Output::Kind::Replace) continue;
    if (Status written = output->WriteDirectly(); !written) return written;
  }
  Status renamed;
  {
    const HeldSignals held;
    renamed = RenameAll();
  }
  m_outputs.clear();
  return renamed;
}

// Names every temporary, keeps the old files by a second link, then renames; a failed
// rename puts back what the earlier ones replaced.
Status OutputBatch::RenameAll() {
  std::vector<Output*> replaced;
  for (auto& output : m_outputs) {
    if (output->kind != Output::Kind::Replace) continue;
    if (Status named = output->NameTemporary(); !named) return named;
    output->LinkBackup();
    replaced.push_back(output.get());
  }
  for (std::size_t i = 0; i < replaced.size(); ++i) {
    Output& output = *replaced[i];
    const int dir = output.folder.Get();
    if (renameat(dir, output.temporary.name.c_str(), dir, output.target.c_str()) != 0) {
      const Status failed = Failure(output.name, SystemReason(errno));
      for (std::size_t j = 0; j < i; ++j) {
        Output& back = *replaced[j];
        const int backDir = back.folder.Get();
        if (!back.backup.Empty()) {
          renameat(backDir, back.backup.name.c_str(), backDir, back.target.c_str());
          back.backup.Forget();
        } else if (!back.old) {
          unlinkat(backDir, back.target.c_str(), 0);
        }
      }
      return failed;
    }
    output.temporary.Forget();
  }
  for (Output* output : replaced) {
    output->backup.Remove(output->folder.Get());
    // The renames reach the disk too; a file system that cannot flush a folder is no failure.
    fsync(output->folder.Get());
  }
  return Status::Success();
}

}  // namespace glyphon::platform
