// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/result.h"
#include "core/types.h"

// The NES attribute table: the background palette of every 16 by 16 pixel area. Each
// nametable screen of 32 by 30 tiles has 64 bytes, eight rows of eight; byte (row r, column c)
// covers the 32 by 32 pixel square at (32c, 32r): bits 0-1 its top-left 16 by 16 area, bits
// 2-3 the top-right, 4-5 the bottom-left and 6-7 the bottom-right, each a palette 0 to 3. The
// eighth row reaches below the screen's 30 tiles, so its bits 4-7 cover nothing and stay 0.
namespace glyphon::tiles {

inline constexpr int kNesScreenColumns = 32;  // tiles
inline constexpr int kNesScreenRows = 30;
inline constexpr int kNesAttributeBytes = 64;  // per screen
inline constexpr int kNesAreaSide = 16;        // pixels that share one palette

// The attribute tables of a picture whose 16 by 16 areas, areasAcross by areasDown in rows,
// take the palettes `areaPalettes` gives (0 to 3): one table per screen, the screens in rows,
// those only partly covered by the picture filled out with palette 0.
ByteString WriteNesAttributes(std::span<const std::uint8_t> areaPalettes, int areasAcross, int areasDown);

// The way back: each tile's palette, row by row, for a picture of widthTiles by heightTiles
// tiles. The tables must be exactly those of the picture's screens.
Result<std::vector<std::uint8_t>> ReadNesAttributes(std::span<const std::uint8_t> bytes, int widthTiles,
                                                    int heightTiles);

}  // namespace glyphon::tiles
