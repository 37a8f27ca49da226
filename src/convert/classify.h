#pragma once

#include "platform/types.h"

namespace glyphon::convert {

// The 1-bit rule compares the whole colour value with 0x7F7F7F, so blue decides first.
constexpr int Bit1(RgbColor colour) noexcept {
  return colour > 0x7F7F7F ? 1 : 0;
}

// The four-level rule of the 2-bit formats; the bands are deliberately uneven.
constexpr int Level2(int grey) noexcept {
  if (grey <= 64) return 0;
  if (grey <= 135) return 1;
  if (grey <= 199) return 2;
  return 3;
}

// Integer division truncating toward zero (a \ b), which differs from the floor only for
// negative greys, that is for the invalid read.
constexpr int TruncDiv(int a, int b) noexcept {
  return a / b;
}

// Encoders read the source through this: a point outside the picture counts as black,
// since its classification (grey -21590) fits no field of a multi-bit format, and
// black is what the 1- and 2-bit rules give it anyway.
constexpr RgbColor InsideOrBlack(RgbColor colour) noexcept {
  return colour < 0 ? kBlack : colour;
}

// Grey level of a real colour (0x00BBGGRR), the hot path of every multi-bit encoder.
constexpr int GreyOfColour(RgbColor colour) noexcept {
  // A sum divided by 3 never ends in one half, so rounding is (sum + 1) / 3.
  return (RedOf(colour) + GreenOf(colour) + BlueOf(colour) + 1) / 3;
}

}  // namespace glyphon::convert
