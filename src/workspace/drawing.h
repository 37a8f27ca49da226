// SPDX-License-Identifier: MIT
#pragma once

#include "core/surface.h"
#include "formats/format_table.h"

namespace glyphon::workspace {

// Draws `source` stretched over the whole of `target` with nearest-neighbour sampling, so
// pixel art stays crisp at any scale. `target` then holds a picture; an empty source
// clears it instead.
void StretchDraw(const platform::Surface& source, platform::Surface& target);

// Draws the palette swatches of `format` across `strip`: black and white for 1 bit, the
// grey steps (i + 1) * (256 / n) - 1 of the n = 2^bits entries, one column per entry at
// 8 bits, and the eight 5-bit colour ramps of the direct-colour formats.
void DrawSwatches(const formats::FormatInfo& format, platform::Surface& strip);

}  // namespace glyphon::workspace
