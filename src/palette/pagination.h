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
// Equal sets, and sets lying in another set, share that set's palette. Up to a few dozen
// distinct sets that no other set holds, the count is the least possible (a bounded search,
// which on a rare hard case keeps the best packing found); beyond that, the best of several
// heuristics (best fit, overload-and-remove, minimum slack, greedy cover), each followed by
// palette elimination. Palettes are numbered in the order of the first set using them. The
// result depends on the input alone.
Packing PackColourSets(std::span<const ColourSet> sets, std::size_t paletteSize);

// First-fit decreasing alone: the largest sets first (in their given order among equals),
// each into the first palette that, with the colours it lacks added, stays within the size.
// The yardstick PackColourSets is measured against.
Packing PackFirstFitDecreasing(std::span<const ColourSet> sets, std::size_t paletteSize);

// A number of palettes no packing can go below: the larger of the colours over the size
// (rounded up) and a group of sets no two of which fit one palette together.
std::size_t PalettesNeededAtLeast(std::span<const ColourSet> sets, std::size_t paletteSize);

}  // namespace glyphon::palette
