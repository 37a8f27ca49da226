// SPDX-License-Identifier: MIT
#include "browser/rom_browser.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "palette/palette_file.h"
#include "rom/offsets.h"

namespace glyphon::browser {

namespace {

// Widths stop here: a picture wider than any screen only costs decoding time.
constexpr int kMaxPixelWidth = 8192;
// The scroll bar counts in bands while the file has fewer than this many; beyond, each
// step of the bar is several bands, so that the bar's range stays well within an int.
constexpr std::uint64_t kMaxScrollSteps = std::uint64_t{1} << 30;

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) noexcept {
  return b == 0 ? 0 : (a + b - 1) / b;
}

}  // namespace

int UnitPixels(const formats::FormatInfo& format) noexcept {
  if (!format.lockOptional) return format.blockSide;
  return format.pixelsPerByte >= 1.0 ? static_cast<int>(Nearest(format.pixelsPerByte)) : 1;
}

Layout LayoutOf(const formats::FormatInfo& format, int width, const tiles::TileOrder& order) noexcept {
  Layout layout;
  layout.grid = !format.lockOptional;
  layout.unitPixels = UnitPixels(format);
  layout.bandHeight = layout.grid ? format.blockSide * order.objectHeight : 1;
  layout.pixelWidth = width * layout.unitPixels;
  layout.pixelsPerByte = format.pixelsPerByte;
  layout.tileBytes =
      layout.grid ? layout.BytesOfPixels(std::int64_t{format.blockSide} * format.blockSide) : 0;
  layout.bandBytes = layout.BytesOfPixels(std::int64_t{layout.pixelWidth} * layout.bandHeight);
  return layout;
}

RomBrowser::RomBrowser(platform::Platform& platform) : m_platform(platform) {}
RomBrowser::~RomBrowser() = default;

// ---- The file ----

bool RomBrowser::Open(const std::filesystem::path& path) {
  Result<platform::WatchedFile> file = platform::WatchedFile::Open(path);
  if (!file) {
    Warn("Unable to open " + path.filename().string() + ".", file.Error());
    return false;
  }
  m_file = std::move(file).Value();
  m_working.Clear();
  m_offset = 0;
  m_notice.clear();
  m_matches.clear();
  m_findLine.clear();
  Changed();
  return true;
}

std::filesystem::path RomBrowser::Path() const {
  return m_file ? m_file->Path() : std::filesystem::path();
}

std::uint64_t RomBrowser::FileSize() const noexcept {
  return m_file ? m_file->Size() : 0;
}

std::string RomBrowser::FileName() const {
  return Path().filename().string();
}

void RomBrowser::Warn(std::string_view first, std::string_view reason) {
  std::vector<std::string> lines{std::string(first)};
  if (!reason.empty()) lines.emplace_back(reason);
  m_platform.ShowMessage(
      {std::move(lines), platform::Buttons::Ok, platform::Icon::Exclamation, platform::Answer::Ok, ""});
}

void RomBrowser::Changed() noexcept {
  m_stale = true;
  m_stripStale = true;
  m_block.reset();
  m_selection.reset();
}

// ---- Settings ----

void RomBrowser::SetFormat(int index) {
  if (index < 0 || index >= formats::kFormatCount || index == m_format) return;
  const int pixels = PixelWidth();
  m_format = index;
  if (!FormatInfo().StoresWholeBlocks()) m_order = {};
  m_width = 0;
  SetWidth(static_cast<int>(Nearest(static_cast<double>(pixels) / UnitPixels(FormatInfo()))));
  // A palette in a ROM is read again at the new format's colour count.
  if (m_romPalette && m_colours == Colours::Palette) {
    if (Result<palette::Palette> colours = ReadPaletteInRom(*m_romPalette))
      m_palette = std::move(colours).Value();
  }
  Changed();
}

bool RomBrowser::WidthInTiles() const noexcept {
  return CurrentLayout().grid;
}

int RomBrowser::PixelWidth() const noexcept {
  return CurrentLayout().pixelWidth;
}

void RomBrowser::SetWidth(int width) {
  // Whole objects: the width rounds down to them, and is at least one.
  const int step = m_order.objectWidth;
  const int most = kMaxPixelWidth / UnitPixels(FormatInfo()) / step * step;
  width = std::clamp(width / step * step, step, most);
  if (width == m_width) return;
  m_width = width;
  Changed();
}

void RomBrowser::FitWidth() {
  const int unitPixels = std::max(PixelWidth() / std::max(m_width, 1), 1);
  SetWidth(std::max(m_viewWidth / std::max(m_zoom, 1) / unitPixels, 1));
}

bool RomBrowser::SetTileOrder(const tiles::TileOrder& order) {
  const bool plain = order.Plain() && order.inside == tiles::Walk::Rows;
  if (!plain && (!FormatInfo().StoresWholeBlocks() || order.objects != tiles::Walk::Rows)) return false;
  if (order == m_order) return true;
  m_order = order;
  const int width = m_width;
  m_width = 0;
  SetWidth(std::max(width, order.objectWidth));
  Changed();
  return true;
}

