// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/encoding.h"
#include "convert/value_plane.h"
#include "core/result.h"
#include "core/surface.h"
#include "core/types.h"

namespace glyphon::tiles {

// Which way a grid is walked: left to right a row at a time, or top to bottom a column at
// a time (the Game Boy tools' column order: tile 1 lies below tile 0).
enum class Walk { Rows, Columns };

// The order in which a console stores the tiles of a picture. The picture is cut into
// objects of objectWidth by objectHeight tiles, taken one after the other by `objects`;
// each object's tiles follow one another by `inside`. SNES and Game Boy objects keep their
// tiles in rows, Genesis sprites in columns. One-tile objects walked in rows are the plain
// order every tiled format stores.
struct TileOrder {
  Walk objects = Walk::Rows;
  int objectWidth = 1;  // in tiles
  int objectHeight = 1;
  Walk inside = Walk::Rows;

  bool Plain() const noexcept { return objects == Walk::Rows && objectWidth == 1 && objectHeight == 1; }
  friend bool operator==(const TileOrder&, const TileOrder&) = default;
};

// "rows" or "columns".
std::optional<Walk> ParseWalk(std::string_view text);

// "WxH" in pixels, both whole multiples of `tileSide` from tileSide to 512: the object's
// size in tiles.
std::optional<std::pair<int, int>> ParseObjectSize(std::string_view text, int tileSide);

// Whether a grid of `across` by `down` tiles is whole objects; the reason when not.
Status CheckObjects(int across, int down, const TileOrder& order);

// For a grid of `across` by `down` tiles (whole objects), the picture tile (counted in
// row order) that is stored k-th, for every k.
std::vector<std::uint32_t> StoredOrder(int across, int down, const TileOrder& order);

// The selection of `picture` with its tiles (`tileSide` pixels square) moved so that the
// k-th stored tile sits at place k in row order: the picture a format that stores whole
// tiles in row order encodes into the bytes of `order`. The selection must lie inside the
// picture and be whole objects.
platform::Surface StoredSheet(const platform::Surface& picture, const convert::Selection& selection,
                              int tileSide, const TileOrder& order);

// The way back: a sheet of stored tiles in row order (as a format decodes them), `across`
// tiles wide, put back in their places. Tiles the sheet lacks (a height short of whole
// objects) are black; the picture is grown to whole objects.
platform::Surface PictureOfSheet(const platform::Surface& sheet, int tileSide, const TileOrder& order);

// The same moves on the bytes of a format that stores each block (tile) whole in
// `blockBytes` bytes, one after the other in row order: `bytes` holds the `across` by `down`
// blocks of a picture so, and is left holding them in stored order. The blocks move in
// place along the permutation's cycles, so no second buffer is made: moving bytes costs a
// small part of the encode.
void PutInStoredOrder(std::span<std::uint8_t> bytes, int across, int down, const TileOrder& order,
                      std::size_t blockBytes);

// The same moves on a plane of values (8 by 8 tiles), for tile sets and maps.
convert::ValuePlane StoredSheet(const convert::ValuePlane& plane, const TileOrder& order);

// A map's cells in an order: the cell stored k-th for every k of a map `across` by `down`
// cells (the StoredOrder of one-cell tiles).
template <class Cell>
std::vector<Cell> InStoredOrder(const std::vector<Cell>& cells, int across, int down,
                                const TileOrder& order) {
  std::vector<Cell> stored;
  stored.reserve(cells.size());
  for (std::uint32_t at : StoredOrder(across, down, order)) stored.push_back(cells[at]);
  return stored;
}
template <class Cell>
std::vector<Cell> InPictureOrder(const std::vector<Cell>& stored, int across, int down,
                                 const TileOrder& order) {
  std::vector<Cell> cells(stored.size());
  const std::vector<std::uint32_t> places = StoredOrder(across, down, order);
  for (std::size_t k = 0; k < places.size(); ++k) cells[places[k]] = stored[k];
  return cells;
}

}  // namespace glyphon::tiles
