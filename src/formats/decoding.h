// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "convert/classify.h"
#include "core/result.h"
#include "formats/format_table.h"
#include "platform/file_range.h"

namespace glyphon::formats {

// The picture size the decoder contract gives for `length` bytes at `width`: the prepared
// height L / W held in single precision (0 when W is 0), rescaled by the format, then
// Wb = nearest(W - 1) + 1 columns and Hb = nearest(height - 1) + 1 rows.
struct DecodeSize {
  std::int64_t width = 0;
  std::int64_t height = 0;
  friend bool operator==(const DecodeSize&, const DecodeSize&) = default;
};
DecodeSize DecodedSize(std::size_t length, int width, const HeightRule& rule) noexcept;

struct DecodeResult {
  Surface picture;  // Wb by Hb; holds a picture when the decode succeeded
  std::optional<DecodeFailure> failure;
  bool Ok() const noexcept { return !failure.has_value(); }
};

// Runs a format's decoder under the decoder contract: sizes the picture, refuses a size
// beyond the picture limits, and reports nearest(m / (Wb * Hb) * 100) after every pixel.
// `partner` is used in image generation only (the Mode 7 interleaved format rebuilds it).
DecodeResult Decode(const FormatInfo& format, std::span<const std::uint8_t> data, int width, DecodeMode mode,
                    PartnerState* partner, platform::ProgressSink& progress);

// Runs a format's encoder on the selection into nearest(W * H / pixelsPerByte) bytes. It
// fails, before encoding anything and leaving `partner` as it was, when a loaded partner
// picture without partner data would have to grow to the selection's size beyond the
// picture limits.
Result<ByteString> Encode(const FormatInfo& format, const Surface& source, const Selection& selection,
                          PartnerState& partner, platform::ProgressSink& progress);

// Loop helpers for the codecs.

// Whether the rectangle lies inside the picture, so its rows can be read straight.
inline bool Inside(const Surface& picture, const Selection& rect) noexcept {
  return rect.x >= 0 && rect.y >= 0 && rect.x + rect.width <= picture.Width() &&
         rect.y + rect.height <= picture.Height();
}

// Visits the selection of `source` in row order (y outer, x inner), handing each pixel's
// colour (a point outside the picture reads as black), its place and its number
// k = W * y + x + 1 to `pixel`, ticking the progress after each row (the same reports as
// after each pixel). A selection inside the picture (the usual case) is read straight
// from its rows.
template <class PixelFn>
void ForEachSelectedPixel(const Surface& source, const Selection& selection, convert::ProgressTicker& ticker,
                          PixelFn&& pixel) {
  const bool inside = Inside(source, selection);
  std::int64_t k = 0;
  for (int y = 0; y < selection.height; ++y) {
    if (inside) {
      const RgbColor* row = source.Row(selection.y + y).data() + selection.x;
      for (int x = 0; x < selection.width; ++x) {
        ++k;
        pixel(convert::InsideOrBlack(row[x]), x, y, k);
      }
    } else {
      for (int x = 0; x < selection.width; ++x) {
        ++k;
        pixel(convert::InsideOrBlack(source.GetPixel(selection.x + x, selection.y + y)), x, y, k);
      }
    }
    ticker.TickTo(k);
  }
}

// The bands: rows of a picture `width` wide that a band holds, for a format whose blocks
// are `blockRows` tall: a row of blocks, or for the linear layouts (1) the fewest rows
// whose pixels are whole groups of 8, one row at any width of whole bytes.
constexpr int BandRows(int blockRows, int width) noexcept {
  if (blockRows > 1) return blockRows;
  int rows = 1;
  while (static_cast<std::int64_t>(width) * rows % 8 != 0) rows *= 2;
  return rows;
}

// The byte range a band decoder reads for rows [first, first + count) of a picture
// `width` wide, clipped to `length` bytes: whole rows of blocks, or the rows' own bytes.
platform::ByteRange BandBytes(const FormatInfo& format, int width, int first, int count,
                              std::int64_t length) noexcept;

// Visits the pixels of a band in row order as ForEachSelectedPixel visits a selection,
// with k counted from the band's first row. Always inlined into the codec, so that the
// state the codec's pixel function keeps (a group being packed) stays in registers.
template <class PixelFn>
[[gnu::always_inline]] inline void ForEachBandPixel(SourceBand band, convert::ProgressTicker& ticker,
                                                    PixelFn&& pixel) {
  std::int64_t k = std::int64_t{band.width} * band.first;
  for (int y = band.first; y < band.End(); ++y) {
    const RgbColor* row = band.Row(y);
    for (int x = 0; x < band.width; ++x) {
      ++k;
      pixel(convert::InsideOrBlack(row[x]), x, y, k);
    }
    ticker.TickTo(k);
  }
}

// The whole selection through a band encoder, band after band: rows inside the picture
// are read where they stand, a selection reaching outside it through a band buffer.
void EncodeBands(EncodeBandFn encode, int blockRows, const Surface& source, const Selection& selection,
                 std::span<std::uint8_t> out, convert::ProgressTicker& ticker);
// The whole picture through a band decoder, band after band, stopping at a failure.
std::optional<DecodeFailure> DecodeBands(DecodeBandFn decode, int blockRows,
                                         std::span<const std::uint8_t> data, Surface& picture,
                                         DecodeMode mode, PartnerState* partner,
                                         convert::ProgressTicker& ticker);

template <EncodeBandFn kEncode, int kBlockRows>
void EncodeInBands(const Surface& source, const Selection& selection, PartnerState&,
                   std::span<std::uint8_t> out, platform::ProgressSink& progress) {
  convert::ProgressTicker ticker(progress, std::int64_t{selection.width} * selection.height);
  EncodeBands(kEncode, kBlockRows, source, selection, out, ticker);
}

template <DecodeBandFn kDecode, int kBlockRows>
std::optional<DecodeFailure> DecodeInBands(std::span<const std::uint8_t> data, Surface& picture,
                                           DecodeMode mode, PartnerState* partner,
                                           convert::ProgressTicker& ticker) {
  return DecodeBands(kDecode, kBlockRows, data, picture, mode, partner, ticker);
}

}  // namespace glyphon::formats
