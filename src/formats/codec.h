// SPDX-License-Identifier: MIT
#pragma once

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

// How a format turns the prepared height L / W into its picture height before the decoder
// takes Wb = nearest(W - 1) + 1 and Hb = nearest(height - 1) + 1.
struct HeightRule {
  double pixelsPerByte = 1.0;  // multiply the height (8 for 1 bit, 8/3 for 3 bits, ...)
  int bytesPerPixel = 0;       // when non-zero: height = nearest(height) \ bytesPerPixel
};

}  // namespace glyphon::formats
