// SPDX-License-Identifier: MIT
#include "palette/tile_palettes.h"

#include <algorithm>
#include <limits>
#include <string>
#include <unordered_map>
#include <utility>

#include "palette/pagination.h"

namespace glyphon::palette {

namespace {

// The areas of the selection: the last row and column may be cut short.
struct Grid {
  int side = 8;
  int across = 0;
  int down = 0;

  std::size_t Count() const noexcept {
    return static_cast<std::size_t>(across) * static_cast<std::size_t>(down);
  }
};

Grid GridOf(const ColourArt& art) {
  const int side = art.areaSide;
  return {side, (art.selection.width + side - 1) / side, (art.selection.height + side - 1) / side};
}

std::string Place(int x, int y) {
  return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

// "the tile at (8, 16)" or "the 16 by 16 area at (16, 32)", in the picture's pixels.
std::string AreaName(const ColourArt& art, int ax, int ay) {
  const int side = art.areaSide;
  const std::string where = Place(art.selection.x + ax * side, art.selection.y + ay * side);
  if (side == 8) return "the tile at " + where;
  return "the " + std::to_string(side) + " by " + std::to_string(side) + " area at " + where;
}

// Visits the pixels of one area row by row: fn(x, y, colour, transparent), x and y in the
// selection.
template <class Fn>
void ForAreaPixels(const ColourArt& art, int ax, int ay, Fn&& fn) {
  const convert::Selection& sel = art.selection;
  const int x0 = ax * art.areaSide, y0 = ay * art.areaSide;
  const int x1 = std::min(x0 + art.areaSide, sel.width), y1 = std::min(y0 + art.areaSide, sel.height);
  const auto width = static_cast<std::size_t>(sel.width);
  for (int y = y0; y < y1; ++y) {
    const auto row = art.pixels.Row(sel.y + y);
    const std::uint8_t* mask =
        art.transparent.empty() ? nullptr : art.transparent.data() + static_cast<std::size_t>(y) * width;
    for (int x = x0; x < x1; ++x) {
      fn(x, y, row[static_cast<std::size_t>(sel.x + x)], mask != nullptr && mask[x] != 0);
    }
  }
}

// Where a colour starts looking in a hash table of 2^bits slots.
std::size_t SlotOf(RgbColor colour, int bits) noexcept {
  return static_cast<std::size_t>((static_cast<std::uint32_t>(colour) * 0x9E3779B1u) >> (32 - bits));
}

// A palette's entries by colour, for finding a colour's index: the lowest index of equal
// entries. An open-addressing table at most half full, so a look-up takes a probe or two.
class EntryLookup {
 public:
  explicit EntryLookup(const Palette& palette) {
    while ((std::size_t{1} << m_bits) < 2 * palette.colours.size()) ++m_bits;
    m_slots.assign(std::size_t{1} << m_bits, {kOutside, 0});
    for (std::size_t i = 0; i < palette.colours.size(); ++i) {
      std::size_t slot = SlotOf(palette.colours[i], m_bits);
      while (m_slots[slot].first != kOutside && m_slots[slot].first != palette.colours[i])
        slot = (slot + 1) & (m_slots.size() - 1);
      if (m_slots[slot].first == kOutside) m_slots[slot] = {palette.colours[i], static_cast<std::uint8_t>(i)};
    }
  }

  std::optional<std::uint8_t> Find(RgbColor colour) const noexcept {
    for (std::size_t slot = SlotOf(colour, m_bits);; slot = (slot + 1) & (m_slots.size() - 1)) {
      if (m_slots[slot].first == colour) return m_slots[slot].second;
      if (m_slots[slot].first == kOutside) return std::nullopt;
    }
  }

 private:
  int m_bits = 1;
  std::vector<std::pair<RgbColor, std::uint8_t>> m_slots;  // kOutside: empty (no pixel has it)
};

std::int64_t Distance(RgbColor a, RgbColor b) noexcept {
  const std::int64_t r = RedOf(a) - RedOf(b), g = GreenOf(a) - GreenOf(b), bl = BlueOf(a) - BlueOf(b);
  return r * r + g * g + bl * bl;
}

// The entry nearest the colour, ties to the lower index.
std::uint8_t NearestEntry(const Palette& palette, RgbColor colour, std::int64_t& distance) noexcept {
  std::size_t best = 0;
  distance = std::numeric_limits<std::int64_t>::max();
  for (std::size_t i = 0; i < palette.colours.size(); ++i) {
    const std::int64_t d = Distance(palette.colours[i], colour);
    if (d < distance) {
      distance = d;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

// A hash of a colour set, for finding equal sets.
struct SetHash {
  std::size_t operator()(const ColourSet& set) const noexcept {
    std::uint64_t hash = 0x9E3779B97F4A7C15u ^ set.size();
    for (RgbColor c : set) {
      hash = (hash ^ static_cast<std::uint32_t>(c)) * 0xFF51AFD7ED558CCDu;
      hash ^= hash >> 29;
    }
    return static_cast<std::size_t>(hash);
  }
};

AreaPalettes EmptyResult(const ColourArt& art, const Grid& grid) {
  AreaPalettes out;
  out.values = convert::ValuePlane(art.selection.width, art.selection.height);
  out.areasAcross = grid.across;
  out.areasDown = grid.down;
  out.paletteOfArea.assign(grid.Count(), 0);
  return out;
}

}  // namespace

std::uint8_t AreaPalettes::PaletteOfTile(int column, int row, int areaSide) const noexcept {
  const int perArea = areaSide / 8;
  return paletteOfArea[static_cast<std::size_t>(row / perArea) * static_cast<std::size_t>(areasAcross) +
                       static_cast<std::size_t>(column / perArea)];
}

Result<AreaPalettes> PackAreaPalettes(const ColourArt& art, const PackOptions& options) {
  using R = Result<AreaPalettes>;
  const Grid grid = GridOf(art);
  AreaPalettes out = EmptyResult(art, grid);
  const std::optional<RgbColor> zero = options.colourZero;
  const bool pictureOrder = options.order == PaletteOrder::Picture;

  // First pass: each area's colours in the order they appear in it (area a's are
  // colours[start[a]] to colours[start[a + 1] - 1]), and each pixel's number in that list,
  // kept in the values plane until the palettes are known. Runs of one colour, as art has
  // them, cost one comparison a pixel.
  std::vector<RgbColor> colours;
  std::vector<std::int64_t> ranks;  // for the picture order: where each first appears
  std::vector<std::size_t> start(grid.Count() + 1, 0);
  bool zeroUsed = zero.has_value();
  const auto width = static_cast<std::int64_t>(art.selection.width);
  // The colours met in the area so far: a hash table of twice the most pixels an area has,
  // its slots marked with the area they belong to so that it is never cleared.
  struct Seen {
    RgbColor colour = 0;
    std::uint8_t number = 0;
    std::uint32_t stamp = 0;
  };
  int seenBits = 1;
  while ((1 << seenBits) < 2 * art.areaSide * art.areaSide) ++seenBits;
  std::vector<Seen> seen(std::size_t{1} << seenBits);
  std::uint32_t stamp = 0;
  for (std::size_t a = 0; a < grid.Count(); ++a) {
    const int ax = static_cast<int>(a % static_cast<std::size_t>(grid.across));
    const int ay = static_cast<int>(a / static_cast<std::size_t>(grid.across));
    const std::size_t first = colours.size();
    start[a] = first;
    RgbColor last = kOutside;
    std::uint8_t lastNumber = 0;
    ++stamp;
    ForAreaPixels(art, ax, ay, [&](int x, int y, RgbColor colour, bool transparent) {
      if (transparent) {
        zeroUsed = true;
        return;
      }
      if (zero && colour == *zero) return;
      if (colour != last) {
        std::size_t slot = SlotOf(colour, seenBits);
        while (seen[slot].stamp == stamp && seen[slot].colour != colour)
          slot = (slot + 1) & (seen.size() - 1);
        if (seen[slot].stamp != stamp) {
          // An area of more than 256 colours is refused below, whatever its numbers are.
          seen[slot] = {colour, static_cast<std::uint8_t>(colours.size() - first), stamp};
          colours.push_back(colour);
          if (pictureOrder) ranks.push_back(y * width + x);
        }
        lastNumber = seen[slot].number;
        last = colour;
      }
      out.values.Set(x, y, lastNumber);
    });
  }
  start[grid.Count()] = colours.size();

  const std::size_t reserved = zeroUsed ? 1 : 0;
  const std::size_t room = options.paletteSize > reserved ? options.paletteSize - reserved : 0;
  for (std::size_t a = 0; a < grid.Count(); ++a) {
    const std::size_t count = start[a + 1] - start[a];
    if (count <= room) continue;
    const int ax = static_cast<int>(a % static_cast<std::size_t>(grid.across));
    const int ay = static_cast<int>(a / static_cast<std::size_t>(grid.across));
    const std::string size = std::to_string(options.paletteSize);
    if (reserved != 0) {
      return R::Failure(AreaName(art, ax, ay) + " has " + std::to_string(count) +
                        " colours besides colour 0, more than the " + std::to_string(room) +
                        " a palette of " + size + " holds beside it");
    }
    return R::Failure(AreaName(art, ax, ay) + " has " + std::to_string(count) +
                      " colours, more than a palette of " + size + " holds");
  }

  // Each area's set of colours, ascending; equal sets are packed once, and areas without
  // colours of their own take palette 0.
  std::unordered_map<RgbColor, std::int64_t> firstSeen;
  for (std::size_t i = 0; i < ranks.size(); ++i) {
    const auto [at, added] = firstSeen.try_emplace(colours[i], ranks[i]);
    if (!added) at->second = std::min(at->second, ranks[i]);
  }
  std::unordered_map<ColourSet, std::size_t, SetHash> idOf;
  std::vector<ColourSet> distinct;
  std::vector<std::size_t> setOfArea(grid.Count(), 0);
  ColourSet set;
  for (std::size_t a = 0; a < grid.Count(); ++a) {
    if (start[a] == start[a + 1]) continue;
    set.assign(colours.begin() + static_cast<std::ptrdiff_t>(start[a]),
               colours.begin() + static_cast<std::ptrdiff_t>(start[a + 1]));
    std::sort(set.begin(), set.end());
    const auto [at, added] = idOf.try_emplace(set, distinct.size());
    if (added) distinct.push_back(set);
    setOfArea[a] = at->second;
  }
  const Packing packing = PackColourSets(distinct, room);
  const std::size_t needed = std::max<std::size_t>(1, packing.palettes.size());
  if (needed > options.maxPalettes) {
    return R::Failure("the colours need " + std::to_string(needed) + " palettes of " +
                      std::to_string(options.paletteSize) + ", more than the " +
                      std::to_string(options.maxPalettes) + " allowed");
  }

  out.palettes.resize(needed);
  std::vector<EntryLookup> lookups;
  lookups.reserve(needed);
  for (std::size_t p = 0; p < needed; ++p) {
    ColourSet ordered = p < packing.palettes.size() ? packing.palettes[p] : ColourSet{};
    if (!pictureOrder) {
      std::sort(ordered.begin(), ordered.end(), [](RgbColor a, RgbColor b) {
        const int la = LuminanceOf(a), lb = LuminanceOf(b);
        return la != lb ? la > lb : a < b;
      });
    } else {
      std::sort(ordered.begin(), ordered.end(),
                [&](RgbColor a, RgbColor b) { return firstSeen.at(a) < firstSeen.at(b); });
    }
    std::vector<RgbColor>& entries = out.palettes[p].colours;
    if (zeroUsed) entries.push_back(zero.value_or(kBlack));
    entries.insert(entries.end(), ordered.begin(), ordered.end());
    entries.resize(options.paletteSize, kBlack);
    // Entry 0 and the padding may equal a colour of the art; the art's colours are found
    // among the entries they were given.
    lookups.emplace_back(Palette{
        std::vector<RgbColor>(entries.begin() + static_cast<std::ptrdiff_t>(reserved),
                              entries.begin() + static_cast<std::ptrdiff_t>(reserved + ordered.size()))});
  }

  // Second pass: each pixel's number in its area's list becomes its entry in the palette.
  std::vector<std::uint8_t> entryOf;
  for (std::size_t a = 0; a < grid.Count(); ++a) {
    const int ax = static_cast<int>(a % static_cast<std::size_t>(grid.across));
    const int ay = static_cast<int>(a / static_cast<std::size_t>(grid.across));
    const std::size_t p = start[a] == start[a + 1] ? 0 : packing.paletteOf[setOfArea[a]];
    out.paletteOfArea[a] = static_cast<std::uint8_t>(p);
    entryOf.clear();
    for (std::size_t i = start[a]; i < start[a + 1]; ++i) {
      const auto entry = lookups[p].Find(colours[i]);
      if (!entry) return R::Failure("the packing left out a colour of " + AreaName(art, ax, ay));
      entryOf.push_back(static_cast<std::uint8_t>(*entry + reserved));
    }
    ForAreaPixels(art, ax, ay, [&](int x, int y, RgbColor colour, bool transparent) {
      const bool entryZero = transparent || (zero && colour == *zero);
      out.values.Set(x, y, entryZero ? std::uint8_t{0} : entryOf[out.values.At(x, y)]);
    });
  }
  return out;
}

Result<AreaPalettes> MatchAreaPalettes(const ColourArt& art, std::span<const Palette> palettes, bool nearest,
                                       std::int64_t* inexact) {
  using R = Result<AreaPalettes>;
  const Grid grid = GridOf(art);
  AreaPalettes out = EmptyResult(art, grid);
  out.palettes.assign(palettes.begin(), palettes.end());
  std::vector<EntryLookup> lookups;
  lookups.reserve(palettes.size());
  for (const Palette& palette : palettes) lookups.emplace_back(palette);
  std::int64_t missed = 0;

  // An area's colours, each with its first pixel and how many pixels have it.
  struct Seen {
    RgbColor colour;
    int x, y;
    std::int64_t count;
  };
  std::vector<Seen> seen;
  std::vector<std::uint8_t> chosen;  // per distinct colour, its entry in the chosen palette
  for (int ay = 0; ay < grid.down; ++ay) {
    for (int ax = 0; ax < grid.across; ++ax) {
      seen.clear();
      ForAreaPixels(art, ax, ay, [&](int x, int y, RgbColor colour, bool transparent) {
        if (transparent) return;
        const auto at =
            std::find_if(seen.begin(), seen.end(), [colour](const Seen& s) { return s.colour == colour; });
        if (at == seen.end()) {
          seen.push_back({colour, x, y, 1});
        } else {
          ++at->count;
        }
      });
      std::size_t pick = palettes.size();
      chosen.assign(seen.size(), 0);
      if (!nearest) {
        for (std::size_t p = 0; p < palettes.size() && pick == palettes.size(); ++p) {
          const bool holds = std::all_of(
              seen.begin(), seen.end(), [&](const Seen& s) { return lookups[p].Find(s.colour).has_value(); });
          if (holds) pick = p;
        }
        if (pick == palettes.size()) {
          const auto lost = std::find_if(seen.begin(), seen.end(), [&](const Seen& s) {
            return std::none_of(lookups.begin(), lookups.end(),
                                [&](const EntryLookup& l) { return l.Find(s.colour).has_value(); });
          });
          const std::string where = AreaName(art, ax, ay);
          if (lost != seen.end()) {
            return R::Failure(where + " has the colour " + HexColour(lost->colour) + " at pixel " +
                              Place(art.selection.x + lost->x, art.selection.y + lost->y) +
                              ", which no palette holds");
          }
          return R::Failure(where + " has colours of more than one palette: no palette holds them all");
        }
        for (std::size_t i = 0; i < seen.size(); ++i) chosen[i] = *lookups[pick].Find(seen[i].colour);
      } else {
        std::int64_t least = std::numeric_limits<std::int64_t>::max();
        for (std::size_t p = 0; p < palettes.size(); ++p) {
          std::int64_t total = 0;
          for (const Seen& s : seen) {
            std::int64_t d = 0;
            NearestEntry(palettes[p], s.colour, d);
            total += d * s.count;
          }
          if (total < least) {
            least = total;
            pick = p;
          }
        }
        for (std::size_t i = 0; i < seen.size(); ++i) {
          std::int64_t d = 0;
          chosen[i] = NearestEntry(palettes[pick], seen[i].colour, d);
          if (d != 0) missed += seen[i].count;
        }
      }
      out.paletteOfArea[static_cast<std::size_t>(ay) * static_cast<std::size_t>(grid.across) +
                        static_cast<std::size_t>(ax)] = static_cast<std::uint8_t>(pick);
      ForAreaPixels(art, ax, ay, [&](int x, int y, RgbColor colour, bool transparent) {
        if (transparent) return;  // entry 0
        const auto at =
            std::find_if(seen.begin(), seen.end(), [colour](const Seen& s) { return s.colour == colour; });
        out.values.Set(x, y, chosen[static_cast<std::size_t>(at - seen.begin())]);
      });
    }
  }
  if (inexact != nullptr) *inexact = missed;
  return out;
}

std::vector<Palette> CutPalettes(const Palette& palette, std::size_t size) {
  std::vector<Palette> cut;
  for (std::size_t at = 0; at < palette.colours.size(); at += size) {
    const auto first = palette.colours.begin() + static_cast<std::ptrdiff_t>(at);
    const auto last =
        palette.colours.begin() + static_cast<std::ptrdiff_t>(std::min(at + size, palette.colours.size()));
    cut.push_back(Palette{std::vector<RgbColor>(first, last)});
  }
  return cut;
}

Palette JoinPalettes(std::span<const Palette> palettes) {
  Palette joined;
  for (const Palette& palette : palettes)
    joined.colours.insert(joined.colours.end(), palette.colours.begin(), palette.colours.end());
  return joined;
}

platform::Surface DrawInPalettes(const convert::ValuePlane& values,
                                 std::span<const std::uint8_t> paletteOfTile,
                                 std::span<const Palette> palettes, std::int64_t& beyond) {
  platform::Surface picture = platform::Surface::Picture(values.width, values.height);
  const int across = (values.width + 7) / 8;
  beyond = 0;
  for (int y = 0; y < values.height; ++y) {
    const auto row = picture.Row(y);
    for (int x = 0; x < values.width; ++x) {
      const std::size_t tile = static_cast<std::size_t>(y / 8) * static_cast<std::size_t>(across) +
                               static_cast<std::size_t>(x / 8);
      const std::size_t p = tile < paletteOfTile.size() ? paletteOfTile[tile] : 0;
      const std::uint8_t value = values.At(x, y);
      if (p < palettes.size() && value < palettes[p].colours.size()) {
        row[static_cast<std::size_t>(x)] = palettes[p].colours[value];
      } else {
        row[static_cast<std::size_t>(x)] = kBlack;
        ++beyond;
      }
    }
  }
  return picture;
}

}  // namespace glyphon::palette
