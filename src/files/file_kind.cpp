#include "files/file_kind.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "formats/format_table.h"

namespace glyphon::files {

namespace {

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return out;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return out;
}

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& list, std::string_view item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

std::optional<FileKind> ParseKind(std::string_view kind) noexcept {
  if (kind == "BMP") return FileKind::Picture;
  if (kind == "BMP2") return FileKind::PartnerPicture;
  if (kind == "DAT") return FileKind::Data;
  if (kind == "DAT2") return FileKind::PartnerData;
  return std::nullopt;
}

std::string_view Extension(std::string_view fileName) noexcept {
  const std::size_t slash = fileName.find_last_of("/\\");
  const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  const std::size_t dot = base.find_last_of('.');
  return dot == std::string_view::npos ? std::string_view() : base.substr(dot + 1);
}

std::string NameKind(std::string_view fileName, Direction direction) {
  const std::string extension = LowerAscii(Extension(fileName));
  const bool picture = direction == Direction::Load ? Contains(formats::kLoadablePictureExtensions, extension)
                                                    : Contains(formats::kSavablePictureExtensions, extension);
  return picture ? std::string("BMP") : UpperAscii(extension);
}

std::string CandidateKind(std::string_view fileName, std::span<const FileFilter> filters, int filterIndex,
                          Direction direction) {
  std::string kind = NameKind(fileName, direction);
  if (filterIndex < 1 || static_cast<std::size_t>(filterIndex) > filters.size()) return kind;
  const std::optional<FileKind> chosen = filters[static_cast<std::size_t>(filterIndex) - 1].kind;
  if (chosen && formats::IsPartnerKind(*chosen)) kind += '2';
  return kind;
}

bool NeedsQuestion(std::string_view candidate) noexcept {
  return !candidate.starts_with("BMP") && !candidate.starts_with("DAT");
}

std::string LoadAsQuestion(std::string_view description) {
  return "Do you wish to load as " + std::string(description) + "?";
}

}  // namespace glyphon::files
