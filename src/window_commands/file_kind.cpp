// SPDX-License-Identifier: MIT
#include "window_commands/file_kind.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "formats/format_table.h"

namespace glyphon::window_commands {

namespace {

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return out;
}

bool IsPictureExtension(std::string_view extension, Direction direction) {
  const std::span<const std::string_view> list =
      direction == Direction::Load ? std::span<const std::string_view>(formats::kLoadablePictureExtensions)
                                   : std::span<const std::string_view>(formats::kSavablePictureExtensions);
  return std::find(list.begin(), list.end(), extension) != list.end();
}

}  // namespace

std::string_view Extension(std::string_view fileName) noexcept {
  const std::size_t slash = fileName.find_last_of("/\\");
  const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  const std::size_t dot = base.find_last_of('.');
  return dot == std::string_view::npos ? std::string_view() : base.substr(dot + 1);
}

std::optional<FileKind> KindOf(std::string_view fileName, const FileFilter& chosen, Direction direction) {
  const std::string extension = LowerAscii(Extension(fileName));
  std::optional<FileKind> kind;
  if (IsPictureExtension(extension, direction)) kind = FileKind::Picture;
  if (extension == "dat") kind = FileKind::Data;
  if (extension == "bmp2") kind = FileKind::PartnerPicture;
  if (extension == "dat2") kind = FileKind::PartnerData;
  if (!kind || !chosen.kind || !formats::IsPartnerKind(*chosen.kind)) return kind;
  // A partner entry: the main kinds become the partner's; the partner's own are no kind.
  if (*kind == FileKind::Picture) return FileKind::PartnerPicture;
  if (*kind == FileKind::Data) return FileKind::PartnerData;
  return std::nullopt;
}

bool NeedsQuestion(std::string_view fileName, Direction direction) {
  const std::string extension = LowerAscii(Extension(fileName));
  return !IsPictureExtension(extension, direction) && !extension.starts_with("bmp") &&
         !extension.starts_with("dat");
}

std::string LoadAsQuestion(std::string_view description) {
  return "Do you wish to load as " + std::string(description) + "?";
}

}  // namespace glyphon::window_commands
