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
  if (kind == "BMP") return FileKind::Bitmap;
  if (kind == "BMP2") return FileKind::PartnerBitmap;
  if (kind == "DAT") return FileKind::Data;
  if (kind == "DAT2") return FileKind::PartnerData;
  return std::nullopt;
}

bool IsPartnerDescription(std::string_view description) noexcept {
  const auto names = formats::Formats();
  return std::any_of(names.begin(), names.end(), [description](const formats::FormatInfo& format) {
    return format.HasPartner() && description.find(format.partnerFilter) != std::string_view::npos;
  });
}

std::vector<FilterEntry> FilterTable(std::string_view filters) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t bar = filters.find('|', start);
    fields.push_back(
        filters.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  std::vector<FilterEntry> table(fields.size() / 2);
  for (std::size_t i = 0; i < table.size(); ++i) {
    // "ROM FX high data files (*.dat)" and "*.dat": the text before " files (", and the
    // extension of the first pattern.
    const std::string_view full = fields[2 * i];
    const std::string_view patterns = fields[2 * i + 1];
    FilterEntry& entry = table[i];
    entry.description = std::string(full.substr(0, full.find(" files (")));
    const std::string_view first = patterns.substr(0, patterns.find(';'));
    const std::string_view extension = Extension(first);
    if (extension.empty() || extension == "*") continue;
    entry.extension = std::string(extension);
    entry.kind = UpperAscii(extension);
    if (IsPartnerDescription(entry.description)) entry.kind += '2';
  }
  return table;
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

std::string CandidateKind(std::string_view fileName, std::span<const FilterEntry> table, int filterIndex,
                          Direction direction) {
  std::string kind = NameKind(fileName, direction);
  if (filterIndex < 1 || static_cast<std::size_t>(filterIndex) > table.size()) return kind;
  if (IsPartnerDescription(table[static_cast<std::size_t>(filterIndex) - 1].description)) kind += '2';
  return kind;
}

bool NeedsQuestion(std::string_view candidate) noexcept {
  return !candidate.starts_with("BMP") && !candidate.starts_with("DAT");
}

std::string LoadAsQuestion(std::string_view description) {
  return "Do you wish to load as " + std::string(description) + "?";
}

}  // namespace glyphon::files
