// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "convert/encoding.h"
#include "convert/value_plane.h"
#include "core/result.h"
#include "core/surface.h"
#include "formats/format_table.h"
#include "palette/palette.h"

namespace glyphon::formats {

// How a pixel becomes the value the format stores. The command line's --values and the
// main window's value menu choose among these.
enum class ValueRule {
  Grey,     // the format's grey rule, black 0 (the default)
  Shade,    // evenly spaced greys from white 0 down to black, as on the Game Boy
  Index,    // the palette index an indexed picture stores
  Palette,  // the index of the pixel's colour in a palette file
  Colour,   // tile sets: the index of the pixel's colour in its tile's sub-palette
};

// "grey", "shade", "index", "palette", "colour".
std::string_view ValueRuleName(ValueRule rule) noexcept;

// A picture as the value rules read it: its colours, and for an indexed picture its indices
// (row-major, one a pixel; empty when it stores colours) and the colours they index.
struct ValueSource {
  const platform::Surface& pixels;
  std::span<const std::uint8_t> indices;
  std::span<const RgbColor> indexColours;
  // The palette of ValueRule::Palette; a colour not in it is a failure, or with `nearest`
  // takes the nearest entry (counted in `inexact`).
  const palette::Palette* palette = nullptr;
  bool nearest = false;
};

// What a rule gave: the values of the selection, the colours they index (the format's
// greys or shades, the picture's palette, the palette file's), and how many pixels took a
// nearest colour.
struct ChosenValues {
  convert::ValuePlane values;
  std::vector<RgbColor> colours;
  std::int64_t inexact = 0;
};

// The values of the selection under `rule`. Failures are causes, without a file's name: a
// picture without indices under the index rule, a value beyond the format's bits, a
// colour not in the palette.
Result<ChosenValues> ValuesUnderRule(ValueRule rule, const FormatInfo& format, const ValueSource& source,
                                     const convert::Selection& selection);

// Repaints the selection of `picture` in the colours the format draws `values` in, so the
// unchanged encoder stores exactly those values. Stops at the first row holding a value
// beyond the format's bits and names its first such pixel.
Status PaintValues(const FormatInfo& format, platform::Surface& picture, const convert::Selection& selection,
                   const convert::ValuePlane& values);

}  // namespace glyphon::formats
