// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "core/types.h"
#include "tiles/tile_set.h"

namespace glyphon::tiles {

// A field of a map entry word: `bits` bits from bit `shift`; no bits when the layout has none.
struct BitField {
  int shift = 0;
  int bits = 0;

  constexpr bool Present() const noexcept { return bits > 0; }
  constexpr std::uint32_t Limit() const noexcept { return std::uint32_t{1} << bits; }
};

// How a console's tile map stores one cell. The entry is a word of entryBytes bytes; with an
// attribute map its low byte goes to the map and its high byte to the attribute map.
struct MapLayout {
  std::string_view name;
  int entryBytes;     // 1 or 2
  bool bigEndian;     // byte order of a 2-byte entry in the map
  bool attributeMap;  // the high byte lives in a second file, byte for byte beside the map
  BitField tile;      // the tile number's low bits
  BitField bank;      // the tile number's high bits, where they sit apart from the low ones
  BitField palette;
  BitField priority;
  BitField hFlip;
  BitField vFlip;
  // The tile number wraps around its field, as the hardware adds it to a base address in a
  // window of 256 tiles (Game Boy: base tile 255 numbers 255, 0, 1, ...). The bank, where
  // there is one, is chosen by where the tile set is split, never by a carry.
  bool wraps;
  // The palettes live apart from the map in an attribute table of 16 by 16 pixel areas, 2
  // bits an area (NES; see tiles/nes_attributes.h).
  bool attributeTable = false;

  // How many sub-palettes a map entry can choose between: those its palette field numbers,
  // the four of an attribute table, else one.
  constexpr std::uint32_t PaletteCount() const noexcept {
    return palette.Present() ? palette.Limit() : attributeTable ? 4u : 1u;
  }
  // How many tile numbers the layout can write: 0 to TileNumbers() - 1.
  constexpr std::uint32_t TileNumbers() const noexcept {
    return std::uint32_t{1} << (tile.bits + (wraps ? 0 : bank.bits));
  }
  // How many tile set entries one bank can hold.
  constexpr std::uint32_t TilesPerBank() const noexcept { return std::uint32_t{1} << tile.bits; }
  constexpr bool CanFlip() const noexcept { return hFlip.Present() && vFlip.Present(); }
};

std::span<const MapLayout> MapLayouts() noexcept;
const MapLayout* FindMapLayout(std::string_view name);
// The layout names for help texts and messages: "snes, genesis, gb, nes, gbc, mode7".
std::string MapLayoutNames();

// Whether the layout can carry these: flips, a palette number, the priority bit, and
// tileCount tile set entries numbered from baseTile. With a bank split (gbc), the entries
// from bankSplit on lie in the second VRAM bank, numbered from baseTile again.
Status CheckMapOptions(const MapLayout& layout, bool flips, int palette, bool priority);
Status CheckTileCount(const MapLayout& layout, std::size_t tileCount, std::int64_t baseTile,
                      std::optional<std::uint32_t> bankSplit = std::nullopt);

struct MapBytes {
  ByteString map;
  ByteString attributes;  // for a layout with an attribute map only
};

// The map's entries in the layout, each tile number plus baseTile (an entry marked `fixed`
// keeps its number as it is). Refuses what the layout can't carry, with the reason.
Result<MapBytes> WriteMap(const MapLayout& layout, std::span<const MapEntry> entries, std::int64_t baseTile,
                          std::optional<std::uint32_t> bankSplit = std::nullopt);

// The way back: the entries of a map (and its attribute map, where the layout has one; none
// reads as all zero), each tile number less baseTile.
Result<std::vector<MapEntry>> ReadMap(const MapLayout& layout, std::span<const std::uint8_t> map,
                                      std::span<const std::uint8_t> attributes, std::int64_t baseTile,
                                      std::optional<std::uint32_t> bankSplit = std::nullopt);

}  // namespace glyphon::tiles
