// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cstring>

#include "browser/rom_browser.h"
#include "convert/classify.h"
#include "convert/progress_ticker.h"

namespace glyphon::browser {

namespace {

// The built-in ramp: black through blue, red and amber to white, sampled at 2^bits even
// steps, so neighbouring values stay apart in hue as well as in lightness.
RgbColor RampColour(unsigned value, unsigned count) {
  struct Stop {
    int r, g, b;
  };
  static constexpr Stop kStops[] = {{0, 0, 0}, {40, 40, 170}, {200, 40, 70}, {250, 190, 40}, {255, 255, 255}};
  constexpr int kLast = static_cast<int>(std::size(kStops)) - 1;
  const double t = count > 1 ? static_cast<double>(value) / (count - 1) * kLast : 0.0;
  const int i = std::min(static_cast<int>(t), kLast - 1);
  const double f = t - i;
  auto mix = [&](int a, int b) { return static_cast<int>(Nearest(a + (b - a) * f)); };
  const Stop& lo = kStops[i];
  const Stop& hi = kStops[i + 1];
  return Rgb(mix(lo.r, hi.r), mix(lo.g, hi.g), mix(lo.b, hi.b));
}

void RunDecoder(const formats::FormatInfo& format, std::span<const std::uint8_t> bytes,
                platform::Surface& into) {
  platform::NullProgress quiet;
  convert::ProgressTicker ticker(quiet, std::int64_t{into.Width()} * into.Height());
  // The bytes cover every pixel, so no pixel reaches past them and preview mode never fails.
  format.decode(bytes, into, formats::DecodeMode::Preview, nullptr, ticker);
}

}  // namespace

// The file is looked at before every decode: a file that changed is read at its new size and
// the offset kept inside it.
void RomBrowser::CheckFile() {
  if (!m_file) return;
  const std::uint64_t before = m_file->Size();
  Result<platform::WatchedFile::Change> change = m_file->Refresh();
  if (!change) {
    m_notice = FileName() + ": " + change.Error() + "; nothing is shown.";
    m_file.reset();
    m_view = platform::Surface();
    return;
  }
  switch (change.Value()) {
    case platform::WatchedFile::Change::None:
      return;
    case platform::WatchedFile::Change::Vanished:
      m_notice = FileName() + " is gone; showing it as it was.";
      return;
    case platform::WatchedFile::Change::Updated:
      m_notice = m_file->Size() < before
                     ? FileName() + " shrank to " + platform::HexOffset(m_file->Size()) + " bytes."
                     : std::string();
      m_offset = std::min(m_offset, m_file->Size() - 1);
      Changed();
      return;
  }
}

// The screen's bytes are copied out of the file rather than read through a mapping, so a
// file cut short by another program between the look and the read costs a short read, not
// SIGBUS. The file is then looked at again and read at its new size; one that keeps changing
// under the reads is drawn as the last read found it, what was missing as past the end.
const platform::Surface& RomBrowser::Render() {
  CheckFile();
  if (!m_file) {
    m_view = platform::Surface();
    return m_view;
  }
  if (!m_stale) return m_view;
  const Layout layout = CurrentLayout();
  const int rows = VisibleBands() * layout.bandHeight;
  if (m_view.Width() != layout.pixelWidth || m_view.Height() != rows)
    m_view = platform::Surface(layout.pixelWidth, rows);
  const std::uint64_t wanted = static_cast<std::uint64_t>(VisibleBands()) * layout.bandBytes;
  m_bytes.resize(static_cast<std::size_t>(wanted));
  if (m_scheme) {
    RenderBlock();
    return m_view;
  }
  constexpr int kReads = 3;
  std::size_t present = 0;
  bool whole = false;
  for (int read = 0; read < kReads && !whole; ++read) {
    if (read > 0) CheckFile();
    if (!m_file) {
      m_view = platform::Surface();
      return m_view;
    }
    const auto expected = static_cast<std::size_t>(std::min(wanted, m_file->Size() - m_offset));
    const Result<std::size_t> got = m_file->ReadAt(m_offset, std::span(m_bytes).first(expected));
    if (!got) {
      m_notice = FileName() + ": " + got.Error() + ".";
      present = 0;
      break;
    }
    present = got.Value();
    whole = present == expected;
  }
  m_working.Overlay(m_offset, std::span(m_bytes).first(present));
  DrawScreen(present);
  // A screen that was not read whole is read again on the next call.
  m_stale = !whole;
  return m_view;
}

// With a compression the screen shows the block at the offset decompressed, from its first
// byte; what lies past its end is hatched, and a block that does not decompress is all
// hatched while the status bar says why.
void RomBrowser::RenderBlock() {
  const Block& block = CurrentBlock();
  std::size_t present = 0;
  if (block.decoded) {
    const ByteString& bytes = block.decoded.Value().bytes;
    present = std::min(m_bytes.size(), bytes.size());
    std::copy_n(bytes.begin(), present, m_bytes.begin());
  }
  DrawScreen(present);
  m_stale = false;
}

// The screen from the first `present` bytes of the screen's buffer (the rest past the end),
// in the tile order: the band's blocks, decoded in stored order, go back to their places.
void RomBrowser::DrawScreen(std::size_t present) {
  if (present == m_bytes.size()) {
    RunDecoder(FormatInfo(), m_bytes, m_view);
    ApplyColours();
  } else {
    DecodeTail(present);
  }
  if (!m_order.Plain() || m_order.inside != tiles::Walk::Rows)
    m_view = tiles::PictureOfSheet(m_view, FormatInfo().blockSide, m_order);
}

// The last screen of the file: the `present` bytes read, padded out once with 0x00 and once
// with 0xFF. A pixel that comes out the same both ways is drawn from the file alone; one that
// differs depends on bytes past the end and is hatched in diagonal stripes.
void RomBrowser::DecodeTail(std::size_t present) {
  const auto end = m_bytes.begin() + static_cast<std::ptrdiff_t>(present);
  std::fill(end, m_bytes.end(), 0xFF);
  if (m_scratch.Width() != m_view.Width() || m_scratch.Height() != m_view.Height())
    m_scratch = platform::Surface(m_view.Width(), m_view.Height());
  RunDecoder(FormatInfo(), m_bytes, m_scratch);
  std::fill(end, m_bytes.end(), 0x00);
  RunDecoder(FormatInfo(), m_bytes, m_view);
  // Decoders draw 0x00BBGGRR, so kOutside in the scratch copy marks a pixel past the end.
  for (int y = 0; y < m_view.Height(); ++y) {
    const auto seen = m_view.Row(y);
    const auto other = m_scratch.Row(y);
    for (std::size_t x = 0; x < seen.size(); ++x)
      if (seen[x] != other[x]) other[x] = kOutside;
  }
  ApplyColours();
  for (int y = 0; y < m_view.Height(); ++y) {
    const auto seen = m_view.Row(y);
    const auto other = m_scratch.Row(y);
    for (std::size_t x = 0; x < seen.size(); ++x)
      if (other[x] == kOutside)
        seen[x] = ((static_cast<int>(x) + y) / 4) % 2 == 0 ? kPastEndInk : kPastEndPaper;
  }
}

// The decoders' greys are the format's values drawn in its grey palette; the palette, the
// ramp and the shades replace each grey with their colour of that value through one
// 256-entry table.
std::array<RgbColor, 256> RomBrowser::ColourTable(const formats::FormatInfo& format) const {
  const formats::GreyPalette& greys = *format.values;
  const unsigned count = greys.MaxIndex() + 1;
  std::array<RgbColor, 256> table{};
  for (std::size_t g = 0; g < table.size(); ++g) table[g] = GreyColor(static_cast<int>(g));
  for (unsigned v = 0; v < count; ++v) {
    RgbColor colour = RampColour(v, count);
    if (m_colours == Colours::Shades)
      colour = GreyColor(convert::ShadeLevel(static_cast<int>(v), greys.bits));
    if (m_colours == Colours::Palette)
      colour = v < m_palette->colours.size() ? m_palette->colours[v] : greys.colourOfIndex[v];
    table[static_cast<std::size_t>(RedOf(greys.colourOfIndex[v]))] = colour;
  }
  return table;
}

void RomBrowser::ApplyColours() {
  ApplyColours(FormatInfo(), m_view);
}

void RomBrowser::ApplyColours(const formats::FormatInfo& format, platform::Surface& picture) const {
  if (m_colours == Colours::DecoderGreys || !format.HasValues()) return;
  const std::array<RgbColor, 256> table = ColourTable(format);
  for (int y = 0; y < picture.Height(); ++y)
    for (RgbColor& pixel : picture.Row(y)) pixel = table[static_cast<std::size_t>(pixel & 0xFF)];
}

}  // namespace glyphon::browser
