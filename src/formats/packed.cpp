#include "formats/packed.h"

#include "formats/packed_fields.h"

namespace glyphon::formats {

namespace {

// Two pixels a byte, the earlier (left) one in the high nibble.
constexpr PackedLayout kGenesis{&kFourBitGreys, true, false, 1};
constexpr PackedLayout kFourBppLinear{&kFourBitGreys, false, false, 1};
constexpr PackedLayout kEightBppLinear{&kEightBitGreys, false, false, 1};

}  // namespace

ByteString EncodeFourBppGenesis(const Surface& source, const Selection& selection, PartnerState&,
                                platform::ProgressSink& progress) {
  return packed_fields::Encode<kGenesis>(source, selection, progress);
}

std::optional<DecodeFailure> DecodeFourBppGenesis(std::span<const std::uint8_t> data, Surface& picture,
                                                  DecodeMode, PartnerState*,
                                                  convert::ProgressTicker& progress) {
  return packed_fields::Decode<kGenesis>(data, picture, progress);
}

ByteString EncodeFourBppLinear(const Surface& source, const Selection& selection, PartnerState&,
                               platform::ProgressSink& progress) {
  return packed_fields::Encode<kFourBppLinear>(source, selection, progress);
}

std::optional<DecodeFailure> DecodeFourBppLinear(std::span<const std::uint8_t> data, Surface& picture,
                                                 DecodeMode, PartnerState*,
                                                 convert::ProgressTicker& progress) {
  return packed_fields::Decode<kFourBppLinear>(data, picture, progress);
}

ByteString EncodeEightBppLinear(const Surface& source, const Selection& selection, PartnerState&,
                                platform::ProgressSink& progress) {
  return packed_fields::Encode<kEightBppLinear>(source, selection, progress);
}

std::optional<DecodeFailure> DecodeEightBppLinear(std::span<const std::uint8_t> data, Surface& picture,
                                                  DecodeMode, PartnerState*,
                                                  convert::ProgressTicker& progress) {
  return packed_fields::Decode<kEightBppLinear>(data, picture, progress);
}

}  // namespace glyphon::formats
