// SPDX-License-Identifier: MIT
#include "platform/file_range.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/file_io.h"

namespace glyphon::platform {

namespace {

// Why a node that is not a regular file can't be read as one; empty for a regular file.
std::string NotARegularFile(const struct stat& info) {
  if (S_ISREG(info.st_mode)) return {};
  if (S_ISDIR(info.st_mode)) return "it is a folder, not a file";
  return "it is not a regular file";
}

}  // namespace

FileStamp StampFrom(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
          static_cast<std::uint64_t>(info.st_size),
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
          static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec};
}

std::string CountOf(std::uint64_t count, std::string_view unit) {
  return std::to_string(count) + " " + std::string(unit) + (count == 1 ? "" : "s");
}

std::string HexOffset(std::uint64_t offset) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(offset));
  return text;
}

Result<ByteRange> ResolveRange(std::uint64_t size, std::uint64_t offset,
                               std::optional<std::uint64_t> length) {
  const std::string file = "the file (" + CountOf(size, "byte") + ")";
  if (offset > size || (offset == size && length.value_or(1) != 0))
    return Result<ByteRange>::Failure("offset " + HexOffset(offset) + " is at or past the end of " + file);
  const std::uint64_t available = size - offset;
  if (length && *length > available) {
    return Result<ByteRange>::Failure(CountOf(*length, "byte") + " from offset " + HexOffset(offset) +
                                      " run past the end of " + file);
  }
  return ByteRange{offset, length.value_or(available)};
}

Result<FileStamp> StampOf(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return Result<FileStamp>::Failure(SystemReason(errno));
  if (std::string why = NotARegularFile(info); !why.empty()) return Result<FileStamp>::Failure(why);
  return StampFrom(info);
}

Result<RangeFile> RangeFile::Open(const std::filesystem::path& path) {
  // Non-blocking, so that a FIFO is refused at once instead of waiting for a writer; the
  // flag does nothing to reads of a regular file.
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) return Result<RangeFile>::Failure(SystemReason(errno));
  RangeFile file(descriptor);
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) return Result<RangeFile>::Failure(SystemReason(errno));
  if (std::string why = NotARegularFile(info); !why.empty()) return Result<RangeFile>::Failure(why);
  file.m_stamp = StampFrom(info);
  return file;
}

RangeFile::RangeFile(RangeFile&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)), m_stamp(other.m_stamp) {}

RangeFile& RangeFile::operator=(RangeFile&& other) noexcept {
  if (this != &other) {
    if (m_descriptor >= 0) ::close(m_descriptor);
    m_descriptor = std::exchange(other.m_descriptor, -1);
    m_stamp = other.m_stamp;
  }
  return *this;
}

RangeFile::~RangeFile() {
  if (m_descriptor >= 0) ::close(m_descriptor);
}

Result<FileStamp> RangeFile::StampNow() const {
  struct stat info {};
  if (::fstat(m_descriptor, &info) != 0) return Result<FileStamp>::Failure(SystemReason(errno));
  return StampFrom(info);
}

Status RangeFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
  std::size_t done = 0;
  while (done < into.size()) {
    const ssize_t got =
        ::pread(m_descriptor, into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Status::Failure("read failed: " + SystemReason(errno));
    if (got == 0)
      return Status::Failure("the file ends at " + HexOffset(offset + done) + ", sooner than expected");
    done += static_cast<std::size_t>(got);
  }
  return Status::Success();
}

Result<ByteString> RangeFile::Read(ByteRange range) const {
  ByteString bytes(static_cast<std::size_t>(range.length));
  if (Status read = ReadAt(range.offset, bytes); !read) return Result<ByteString>::Failure(read.error);
  return bytes;
}

Result<ByteString> ReadFileRange(const std::filesystem::path& path, std::uint64_t offset,
                                 std::optional<std::uint64_t> length, std::uint64_t limit) {
  auto file = RangeFile::Open(path);
  if (!file) return Result<ByteString>::Failure(file.Error());
  auto range = ResolveRange(file.Value().Size(), offset, length);
  if (!range) return Result<ByteString>::Failure(range.Error());
  if (range.Value().length > limit) {
    return Result<ByteString>::Failure("the range holds " + CountOf(range.Value().length, "byte") +
                                       ", more than " + CountOf(limit, "byte") + " can be read at once");
  }
  return file.Value().Read(range.Value());
}

}  // namespace glyphon::platform
