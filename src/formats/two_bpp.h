#pragma once

#include "formats/codec.h"

namespace glyphon::formats {

// "2bpp SNES/GB": 8 by 8 tiles of 16 bytes, planes 0 and 1 of row r at 2r and 2r + 1.
ByteString EncodeTwoBppSnesGb(const Surface& source, const Selection& selection, PartnerState& partner,
                              platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeTwoBppSnesGb(std::span<const std::uint8_t> data, Surface& picture,
                                                DecodeMode mode, PartnerState* partner,
                                                convert::ProgressTicker& progress);

// "2bpp NES": 8 by 8 tiles of 16 bytes, plane 0 of row r at r, plane 1 at 8 + r.
ByteString EncodeTwoBppNes(const Surface& source, const Selection& selection, PartnerState& partner,
                           platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeTwoBppNes(std::span<const std::uint8_t> data, Surface& picture,
                                             DecodeMode mode, PartnerState* partner,
                                             convert::ProgressTicker& progress);

// "2bpp Linear": four pixels a byte in row order, the first in bits 7-6.
ByteString EncodeTwoBppLinear(const Surface& source, const Selection& selection, PartnerState& partner,
                              platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeTwoBppLinear(std::span<const std::uint8_t> data, Surface& picture,
                                                DecodeMode mode, PartnerState* partner,
                                                convert::ProgressTicker& progress);

}  // namespace glyphon::formats
