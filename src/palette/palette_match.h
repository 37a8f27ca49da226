// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "convert/encoding.h"
#include "convert/value_plane.h"
#include "core/result.h"
#include "core/surface.h"
#include "palette/palette.h"

namespace glyphon::palette {

// Colour to value: each selected pixel becomes the index of its colour in the palette. A
// point outside the picture reads as black. Pixels are named by their place in the picture.

// Exact: the first of equal entries wins; the first colour not in the palette (row by
// row) is an error naming the pixel and its colour.
Result<convert::ValuePlane> ExactValues(const Palette& palette, const platform::Surface& source,
                                        const convert::Selection& selection);

struct NearestValues {
  convert::ValuePlane values;
  std::int64_t inexact = 0;  // pixels whose colour is not in the palette
};
// Nearest: the entry at the least squared RGB distance, ties to the lower index.
NearestValues NearestValuesOf(const Palette& palette, const platform::Surface& source,
                              const convert::Selection& selection);

class ColourIndex;

// Colour to value a pixel at a time, for pictures read by rows: the index of the colour in
// the palette (the first of equal entries). A colour not in it is -1, or with `nearest`
// the index of the nearest entry (as NearestValuesOf), counted in Inexact(). The palette
// must outlive the matcher.
class PaletteMatcher {
 public:
  PaletteMatcher(const Palette& palette, bool nearest);
  ~PaletteMatcher();
  PaletteMatcher(const PaletteMatcher&) = delete;
  PaletteMatcher& operator=(const PaletteMatcher&) = delete;

  int Match(RgbColor colour);
  std::int64_t Inexact() const noexcept { return m_inexact; }

 private:
  const Palette& m_palette;
  std::unique_ptr<ColourIndex> m_exact;
  bool m_nearest;
  std::unordered_map<RgbColor, std::uint8_t> m_nearestOf;  // colours not in the palette, as met
  std::int64_t m_inexact = 0;
};

// Why the pixel at (x, y) of the picture cannot be a value under the exact palette rule.
std::string NotInPalette(std::int64_t x, std::int64_t y, RgbColor colour);

// Value to colour: each value drawn in its palette colour; a value beyond the palette is
// drawn black and counted.
struct PaletteDrawing {
  platform::Surface picture;
  std::int64_t beyond = 0;
};
PaletteDrawing DrawValues(const Palette& palette, const convert::ValuePlane& values);

}  // namespace glyphon::palette
