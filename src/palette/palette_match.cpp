// SPDX-License-Identifier: MIT
#include "palette/palette_match.h"

#include <array>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>

#include "convert/classify.h"

namespace glyphon::palette {

// Colour to first index, open addressing over 1024 slots (at most 256 keys); pictures
// mostly repeat the last colour, which is tried first.
class ColourIndex {
 public:
  explicit ColourIndex(const Palette& palette) {
    m_keys.fill(kEmpty);
    for (std::size_t i = palette.colours.size(); i-- > 0;)
      Insert(palette.colours[i], static_cast<std::uint8_t>(i));
  }

  // The index of `colour`, or -1.
  int Find(RgbColor colour) noexcept {
    if (colour == m_lastColour) return m_lastIndex;
    std::size_t slot = Hash(colour);
    while (m_keys[slot] != kEmpty && m_keys[slot] != colour) slot = (slot + 1) & kMask;
    m_lastColour = colour;
    m_lastIndex = m_keys[slot] == colour ? m_indices[slot] : -1;
    return m_lastIndex;
  }

 private:
  static constexpr std::size_t kSlots = 1024;
  static constexpr std::size_t kMask = kSlots - 1;
  static constexpr RgbColor kEmpty = -1;  // no real colour sets the top byte

  static std::size_t Hash(RgbColor colour) noexcept {
    return (static_cast<std::uint32_t>(colour) * 2654435761u >> 22) & kMask;
  }
  // Inserted from the last entry to the first, so the first of equal entries stays.
  void Insert(RgbColor colour, std::uint8_t index) noexcept {
    std::size_t slot = Hash(colour);
    while (m_keys[slot] != kEmpty && m_keys[slot] != colour) slot = (slot + 1) & kMask;
    m_keys[slot] = colour;
    m_indices[slot] = index;
  }

  std::array<RgbColor, kSlots> m_keys{};
  std::array<int, kSlots> m_indices{};
  RgbColor m_lastColour = kEmpty;
  int m_lastIndex = -1;
};

namespace {

int Nearest(const Palette& palette, RgbColor colour) {
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (std::size_t i = 0; i < palette.colours.size(); ++i) {
    const RgbColor entry = palette.colours[i];
    const int dr = RedOf(entry) - RedOf(colour);
    const int dg = GreenOf(entry) - GreenOf(colour);
    const int db = BlueOf(entry) - BlueOf(colour);
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
    }
  }
  return best;
}

// Hands every selected pixel (x, y in the selection) and its colour to `pixel`; stops
// when it returns false.
template <class PixelFn>
void ForEachPixel(const platform::Surface& source, const convert::Selection& sel, PixelFn&& pixel) {
  for (int y = 0; y < sel.height; ++y) {
    for (int x = 0; x < sel.width; ++x) {
      if (!pixel(x, y, convert::InsideOrBlack(source.GetPixel(sel.x + x, sel.y + y)))) return;
    }
  }
}

convert::ValuePlane PlaneFor(const convert::Selection& sel) {
  if (sel.width <= 0 || sel.height <= 0) return {};
  return convert::ValuePlane(sel.width, sel.height);
}

}  // namespace

PaletteMatcher::PaletteMatcher(const Palette& palette, bool nearest)
    : m_palette(palette), m_exact(std::make_unique<ColourIndex>(palette)), m_nearest(nearest) {}

PaletteMatcher::~PaletteMatcher() = default;

int PaletteMatcher::Match(RgbColor colour) {
  const int index = m_exact->Find(colour);
  if (index >= 0 || !m_nearest) return index;
  ++m_inexact;
  const auto [at, added] = m_nearestOf.try_emplace(colour, std::uint8_t{0});
  if (added) at->second = static_cast<std::uint8_t>(Nearest(m_palette, colour));
  return at->second;
}

std::string NotInPalette(std::int64_t x, std::int64_t y, RgbColor colour) {
  return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") has colour " + HexColour(colour) +
         ", which is not in the palette";
}

Result<convert::ValuePlane> ExactValues(const Palette& palette, const platform::Surface& source,
                                        const convert::Selection& selection) {
  PaletteMatcher matcher(palette, false);
  convert::ValuePlane plane = PlaneFor(selection);
  std::string error;
  ForEachPixel(source, selection, [&](int x, int y, RgbColor colour) {
    const int index = matcher.Match(colour);
    if (index >= 0) {
      plane.Set(x, y, static_cast<std::uint8_t>(index));
      return true;
    }
    error = NotInPalette(selection.x + x, selection.y + y, colour);
    return false;
  });
  if (!error.empty()) return Result<convert::ValuePlane>::Failure(error);
  return plane;
}

NearestValues NearestValuesOf(const Palette& palette, const platform::Surface& source,
                              const convert::Selection& selection) {
  PaletteMatcher matcher(palette, true);
  NearestValues result{PlaneFor(selection), 0};
  ForEachPixel(source, selection, [&](int x, int y, RgbColor colour) {
    result.values.Set(x, y, static_cast<std::uint8_t>(matcher.Match(colour)));
    return true;
  });
  result.inexact = matcher.Inexact();
  return result;
}

PaletteDrawing DrawValues(const Palette& palette, const convert::ValuePlane& values) {
  PaletteDrawing drawing{platform::Surface::Picture(values.width, values.height), 0};
  std::array<RgbColor, 256> colours{};  // black past the palette's end
  std::copy(palette.colours.begin(),
            palette.colours.begin() + std::min<std::ptrdiff_t>(256, std::ssize(palette.colours)),
            colours.begin());
  for (int y = 0; y < values.height; ++y) {
    const auto row = drawing.picture.Row(y);
    for (int x = 0; x < values.width; ++x) {
      const std::uint8_t v = values.At(x, y);
      if (v >= palette.colours.size()) ++drawing.beyond;
      row[static_cast<std::size_t>(x)] = colours[v];
    }
  }
  return drawing;
}

}  // namespace glyphon::palette
