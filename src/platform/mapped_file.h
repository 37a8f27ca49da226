#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/file_range.h"
#include "platform/result.h"

namespace glyphon::platform {

// A regular file mapped read-only into memory: pages are read as they are touched, so a
// huge file costs only the pages looked at. Touching a page past the end of a file that
// was truncated under the mapping raises SIGBUS, so whoever reads Bytes() calls Refresh()
// first: it compares the open file's size with the mapping's and maps the file anew when
// they differ.
class MappedFile {
 public:
  // Maps a regular file; a missing file, a folder, another kind of node and an empty file
  // are refused with a reason (the caller names the file).
  static Result<MappedFile> Open(const std::filesystem::path& path);

  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  std::span<const std::uint8_t> Bytes() const noexcept { return {m_data, m_stamp.size}; }
  std::uint64_t Size() const noexcept { return m_stamp.size; }
  const FileStamp& Stamp() const noexcept { return m_stamp; }
  const std::filesystem::path& Path() const noexcept { return m_path; }

  // What Refresh() found.
  enum class Change { None, Remapped, Vanished };
  // Brings the mapping up to date with the file: the open file grown, shrunk or rewritten
  // in place is mapped anew; a file replaced under its name (a rename over it) is opened
  // anew by name. A file that vanished keeps the last mapping (still readable, as the
  // unlinked file lives on while mapped) and answers Vanished. An open file shrunk to
  // nothing is a failure and the mapping is dropped.
  Result<Change> Refresh();

 private:
  MappedFile() = default;
  Status Map(int descriptor);
  void Unmap() noexcept;

  std::filesystem::path m_path;
  int m_descriptor = -1;
  const std::uint8_t* m_data = nullptr;
  FileStamp m_stamp;
};

}  // namespace glyphon::platform
