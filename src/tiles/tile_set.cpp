// SPDX-License-Identifier: MIT
#include "tiles/tile_set.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "core/picture_limits.h"

namespace glyphon::tiles {

namespace {

std::uint64_t HashOf(const Tile& tile) noexcept {
  std::uint64_t hash = 0x9E3779B97F4A7C15u;
  for (std::uint64_t row : tile.rows) {
    hash = (hash ^ row) * 0xFF51AFD7ED558CCDu;
    hash ^= hash >> 29;
  }
  return hash;
}

// The smallest of the tile's mirrors: the one key that all four orientations of a tile
// share. `flip` is set to the mirror that gives it (the smallest such flip).
// Only the mirrors `allowed` gives are looked at: they and no flip form a group under
// composition, so the key is shared by exactly the tiles those mirrors relate.
Tile CanonicalOf(const Tile& tile, Flip& flip, Flip allowed = kFlipBoth) noexcept {
  const std::array<Tile, 4> mirrors{tile, Mirror(tile, kFlipH), Mirror(tile, kFlipV),
                                    Mirror(tile, kFlipBoth)};
  std::size_t best = 0;
  for (std::size_t f = 1; f < mirrors.size(); ++f) {
    if ((f & ~std::size_t{allowed}) == 0 && mirrors[f] < mirrors[best]) best = f;
  }
  flip = static_cast<Flip>(best);
  return mirrors[best];
}

Status CheckMapShape(std::size_t tileCount, const TileMap& map) {
  if (map.widthTiles <= 0) return Status::Failure("a tile map must be at least one tile wide");
  const auto width = static_cast<std::size_t>(map.widthTiles);
  if (map.entries.empty() || map.entries.size() % width != 0) {
    return Status::Failure("the map's " + std::to_string(map.entries.size()) +
                           " entries are not a whole number of rows of " + std::to_string(width) + " tiles");
  }
  const std::int64_t side = kTileSide;
  const std::string tooLarge = platform::PictureSizeProblem(
      side * map.widthTiles, side * static_cast<std::int64_t>(map.entries.size() / width),
      "the picture would be");
  if (!tooLarge.empty()) return Status::Failure(tooLarge);
  for (std::size_t i = 0; i < map.entries.size(); ++i) {
    if (map.entries[i].tile >= tileCount) {
      return Status::Failure("map entry " + std::to_string(i) + " places tile " +
                             std::to_string(map.entries[i].tile) + ", but the tile set holds " +
                             std::to_string(tileCount) + " tiles");
    }
  }
  return Status::Success();
}

}  // namespace

Result<TileSet> MakeTileSet(const convert::ValuePlane& plane, Dedupe dedupe) {
  return MakeTileSet(plane, TileSetOptions{dedupe, kFlipBoth, {}, {}});
}

TileSetBuilder::TileSetBuilder(const TileSetOptions& options, std::size_t most)
    : m_dedupe(options.dedupe == Dedupe::None && !options.start.empty() ? Dedupe::Exact : options.dedupe),
      m_allowed(options.flips) {
  const std::size_t entries = most + options.start.size();
  m_tiles.reserve(entries);  // address space only: pages are touched as entries are added
  m_entryFlips.reserve(m_dedupe == Dedupe::WithFlips ? entries : 0);
  // Sized once for the most entries there can be, so the table never grows.
  const std::size_t capacity =
      std::bit_ceil(std::max<std::size_t>(16, m_dedupe == Dedupe::None ? 0 : 2 * entries));
  m_slots.assign(capacity, 0);
  m_mask = capacity - 1;
  // The existing tiles keep their numbers, even those equal to an earlier one.
  for (const Tile& tile : options.start) {
    Flip flip = kNoFlip;
    const Tile key = m_dedupe == Dedupe::WithFlips ? CanonicalOf(tile, flip, m_allowed) : tile;
    FindOrAdd(key, static_cast<std::uint32_t>(m_tiles.size()));
    m_tiles.push_back(tile);
    if (m_dedupe == Dedupe::WithFlips) m_entryFlips.push_back(flip);
  }
}

Tile TileSetBuilder::KeyOf(std::uint32_t number) const noexcept {
  return m_dedupe == Dedupe::WithFlips ? Mirror(m_tiles[number], m_entryFlips[number]) : m_tiles[number];
}

std::uint32_t TileSetBuilder::FindOrAdd(const Tile& key, std::uint32_t next) {
  const std::uint64_t hash = HashOf(key);
  const std::uint64_t tag = hash >> 32 << 32;
  for (std::size_t slot = hash & m_mask;; slot = (slot + 1) & m_mask) {
    const std::uint64_t stored = m_slots[slot];
    if (stored == 0) {
      m_slots[slot] = tag | (std::uint64_t{next} + 1);
      return next;
    }
    const auto number = static_cast<std::uint32_t>((stored & 0xFFFFFFFFu) - 1);
    if ((stored & ~std::uint64_t{0xFFFFFFFFu}) == tag && KeyOf(number) == key) return number;
  }
}

void TileSetBuilder::Grow() {
  m_slots.assign(m_slots.size() * 2, 0);
  m_mask = m_slots.size() - 1;
  for (std::uint32_t number = 0; number < m_tiles.size(); ++number) FindOrAdd(KeyOf(number), number);
}

MapEntry TileSetBuilder::Add(const Tile& tile) {
  const auto next = static_cast<std::uint32_t>(m_tiles.size());
  if (m_dedupe == Dedupe::None) {
    m_tiles.push_back(tile);
    return {next};
  }
  // More tiles than the builder was told of: the table doubles rather than fill up.
  if (2 * (m_tiles.size() + 1) > m_slots.size()) Grow();
  Flip flip = kNoFlip;
  const Tile key = m_dedupe == Dedupe::WithFlips ? CanonicalOf(tile, flip, m_allowed) : tile;
  const std::uint32_t number = FindOrAdd(key, next);
  if (number == next) {
    m_tiles.push_back(tile);
    if (m_dedupe == Dedupe::WithFlips) m_entryFlips.push_back(flip);
  }
  // key = Mirror(tile, flip) = Mirror(entry, entryFlip), and mirrors commute, so
  // tile = Mirror(entry, flip ^ entryFlip).
  const Flip entryFlip = m_dedupe == Dedupe::WithFlips ? m_entryFlips[number] : kNoFlip;
  return {number, static_cast<Flip>(flip ^ entryFlip)};
}

Result<TileSet> MakeTileSet(const convert::ValuePlane& plane, const TileSetOptions& options) {
  if (Status whole = CheckWholeTiles(plane); !whole) return Result<TileSet>::Failure(whole.error);
  const int columns = plane.width / kTileSide;
  const int rows = plane.height / kTileSide;
  const std::size_t count = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  TileSetBuilder builder(options, count);
  TileSet set;
  set.map.widthTiles = columns;
  set.map.entries.reserve(count);
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const std::size_t cell = set.map.entries.size();
      if (!options.leaveOut.empty() && options.leaveOut[cell] != 0) {
        set.map.entries.push_back({0, kNoFlip, 0, false, true});
        continue;
      }
      set.map.entries.push_back(builder.Add(TileAt(plane, column, row)));
    }
  }
  set.tiles = std::move(builder).TakeTiles();
  return set;
}

