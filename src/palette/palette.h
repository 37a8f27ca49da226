// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/types.h"

namespace glyphon::palette {

inline constexpr std::size_t kMaxColours = 256;

// Up to 256 colours (0x00BBGGRR, as pixel reads give them); entry i is the colour of
// value i.
struct Palette {
  std::vector<RgbColor> colours;
  friend bool operator==(const Palette&, const Palette&) = default;
};

// Component depths of the console layouts. 8 bits to n: round(c * (2^n - 1) / 255), which
// never ties (the doubled numerator is odd), so adding half the divisor and truncating is
// exact. n bits to 8 repeats the bits downwards: 5 bits (v << 3) | (v >> 2), 3 bits
// (v << 5) | (v << 2) | (v >> 1), the nearest 8-bit levels to v * 255 / (2^n - 1). Either
// way round, reducing an expanded level gives it back.
constexpr int ReduceTo5(int c) noexcept {
  return (c * 31 + 127) / 255;
}
constexpr int ReduceTo3(int c) noexcept {
  return (c * 7 + 127) / 255;
}
constexpr int ExpandFrom5(int v) noexcept {
  return (v << 3) | (v >> 2);
}
constexpr int ExpandFrom3(int v) noexcept {
  return (v << 5) | (v << 2) | (v >> 1);
}

// The colours as a layout of `bits` bits a component (3, 5 or 8) stores and reads them back.
Palette AtDepth(const Palette& palette, int bits);

// How a component goes from 8 bits to fewer: to the nearest level (ReduceTo5), or by
// dropping the low bits (c >> 3 to 5 bits), as many other tools do.
enum class Rounding { Nearest, Truncate };

// A colour whose components a layout of `bits` bits (3 or 5; 8 leaves it) reduces to the
// nearest level give the levels `rounding` picks: under Truncate each component becomes the
// expanded level of c >> (8 - bits), which reduces back to c >> (8 - bits).
RgbColor Rounded(RgbColor colour, int bits, Rounding rounding);
Palette Rounded(const Palette& palette, int bits, Rounding rounding);

// "#rrggbb" in lower case.
std::string HexColour(RgbColor colour);

}  // namespace glyphon::palette
