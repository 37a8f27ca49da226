#pragma once

#include "formats/codec.h"

namespace glyphon::formats {

// "1bpp SNES": 8 by 8 tiles of 8 bytes, byte 8t + r is row r of tile t, bit 7 the left column.
ByteString EncodeOneBppSnes(const Surface& source, const Selection& selection, PartnerState& partner,
                            platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeOneBppSnes(std::span<const std::uint8_t> data, Surface& picture,
                                              DecodeMode mode, PartnerState* partner,
                                              convert::ProgressTicker& progress);

// "1bpp Linear": one bit stream in row order, no padding at row ends, bit 7 first.
ByteString EncodeOneBppLinear(const Surface& source, const Selection& selection, PartnerState& partner,
                              platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeOneBppLinear(std::span<const std::uint8_t> data, Surface& picture,
                                                DecodeMode mode, PartnerState* partner,
                                                convert::ProgressTicker& progress);

}  // namespace glyphon::formats
