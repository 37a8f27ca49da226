// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "convert/classify.h"
#include "formats/decoding.h"
#include "palette/palette.h"

namespace glyphon::formats::bgr555 {

// "16bpp BGR555": one 16-bit little-endian value a pixel in row order with no gaps: red in
// bits 0-4, green 5-9, blue 10-14; bit 15 is written 0 and never read (Game Boy Advance
// bitmap modes, Nintendo DS, PlayStation direct colour). A component goes to 5 bits and
// back as the 5-bit palettes take it (palette::ReduceTo5, palette::ExpandFrom5).

inline constexpr std::array<std::uint8_t, 256> kReduced = [] {
  std::array<std::uint8_t, 256> reduced{};
  for (int c = 0; c < 256; ++c)
    reduced[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(palette::ReduceTo5(c));
  return reduced;
}();

inline constexpr std::array<std::uint8_t, 32> kExpanded = [] {
  std::array<std::uint8_t, 32> expanded{};
  for (int v = 0; v < 32; ++v)
    expanded[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(palette::ExpandFrom5(v));
  return expanded;
}();

constexpr unsigned ValueOf(RgbColor colour) noexcept {
  return unsigned{kReduced[static_cast<std::size_t>(RedOf(colour))]} |
         unsigned{kReduced[static_cast<std::size_t>(GreenOf(colour))]} << 5 |
         unsigned{kReduced[static_cast<std::size_t>(BlueOf(colour))]} << 10;
}

inline void EncodeBand(SourceBand band, std::span<std::uint8_t> out, convert::ProgressTicker& ticker) {
  ForEachBandPixel(band, ticker, [&](RgbColor colour, int, int, std::int64_t k) {
    const unsigned value = ValueOf(colour);
    convert::StoreByte(out, 2 * (k - 1), static_cast<std::uint8_t>(value));
    convert::StoreByte(out, 2 * (k - 1) + 1, static_cast<std::uint8_t>(value >> 8));
  });
}

// A pixel that starts beyond the data is black. One that has its first byte but not its
// second fails the preview, and is drawn black in image generation.
inline std::optional<DecodeFailure> DecodeBand(DataWindow data, PictureBand band, DecodeMode mode,
                                               PartnerState*, convert::ProgressTicker& ticker) {
  const std::int64_t length = data.length;
  std::int64_t n = std::int64_t{band.width} * band.first;
  for (int y = band.first; y < band.End(); ++y) {
    RgbColor* row = band.Row(y);
    for (int x = 0; x < band.width; ++x, ++n) {
      const std::int64_t at = 2 * n;
      RgbColor colour = kBlack;
      if (at + 1 < length) {
        const unsigned v = data.At(at) | unsigned{data.At(at + 1)} << 8;
        colour = Rgb(kExpanded[v & 31], kExpanded[(v >> 5) & 31], kExpanded[(v >> 10) & 31]);
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

inline constexpr BandCodec kBand{EncodeBand, DecodeBand, 1};
inline constexpr EncodeFn Encode = EncodeInBands<EncodeBand, 1>;
inline constexpr DecodeFn Decode = DecodeInBands<DecodeBand, 1>;

}  // namespace glyphon::formats::bgr555
