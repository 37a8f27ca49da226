// SPDX-License-Identifier: MIT
#pragma once

#include "core/types.h"

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

// Luma of a real colour (0x00BBGGRR) with the weights of ITU-R BT.601 (0.299 red, 0.587
// green, 0.114 blue), rounded: 0 for black, 255 for white, the level itself for a grey.
constexpr int LumaOfColour(RgbColor colour) noexcept {
  return (299 * RedOf(colour) + 587 * GreenOf(colour) + 114 * BlueOf(colour) + 500) / 1000;
}

// The shade rule of consoles that count from the lightest colour (the Game Boy's): of the
// 2^bits evenly spaced greys from white (value 0) down to black (the largest value), the
// one nearest in luma. (255 - luma) * top / 255 rounded half up.
constexpr int ShadeOfLuma(int luma, int bits) noexcept {
  const int top = (1 << bits) - 1;
  return (2 * (255 - luma) * top + 255) / 510;
}

// The grey level the shade rule draws `value` in: 255 - round(255 * value / top), so
// #FFFFFF, #AAAAAA, #555555, #000000 at 2 bits.
constexpr int ShadeLevel(int value, int bits) noexcept {
  const int top = (1 << bits) - 1;
  return 255 - (510 * value + top) / (2 * top);
}

}  // namespace glyphon::convert