void RomBrowser::SetZoom(int zoom) {
  zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
  if (zoom == m_zoom) return;
  m_zoom = zoom;
  m_stale = true;  // the picture keeps its pixels, so the selection stays
}

void RomBrowser::SetViewSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == m_viewWidth && height == m_viewHeight) return;
  m_viewWidth = width;
  m_viewHeight = height;
  m_stale = true;
}

void RomBrowser::SetColourSource(Colours colours) {
  if (colours == Colours::Palette && !m_palette) return;
  m_colours = colours;
  m_stale = true;
  m_stripStale = true;
}

bool RomBrowser::LoadPalette(const std::filesystem::path& path) {
  Result<palette::Palette> loaded = palette::LoadPalette(path);
  if (!loaded) {
    Warn("Unable to load " + path.filename().string() + ".", loaded.Error());
    return false;
  }
  m_palette = std::move(loaded).Value();
  m_paletteFile = path;
  m_romPalette.reset();
  m_stripStale = true;
  SetColourSource(Colours::Palette);
  return true;
}

// ---- Navigation ----

int RomBrowser::VisibleBands() const noexcept {
  const int rows = (m_viewHeight + m_zoom - 1) / m_zoom;
  const int bandHeight = CurrentLayout().bandHeight;
  return std::max(1, (rows + bandHeight - 1) / bandHeight);
}

int RomBrowser::FullBands() const noexcept {
  return std::max(1, m_viewHeight / m_zoom / CurrentLayout().bandHeight);
}

std::uint64_t RomBrowser::TopBand() const noexcept {
  return m_offset / CurrentLayout().bandBytes;
}

std::uint64_t RomBrowser::LastTopBand() const noexcept {
  const std::uint64_t bandBytes = CurrentLayout().bandBytes;
  const std::uint64_t bands = CeilDiv(FileSize() - std::min(FileSize(), m_offset % bandBytes), bandBytes);
  const auto full = static_cast<std::uint64_t>(FullBands());
  return bands > full ? bands - full : 0;
}

std::uint64_t RomBrowser::ScrollScale() const noexcept {
  return std::max<std::uint64_t>(1, CeilDiv(LastTopBand(), kMaxScrollSteps));
}

void RomBrowser::MoveToBand(std::uint64_t band) {
  const std::uint64_t bandBytes = CurrentLayout().bandBytes;
  const std::uint64_t offset = m_offset % bandBytes + band * bandBytes;
  if (!m_file || offset >= FileSize() || offset == m_offset) return;
  m_offset = offset;
  Changed();
}

void RomBrowser::SetOffset(std::uint64_t offset) {
  if (!m_file) return;
  offset = std::min(offset, FileSize() - 1);
  if (offset == m_offset) return;
  m_offset = offset;
  Changed();
}

void RomBrowser::Press(Step step) {
  const std::uint64_t top = TopBand();
  const auto page = static_cast<std::uint64_t>(FullBands());
  switch (step) {
    case Step::LineUp:
      if (top > 0) MoveToBand(top - 1);
      break;
    case Step::LineDown:
      MoveToBand(top + 1);
      break;
    case Step::PageUp:
      MoveToBand(top > page ? top - page : 0);
      break;
    case Step::PageDown:
      MoveToBand(std::max(top, std::min(top + page, LastTopBand())));
      break;
    case Step::Home:
      SetOffset(0);
      break;
    case Step::End:
      MoveToBand(LastTopBand());
      break;
    case Step::ByteLeft:
      if (m_offset > 0) SetOffset(m_offset - 1);
      break;
    case Step::ByteRight:
      SetOffset(m_offset + 1);
      break;
    case Step::Wider:
      SetWidth(m_width + m_order.objectWidth);
      break;
    case Step::Narrower:
      SetWidth(m_width - m_order.objectWidth);
      break;
    case Step::NextBlock:
      NextBlock();
      break;
    case Step::PreviousBlock:
      PreviousBlock();
      break;
  }
}

void RomBrowser::Wheel(int notches) {
  const std::uint64_t top = TopBand();
  const std::uint64_t rows = static_cast<std::uint64_t>(std::abs(std::int64_t{notches} * kWheelRows));
  if (notches < 0) MoveToBand(top > rows ? top - rows : 0);
  if (notches > 0) MoveToBand(std::max(top, std::min(top + rows, LastTopBand())));
}

ScrollRange RomBrowser::Scroll() const noexcept {
  const std::uint64_t scale = ScrollScale();
  const std::uint64_t last = LastTopBand();
  const auto page = static_cast<std::uint64_t>(FullBands());
  return {static_cast<int>(CeilDiv(last, scale)), static_cast<int>(std::max<std::uint64_t>(1, page / scale)),
          static_cast<int>(std::min(TopBand(), last) / scale)};
}

void RomBrowser::ScrollTo(int value) {
  if (value < 0) return;
  MoveToBand(std::min(static_cast<std::uint64_t>(value) * ScrollScale(), LastTopBand()));
}

