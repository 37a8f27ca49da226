// SPDX-License-Identifier: MIT
#include "palette/pagination.h"

#include <algorithm>
#include <iterator>
#include <numeric>

namespace glyphon::palette {

// First-fit decreasing: the largest sets first, each into the first palette that, with the
// colours it lacks added, stays within the size.
Packing PackColourSets(std::span<const ColourSet> sets, std::size_t paletteSize) {
  std::vector<std::size_t> order(sets.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return sets[a].size() > sets[b].size(); });
  Packing packing;
  packing.paletteOf.assign(sets.size(), 0);
  ColourSet merged;
  for (std::size_t index : order) {
    const ColourSet& set = sets[index];
    bool placed = false;
    for (std::size_t p = 0; p < packing.palettes.size() && !placed; ++p) {
      merged.clear();
      std::set_union(packing.palettes[p].begin(), packing.palettes[p].end(), set.begin(), set.end(),
                     std::back_inserter(merged));
      if (merged.size() <= paletteSize) {
        packing.palettes[p] = merged;
        packing.paletteOf[index] = p;
        placed = true;
      }
    }
    if (!placed) {
      packing.paletteOf[index] = packing.palettes.size();
      packing.palettes.push_back(set);
    }
  }
  return packing;
}

}  // namespace glyphon::palette
