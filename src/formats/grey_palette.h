// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "convert/classify.h"
#include "core/types.h"

namespace glyphon::formats {

// The grey palette of an index format: the index each grey level 0-255 goes to when
// encoding, and the grey each index is drawn in when decoding. The encoders read the
// source through InsideOrBlack, so the grey of every pixel they classify lies in 0-255
// and one table look-up replaces the division or the band comparisons.
struct GreyPalette {
  int bits = 0;
  // 1 bit: the encoder compares the whole colour value with 0x7F7F7F (blue decides first)
  // rather than its grey level; indexOfGrey still holds what that gives for a grey.
  bool wholeColour = false;
  std::array<std::uint8_t, 256> indexOfGrey{};
  std::array<RgbColor, 256> colourOfIndex{};  // the first 2^bits entries are used

  constexpr unsigned MaxIndex() const noexcept { return (1u << bits) - 1u; }
  // Past the end of the data a pixel takes the largest index, drawn white.
  constexpr RgbColor EndOfDataColour() const noexcept { return colourOfIndex[MaxIndex()]; }
};

template <class IndexRule, class LevelRule>
constexpr GreyPalette MakeGreyPalette(int bits, IndexRule index, LevelRule level) {
  GreyPalette palette;
  palette.bits = bits;
  for (std::size_t grey = 0; grey < 256; ++grey) {
    palette.indexOfGrey[grey] = static_cast<std::uint8_t>(index(static_cast<int>(grey)));
  }
  for (std::size_t v = 0; v < (std::size_t{1} << bits); ++v)
    palette.colourOfIndex[v] = GreyColor(level(static_cast<int>(v)));
  return palette;
}

// 1 bit: Bit1 of the colour; a grey g is above 0x7F7F7F from g = 128 on. Drawn black and
// white.
inline constexpr GreyPalette kOneBitGreys = [] {
  GreyPalette palette = MakeGreyPalette(
      1, [](int g) { return g >= 128 ? 1 : 0; }, [](int v) { return v * 255; });
  palette.wholeColour = true;
  return palette;
}();

// 2 bits: the four uneven bands of Level2; drawn 0, 128, 192, 255, each inside its own
// band so that decoding and encoding again gives back the same indices.
inline constexpr GreyPalette kTwoBitGreys = MakeGreyPalette(
    2, [](int g) { return convert::Level2(g); },
    [](int v) {
      constexpr int kLevels[] = {0, 128, 192, 255};
      return kLevels[v];
    });

// 3 bits: g \ 32; drawn nearest(255 / 7 * v). 255v / 7 never ends in one half, so
// rounding half up, floor((510v + 7) / 14), is the nearest integer.
inline constexpr GreyPalette kThreeBitGreys = MakeGreyPalette(
    3, [](int g) { return convert::TruncDiv(g, 32); }, [](int v) { return (510 * v + 7) / 14; });

// 4 bits: g \ 16 (the same as floor(g / 16) for the greys 0-255); drawn 17v.
inline constexpr GreyPalette kFourBitGreys = MakeGreyPalette(
    4, [](int g) { return convert::TruncDiv(g, 16); }, [](int v) { return 17 * v; });

// 8 bits: the grey itself, drawn as it is.
inline constexpr GreyPalette kEightBitGreys = MakeGreyPalette(
    8, [](int g) { return g; }, [](int v) { return v; });

// The colours the decoders of a format of `bitsPerPixel` draw, in index order: black and
// white at 1 bit, the grey palette at 2, 3, 4 and 8 bits; none for direct colour.
inline std::span<const RgbColor> DecoderColours(int bitsPerPixel) noexcept {
  static constexpr std::array<RgbColor, 2> kBlackWhite{kBlack, kWhite};
  auto first = [](const GreyPalette& palette) {
    return std::span<const RgbColor>(palette.colourOfIndex.data(), std::size_t{1} << palette.bits);
  };
  switch (bitsPerPixel) {
    case 1:
      return kBlackWhite;
    case 2:
      return first(kTwoBitGreys);
    case 3:
      return first(kThreeBitGreys);
    case 4:
      return first(kFourBitGreys);
    case 8:
      return first(kEightBitGreys);
    default:
      return {};
  }
}

}  // namespace glyphon::formats
