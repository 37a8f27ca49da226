#include "formats/two_bpp.h"

#include "formats/bit_planes.h"
#include "formats/packed_fields.h"

namespace glyphon::formats {

namespace {

// Planes 0 and 1 interleaved: row r's plane bytes at 2r and 2r + 1.
constexpr PlanarLayout<2> kSnesGb{&kTwoBitGreys, 16, {{{0, 2}, {1, 2}}}};
// Plane 0 in bytes 0-7, then plane 1 in bytes 8-15, one byte a row.
constexpr PlanarLayout<2> kNes{&kTwoBitGreys, 16, {{{0, 1}, {8, 1}}}};
constexpr PackedLayout kLinear{&kTwoBitGreys, false, false, 1};

}  // namespace

ByteString EncodeTwoBppSnesGb(const Surface& source, const Selection& selection, PartnerState&,
                              platform::ProgressSink& progress) {
  return bit_planes::Encode<kSnesGb>(source, selection, progress);
}

std::optional<DecodeFailure> DecodeTwoBppSnesGb(std::span<const std::uint8_t> data, Surface& picture,
                                                DecodeMode mode, PartnerState*,
                                                convert::ProgressTicker& progress) {
  return bit_planes::Decode<kSnesGb>(data, picture, mode, progress);
}

ByteString EncodeTwoBppNes(const Surface& source, const Selection& selection, PartnerState&,
                           platform::ProgressSink& progress) {
  return bit_planes::Encode<kNes>(source, selection, progress);
}

std::optional<DecodeFailure> DecodeTwoBppNes(std::span<const std::uint8_t> data, Surface& picture,
                                             DecodeMode mode, PartnerState*,
                                             convert::ProgressTicker& progress) {
  return bit_planes::Decode<kNes>(data, picture, mode, progress);
}

ByteString EncodeTwoBppLinear(const Surface& source, const Selection& selection, PartnerState&,
                              platform::ProgressSink& progress) {
  return packed_fields::Encode<kLinear>(source, selection, progress);
}

std::optional<DecodeFailure> DecodeTwoBppLinear(std::span<const std::uint8_t> data, Surface& picture,
                                                DecodeMode, PartnerState*,
                                                convert::ProgressTicker& progress) {
  return packed_fields::Decode<kLinear>(data, picture, progress);
}

}  // namespace glyphon::formats
