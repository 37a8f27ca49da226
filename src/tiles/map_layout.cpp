// SPDX-License-Identifier: MIT
#include "tiles/map_layout.h"

#include <algorithm>
#include <array>

#include "core/picture_limits.h"

namespace glyphon::tiles {

namespace {

// clang-format off
constexpr std::array<MapLayout, 6> kLayouts{{
  // name      bytes  big end  attrs  tile      bank      palette   priority  h flip    v flip    wraps  table
  // SNES BG map word: vhopppcc cccccccc, little-endian.
  {"snes",     2,     false,   false, {0, 10},  {},       {10, 3},  {13, 1},  {14, 1},  {15, 1},  false, false},
  // Genesis name table word: pccv hnnn nnnn nnnn, big-endian.
  {"genesis",  2,     true,    false, {0, 11},  {},       {13, 2},  {15, 1},  {11, 1},  {12, 1},  false, false},
  // Game Boy and NES: one byte, the tile number. The Game Boy's tile data window of 256
  // tiles wraps (in its signed mode tile 128 follows 127 at 0x8800). The NES keeps its
  // palettes in the attribute table.
  {"gb",       1,     false,   false, {0, 8},   {},       {},       {},       {},       {},       true,  false},
  {"nes",      1,     false,   false, {0, 8},   {},       {},       {},       {},       {},       false, true},
  // Game Boy Color: the tile number in the map, the attribute byte (priority, v flip,
  // h flip, -, VRAM bank, palette 3 bits) in the attribute map.
  {"gbc",      2,     false,   true,  {0, 8},   {11, 1},  {8, 3},   {15, 1},  {13, 1},  {14, 1},  true,  false},
  // Mode 7: one byte, the tile number.
  {"mode7",    1,     false,   false, {0, 8},   {},       {},       {},       {},       {},       false, false},
}};
// clang-format on

std::uint32_t Put(const BitField& field, std::uint32_t value) noexcept {
  return field.Present() ? (value & (field.Limit() - 1)) << field.shift : 0;
}
std::uint32_t Get(const BitField& field, std::uint32_t word) noexcept {
  return field.Present() ? (word >> field.shift) & (field.Limit() - 1) : 0;
}

std::uint32_t WordOf(const MapLayout& layout, const MapEntry& entry, std::uint32_t number,
                     std::uint32_t bank) noexcept {
  return Put(layout.tile, number) | Put(layout.bank, layout.wraps ? bank : number >> layout.tile.bits) |
         Put(layout.palette, entry.palette) | Put(layout.priority, entry.priority ? 1 : 0) |
         Put(layout.hFlip, (entry.flip & kFlipH) ? 1 : 0) | Put(layout.vFlip, (entry.flip & kFlipV) ? 1 : 0);
}

MapEntry EntryOf(const MapLayout& layout, std::uint32_t word, std::uint32_t& number,
                 std::uint32_t& bank) noexcept {
  bank = layout.wraps ? Get(layout.bank, word) : 0;
  number = Get(layout.tile, word) | (layout.wraps ? 0 : Get(layout.bank, word) << layout.tile.bits);
  MapEntry entry;
  entry.flip = static_cast<Flip>((Get(layout.hFlip, word) != 0 ? kFlipH : 0) |
                                 (Get(layout.vFlip, word) != 0 ? kFlipV : 0));
  entry.palette = static_cast<std::uint8_t>(Get(layout.palette, word));
  entry.priority = Get(layout.priority, word) != 0;
  return entry;
}

std::string Named(const MapLayout& layout) {
  return "the " + std::string(layout.name) + " map layout";
}

Status CheckBaseTile(const MapLayout& layout, std::int64_t baseTile) {
  if (baseTile >= 0 && baseTile < layout.TileNumbers()) return Status::Success();
  return Status::Failure("base tile " + std::to_string(baseTile) + " does not fit " + Named(layout) +
                         " (0 to " + std::to_string(layout.TileNumbers() - 1) + ")");
}

}  // namespace

std::span<const MapLayout> MapLayouts() noexcept {
  return kLayouts;
}

const MapLayout* FindMapLayout(std::string_view name) {
  const auto found = std::find_if(kLayouts.begin(), kLayouts.end(),
                                  [name](const MapLayout& layout) { return layout.name == name; });
  return found == kLayouts.end() ? nullptr : &*found;
}

std::string MapLayoutNames() {
  std::string names;
  for (const MapLayout& layout : kLayouts) names.append(names.empty() ? "" : ", ").append(layout.name);
  return names;
}

Status CheckMapOptions(const MapLayout& layout, bool flips, int palette, bool priority) {
  if (flips && !layout.CanFlip()) return Status::Failure(Named(layout) + " can't flip tiles");
  if (palette != 0 && !layout.palette.Present())
    return Status::Failure(Named(layout) + " has no palette number");
  if (palette < 0 || static_cast<std::uint32_t>(palette) >= layout.palette.Limit()) {
    return Status::Failure("palette number " + std::to_string(palette) + " does not fit " + Named(layout) +
                           " (0 to " + std::to_string(layout.palette.Limit() - 1) + ")");
  }
  if (priority && !layout.priority.Present()) return Status::Failure(Named(layout) + " has no priority bit");
  return Status::Success();
}

Status CheckTileCount(const MapLayout& layout, std::size_t tileCount, std::int64_t baseTile,
                      std::optional<std::uint32_t> bankSplit) {
  if (Status base = CheckBaseTile(layout, baseTile); !base) return base;
  if (bankSplit && !layout.bank.Present()) return Status::Failure(Named(layout) + " has no second bank");
  if (layout.wraps) {
    // Numbers wrap, so the base tile does not matter: each bank holds a window of tiles.
    const std::uint64_t window = layout.TilesPerBank();
    const std::uint64_t first = bankSplit ? std::min<std::uint64_t>(*bankSplit, tileCount) : tileCount;
    if (first > window) {
      return Status::Failure(
          std::to_string(first) + " unique tiles are more than " + Named(layout) +
          " can number in one bank: at most " + std::to_string(window) +
          (layout.bank.Present() && !bankSplit ? " (--bank-split puts the rest in bank 1)" : ""));
    }
    if (tileCount - first > window) {
      return Status::Failure(std::to_string(tileCount - first) +
                             " tiles from the bank split on are more than " + Named(layout) +
                             " can number in bank 1: at most " + std::to_string(window));
    }
    return Status::Success();
  }
  const std::int64_t room = layout.TileNumbers() - baseTile;
  if (static_cast<std::int64_t>(tileCount) <= room) return Status::Success();
  std::string text =
      std::to_string(tileCount) + " unique tiles are more than " + Named(layout) + " can number";
  if (baseTile == 0) return Status::Failure(text + ": at most " + std::to_string(room));
  return Status::Failure(text + " from base tile " + std::to_string(baseTile) + ": at most " +
                         std::to_string(room) + " of its " + std::to_string(layout.TileNumbers()));
}

Result<MapBytes> WriteMap(const MapLayout& layout, std::span<const MapEntry> entries, std::int64_t baseTile,
                          std::optional<std::uint32_t> bankSplit) {
  bool flips = false;
  bool priority = false;
  int palette = 0;
  std::uint32_t tiles = 0;
  for (const MapEntry& entry : entries) {
    flips = flips || entry.flip != kNoFlip;
    priority = priority || entry.priority;
    palette = std::max<int>(palette, entry.palette);
    if (entry.fixed && entry.tile >= layout.TilesPerBank() * (layout.wraps ? 1u : 1u << layout.bank.bits)) {
      return Result<MapBytes>::Failure("tile number " + std::to_string(entry.tile) + " does not fit " +
                                       Named(layout));
    }
    if (!entry.fixed) tiles = std::max(tiles, entry.tile + 1);
  }
  if (Status options = CheckMapOptions(layout, flips, palette, priority); !options) {
    return Result<MapBytes>::Failure(options.error);
  }
  if (Status count = CheckTileCount(layout, tiles, baseTile, bankSplit); !count)
    return Result<MapBytes>::Failure(count.error);

  MapBytes out;
  const bool split = layout.attributeMap;
  out.map.reserve(entries.size() * static_cast<std::size_t>(split ? 1 : layout.entryBytes));
  if (split) out.attributes.reserve(entries.size());
  for (const MapEntry& entry : entries) {
    const bool second = bankSplit && !entry.fixed && entry.tile >= *bankSplit;
    const std::uint32_t local = second ? entry.tile - *bankSplit : entry.tile;
    std::uint32_t number = entry.fixed ? entry.tile : local + static_cast<std::uint32_t>(baseTile);
    if (layout.wraps) number %= layout.TilesPerBank();
    const std::uint32_t word = WordOf(layout, entry, number, second ? 1 : 0);
    const auto low = static_cast<std::uint8_t>(word & 0xFF);
    const auto high = static_cast<std::uint8_t>(word >> 8);
    if (layout.entryBytes == 1) {
      out.map.push_back(low);
    } else if (split) {
      out.map.push_back(low);
      out.attributes.push_back(high);
    } else {
      out.map.push_back(layout.bigEndian ? high : low);
      out.map.push_back(layout.bigEndian ? low : high);
    }
  }
  return out;
}

Result<std::vector<MapEntry>> ReadMap(const MapLayout& layout, std::span<const std::uint8_t> map,
                                      std::span<const std::uint8_t> attributes, std::int64_t baseTile,
                                      std::optional<std::uint32_t> bankSplit) {
  using Entries = Result<std::vector<MapEntry>>;
  if (Status base = CheckBaseTile(layout, baseTile); !base) return Entries::Failure(base.error);
  const bool split = layout.attributeMap;
  const std::size_t width = split ? 1 : static_cast<std::size_t>(layout.entryBytes);
  if (map.size() % width != 0) {
    return Entries::Failure("a " + std::string(layout.name) + " map is " + std::to_string(width) +
                            " bytes an entry, but the map holds " + std::to_string(map.size()) + " bytes");
  }
  if (map.size() / width > platform::kMaxPictureTiles) {
    return Entries::Failure("the map holds " + std::to_string(map.size() / width) +
                            " entries, more than the largest picture has tiles (" +
                            std::to_string(platform::kMaxPictureTiles) + ")");
  }
  if (!split && !attributes.empty()) return Entries::Failure(Named(layout) + " has no attribute map");
  if (split && !attributes.empty() && attributes.size() != map.size()) {
    return Entries::Failure("the attribute map holds " + std::to_string(attributes.size()) +
                            " bytes, but the map has " + std::to_string(map.size()) + " entries");
  }
  std::vector<MapEntry> entries;
  entries.reserve(map.size() / width);
  for (std::size_t i = 0; i < map.size() / width; ++i) {
    std::uint32_t word = map[i * width];
    if (split) {
      word |= attributes.empty() ? 0u : std::uint32_t{attributes[i]} << 8;
    } else if (width == 2) {
      const std::uint32_t second = map[i * width + 1];
      word = layout.bigEndian ? word << 8 | second : second << 8 | word;
    }
    std::uint32_t number = 0;
    std::uint32_t bank = 0;
    MapEntry entry = EntryOf(layout, word, number, bank);
    if (layout.wraps) {
      if (bank != 0 && !bankSplit) {
        return Entries::Failure("map entry " + std::to_string(i) +
                                " lies in VRAM bank 1; --bank-split tells where its tiles begin");
      }
      const std::uint32_t window = layout.TilesPerBank();
      const auto base = static_cast<std::uint32_t>(baseTile);
      entry.tile = (number + window - base % window) % window + (bank != 0 ? *bankSplit : 0);
      entries.push_back(entry);
      continue;
    }
    if (number < baseTile) {
      return Entries::Failure("map entry " + std::to_string(i) + " has tile number " +
                              std::to_string(number) + ", below base tile " + std::to_string(baseTile));
    }
    entry.tile = number - static_cast<std::uint32_t>(baseTile);
    entries.push_back(entry);
  }
  return entries;
}

}  // namespace glyphon::tiles
