// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "convert/encoding.h"
#include "convert/progress_ticker.h"
#include "core/progress.h"
#include "core/surface.h"

namespace glyphon::formats {

using convert::PartnerState;
using convert::Selection;
using platform::Surface;

// An encoder turns the selection of `source` into the format's bytes in `out`, which the
// encoder driver has sized by the format's size rule and filled with zeros, reporting
// nearest(k / (W*H) * 100) after every pixel k. Partner formats may also rebuild
// `partner`; the other formats leave it alone.
using EncodeFn = void (*)(const Surface& source, const Selection& selection, PartnerState& partner,
                          std::span<std::uint8_t> out, platform::ProgressSink& progress);

// The preview (Load) and the image generation (Accept) run the same decoders. They differ
// in two ways only: image generation never fails on short data, and the Mode 7
// interleaved decoder rebuilds the partner data there.
enum class DecodeMode { Preview, ImageGeneration };

struct DecodeFailure {
  enum class Kind {
    ByteBeyondData,  // a later byte of pixel (x, y) lies at `offset`, beyond the data
    TooLarge,        // the picture would be `width` by `height`, beyond the limits
  };
  Kind kind = Kind::ByteBeyondData;
  int x = 0;
  int y = 0;
  std::int64_t offset = 0;
  std::int64_t length = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;

  std::string Describe() const;
  friend bool operator==(const DecodeFailure&, const DecodeFailure&) = default;
};

// A decoder draws every pixel of `picture`, which the decoder driver has sized to Wb by
// Hb, from `data`. It returns a failure only in preview mode; in image generation a pixel
// whose later byte lies beyond the data takes the format's end-of-data value instead.
// `partner` is non-null in image generation only.
using DecodeFn = std::optional<DecodeFailure> (*)(std::span<const std::uint8_t> data, Surface& picture,
                                                  DecodeMode mode, PartnerState* partner,
                                                  convert::ProgressTicker& progress);

// The band contract. A picture is coded a band of rows at a time: rows [first, first + count)
// of a picture `width` pixels wide, row y at `rows + (y - first) * stride`. A band starts
// at a row whose first pixel starts a group of 8 in row order and, for the formats that
// store blocks, a row of blocks, so no group of pixels and no block row is split between
// two bands (FormatInfo::BandRows). The whole picture is one band over its own rows; a
// band buffer reused from band to band is another, so one code path serves both.
template <class Pixel>
struct RowBand {
  Pixel* rows = nullptr;
  std::ptrdiff_t stride = 0;
  int width = 0;
  int first = 0;
  int count = 0;

  Pixel* Row(int y) const noexcept { return rows + static_cast<std::ptrdiff_t>(y - first) * stride; }
  int End() const noexcept { return first + count; }
};
using PictureBand = RowBand<RgbColor>;       // rows a decoder draws
using SourceBand = RowBand<const RgbColor>;  // selection rows an encoder reads (x 0 is the selection's left)

// The bytes a decoder reads for one band: `bytes` holds the data from offset `base` on,
// at least every byte the band's pixels lie in that exists; `length` is the whole data's
// length, which decides what lies past its end.
struct DataWindow {
  std::span<const std::uint8_t> bytes;
  std::int64_t base = 0;
  std::int64_t length = 0;

  std::uint8_t At(std::int64_t offset) const noexcept {
    return bytes[static_cast<std::size_t>(offset - base)];
  }
  // The data's end counted from the window's first byte. The tile decoders count their
  // offsets from there too, subtracting `base` once a row rather than once a byte (which
  // cost the whole-tile decoders up to a tenth of their time), and read bytes[offset].
  std::int64_t End() const noexcept { return length - base; }
};

// A band encoder stores the band's pixels into `out`, the whole output sized and zeroed as
// for EncodeFn, selection row y being band row y, ticking the progress after each row
// with k = W * (y + 1). Partner formats have none: their partner pass needs the whole
// selection.
using EncodeBandFn = void (*)(SourceBand band, std::span<std::uint8_t> out,
                              convert::ProgressTicker& progress);

// A band decoder draws every pixel of the band from the window, as DecodeFn does for the
// whole picture, ticking after each row with m = W * (y + 1).
using DecodeBandFn = std::optional<DecodeFailure> (*)(DataWindow data, PictureBand band, DecodeMode mode,
                                                      PartnerState* partner,
                                                      convert::ProgressTicker& progress);

// A format's band codec: its band encoder (none for the partner formats), its band decoder
// and the rows of one row of its blocks (8 for tiles, 16 for the PC Engine's sprite
// patterns, 1 for the linear layouts).
struct BandCodec {
  EncodeBandFn encode = nullptr;
  DecodeBandFn decode = nullptr;
  int blockRows = 1;
};

// How a format turns the prepared height L / W into its picture height before the decoder
// takes Wb = nearest(W - 1) + 1 and Hb = nearest(height - 1) + 1.
struct HeightRule {
  double pixelsPerByte = 1.0;  // multiply the height (8 for 1 bit, 8/3 for 3 bits, ...)
  int bytesPerPixel = 0;       // when non-zero: height = nearest(height) \ bytesPerPixel
};

}  // namespace glyphon::formats
