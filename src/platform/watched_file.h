// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "core/result.h"
#include "platform/file_range.h"

namespace glyphon::platform {

// A regular file held open for reading at any offset and checked for change when asked:
// only the bytes asked for are read, so a huge file costs only what is looked at. The bytes
// are copied out with pread rather than touched through a mapping, so another program
// truncating the file under a reader makes a read come up short instead of raising SIGBUS.
class WatchedFile {
 public:
  // Opens a regular file; a missing file, a folder, another kind of node and an empty file
  // are refused with a reason (the caller names the file).
  static Result<WatchedFile> Open(const std::filesystem::path& path);

  WatchedFile(WatchedFile&& other) noexcept;
  WatchedFile& operator=(WatchedFile&& other) noexcept;
  WatchedFile(const WatchedFile&) = delete;
  WatchedFile& operator=(const WatchedFile&) = delete;
  ~WatchedFile();

  // The size and stamp as the last Open() or Refresh() found them.
  std::uint64_t Size() const noexcept { return m_stamp.size; }
  const FileStamp& Stamp() const noexcept { return m_stamp; }
  const std::filesystem::path& Path() const noexcept { return m_path; }

  // Fills the start of `into` with the bytes from `offset` and returns how many there were:
  // fewer than asked when the file ends sooner, which for a range inside Size() means the
  // file shrank since it was last looked at.
  Result<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const;

  // What Refresh() found.
  enum class Change { None, Updated, Vanished };
  // Brings Size() and Stamp() up to date with the file: the open file grown, shrunk or
  // rewritten in place answers Updated; a file replaced under its name (a rename over it)
  // is opened anew by name and answers Updated. A file that vanished stays open (the
  // unlinked file lives on while open) and answers Vanished. An open file shrunk to
  // nothing is a failure.
  Result<Change> Refresh();

 private:
  WatchedFile() = default;

  std::filesystem::path m_path;
  int m_descriptor = -1;
  FileStamp m_stamp;
};

}  // namespace glyphon::platform
