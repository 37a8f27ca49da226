#pragma once

#include "formats/codec.h"

namespace glyphon::formats {

// The SuperFX stream: one byte per pixel in row order, the low nibble a pixel of the "low"
// picture and the high nibble the same pixel of the "high" picture. Each format encodes the
// selection into its own nibble and takes the other nibble from the partner data.

// "4bpp FX Low": the selection in the low nibbles, the partner ("SuperFX high") in the high.
ByteString EncodeFxLow(const Surface& source, const Selection& selection, PartnerState& partner,
                       platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeFxLow(std::span<const std::uint8_t> data, Surface& picture,
                                         DecodeMode mode, PartnerState* partner,
                                         convert::ProgressTicker& progress);

// "4bpp FX High": the selection in the high nibbles, the partner ("SuperFX low") in the low.
ByteString EncodeFxHigh(const Surface& source, const Selection& selection, PartnerState& partner,
                        platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeFxHigh(std::span<const std::uint8_t> data, Surface& picture,
                                          DecodeMode mode, PartnerState* partner,
                                          convert::ProgressTicker& progress);

}  // namespace glyphon::formats
