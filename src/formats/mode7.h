#pragma once

#include "formats/codec.h"

namespace glyphon::formats {

// Mode 7 graphics: 8 by 8 tiles of one byte per pixel, 64 bytes per tile, tiles in row
// order, each tile row by row. Pixel (x, y) of a W-wide picture is pixel number
// 64 * ((y \ 8) * (W \ 8) + x \ 8) + 8 * (y mod 8) + x mod 8.

// "8bpp Mode7 Lin": byte m is pixel number m.
ByteString EncodeMode7Linear(const Surface& source, const Selection& selection, PartnerState& partner,
                             platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeMode7Linear(std::span<const std::uint8_t> data, Surface& picture,
                                               DecodeMode mode, PartnerState* partner,
                                               convert::ProgressTicker& progress);

// "8bpp Mode7 Int": byte 2m is pixel number m, byte 2m + 1 its partner ("Mode7 interleave")
// byte, as the hardware interleaves the tile map with the character data. Image generation
// rebuilds the partner data from the odd bytes.
ByteString EncodeMode7Interleaved(const Surface& source, const Selection& selection, PartnerState& partner,
                                  platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeMode7Interleaved(std::span<const std::uint8_t> data, Surface& picture,
                                                    DecodeMode mode, PartnerState* partner,
                                                    convert::ProgressTicker& progress);

}  // namespace glyphon::formats
