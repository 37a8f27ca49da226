#pragma once

#include "formats/codec.h"

namespace glyphon::formats {

// "3bpp SNES": 8 by 8 tiles of 24 bytes; planes 0/1 interleaved per row in bytes 0-15, plane 2
// of row r at 16 + r.
ByteString EncodeThreeBppSnes(const Surface& source, const Selection& selection, PartnerState& partner,
                              platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeThreeBppSnes(std::span<const std::uint8_t> data, Surface& picture,
                                                DecodeMode mode, PartnerState* partner,
                                                convert::ProgressTicker& progress);

// "4bpp SNES": 8 by 8 tiles of 32 bytes; planes 0/1 interleaved per row in bytes 0-15, planes
// 2/3 likewise in 16-31.
ByteString EncodeFourBppSnes(const Surface& source, const Selection& selection, PartnerState& partner,
                             platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeFourBppSnes(std::span<const std::uint8_t> data, Surface& picture,
                                               DecodeMode mode, PartnerState* partner,
                                               convert::ProgressTicker& progress);

// "8bpp SNES": 8 by 8 tiles of 64 bytes; planes 2j and 2j + 1 interleaved per row in bytes
// 16j to 16j + 15.
ByteString EncodeEightBppSnes(const Surface& source, const Selection& selection, PartnerState& partner,
                              platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeEightBppSnes(std::span<const std::uint8_t> data, Surface& picture,
                                                DecodeMode mode, PartnerState* partner,
                                                convert::ProgressTicker& progress);

}  // namespace glyphon::formats
