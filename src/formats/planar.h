// SPDX-License-Identifier: MIT
#pragma once

#include "formats/bit_planes.h"

namespace glyphon::formats {

// The planar tile layouts. Each is used as bit_planes::Encode<layout> and
// bit_planes::Decode<layout>.

// "2bpp SNES/GB": 8 by 8 tiles of 16 bytes, planes 0 and 1 of row r at 2r and 2r + 1.
inline constexpr PlanarLayout<2> kTwoBppSnesGb{&kTwoBitGreys, 16, {{{0, 2}, {1, 2}}}};
// "2bpp NES": 8 by 8 tiles of 16 bytes, plane 0 of row r at r, plane 1 at 8 + r.
inline constexpr PlanarLayout<2> kTwoBppNes{&kTwoBitGreys, 16, {{{0, 1}, {8, 1}}}};
// "3bpp SNES": 8 by 8 tiles of 24 bytes; planes 0/1 interleaved per row in bytes 0-15,
// plane 2 of row r at 16 + r.
inline constexpr PlanarLayout<3> kThreeBppSnes{&kThreeBitGreys, 24, {{{0, 2}, {1, 2}, {16, 1}}}};
// "4bpp SNES": 8 by 8 tiles of 32 bytes; planes 0/1 interleaved per row in bytes 0-15,
// planes 2/3 likewise in 16-31.
inline constexpr PlanarLayout<4> kFourBppSnes{&kFourBitGreys, 32, {{{0, 2}, {1, 2}, {16, 2}, {17, 2}}}};
// "4bpp SMS": 8 by 8 tiles of 32 bytes; row r is four bytes at 4r, planes 0 to 3 in order
// (Master System, Game Gear, WonderSwan Color planar).
inline constexpr PlanarLayout<4> kFourBppSms{&kFourBitGreys, 32, {{{0, 4}, {1, 4}, {2, 4}, {3, 4}}}};
// "8bpp SNES": 8 by 8 tiles of 64 bytes; planes 2j and 2j + 1 interleaved per row in bytes
// 16j to 16j + 15, j = 0 to 3.
inline constexpr PlanarLayout<8> kEightBppSnes{
    &kEightBitGreys, 64, {{{0, 2}, {1, 2}, {16, 2}, {17, 2}, {32, 2}, {33, 2}, {48, 2}, {49, 2}}}};

}  // namespace glyphon::formats
