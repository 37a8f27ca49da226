#pragma once

#include "formats/codec.h"

namespace glyphon::formats {

// "2bpp VB Tile": 8 by 8 tiles of 16 bytes; row r is a little-endian word at 2r, column c
// in bits 2c and 2c + 1.
ByteString EncodeTwoBppVbTile(const Surface& source, const Selection& selection, PartnerState& partner,
                              platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeTwoBppVbTile(std::span<const std::uint8_t> data, Surface& picture,
                                                DecodeMode mode, PartnerState* partner,
                                                convert::ProgressTicker& progress);

// "2bpp VB Linear": four pixels a byte in row order, the first in bits 1-0.
ByteString EncodeTwoBppVbLinear(const Surface& source, const Selection& selection, PartnerState& partner,
                                platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeTwoBppVbLinear(std::span<const std::uint8_t> data, Surface& picture,
                                                  DecodeMode mode, PartnerState* partner,
                                                  convert::ProgressTicker& progress);

}  // namespace glyphon::formats
