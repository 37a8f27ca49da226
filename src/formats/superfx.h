// SPDX-License-Identifier: MIT
#pragma once

#include "convert/classify.h"
#include "formats/partner_steps.h"

namespace glyphon::formats::superfx {

// The SuperFX stream: one byte per pixel in row order, the low nibble a pixel of the "low"
// picture and the high nibble the same pixel of the "high" picture. Each format encodes the
// selection into its own nibble and takes the other nibble from the partner data:
// "4bpp FX Low" (kOwnShift 0) with the partner "SuperFX high", "4bpp FX High" (kOwnShift 4)
// with the partner "SuperFX low". Encoded through EncodeWithPartner<Codec<kOwnShift>>.
template <int kOwnShift>
class Codec {
 public:
  static constexpr int kPartnerShift = 4 - kOwnShift;
  static constexpr unsigned kPartnerMask = 0x0Fu << kPartnerShift;
  static constexpr bool kPartnerAtSelection = true;
  // A fresh partner string holds the own nibble all set, which the partner mask clears:
  // without a partner every partner nibble is 0.
  static constexpr PartnerLayout kLayout{static_cast<std::uint8_t>(0x0Fu << kOwnShift), kBlack};

  explicit Codec(const Selection&) noexcept {}

  // The two nibbles of a byte are the same pixel of the two pictures, so pixel k owns byte
  // k - 1 of both strings whole: its partner point is the only write to the partner byte
  // its main pass reads, at any width.
  static bool FusesWith(const Selection&) noexcept { return true; }

  void Fused(WritableBytes out, WritableBytes aux, RgbColor colour, RgbColor partnerColour, int, int,
             std::int64_t k) const noexcept {
    const auto p = static_cast<std::size_t>(k - 1);
    aux[p] = Nibble(partnerColour, kPartnerShift);
    out[p] = static_cast<std::uint8_t>(Nibble(colour, kOwnShift) | aux[p]);
  }

  void PartnerPoint(WritableBytes aux, RgbColor colour, int, int, std::int64_t k) const noexcept {
    aux[static_cast<std::size_t>(k - 1)] = Nibble(colour, kPartnerShift);
  }

  // The partner picture shows the masked byte itself as its grey: 0-240 in steps of 16 for
  // a high partner nibble, 0-15 for a low one.
  int PartnerData(WritableBytes aux, int, int, std::int64_t k) const noexcept {
    std::uint8_t& byte = aux[static_cast<std::size_t>(k - 1)];
    byte = static_cast<std::uint8_t>(byte & kPartnerMask);
    return byte;
  }

  void Main(WritableBytes out, ReadableBytes aux, RgbColor colour, int, int, std::int64_t k) const noexcept {
    const auto p = static_cast<std::size_t>(k - 1);
    const unsigned partner = p < aux.size() ? aux[p] & kPartnerMask : 0u;
    out[p] = static_cast<std::uint8_t>(Nibble(colour, kOwnShift) | partner);
  }

 private:
  // floor(grey / 16) of a real colour, moved into its nibble.
  static std::uint8_t Nibble(RgbColor colour, int shift) noexcept {
    return static_cast<std::uint8_t>((convert::GreyOfColour(colour) >> 4) << shift);
  }
};

// Draws the own nibble v as grey 17 * v; the other nibble is not shown. A pixel beyond the
// data is index 0, black. One byte per pixel: no pixel has a later byte to miss.
template <int kOwnShift>
std::optional<DecodeFailure> DecodeBand(DataWindow data, PictureBand band, DecodeMode, PartnerState*,
                                        convert::ProgressTicker& ticker) {
  const std::int64_t length = data.length;
  std::int64_t p = std::int64_t{band.width} * band.first;
  for (int y = band.first; y < band.End(); ++y) {
    RgbColor* row = band.Row(y);
    for (int x = 0; x < band.width; ++x, ++p) {
      const int v = p < length ? (data.At(p) >> kOwnShift) & 0x0F : 0;
      row[x] = GreyColor(17 * v);
    }
    ticker.TickTo(p);
  }
  return std::nullopt;
}

template <int kOwnShift>
inline constexpr DecodeFn Decode = DecodeInBands<DecodeBand<kOwnShift>, 1>;

}  // namespace glyphon::formats::superfx
