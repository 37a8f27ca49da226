// SPDX-License-Identifier: MIT
#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "core/fresh_memory.h"
#include "platform/output_batch.h"

namespace glyphon::platform {

namespace {

// Reads until the end or until one byte past the limit, whichever comes first, straight
// into the buffer the bytes are returned in. A regular file of known size gets one buffer of
// that size, advised for huge pages before it is touched, since a ROM of tens of megabytes
// otherwise costs a page fault every 4 KiB. A stream of unknown length grows its buffer
// geometrically, but only once more bytes have actually arrived: a full buffer is probed
// with a small read first, so a stream that ends exactly at the buffer's size (a power of
// two, the usual case) is never copied into a buffer twice its size, and the capacity
// beyond what was read is reserved, not filled. At its peak a stream costs the bytes read
// plus the half of them being moved, never twice the limit.
Result<ByteString> ReadUpTo(int descriptor, const ReadLimit& limit, std::uint64_t expected) {
  const std::uint64_t most = limit.bytes + 1;          // one byte more tells a file beyond the limit
  constexpr std::size_t kStep = std::size_t{1} << 20;  // filled ahead of each read of a stream
  ByteString bytes;
  if (expected > 0) {
    AssignFresh(bytes, static_cast<std::size_t>(std::min(expected + 1, most)), std::uint8_t{0});
  } else {
    bytes.reserve(65536);
  }
  std::size_t filled = 0;
  std::uint8_t probe[4096];
  auto readSome = [&](std::uint8_t* into, std::size_t room) -> ssize_t {
    for (;;) {
      const ssize_t got = read(descriptor, into, room);
      if (got >= 0 || errno != EINTR) return got;
    }
  };
  while (filled < most) {
    if (filled == bytes.capacity()) {
      // Full: grow only when the stream holds more.
      const ssize_t got = readSome(probe, std::min<std::uint64_t>(sizeof probe, most - filled));
      if (got < 0) return Result<ByteString>::Failure("read failed: " + SystemReason(errno));
      if (got == 0) break;
      bytes.resize(filled);
      bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(2 * filled, most)));
      bytes.insert(bytes.end(), probe, probe + got);
      filled += static_cast<std::size_t>(got);
      continue;
    }
    if (filled == bytes.size()) bytes.resize(std::min(bytes.capacity(), filled + kStep));
    const ssize_t got = readSome(bytes.data() + filled, bytes.size() - filled);
    if (got < 0) return Result<ByteString>::Failure("read failed: " + SystemReason(errno));
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  if (filled >= most) return Result<ByteString>::Failure(std::string(limit.tooLarge));
  bytes.resize(filled);
  return bytes;
}

std::filesystem::path Normalised(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  if (!error) return resolved;
  return std::filesystem::absolute(path, error).lexically_normal();
}

}  // namespace

std::string SystemReason(int error) {
  return std::generic_category().message(error);
}

Result<ByteString> ReadDescriptorBytes(int descriptor, const ReadLimit& limit) {
  struct stat info {};
  if (fstat(descriptor, &info) != 0) return Result<ByteString>::Failure(SystemReason(errno));
  if (S_ISDIR(info.st_mode)) return Result<ByteString>::Failure("it is a folder, not a file");
  const bool sized = S_ISREG(info.st_mode);
  if (sized && static_cast<std::uint64_t>(info.st_size) > limit.bytes) {
    return Result<ByteString>::Failure(std::string(limit.tooLarge));
  }
  return ReadUpTo(descriptor, limit, sized ? static_cast<std::uint64_t>(info.st_size) : 0);
}

Result<ByteString> ReadFileBytes(const std::filesystem::path& path, const ReadLimit& limit) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (descriptor < 0) return Result<ByteString>::Failure(SystemReason(errno));
  Result<ByteString> bytes = ReadDescriptorBytes(descriptor, limit);
  close(descriptor);
  return bytes;
}

Status WriteFileAtomic(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  OutputBatch batch;
  if (Status staged = batch.Stage(path, bytes); !staged) return staged;
  return batch.Commit();
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  struct stat first {
  }, second{};
  if (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0) {
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  }
  return Normalised(a) == Normalised(b);
}

}  // namespace glyphon::platform
