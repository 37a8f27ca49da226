// SPDX-License-Identifier: MIT
#include "formats/bands.h"

#include <algorithm>
#include <utility>

namespace glyphon::formats {

BandDecoder::BandDecoder(const FormatInfo& format, int width, int height, std::int64_t length, ReadBytes read,
                         convert::ProgressTicker* progress)
    : m_format(format),
      m_width(width),
      m_height(height),
      m_length(length),
      m_read(std::move(read)),
      m_progress(progress),
      m_bandRows(format.BandRows(width)),
      m_rows(static_cast<std::size_t>(width) * static_cast<std::size_t>(format.BandRows(width))) {}

Result<std::span<const RgbColor>> BandDecoder::Row(int y) {
  using R = Result<std::span<const RgbColor>>;
  const int first = y - y % m_bandRows;
  if (first != m_first) {
    const int count = std::min(m_bandRows, m_height - first);
    const platform::ByteRange range = BandBytes(m_format, m_width, first, count, m_length);
    m_bytes.resize(static_cast<std::size_t>(range.length));
    if (Status read = m_read(range, m_bytes); !read) return R::Failure(read.error);
    const DataWindow window{m_bytes, static_cast<std::int64_t>(range.offset), m_length};
    const PictureBand band{m_rows.data(), m_width, m_width, first, count};
    platform::NullProgress quiet;
    convert::ProgressTicker aside(quiet, std::int64_t{m_width} * m_height);
    m_format.band.decode(window, band, DecodeMode::ImageGeneration, nullptr, aside);
    m_first = first;
    // The rows done grow at either end; the percentages are those after each row.
    bool inTurn = true;
    if (m_doneFrom < 0) {
      m_doneFrom = first;
      m_doneTo = first + count;
    } else if (first == m_doneTo) {
      m_doneTo += count;
    } else if (first + count == m_doneFrom) {
      m_doneFrom = first;
    } else {
      inTurn = false;
    }
    if (inTurn && m_progress != nullptr) m_progress->TickTo(std::int64_t{m_width} * (m_doneTo - m_doneFrom));
  }
  return std::span<const RgbColor>(m_rows).subspan(
      static_cast<std::size_t>(y - first) * static_cast<std::size_t>(m_width),
      static_cast<std::size_t>(m_width));
}

BandEncoder::BandEncoder(const FormatInfo& format, int width, int height, std::span<std::uint8_t> out,
                         convert::ProgressTicker& progress)
    : m_encode(format.band.encode),
      m_width(width),
      m_height(height),
      m_out(out),
      m_progress(progress),
      m_bandRows(format.BandRows(width)),
      m_rows(static_cast<std::size_t>(width) * static_cast<std::size_t>(format.BandRows(width))) {}

std::span<RgbColor> BandEncoder::NextRow() noexcept {
  return std::span(m_rows).subspan(
      static_cast<std::size_t>(m_next - m_first) * static_cast<std::size_t>(m_width),
      static_cast<std::size_t>(m_width));
}

void BandEncoder::Done() {
  ++m_next;
  if (m_next - m_first < m_bandRows && m_next < m_height) return;
  const SourceBand band{m_rows.data(), m_width, m_width, m_first, m_next - m_first};
  m_encode(band, m_out, m_progress);
  m_first = m_next;
}

}  // namespace glyphon::formats
