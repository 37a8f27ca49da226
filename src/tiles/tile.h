// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <span>
#include <vector>

#include "convert/value_plane.h"
#include "core/result.h"

namespace glyphon::tiles {

inline constexpr int kTileSide = 8;

// How a tile is mirrored: bit 0 left-right, bit 1 top-bottom, as the consoles' map
// entries flip a tile.
using Flip = std::uint8_t;
inline constexpr Flip kNoFlip = 0;
inline constexpr Flip kFlipH = 1;
inline constexpr Flip kFlipV = 2;
inline constexpr Flip kFlipBoth = kFlipH | kFlipV;

// One 8 by 8 tile of format values. Row r's eight values are packed into rows[r] in memory
// order (column c at byte c), so a row compares, hashes and mirrors as one machine word.
struct Tile {
  std::array<std::uint64_t, kTileSide> rows{};

  std::uint8_t At(int x, int y) const noexcept;
  void Set(int x, int y, std::uint8_t value) noexcept;

  friend bool operator==(const Tile&, const Tile&) = default;
  friend auto operator<=>(const Tile&, const Tile&) = default;
};

// The tile seen through `flip`. Mirroring twice the same way gives the tile back. Inline:
// deduplication with flips mirrors every tile three times.
inline Tile Mirror(const Tile& tile, Flip flip) noexcept {
  Tile out;
  for (std::size_t r = 0; r < out.rows.size(); ++r) {
    const std::uint64_t row = tile.rows[(flip & kFlipV) ? out.rows.size() - 1 - r : r];
    // Reversing a row word's bytes reverses its columns, whatever the machine's byte order.
    out.rows[r] = (flip & kFlipH) ? __builtin_bswap64(row) : row;
  }
  return out;
}

// The tile whose top-left pixel is (8 * column, 8 * row) of the plane, which must hold it.
Tile TileAt(const convert::ValuePlane& plane, int column, int row) noexcept;
// Draws the tile with its top-left pixel at (8 * column, 8 * row), which must lie inside.
void PutTile(convert::ValuePlane& plane, int column, int row, const Tile& tile) noexcept;

// Whether the plane's width and height are whole tiles, at least one each way.
Status CheckWholeTiles(const convert::ValuePlane& plane);

// The plane's 8 by 8 tiles in row order. Its width and height must be whole tiles.
Result<std::vector<Tile>> CutTiles(const convert::ValuePlane& plane);

// The tiles stacked in one column 8 pixels wide, the first on top: the picture a tiled
// format encodes into exactly these tiles, in this order.
convert::ValuePlane ColumnOfTiles(std::span<const Tile> tiles);

}  // namespace glyphon::tiles