namespace {

// Draws row `row` of the map's tiles into `out`, 8 rows of the map's width in pixels.
void DrawTileRow(std::span<const Tile> tiles, const TileMap& map, int row, std::span<std::uint8_t> out) {
  const auto width = static_cast<std::size_t>(map.widthTiles);
  const std::size_t rowPixels = width * kTileSide;
  const MapEntry* entries = map.entries.data() + static_cast<std::size_t>(row) * width;
  for (std::size_t column = 0; column < width; ++column) {
    const Tile tile = Mirror(tiles[entries[column].tile], entries[column].flip);
    for (std::size_t r = 0; r < kTileSide; ++r)
      std::memcpy(out.data() + r * rowPixels + column * kTileSide, &tile.rows[r], kTileSide);
  }
}

}  // namespace

Result<convert::ValuePlane> Rebuild(std::span<const Tile> tiles, const TileMap& map) {
  if (Status shape = CheckMapShape(tiles.size(), map); !shape) {
    return Result<convert::ValuePlane>::Failure(shape.error);
  }
  const auto width = static_cast<std::size_t>(map.widthTiles);
  const std::size_t rows = map.entries.size() / width;
  convert::ValuePlane plane(map.widthTiles * kTileSide, static_cast<int>(rows) * kTileSide);
  const std::size_t bandValues = width * kTileSide * kTileSide;
  for (std::size_t row = 0; row < rows; ++row)
    DrawTileRow(tiles, map, static_cast<int>(row),
                std::span(plane.values).subspan(row * bandValues, bandValues));
  return plane;
}

MapBands::MapBands(std::span<const Tile> tiles, const TileMap& map)
    : m_tiles(tiles),
      m_map(&map),
      m_rows(static_cast<int>(map.entries.size() / static_cast<std::size_t>(map.widthTiles))),
      m_band(map.widthTiles * kTileSide, kTileSide) {}

Result<MapBands> MapBands::Make(std::span<const Tile> tiles, const TileMap& map) {
  if (Status shape = CheckMapShape(tiles.size(), map); !shape) return Result<MapBands>::Failure(shape.error);
  return MapBands(tiles, map);
}

const convert::ValuePlane& MapBands::Band(int row) {
  if (row != m_held) {
    DrawTileRow(m_tiles, *m_map, row, m_band.values);
    m_held = row;
  }
  return m_band;
}

}  // namespace glyphon::tiles
