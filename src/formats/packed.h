#pragma once

#include "formats/codec.h"

namespace glyphon::formats {

// "4bpp Genesis": 8 by 8 tiles of 32 bytes, four bytes a row, two pixels a byte, the left one
// in the high nibble.
ByteString EncodeFourBppGenesis(const Surface& source, const Selection& selection, PartnerState& partner,
                                platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeFourBppGenesis(std::span<const std::uint8_t> data, Surface& picture,
                                                  DecodeMode mode, PartnerState* partner,
                                                  convert::ProgressTicker& progress);

// "4bpp Linear": two pixels a byte in row order, the first in the high nibble.
ByteString EncodeFourBppLinear(const Surface& source, const Selection& selection, PartnerState& partner,
                               platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeFourBppLinear(std::span<const std::uint8_t> data, Surface& picture,
                                                 DecodeMode mode, PartnerState* partner,
                                                 convert::ProgressTicker& progress);

// "8bpp Linear": one byte a pixel in row order, the grey level itself.
ByteString EncodeEightBppLinear(const Surface& source, const Selection& selection, PartnerState& partner,
                                platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeEightBppLinear(std::span<const std::uint8_t> data, Surface& picture,
                                                  DecodeMode mode, PartnerState* partner,
                                                  convert::ProgressTicker& progress);

}  // namespace glyphon::formats
