// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace glyphon {

// A colour as pixel reads return it: 0x00BBGGRR, red in the low byte.
using RgbColor = std::int32_t;

// What a pixel read outside a picture returns: all 32 bits set.
inline constexpr RgbColor kOutside = -1;
inline constexpr RgbColor kBlack = 0x000000;
inline constexpr RgbColor kWhite = 0xFFFFFF;

constexpr RgbColor Rgb(int red, int green, int blue) noexcept {
  return static_cast<RgbColor>(static_cast<std::uint32_t>(red & 0xFF) |
                               static_cast<std::uint32_t>(green & 0xFF) << 8 |
                               static_cast<std::uint32_t>(blue & 0xFF) << 16);
}
constexpr RgbColor GreyColor(int level) noexcept {
  return Rgb(level, level, level);
}
constexpr int RedOf(RgbColor c) noexcept {
  return c & 0xFF;
}
constexpr int GreenOf(RgbColor c) noexcept {
  return (c >> 8) & 0xFF;
}
constexpr int BlueOf(RgbColor c) noexcept {
  return (c >> 16) & 0xFF;
}

// One byte per element, values 0 to 255: the ROM data and the partner data.
using ByteString = std::vector<std::uint8_t>;

// Every conversion of a real number to an integer goes to the nearest integer, ties to
// the even one (12.5 -> 12, 37.5 -> 38). nearbyint does exactly that in the default
// rounding mode, which this program never changes.
inline std::int64_t Nearest(double v) noexcept {
  return static_cast<std::int64_t>(std::nearbyint(v));
}

// Pictures are limited to what the 16-bit selection spinners can address.
inline constexpr int kMaxPictureSide = 32767;
// Pictures are also limited in area, so a decode or a picture file can never ask for
// more than 256 MiB of pixels (the limit Qt's image reader applies by default).
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;

}  // namespace glyphon
