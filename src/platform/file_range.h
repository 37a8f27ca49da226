// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/result.h"
#include "core/types.h"

struct stat;

namespace glyphon::platform {

// A stretch of a file: `length` bytes from byte `offset`.
struct ByteRange {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

// An offset as this program prints it: "0x" and upper-case hex digits, "0x1F3A0".
std::string HexOffset(std::uint64_t offset);

// A count with its unit, as messages give it: "1 byte", "48 bytes", "3 tiles".
std::string CountOf(std::uint64_t count, std::string_view unit);

// The range of a file of `size` bytes that starts at `offset` and holds `length` bytes, or
// runs to the end of the file when no length is given. An offset at or past the end (of a
// range that is not empty) and a range that runs past the end are refused with the size.
Result<ByteRange> ResolveRange(std::uint64_t size, std::uint64_t offset, std::optional<std::uint64_t> length);

// Identifies one state of a file: a replaced, grown, shrunk or rewritten file has another.
// The status change time is in it too, since a writer may set the modification time back
// but nobody can set that one.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of a file from what stat() told of it.
FileStamp StampFrom(const struct stat& info);

// A regular file open for reading at any offset (pread): only the bytes asked for are
// read, so a small range of a huge file costs no more memory than the range.
class RangeFile {
 public:
  // Opens a regular file; a missing file, a folder or another kind of node is refused.
  static Result<RangeFile> Open(const std::filesystem::path& path);

  RangeFile(RangeFile&& other) noexcept;
  RangeFile& operator=(RangeFile&& other) noexcept;
  RangeFile(const RangeFile&) = delete;
  RangeFile& operator=(const RangeFile&) = delete;
  ~RangeFile();

  // The size and stamp as they were when the file was opened.
  std::uint64_t Size() const noexcept { return m_stamp.size; }
  const FileStamp& Stamp() const noexcept { return m_stamp; }
  // The stamp of the open file now.
  Result<FileStamp> StampNow() const;

  // Fills `into` with the bytes from `offset`; a file that ends early is a failure.
  Status ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const;
  Result<ByteString> Read(ByteRange range) const;

 private:
  explicit RangeFile(int descriptor) : m_descriptor(descriptor) {}
  int m_descriptor = -1;
  FileStamp m_stamp;
};

// The stamp of the file at `path` (following links), or why there is none.
Result<FileStamp> StampOf(const std::filesystem::path& path);

// Reads `length` bytes (all to the end when none) from `offset` of a file, refusing a range
// beyond the file with its size, and one longer than `limit` bytes.
Result<ByteString> ReadFileRange(const std::filesystem::path& path, std::uint64_t offset,
                                 std::optional<std::uint64_t> length, std::uint64_t limit);

}  // namespace glyphon::platform
