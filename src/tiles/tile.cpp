// SPDX-License-Identifier: MIT
#include "tiles/tile.h"

#include <cstring>
#include <string>

namespace glyphon::tiles {

namespace {

std::size_t Offset(int x) noexcept {
  return static_cast<std::size_t>(x);
}

}  // namespace

std::uint8_t Tile::At(int x, int y) const noexcept {
  std::uint8_t row[kTileSide];
  std::memcpy(row, &rows[Offset(y)], sizeof row);
  return row[x];
}

void Tile::Set(int x, int y, std::uint8_t value) noexcept {
  std::uint8_t row[kTileSide];
  std::memcpy(row, &rows[Offset(y)], sizeof row);
  row[x] = value;
  std::memcpy(&rows[Offset(y)], row, sizeof row);
}

Tile TileAt(const convert::ValuePlane& plane, int column, int row) noexcept {
  Tile tile;
  for (int r = 0; r < kTileSide; ++r) {
    const std::uint8_t* from = plane.values.data() + plane.Index(column * kTileSide, row * kTileSide + r);
    std::memcpy(&tile.rows[Offset(r)], from, kTileSide);
  }
  return tile;
}

void PutTile(convert::ValuePlane& plane, int column, int row, const Tile& tile) noexcept {
  for (int r = 0; r < kTileSide; ++r) {
    std::uint8_t* to = plane.values.data() + plane.Index(column * kTileSide, row * kTileSide + r);
    std::memcpy(to, &tile.rows[Offset(r)], kTileSide);
  }
}

Status CheckWholeTiles(const convert::ValuePlane& plane) {
  if (plane.width > 0 && plane.height > 0 && plane.width % kTileSide == 0 && plane.height % kTileSide == 0) {
    return Status::Success();
  }
  return Status::Failure("the picture is " + std::to_string(plane.width) + " by " +
                         std::to_string(plane.height) + " pixels, not a whole number of 8 by 8 tiles");
}

Result<std::vector<Tile>> CutTiles(const convert::ValuePlane& plane) {
  if (Status whole = CheckWholeTiles(plane); !whole) return Result<std::vector<Tile>>::Failure(whole.error);
  const int columns = plane.width / kTileSide;
  const int rows = plane.height / kTileSide;
  std::vector<Tile> tiles;
  tiles.reserve(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) tiles.push_back(TileAt(plane, column, row));
  }
  return tiles;
}

convert::ValuePlane ColumnOfTiles(std::span<const Tile> tiles) {
  convert::ValuePlane plane(kTileSide, static_cast<int>(tiles.size()) * kTileSide);
  for (std::size_t i = 0; i < tiles.size(); ++i) PutTile(plane, 0, static_cast<int>(i), tiles[i]);
  return plane;
}

}  // namespace glyphon::tiles
