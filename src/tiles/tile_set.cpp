// SPDX-License-Identifier: MIT
#include "tiles/tile_set.h"

#include <algorithm>
#include <array>
#include <bit>
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

// An open-addressing hash table from a tile key to the number of its tile set entry, sized
// once for the most entries there can be, so it never grows. It holds no keys of its own:
// `keyOf(number)` gives the key of an entry.
class EntryIndex {
 public:
  explicit EntryIndex(std::size_t most) {
    const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(16, 2 * most));
    m_slots.assign(capacity, 0);
    m_mask = capacity - 1;
  }

  // The entry stored under `key`, or, when there is none, `next`, now stored.
  template <class KeyOf>
  std::uint32_t FindOrAdd(const Tile& key, std::uint32_t next, KeyOf&& keyOf) {
    const std::uint64_t hash = HashOf(key);
    const std::uint64_t tag = hash >> 32 << 32;
    for (std::size_t slot = hash & m_mask;; slot = (slot + 1) & m_mask) {
      const std::uint64_t stored = m_slots[slot];
      if (stored == 0) {
        m_slots[slot] = tag | (std::uint64_t{next} + 1);
        return next;
      }
      const auto number = static_cast<std::uint32_t>((stored & 0xFFFFFFFFu) - 1);
      if ((stored & ~std::uint64_t{0xFFFFFFFFu}) == tag && keyOf(number) == key) return number;
    }
  }

 private:
  std::vector<std::uint64_t> m_slots;  // the hash's high half, then entry number + 1; 0 when empty
  std::size_t m_mask = 0;
};

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

Result<TileSet> MakeTileSet(const convert::ValuePlane& plane, const TileSetOptions& options) {
  if (Status whole = CheckWholeTiles(plane); !whole) return Result<TileSet>::Failure(whole.error);
  const Dedupe dedupe =
      options.dedupe == Dedupe::None && !options.start.empty() ? Dedupe::Exact : options.dedupe;
  const Flip allowed = options.flips;
  const int columns = plane.width / kTileSide;
  const int rows = plane.height / kTileSide;
  const std::size_t count = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  TileSet set;
  set.map.widthTiles = columns;
  set.map.entries.reserve(count);
  set.tiles.reserve(count +
                    options.start.size());  // address space only: pages are touched as entries are added

  EntryIndex index(dedupe == Dedupe::None ? 0 : count + options.start.size());
  std::vector<Flip> entryFlips;  // the mirror that turns each entry into its key
  entryFlips.reserve(dedupe == Dedupe::WithFlips ? count + options.start.size() : 0);
  const auto keyOf = [&](std::uint32_t number) {
    return dedupe == Dedupe::WithFlips ? Mirror(set.tiles[number], entryFlips[number]) : set.tiles[number];
  };
  // The existing tiles keep their numbers, even those equal to an earlier one.
  for (const Tile& tile : options.start) {
    Flip flip = kNoFlip;
    const Tile key = dedupe == Dedupe::WithFlips ? CanonicalOf(tile, flip, allowed) : tile;
    index.FindOrAdd(key, static_cast<std::uint32_t>(set.tiles.size()), keyOf);
    set.tiles.push_back(tile);
    if (dedupe == Dedupe::WithFlips) entryFlips.push_back(flip);
  }
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const std::size_t cell = set.map.entries.size();
      if (!options.leaveOut.empty() && options.leaveOut[cell] != 0) {
        set.map.entries.push_back({0, kNoFlip, 0, false, true});
        continue;
      }
      const Tile tile = TileAt(plane, column, row);
      if (dedupe == Dedupe::None) {
        set.map.entries.push_back({static_cast<std::uint32_t>(set.tiles.size())});
        set.tiles.push_back(tile);
        continue;
      }
      Flip flip = kNoFlip;
      const Tile key = dedupe == Dedupe::WithFlips ? CanonicalOf(tile, flip, allowed) : tile;
      const auto next = static_cast<std::uint32_t>(set.tiles.size());
      const std::uint32_t number = index.FindOrAdd(key, next, keyOf);
      if (number == next) {
        set.tiles.push_back(tile);
        if (dedupe == Dedupe::WithFlips) entryFlips.push_back(flip);
      }
      // key = Mirror(tile, flip) = Mirror(entry, entryFlip), and mirrors commute, so
      // tile = Mirror(entry, flip ^ entryFlip).
      const Flip entryFlip = dedupe == Dedupe::WithFlips ? entryFlips[number] : kNoFlip;
      set.map.entries.push_back({number, static_cast<Flip>(flip ^ entryFlip)});
    }
  }
  return set;
}

Result<convert::ValuePlane> Rebuild(std::span<const Tile> tiles, const TileMap& map) {
  if (Status shape = CheckMapShape(tiles.size(), map); !shape) {
    return Result<convert::ValuePlane>::Failure(shape.error);
  }
  const auto width = static_cast<std::size_t>(map.widthTiles);
  const std::size_t rows = map.entries.size() / width;
  convert::ValuePlane plane(map.widthTiles * kTileSide, static_cast<int>(rows) * kTileSide);
  for (std::size_t i = 0; i < map.entries.size(); ++i) {
    const MapEntry& entry = map.entries[i];
    PutTile(plane, static_cast<int>(i % width), static_cast<int>(i / width),
            Mirror(tiles[entry.tile], entry.flip));
  }
  return plane;
}

}  // namespace glyphon::tiles
