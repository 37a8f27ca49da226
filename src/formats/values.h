// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include "convert/encoding.h"
#include "convert/value_plane.h"
#include "core/result.h"
#include "core/surface.h"
#include "formats/format_table.h"

namespace glyphon::formats {

// The values of the formats up to 8 bits per pixel (those with HasValues()): what a
// colour classifies to under the format's rule, and the colour its decoder draws a value
// in. Encoding PictureOfValues(plane) stores exactly the values of `plane`, so every other
// way of choosing values (palette indices, palette colours) reaches the unchanged
// encoders through it.

// The value each selected pixel classifies to, exactly as the format's encoder does (a
// point outside the picture reads as black). Empty for a format without values.
convert::ValuePlane ValuesOf(const FormatInfo& format, const Surface& source, const Selection& selection);

// The value each selected pixel takes under the shade rule (value 0 the lightest, as on the
// Game Boy): the nearest in luma of the format's 2^bits evenly spaced greys from white
// down to black. A point outside the picture reads as black. Empty for a format without
// values.
convert::ValuePlane ShadeValuesOf(const FormatInfo& format, const Surface& source,
                                  const Selection& selection);

// The value the shade rule gives a colour of each luma (0-255), for a format with values.
std::array<std::uint8_t, 256> ShadeValueOfLuma(const FormatInfo& format);

// The colours the shade rule draws the values of `bitsPerPixel` in, in value order: white
// first, black last.
std::vector<RgbColor> ShadeColours(int bitsPerPixel);

// Each value drawn in the colour the decoder draws it; a value beyond the format's bits
// comes out black (CheckValuesFit finds those first). Empty for a format without values.
Surface PictureOfValues(const FormatInfo& format, const convert::ValuePlane& values);

// Whether every value fits the format's bits. The message names the first pixel that does
// not, row by row, at its place in the picture: (originX + x, originY + y).
Status CheckValuesFit(const FormatInfo& format, const convert::ValuePlane& values, int originX = 0,
                      int originY = 0);

}  // namespace glyphon::formats
