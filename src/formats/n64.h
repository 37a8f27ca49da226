// SPDX-License-Identifier: MIT
#pragma once

#include <array>

#include "convert/classify.h"
#include "formats/partner_steps.h"

namespace glyphon::formats::n64 {

// The N64 direct-colour formats, pixels in row order with no gaps. The alpha comes from the
// partner data ("N64 alpha channel"), which has the main data's layout with only the alpha
// field filled. The decoders show the colour only.
// "16bpp N64 (High)" (kBytes 2): one 16-bit value per pixel, low byte first: red in bits
// 15-11, green 10-6, blue 5-1, alpha in bit 0.
// "32bpp N64 (True)" (kBytes 4): four bytes per pixel, red, green, blue, alpha.
// Encoded through EncodeWithPartner<Codec<kBytes>>.

// kBytes per pixel: 2 for the 16-bit format, 4 for the 32-bit one.
template <int kBytes>
class Codec {
 public:
  static constexpr bool kPartnerAtSelection = true;

  // A fresh partner string says "opaque" in every byte; the grown area of the partner
  // picture is white, opaque too.
  static constexpr PartnerLayout kLayout{kBytes == 2 ? std::uint8_t{1} : std::uint8_t{255}, kWhite};

  explicit Codec(const Selection&) noexcept {}

  // Pixel k owns bytes kBytes * (k - 1) onwards of both strings.
  static bool FusesWith(const Selection&) noexcept { return true; }

  // The alpha of a partner picture point is its grey: one bit (grey 128 and up) or a byte.
  void PartnerPoint(WritableBytes aux, RgbColor colour, int, int, std::int64_t k) const noexcept {
    WriteAlpha(aux, Offset(k), AlphaOf(colour));
  }

  // Both strings hold pixel k whole, so each takes one little-endian word.
  void Fused(WritableBytes out, WritableBytes aux, RgbColor colour, RgbColor partnerColour, int, int,
             std::int64_t k) const noexcept {
    const std::size_t at = Offset(k);
    const auto alpha = static_cast<std::uint32_t>(AlphaOf(partnerColour));
    if constexpr (kBytes == 2) {
      StoreWord(aux, at, alpha);
      StoreWord(out, at, HighColour(colour) | alpha);
    } else {
      // 0x00BBGGRR is red, green, blue in the first three bytes already.
      StoreWord(aux, at, alpha << 24);
      StoreWord(out, at, static_cast<std::uint32_t>(colour) | alpha << 24);
    }
  }

  // Keeps only the alpha field of the partner data and shows it as a grey.
  int PartnerData(WritableBytes aux, int, int, std::int64_t k) const noexcept {
    const std::size_t at = Offset(k);
    const int alpha = kBytes == 2 ? aux[at] & 1 : aux[at + 3];
    WriteAlpha(aux, at, alpha);
    return kBytes == 2 ? 255 * alpha : alpha;
  }

  void Main(WritableBytes out, ReadableBytes aux, RgbColor colour, int, int, std::int64_t k) const noexcept {
    const std::size_t at = Offset(k);
    if constexpr (kBytes == 2) {
      const unsigned alpha = at < aux.size() ? aux[at] & 1u : 0u;
      StoreWord(out, at, HighColour(colour) | alpha);
    } else {
      const std::uint32_t alpha = at + 3 < aux.size() ? aux[at + 3] : 0u;
      StoreWord(out, at, static_cast<std::uint32_t>(colour) | alpha << 24);
    }
  }

 private:
  static std::size_t Offset(std::int64_t k) noexcept { return static_cast<std::size_t>(kBytes * (k - 1)); }

  static int AlphaOf(RgbColor colour) noexcept {
    return kBytes == 2 ? convert::GreyOfColour(colour) >> 7 : convert::GreyOfColour(colour);
  }

  // The 16-bit value without its alpha bit.
  static std::uint32_t HighColour(RgbColor colour) noexcept {
    const auto red = static_cast<std::uint32_t>(RedOf(colour));
    const auto green = static_cast<std::uint32_t>(GreenOf(colour));
    const auto blue = static_cast<std::uint32_t>(BlueOf(colour));
    return (red >> 3) << 11 | (green >> 3) << 6 | (blue >> 3) << 1;
  }

  // The kBytes low bytes of `word` at `at`, low byte first.
  static void StoreWord(WritableBytes bytes, std::size_t at, std::uint32_t word) noexcept {
    for (std::size_t i = 0; i < kBytes; ++i) bytes[at + i] = static_cast<std::uint8_t>(word >> (8 * i));
  }

  static void WriteAlpha(WritableBytes aux, std::size_t at, int alpha) noexcept {
    for (std::size_t i = 0; i < kBytes; ++i) aux[at + i] = 0;
    aux[at + (kBytes == 2 ? 0 : 3)] = static_cast<std::uint8_t>(alpha);
  }
};

// A 5-bit component r is shown as floor(8.25 * r) = floor(33 * r / 4): 0, 8, 16, ..., 247, 255.
inline constexpr std::array<std::uint8_t, 32> kFiveBitLevels = [] {
  std::array<std::uint8_t, 32> levels{};
  for (unsigned r = 0; r < 32; ++r) levels[r] = static_cast<std::uint8_t>(33 * r / 4);
  return levels;
}();

// Only a pixel's first byte is tested against the end of the data: a pixel that starts
// beyond it is black. A pixel that starts inside but misses a later colour byte fails the
// preview, and is drawn black in image generation. The alpha byte of the 32-bit format is
// never read.
template <int kBytes>
std::optional<DecodeFailure> DecodeBand(DataWindow data, PictureBand band, DecodeMode mode, PartnerState*,
                                        convert::ProgressTicker& ticker) {
  constexpr std::int64_t kLastColourByte = kBytes == 2 ? 1 : 2;
  const std::int64_t length = data.length;
  std::int64_t n = std::int64_t{band.width} * band.first;
  for (int y = band.first; y < band.End(); ++y) {
    RgbColor* row = band.Row(y);
    for (int x = 0; x < band.width; ++x, ++n) {
      const std::int64_t at = kBytes * n;
      RgbColor colour = kBlack;
      if (at + kLastColourByte < length) {
        const std::uint8_t* pixel = &data.bytes[static_cast<std::size_t>(at - data.base)];
        if constexpr (kBytes == 2) {
          const unsigned v = pixel[0] | static_cast<unsigned>(pixel[1]) << 8;
          colour = Rgb(kFiveBitLevels[v >> 11], kFiveBitLevels[(v >> 6) & 31], kFiveBitLevels[(v >> 1) & 31]);
        } else {
          colour = Rgb(pixel[0], pixel[1], pixel[2]);
        }
      } else if (at < length && mode == DecodeMode::Preview) {
        ticker.TickTo(n);
        return DecodeFailure{DecodeFailure::Kind::ByteBeyondData, x, y, length, length};
      }
      row[x] = colour;
    }
    ticker.TickTo(n);
  }
  return std::nullopt;
}

template <int kBytes>
inline constexpr DecodeFn Decode = DecodeInBands<DecodeBand<kBytes>, 1>;

}  // namespace glyphon::formats::n64
