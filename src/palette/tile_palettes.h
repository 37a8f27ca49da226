// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "convert/encoding.h"
#include "convert/value_plane.h"
#include "core/result.h"
#include "core/surface.h"
#include "palette/palette.h"

// Colour art as the consoles draw it: every tile (or, on the NES, every 16 by 16 area) in
// one of a few sub-palettes, its pixels stored as indices into that sub-palette.
namespace glyphon::palette {

// The order of a sub-palette's entries after entry 0: lightest first, or in the order the
// colours first appear in the picture (row by row).
enum class PaletteOrder { Luminance, Picture };

// The colours to take apart: the selection of `pixels` (whole areas at its top left, the
// last row and column of areas may be cut short), with a mask of transparent pixels (one
// byte per selected pixel in row order, non-zero for transparent; empty: all opaque).
struct ColourArt {
  const platform::Surface& pixels;
  convert::Selection selection;
  std::span<const std::uint8_t> transparent;
  int areaSide = 8;  // the square that holds to one sub-palette: 8, or 16 for NES attributes
};

// Sub-palettes chosen for the areas of colour art.
struct AreaPalettes {
  convert::ValuePlane values;               // per selected pixel, its index in its area's palette
  std::vector<Palette> palettes;            // each exactly paletteSize entries
  std::vector<std::uint8_t> paletteOfArea;  // per area, row by row
  int areasAcross = 0;
  int areasDown = 0;

  // The sub-palette number of the 8 by 8 tile at (column, row) of the selection.
  std::uint8_t PaletteOfTile(int column, int row, int areaSide) const noexcept;
};

struct PackOptions {
  std::size_t paletteSize = 16;
  std::size_t maxPalettes = 8;
  // The colour every sub-palette holds at entry 0 (the backdrop): pixels of it take 0.
  std::optional<RgbColor> colourZero;
  PaletteOrder order = PaletteOrder::Luminance;
};

// Finds each area's colours and packs them into at most maxPalettes sub-palettes of
// paletteSize entries. Transparent pixels (and those of colourZero) take entry 0, which every
// sub-palette then keeps for them (colourZero there, else black); without either, every
// entry holds the art's colours. Entries beyond an area's colours are black. Failures name
// the first area (row by row) with more colours than a sub-palette holds, by its top-left
// pixel in the picture and its count, or the number of sub-palettes the packing needed.
Result<AreaPalettes> PackAreaPalettes(const ColourArt& art, const PackOptions& options);

// Fixed sub-palettes: each area takes the first palette holding every colour it has
// (transparent pixels take entry 0); under `nearest`, the palette where the sum over its
// pixels of the squared distance to the nearest entry is least (ties to the first), each
// pixel then taking its nearest entry (ties to the lower index). `inexact` counts the pixels
// whose colour was not in their palette. Failures name the area and a colour no palette
// holds (with its pixel), or the area whose colours no one palette holds.
Result<AreaPalettes> MatchAreaPalettes(const ColourArt& art, std::span<const Palette> palettes, bool nearest,
                                       std::int64_t* inexact = nullptr);

// A palette cut into sub-palettes of `size` entries, the last one cut short when the
// palette is not whole sub-palettes.
std::vector<Palette> CutPalettes(const Palette& palette, std::size_t size);
// The sub-palettes one after another: the palette file that holds them.
Palette JoinPalettes(std::span<const Palette> palettes);

// The way back: each 8 by 8 tile of `values` drawn in the sub-palette `paletteOfTile` gives
// it (one number per tile, row by row). A value or palette number beyond them is drawn black
// and counted in `beyond`.
platform::Surface DrawInPalettes(const convert::ValuePlane& values,
                                 std::span<const std::uint8_t> paletteOfTile,
                                 std::span<const Palette> palettes, std::int64_t& beyond);

// The luminance the ordering sorts by: 299 R + 587 G + 114 B (thousandths).
constexpr int LuminanceOf(RgbColor c) noexcept {
  return 299 * RedOf(c) + 587 * GreenOf(c) + 114 * BlueOf(c);
}

}  // namespace glyphon::palette
