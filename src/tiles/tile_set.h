// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "convert/value_plane.h"
#include "core/result.h"
#include "tiles/tile.h"

namespace glyphon::tiles {

// Which picture tiles count as the same tile set entry.
enum class Dedupe {
  None,      // every picture tile is its own entry
  Exact,     // tiles with equal values share the first one's entry
  WithFlips  // also a tile equal to another's left-right, top-bottom or both-way mirror
};

// One cell of a tile map: the tile set entry drawn there (counted from 0) and how it is
// mirrored, with the palette number and priority bit the map layouts carry.
struct MapEntry {
  std::uint32_t tile = 0;
  Flip flip = kNoFlip;
  std::uint8_t palette = 0;
  bool priority = false;
  bool fixed = false;  // `tile` is the map's own number, not counted from the base tile
  friend bool operator==(const MapEntry&, const MapEntry&) = default;
};

// A picture's tiles as map cells in row order, widthTiles to a row.
struct TileMap {
  int widthTiles = 0;
  std::vector<MapEntry> entries;
};

struct TileSet {
  std::vector<Tile> tiles;  // the entries, in the order their first tile appears
  TileMap map;              // one cell per picture tile
};

// Cuts the plane (whole 8 by 8 tiles) into a tile set and a map that places it. Equal tiles
// are found by hashing, so the run is linear in the number of tiles; the first of equal
// tiles is kept, and a tile that equals an entry both as it stands and as a mirror is
// placed unflipped.
Result<TileSet> MakeTileSet(const convert::ValuePlane& plane, Dedupe dedupe);

// The choices of a tile set beyond the dedupe rule.
struct TileSetOptions {
  Dedupe dedupe = Dedupe::None;
  // The mirrors WithFlips may use: kFlipH, kFlipV or kFlipBoth (all three mirrors).
  Flip flips = kFlipBoth;
  // An existing tile set: its tiles keep their numbers and the picture's tiles are matched
  // against them first (at least exactly, even under Dedupe::None); new tiles follow.
  std::span<const Tile> start;
  // Per picture tile in row order: non-zero leaves the tile out of the set, its map entry
  // marked `fixed` for the caller to number. Empty: none is left out.
  std::span<const std::uint8_t> leaveOut;
};
Result<TileSet> MakeTileSet(const convert::ValuePlane& plane, const TileSetOptions& options);

// The way back: the picture's values from the tile set entries and the map.
Result<convert::ValuePlane> Rebuild(std::span<const Tile> tiles, const TileMap& map);

}  // namespace glyphon::tiles
