#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "platform/fresh_memory.h"
#include "platform/output_batch.h"

namespace glyphon::platform {

namespace {

// Reads until the end or until one byte past the limit, whichever comes first. The bytes
// are read straight into the buffer they are returned in: for a regular file of known
// size that is one buffer of the right size, advised for huge pages before it is touched,
// since a ROM of tens of megabytes otherwise costs a page fault every 4 KiB and a second
// copy. Streams of unknown length grow it as they go.
Result<ByteString> ReadUpTo(int descriptor, const ReadLimit& limit, std::uint64_t expected) {
  const std::uint64_t most = limit.bytes + 1;  // one byte more tells a file beyond the limit
  ByteString bytes;
  AssignFresh(bytes, static_cast<std::size_t>(std::min(std::max<std::uint64_t>(expected + 1, 65536), most)),
              std::uint8_t{0});
  std::size_t filled = 0;
  while (filled < most) {
    if (filled == bytes.size()) bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(2 * filled, most)));
    const ssize_t got = read(descriptor, bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Result<ByteString>::Failure("read failed: " + SystemReason(errno));
    if (got == 0) {
      bytes.resize(filled);
      return bytes;
    }
    filled += static_cast<std::size_t>(got);
  }
  return Result<ByteString>::Failure(std::string(limit.tooLarge));
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
