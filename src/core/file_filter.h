// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace glyphon::platform {

// The four things the main window loads and saves: the picture and the ROM data, each for
// the main data or for a format's partner data.
enum class FileKind { Picture, PartnerPicture, Data, PartnerData };

inline bool IsPartnerKind(FileKind kind) noexcept {
  return kind == FileKind::PartnerPicture || kind == FileKind::PartnerData;
}

// One entry of a file dialog's list: what it is called ("ROM FX high data"), the
// extensions it shows (none: every file) and the kind of file it stands for (none for an
// entry that stands for no kind, such as every file).
struct FileFilter {
  std::string description;
  std::vector<std::string_view> extensions;
  std::optional<FileKind> kind;
  friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

}  // namespace glyphon::platform
