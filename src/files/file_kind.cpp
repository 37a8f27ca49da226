#include "files/file_kind.h"

#include <cstddef>

namespace glyphon::files {

namespace {

bool IsContinuationByte(char ch) noexcept {
  return (static_cast<unsigned char>(ch) & 0xC0) == 0x80;
}

// The byte offset at which the last `count` characters (code points) of `text` begin; 0
// when it has no more than `count`.
std::size_t StartOfLast(std::string_view text, std::size_t count) noexcept {
  std::size_t offset = text.size();
  while (count > 0 && offset > 0) {
    --offset;
    if (!IsContinuationByte(text[offset])) --count;
  }
  return count > 0 ? 0 : offset;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return out;
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
  return description.find("FX") != std::string_view::npos ||
         description.find("interleaved") != std::string_view::npos ||
         description.find("alpha") != std::string_view::npos;
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
    const std::string_view full = fields[2 * i];
    FilterEntry& entry = table[i];
    // "ROM FX high data files (*.dat)": the text before " files (*.dat)", and the
    // extension inside the brackets.
    entry.description = std::string(full.substr(0, StartOfLast(full, 14)));
    if (full.starts_with("All files")) continue;
    const std::size_t from = StartOfLast(full, 4);
    entry.kind = UpperAscii(full.substr(from, StartOfLast(full, 1) - from));
    if (IsPartnerDescription(entry.description)) entry.kind += '2';
  }
  return table;
}

std::string NameKind(std::string_view fileName) {
  const std::size_t dot = fileName.find('.', StartOfLast(fileName, 6));
  return UpperAscii(dot == std::string_view::npos ? fileName : fileName.substr(dot + 1));
}

std::string CandidateKind(std::string_view fileName, std::span<const FilterEntry> table, int filterIndex) {
  std::string kind = NameKind(fileName);
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
