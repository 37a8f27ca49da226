// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

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

// Value to colour: each value drawn in its palette colour; a value beyond the palette is
// drawn black and counted.
struct PaletteDrawing {
  platform::Surface picture;
  std::int64_t beyond = 0;
};
PaletteDrawing DrawValues(const Palette& palette, const convert::ValuePlane& values);

}  // namespace glyphon::palette
