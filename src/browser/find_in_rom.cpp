// SPDX-License-Identifier: MIT
#include "browser/find_in_rom.h"

#include "browser/rom_browser.h"
#include "formats/decoding.h"
#include "platform/file_range.h"
#include "rom/locate.h"
#include "workspace/main_window.h"

namespace glyphon::browser {

Result<ByteString> SelectionBytes(const formats::FormatInfo& format, const platform::Surface& picture,
                                  const convert::Selection& selection, const tiles::TileOrder& order) {
  platform::NullProgress quiet;
  convert::PartnerState partner;
  Result<ByteString> bytes = formats::Encode(format, picture, selection, partner, quiet);
  if (!bytes || bytes.Value().empty()) return bytes;
  // Objects of several blocks are stored each whole, so their bytes are looked for so.
  const int side = format.blockSide;
  const bool whole = selection.width % (order.objectWidth * side) == 0 &&
                     selection.height % (order.objectHeight * side) == 0;
  if (!order.Plain() && format.StoresWholeBlocks() && whole) {
    const int across = selection.width / side, down = selection.height / side;
    tiles::PutInStoredOrder(bytes.Value(), across, down, order,
                            bytes.Value().size() / static_cast<std::size_t>(across * down));
  }
  return bytes;
}

Result<std::vector<std::uint64_t>> FindAll(const std::filesystem::path& path, const ByteString& pattern) {
  using Found = Result<std::vector<std::uint64_t>>;
  Result<platform::RangeFile> file = platform::RangeFile::Open(path);
  if (!file) return Found::Failure(file.Error());
  std::vector<std::uint64_t> offsets;
  if (pattern.empty()) return offsets;
  const rom::PatternSearch search({pattern});
  const Status searched =
      rom::FindInFile(file.Value(), search, [&](std::span<const std::size_t>, std::uint64_t at) {
        offsets.push_back(at);
        return offsets.size() < kMaxMatches;
      });
  if (!searched) return Found::Failure(searched.error);
  return offsets;
}

MatchStep NextMatch(std::size_t current, std::size_t count, bool forward) {
  if (count == 0) return {};
  if (forward) return current + 1 < count ? MatchStep{current + 1, false} : MatchStep{0, true};
  return current > 0 ? MatchStep{current - 1, false} : MatchStep{count - 1, true};
}

// ---- The browser's side ----

bool RomBrowser::FindInRom(const workspace::MainWindow& window) {
  m_matches.clear();
  if (!m_file) {
    m_findLine = "No ROM is open in the browser.";
    return false;
  }
  const platform::Surface& picture = window.EncoderInput();
  const convert::Selection selection = window.CurrentSelection();
  if (picture.IsEmpty() || selection.width <= 0 || selection.height <= 0) {
    m_findLine = "The main window has no selection to find.";
    return false;
  }
  CheckFile();
  if (!m_file) {
    m_findLine = m_notice;
    return false;
  }
  // The view takes the selection's format first: the tile order is the browser's where that
  // format takes one.
  SetFormat(window.FormatIndex());
  Result<ByteString> pattern = SelectionBytes(window.Format(), picture, selection, m_order);
  if (!pattern || pattern.Value().empty()) {
    m_findLine =
        "The selection encodes to no bytes" + (pattern ? std::string(".") : ": " + pattern.Error() + ".");
    return false;
  }
  Result<std::vector<std::uint64_t>> found = FindAll(Path(), pattern.Value());
  if (!found) {
    m_findLine = "Unable to search " + FileName() + ": " + found.Error() + ".";
    return false;
  }
  if (found.Value().empty()) {
    m_findLine =
        "The selection's " + std::to_string(pattern.Value().size()) + " bytes are not in " + FileName() + ".";
    return false;
  }
  m_matches = std::move(found).Value();
  m_findLength = pattern.Value().size();
  m_findWidth = selection.width;
  m_findHeight = selection.height;
  SetCompression(nullptr);
  SetWidth(static_cast<int>(Nearest(static_cast<double>(selection.width) / UnitPixels(FormatInfo()))));
  ShowMatch(0, false);
  return true;
}

bool RomBrowser::FindNext() {
  if (m_matches.empty() || !m_file) return false;
  const MatchStep step = NextMatch(m_match, m_matches.size(), true);
  ShowMatch(step.index, step.wrapped);
  return true;
}

bool RomBrowser::FindPrevious() {
  if (m_matches.empty() || !m_file) return false;
  const MatchStep step = NextMatch(m_match, m_matches.size(), false);
  ShowMatch(step.index, step.wrapped);
  return true;
}

void RomBrowser::ShowMatch(std::size_t index, bool wrapped) {
  m_match = index;
  SetOffset(m_matches[index]);
  // The match selected from the view's top left, as far as the view reaches.
  if (m_viewWidth > 0 && m_viewHeight > 0) Select(0, 0, m_findWidth * m_zoom - 1, m_findHeight * m_zoom - 1);
  const bool capped = m_matches.size() == kMaxMatches;
  m_findLine = "Match " + std::to_string(index + 1) + " of " + std::to_string(m_matches.size()) +
               (capped ? "+" : "") + " at " + platform::HexOffset(m_matches[index]) +
               (wrapped ? " (wrapped)" : "");
}

}  // namespace glyphon::browser
