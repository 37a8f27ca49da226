// SPDX-License-Identifier: MIT
#include "platform/watched_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/file_io.h"

namespace glyphon::platform {

namespace {

constexpr std::string_view kEmpty = "the file is empty";

Result<FileStamp> StampOfOpen(int descriptor) {
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) return Result<FileStamp>::Failure(SystemReason(errno));
  if (S_ISDIR(info.st_mode)) return Result<FileStamp>::Failure("it is a folder, not a file");
  if (!S_ISREG(info.st_mode)) return Result<FileStamp>::Failure("it is not a regular file");
  if (info.st_size == 0) return Result<FileStamp>::Failure(std::string(kEmpty));
  return StampFrom(info);
}

}  // namespace

Result<WatchedFile> WatchedFile::Open(const std::filesystem::path& path) {
  // Non-blocking, so that a FIFO is refused at once instead of waiting for a writer.
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) return Result<WatchedFile>::Failure(SystemReason(errno));
  WatchedFile file;
  file.m_path = path;
  file.m_descriptor = descriptor;
  Result<FileStamp> stamp = StampOfOpen(descriptor);
  if (!stamp) return Result<WatchedFile>::Failure(stamp.Error());
  file.m_stamp = stamp.Value();
  return file;
}

WatchedFile::WatchedFile(WatchedFile&& other) noexcept
    : m_path(std::move(other.m_path)),
      m_descriptor(std::exchange(other.m_descriptor, -1)),
      m_stamp(std::exchange(other.m_stamp, {})) {}

WatchedFile& WatchedFile::operator=(WatchedFile&& other) noexcept {
  if (this != &other) {
    if (m_descriptor >= 0) ::close(m_descriptor);
    m_path = std::move(other.m_path);
    m_descriptor = std::exchange(other.m_descriptor, -1);
    m_stamp = std::exchange(other.m_stamp, {});
  }
  return *this;
}

WatchedFile::~WatchedFile() {
  if (m_descriptor >= 0) ::close(m_descriptor);
}

Result<std::size_t> WatchedFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
  std::size_t done = 0;
  while (done < into.size()) {
    const ssize_t got =
        ::pread(m_descriptor, into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Result<std::size_t>::Failure("read failed: " + SystemReason(errno));
    if (got == 0) break;  // the end of the file as it is now
    done += static_cast<std::size_t>(got);
  }
  return done;
}

Result<WatchedFile::Change> WatchedFile::Refresh() {
  // A new file under the name (an atomic rewrite renames one over it) is opened by name.
  Result<FileStamp> named = StampOf(m_path);
  if (!named) return Change::Vanished;
  if (named.Value().device != m_stamp.device || named.Value().inode != m_stamp.inode) {
    Result<WatchedFile> reopened = Open(m_path);
    if (!reopened) return Result<Change>::Failure(reopened.Error());
    *this = std::move(reopened).Value();
    return Change::Updated;
  }
  Result<FileStamp> now = StampOfOpen(m_descriptor);
  if (!now) return Result<Change>::Failure(now.Error());
  if (now.Value() == m_stamp) return Change::None;
  m_stamp = now.Value();
  return Change::Updated;
}

}  // namespace glyphon::platform
