// SPDX-License-Identifier: MIT
#include "browser/format_strip.h"

#include <algorithm>
#include <cstring>

#include "browser/layout.h"
#include "browser/rom_browser.h"
#include "convert/progress_ticker.h"
#include "formats/format_table.h"

namespace glyphon::browser {

namespace {

// A cell's layouts: the whole picture's, whose bands step through the data, and the shown
// part's, the first bytes of each band (a grid band holds its blocks left to right, a linear
// band is one row).
struct CellLayout {
  Layout whole;
  Layout shown;
  int bands = 0;
};

CellLayout CellOf(const formats::FormatInfo& format, int pixelWidth) {
  const int unit = UnitPixels(format);
  const int width = StripWidth(format.index, pixelWidth);
  // Formats that share their bytes with partner data (SuperFX, interleaved Mode 7) do not
  // keep a band's left blocks in its first bytes: they are decoded whole and cut.
  const int shown =
      format.HasPartner() ? width : std::max(unit, std::min(width, kStripMaxWidth) / unit * unit);
  CellLayout cell{LayoutOf(format, width / unit), LayoutOf(format, shown / unit), 0};
  cell.bands = (kStripRows + cell.whole.bandHeight - 1) / cell.whole.bandHeight;
  return cell;
}

platform::Surface Cut(const platform::Surface& picture, int width) {
  platform::Surface cut(width, picture.Height());
  for (int y = 0; y < picture.Height(); ++y) std::copy_n(picture.Row(y).begin(), width, cut.Row(y).begin());
  return cut;
}

}  // namespace

int StripWidth(int format, int pixelWidth) {
  const int unit = UnitPixels(formats::Format(format));
  return std::max(unit, static_cast<int>(Nearest(static_cast<double>(pixelWidth) / unit)) * unit);
}

std::uint64_t StripBytes(int pixelWidth) {
  std::uint64_t most = 0;
  for (const formats::FormatInfo& format : formats::Formats()) {
    const CellLayout cell = CellOf(format, pixelWidth);
    most = std::max(most,
                    static_cast<std::uint64_t>(cell.bands - 1) * cell.whole.bandBytes + cell.shown.bandBytes);
  }
  return most;
}

std::vector<StripCell> DecodeStrip(std::span<const std::uint8_t> bytes, int pixelWidth) {
  std::vector<StripCell> cells;
  cells.reserve(formats::Formats().size());
  ByteString shown;
  for (const formats::FormatInfo& format : formats::Formats()) {
    const CellLayout cell = CellOf(format, pixelWidth);
    // The first bytes of each band, one band after the other: the picture the cell shows.
    const auto bandBytes = static_cast<std::size_t>(cell.shown.bandBytes);
    shown.assign(bandBytes * static_cast<std::size_t>(cell.bands), 0);
    for (int band = 0; band < cell.bands; ++band) {
      const std::uint64_t from = static_cast<std::uint64_t>(band) * cell.whole.bandBytes;
      if (from >= bytes.size()) break;
      const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(bandBytes, bytes.size() - from));
      std::memcpy(shown.data() + static_cast<std::size_t>(band) * bandBytes, bytes.data() + from, count);
    }
    StripCell out{format.index, format.caption, cell.whole.pixelWidth,
                  platform::Surface(cell.shown.pixelWidth, cell.bands * cell.whole.bandHeight)};
    platform::NullProgress quiet;
    convert::ProgressTicker ticker(quiet, std::int64_t{out.picture.Width()} * out.picture.Height());
    // The bytes cover every pixel, so preview mode never fails.
    format.decode(shown, out.picture, formats::DecodeMode::Preview, nullptr, ticker);
    if (out.picture.Width() > kStripMaxWidth) out.picture = Cut(out.picture, kStripMaxWidth);
    cells.push_back(std::move(out));
  }
  return cells;
}

// ---- The browser's strip ----

const std::vector<StripCell>& RomBrowser::Strip() {
  if (!m_file) {
    m_strip.clear();
    return m_strip;
  }
  if (!m_stripStale) return m_strip;
  const std::uint64_t wanted = StripBytes(PixelWidth());
  ByteString bytes;
  if (m_scheme) {
    const Block& block = CurrentBlock();
    if (block.decoded) {
      const ByteString& data = block.decoded.Value().bytes;
      bytes.assign(data.begin(),
                   data.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(wanted, data.size())));
    }
  } else if (m_offset < FileSize()) {
    bytes.resize(static_cast<std::size_t>(std::min(wanted, FileSize() - m_offset)));
    const Result<std::size_t> got = m_file->ReadAt(m_offset, bytes);
    bytes.resize(got ? got.Value() : 0);
  }
  m_strip = DecodeStrip(bytes, PixelWidth());
  for (StripCell& cell : m_strip) ApplyColours(formats::Format(cell.format), cell.picture);
  m_stripStale = false;
  return m_strip;
}

// The cells are in the order of the format table, whether drawn yet or not.
void RomBrowser::ChooseStripCell(std::size_t cell) {
  if (cell < static_cast<std::size_t>(formats::kFormatCount)) SetFormat(static_cast<int>(cell));
}

}  // namespace glyphon::browser
