#include "formats/planar.h"

#include "formats/bit_planes.h"

namespace glyphon::formats {

namespace {

// Planes 0/1 interleaved per row in bytes 0-15, plane 2 alone in 16-23, one byte a row.
constexpr PlanarLayout<3> kThreeBpp{&kThreeBitGreys, 24, {{{0, 2}, {1, 2}, {16, 1}}}};
// Planes 0/1 interleaved per row in bytes 0-15, planes 2/3 likewise in 16-31.
constexpr PlanarLayout<4> kFourBpp{&kFourBitGreys, 32, {{{0, 2}, {1, 2}, {16, 2}, {17, 2}}}};
// Planes 2j and 2j + 1 interleaved per row in bytes 16j to 16j + 15, j = 0 to 3.
constexpr PlanarLayout<8> kEightBpp{
    &kEightBitGreys, 64, {{{0, 2}, {1, 2}, {16, 2}, {17, 2}, {32, 2}, {33, 2}, {48, 2}, {49, 2}}}};

}  // namespace

ByteString EncodeThreeBppSnes(const Surface& source, const Selection& selection, PartnerState&,
                              platform::ProgressSink& progress) {
  return bit_planes::Encode<kThreeBpp>(source, selection, progress);
}

std::optional<DecodeFailure> DecodeThreeBppSnes(std::span<const std::uint8_t> data, Surface& picture,
                                                DecodeMode mode, PartnerState*,
                                                convert::ProgressTicker& progress) {
  return bit_planes::Decode<kThreeBpp>(data, picture, mode, progress);
}

ByteString EncodeFourBppSnes(const Surface& source, const Selection& selection, PartnerState&,
                             platform::ProgressSink& progress) {
  return bit_planes::Encode<kFourBpp>(source, selection, progress);
}

std::optional<DecodeFailure> DecodeFourBppSnes(std::span<const std::uint8_t> data, Surface& picture,
                                               DecodeMode mode, PartnerState*,
                                               convert::ProgressTicker& progress) {
  return bit_planes::Decode<kFourBpp>(data, picture, mode, progress);
}

ByteString EncodeEightBppSnes(const Surface& source, const Selection& selection, PartnerState&,
                              platform::ProgressSink& progress) {
  return bit_planes::Encode<kEightBpp>(source, selection, progress);
}

std::optional<DecodeFailure> DecodeEightBppSnes(std::span<const std::uint8_t> data, Surface& picture,
                                                DecodeMode mode, PartnerState*,
                                                convert::ProgressTicker& progress) {
  return bit_planes::Decode<kEightBpp>(data, picture, mode, progress);
}

}  // namespace glyphon::formats
