// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "core/types.h"

namespace glyphon::palette {

// The colours one tile uses, ascending, each once.
using ColourSet = std::vector<RgbColor>;

// Sub-palettes chosen for a picture's tiles: every set lies wholly in its palette.
struct Packing {
  std::vector<ColourSet> palettes;     // each ascending, at most the palette size
  std::vector<std::size_t> paletteOf;  // for each set given, the index of its palette
};

// Packs the sets into as few palettes of `paletteSize` colours as it can (the pagination
// problem: bin packing where items share colours). Every set must hold at most
// `paletteSize` colours. The result never uses more palettes than first-fit decreasing.
Packing PackColourSets(std::span<const ColourSet> sets, std::size_t paletteSize);

}  // namespace glyphon::palette
