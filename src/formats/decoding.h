// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "convert/classify.h"
#include "core/result.h"
#include "formats/format_table.h"

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

}  // namespace glyphon::formats
