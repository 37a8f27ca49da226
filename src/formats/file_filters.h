#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/format_table.h"

namespace glyphon::formats {

// The four things the window loads and saves: the picture and the ROM data, each for the
// main data or for a format's partner data.
enum class FileKind { Picture, PartnerPicture, Data, PartnerData };

inline bool IsPartnerKind(FileKind kind) noexcept {
  return kind == FileKind::PartnerPicture || kind == FileKind::PartnerData;
}

// One entry of a file dialog's list: what it is called ("ROM FX high data"), the
// extensions it shows (none: every file) and the kind of file it stands for (none for the
// every-file entry).
struct FileFilter {
  std::string description;
  std::vector<std::string_view> extensions;
  std::optional<FileKind> kind;
  friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// The open dialog's entries for a format: pictures of every kind the reader decodes, ROM
// data, the partner's two where the format has one, and every file.
std::vector<FileFilter> LoadFilters(const FormatInfo& format);
// The save dialog's entries after a conversion in a format.
std::vector<FileFilter> SaveFilters(const FormatInfo& format);
// The save dialog's entries while no conversion matches the picture: pictures only.
std::vector<FileFilter> PictureSaveFilters();

// The text a file dialog shows: "Bitmap files (*.bmp;*.png)|*.bmp;*.png|...", pairs of
// the shown name and its patterns, all separated by '|'.
std::string FilterText(std::span<const FileFilter> filters);

}  // namespace glyphon::formats
