#include "formats/vb.h"

#include "formats/packed_fields.h"

namespace glyphon::formats {

namespace {

// The earliest pixel of every byte in its lowest two bits. A tile row is one 16-bit
// little-endian word, stored as a group of two bytes.
constexpr PackedLayout kTile{&kTwoBitGreys, true, true, 2};
constexpr PackedLayout kLinear{&kTwoBitGreys, false, true, 1};

}  // namespace

ByteString EncodeTwoBppVbTile(const Surface& source, const Selection& selection, PartnerState&,
                              platform::ProgressSink& progress) {
  return packed_fields::Encode<kTile>(source, selection, progress);
}

std::optional<DecodeFailure> DecodeTwoBppVbTile(std::span<const std::uint8_t> data, Surface& picture,
                                                DecodeMode, PartnerState*,
                                                convert::ProgressTicker& progress) {
  return packed_fields::Decode<kTile>(data, picture, progress);
}

ByteString EncodeTwoBppVbLinear(const Surface& source, const Selection& selection, PartnerState&,
                                platform::ProgressSink& progress) {
  return packed_fields::Encode<kLinear>(source, selection, progress);
}

std::optional<DecodeFailure> DecodeTwoBppVbLinear(std::span<const std::uint8_t> data, Surface& picture,
                                                  DecodeMode, PartnerState*,
                                                  convert::ProgressTicker& progress) {
  return packed_fields::Decode<kLinear>(data, picture, progress);
}

}  // namespace glyphon::formats