bool RomBrowser::JumpTo(std::string_view text) {
  if (!m_file) return false;
  // The field is in hex with or without its prefix.
  const bool prefixed = text.starts_with("0x") || text.starts_with("0X") || text.starts_with("$");
  Result<std::uint64_t> offset = rom::ParseOffset(prefixed ? std::string(text) : "0x" + std::string(text));
  if (!offset) {
    Warn("\"" + std::string(text) + "\" is not an offset.", offset.Error());
    return false;
  }
  if (offset.Value() >= FileSize()) {
    Warn("Offset " + platform::HexOffset(offset.Value()) + " is beyond the end of " + FileName() + ".",
         FileName() + " holds " + platform::HexOffset(FileSize()) + " bytes.");
    return false;
  }
  SetOffset(offset.Value());
  return true;
}

// ---- The status bar ----

std::optional<PointInfo> RomBrowser::At(int viewX, int viewY) const {
  if (!m_file || viewX < 0 || viewY < 0) return std::nullopt;
  const Layout layout = CurrentLayout();
  const int x = viewX / m_zoom;
  const int y = viewY / m_zoom;
  if (x >= layout.pixelWidth || y >= VisibleBands() * layout.bandHeight) return std::nullopt;
  PointInfo point{x, y, 0, std::nullopt, false};
  const std::uint64_t band = static_cast<std::uint64_t>(y / layout.bandHeight);
  // A block's view counts from the block's first decompressed byte.
  const std::uint64_t base = m_scheme ? 0 : m_offset;
  std::uint64_t offset = base + band * layout.bandBytes + layout.ColumnByte(x);
  if (layout.grid && !m_order.Plain()) {
    // The block's place among the band's stored blocks.
    const int side = layout.unitPixels, across = layout.pixelWidth / side;
    const auto inBand = static_cast<std::uint32_t>((y % layout.bandHeight) / side * across + x / side);
    const std::vector<std::uint32_t> stored = tiles::StoredOrder(across, layout.bandHeight / side, m_order);
    const auto k =
        static_cast<std::uint64_t>(std::find(stored.begin(), stored.end(), inBand) - stored.begin());
    offset = base + band * layout.bandBytes + k * layout.tileBytes;
  }
  point.offset = offset;
  if (layout.grid) point.tile = offset / layout.tileBytes;
  if (m_scheme) {
    const Block& block = CurrentBlock();
    point.pastEnd = !block.decoded || offset >= block.decoded.Value().bytes.size();
  } else {
    point.pastEnd = offset >= FileSize();
  }
  return point;
}

std::string RomBrowser::DescribePoint(int viewX, int viewY) const {
  const std::optional<PointInfo> point = At(viewX, viewY);
  if (!point) return {};
  if (point->pastEnd) return "past the end";
  std::string text = (m_scheme ? "block +" : "") + platform::HexOffset(point->offset);
  if (point->tile) text += "  tile " + std::to_string(*point->tile);
  return text;
}

std::string RomBrowser::DescribeRange() const {
  if (!m_file) return m_notice;
  if (m_scheme) {
    const Block& block = CurrentBlock();
    const std::string where = std::string(m_scheme->name) + " block at " + platform::HexOffset(m_offset);
    std::string text = block.decoded
                           ? where + ": " + std::to_string(block.decoded.Value().consumed) + " bytes, " +
                                 std::to_string(block.decoded.Value().bytes.size()) + " decompressed"
                           : "No " + where + ": " + block.decoded.Error();
    if (!m_notice.empty()) text += "  " + m_notice;
    return text;
  }
  const std::uint64_t shown = static_cast<std::uint64_t>(VisibleBands()) * CurrentLayout().bandBytes;
  const std::uint64_t end = std::min(FileSize(), m_offset + shown);
  std::string text = platform::HexOffset(m_offset) + "-" + platform::HexOffset(end - 1) + " of " +
                     platform::HexOffset(FileSize());
  if (!m_notice.empty()) text += "  " + m_notice;
  return text;
}

// ---- The selection ----

void RomBrowser::Select(int fromX, int fromY, int toX, int toY) {
  const Layout layout = CurrentLayout();
  const int rows = VisibleBands() * layout.bandHeight;
  auto column = [&](int v) { return std::clamp(v / m_zoom, 0, layout.pixelWidth - 1); };
  auto row = [&](int v) { return std::clamp(v / m_zoom, 0, rows - 1); };
  const int unit = layout.unitPixels;
  const int band = layout.bandHeight;
  int left = std::min(column(fromX), column(toX)) / unit * unit;
  int right = (std::max(column(fromX), column(toX)) / unit + 1) * unit;
  const int top = std::min(row(fromY), row(toY)) / band * band;
  const int bottom = (std::max(row(fromY), row(toY)) / band + 1) * band;
  // Only whole rows, or part of one row, are a single stretch of the file.
  if (bottom - top > band) {
    left = 0;
    right = layout.pixelWidth;
  }
  m_selection = convert::Selection{left, top, right - left, bottom - top};
}

}  // namespace glyphon::browser
