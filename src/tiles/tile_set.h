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

// A tile set built a tile at a time, for a picture read a band of rows at a time: only the
// unique tiles are held. Given the picture's tiles in row order, Add's entries and Tiles()
// are exactly what MakeTileSet gives (it is built on this). The options' leaveOut is the
// caller's: a tile left out is never added.
class TileSetBuilder {
 public:
  // `most` is how many tiles Add will be given at most: the index of entries is sized for
  // them (and the start tiles) once, and grows only if Add is given more.
  TileSetBuilder(const TileSetOptions& options, std::size_t most);

  // The map entry that places `tile`: an earlier entry it equals (or mirrors, as the
  // options allow), else a new entry after the others.
  MapEntry Add(const Tile& tile);
  const std::vector<Tile>& Tiles() const noexcept { return m_tiles; }
  std::vector<Tile> TakeTiles() && noexcept { return std::move(m_tiles); }

 private:
  // The entry stored under `key`, or, when there is none, `next`, now stored.
  std::uint32_t FindOrAdd(const Tile& key, std::uint32_t next);
  // Doubles the table and stores every entry again.
  void Grow();
  Tile KeyOf(std::uint32_t number) const noexcept;

  Dedupe m_dedupe;
  Flip m_allowed;
  std::vector<Tile> m_tiles;
  std::vector<Flip> m_entryFlips;  // the mirror that turns each entry into its key
  // An open-addressing hash table from a tile key to the number of its entry, holding no
  // keys of its own (KeyOf gives an entry's): per slot the hash's high half, then entry
  // number + 1; 0 when empty.
  std::vector<std::uint64_t> m_slots;
  std::size_t m_mask = 0;
};

// The way back: the picture's values from the tile set entries and the map.
Result<convert::ValuePlane> Rebuild(std::span<const Tile> tiles, const TileMap& map);

// The same a row of tiles (8 rows of pixels) at a time, for a picture that is never held
// whole: the tile set and the map are held (by reference: they must outlive this), and one
// band of values.
class MapBands {
 public:
  // Refuses what Rebuild refuses, with the same reason.
  static Result<MapBands> Make(std::span<const Tile> tiles, const TileMap& map);

  int Width() const noexcept { return m_band.width; }  // in pixels
  int Height() const noexcept { return m_rows * kTileSide; }
  int Count() const noexcept { return m_rows; }  // the bands: rows of tiles
  // The values of band `row` (0 to Count() - 1): Width() by 8, Rebuild's rows 8 * row to
  // 8 * row + 7. Valid until the next call; asking for the band held draws nothing.
  const convert::ValuePlane& Band(int row);

 private:
  MapBands(std::span<const Tile> tiles, const TileMap& map);

  std::span<const Tile> m_tiles;
  const TileMap* m_map;
  int m_rows = 0;
  int m_held = -1;  // the band in m_band, -1 for none
  convert::ValuePlane m_band;
};

}  // namespace glyphon::tiles
