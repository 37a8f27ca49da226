#pragma once

#include "formats/codec.h"

namespace glyphon::formats {

// The N64 direct-colour formats, pixels in row order with no gaps. The alpha comes from the
// partner data ("N64 alpha channel"), which has the main data's layout with only the alpha
// field filled. The decoders show the colour only.

// "16bpp N64 (High)": one 16-bit value per pixel, low byte first: red in bits 15-11, green
// 10-6, blue 5-1, alpha in bit 0.
ByteString EncodeN64High(const Surface& source, const Selection& selection, PartnerState& partner,
                         platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeN64High(std::span<const std::uint8_t> data, Surface& picture,
                                           DecodeMode mode, PartnerState* partner,
                                           convert::ProgressTicker& progress);

// "32bpp N64 (True)": four bytes per pixel, red, green, blue, alpha.
ByteString EncodeN64True(const Surface& source, const Selection& selection, PartnerState& partner,
                         platform::ProgressSink& progress);
std::optional<DecodeFailure> DecodeN64True(std::span<const std::uint8_t> data, Surface& picture,
                                           DecodeMode mode, PartnerState* partner,
                                           convert::ProgressTicker& progress);

}  // namespace glyphon::formats
