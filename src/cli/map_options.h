// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/options.h"
#include "core/types.h"
#include "tiles/tile.h"
#include "tiles/tile_order.h"

// The options of tiles and untile that follow a console's map conventions: maps in
// screens, a tile set trimmed or grown from an existing one, a background tile, and the
// Game Boy Color's VRAM banks.
namespace glyphon::cli {

struct MapOptions {
  std::optional<std::pair<int, int>> screens;  // --map-screens, in tiles
  std::int64_t trimEnd = 0;
  std::string tilesFrom;
  bool tilesFromOnly = false;
  std::optional<RgbColor> background;
  std::int64_t backgroundTile = 0;
  std::optional<std::uint32_t> bankSplit;

  // The map's cells in screens, each screen in rows, the screens in rows.
  tiles::TileOrder ScreenOrder() const noexcept {
    return {tiles::Walk::Rows, screens ? screens->first : 1, screens ? screens->second : 1,
            tiles::Walk::Rows};
  }
};

// tiles takes them all; untile the ones that tell how to read a map back.
void AddTilesMapOptions(CommandLine& line, MapOptions& into);
void AddUntileMapOptions(CommandLine& line, MapOptions& into);

// "--flips" alone means both mirrors; "--flips h", "--flips v" and "--flips both" choose.
// The arguments with a following h, v or both joined to it ("--flips=h") and a bare
// "--flips" given as "--flips=both", so that --flips reads as one option with a value.
std::vector<std::string> JoinFlips(std::span<const std::string> args);
// The mirrors of "h", "v" or "both".
std::optional<tiles::Flip> ParseFlips(const std::string& text);

// "#RRGGBB" (the # may be left out).
std::optional<RgbColor> ParseColour(std::string_view text);

}  // namespace glyphon::cli
