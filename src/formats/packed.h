// SPDX-License-Identifier: MIT
#pragma once

#include "formats/packed_fields.h"

namespace glyphon::formats {

// The packed layouts. Each is used as packed_fields::Encode<layout> and
// packed_fields::Decode<layout>.

// "2bpp Linear": four pixels a byte in row order, the first in bits 7-6.
inline constexpr PackedLayout kTwoBppLinear{&kTwoBitGreys, false, false, 1};
// "2bpp VB Tile": 8 by 8 tiles of 16 bytes; row r is a little-endian word at 2r, column c
// in bits 2c and 2c + 1 (the earliest pixel of every byte in its lowest two bits), stored
// as a group of two bytes.
inline constexpr PackedLayout kTwoBppVbTile{&kTwoBitGreys, true, true, 2};
// "2bpp VB Linear": four pixels a byte in row order, the first in bits 1-0.
inline constexpr PackedLayout kTwoBppVbLinear{&kTwoBitGreys, false, true, 1};
// "4bpp Genesis": 8 by 8 tiles of 32 bytes, four bytes a row, two pixels a byte, the left
// one in the high nibble.
inline constexpr PackedLayout kFourBppGenesis{&kFourBitGreys, true, false, 1};
// "4bpp Linear": two pixels a byte in row order, the first in the high nibble.
inline constexpr PackedLayout kFourBppLinear{&kFourBitGreys, false, false, 1};
// "4bpp GBA": 8 by 8 tiles of 32 bytes, four bytes a row, two pixels a byte, the left one
// in the low nibble (Game Boy Advance and Nintendo DS tiles).
inline constexpr PackedLayout kFourBppGba{&kFourBitGreys, true, true, 1};
// "4bpp Linear Rev": two pixels a byte in row order, the first in the low nibble
// (PlayStation 4-bit textures, Nintendo DS 4-bit bitmaps).
inline constexpr PackedLayout kFourBppLinearRev{&kFourBitGreys, false, true, 1};
// "2bpp NGP": 8 by 8 tiles of 16 bytes; row r is a little-endian word at 2r with column c in
// bits 15 - 2c and 14 - 2c, so byte 2r holds columns 4-7 and byte 2r + 1 columns 0-3, the
// leftmost of each in bits 7-6 (Neo Geo Pocket and Pocket Color).
inline constexpr PackedLayout kTwoBppNgp{&kTwoBitGreys, true, false, 2, true};
// "8bpp Linear": one byte a pixel in row order, the grey level itself.
inline constexpr PackedLayout kEightBppLinear{&kEightBitGreys, false, false, 1};

}  // namespace glyphon::formats
