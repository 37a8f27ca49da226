// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "formats/format_table.h"
#include "tiles/tile_order.h"

namespace glyphon::browser {

// How a format lays its bytes out at a width, from the format table's facts alone. The
// view moves in bands: one row of blocks for the formats whose grid lock is fixed (8 pixel
// rows for whole 8 by 8 tiles or a layout read in 8-row strips, 16 for the 16 by 16 PC
// Engine sprites), one pixel row for the linear ones. A band is always whole bytes, so the
// view can start decoding at any band.
struct Layout {
  bool grid = false;   // widths in blocks (tiles), selections snapped to blocks
  int unitPixels = 1;  // pixels per unit of width: the block side in a grid, else the pixels of whole bytes
  int bandHeight = 1;  // pixel rows per band
  int pixelWidth = 0;  // the picture's width
  std::uint64_t tileBytes = 0;  // bytes of one block, an 8 by 8 tile or a 16 by 16 sprite (grid formats)
  std::uint64_t bandBytes = 0;  // bytes of one band at this width
  double pixelsPerByte = 1.0;   // the format's size rule

  // Bytes of `pixels` pixels in row order (a multiple of the unit).
  std::uint64_t BytesOfPixels(std::int64_t pixels) const noexcept { return Bytes(pixels); }
  // The first byte of the pixel at column x of a band (its block's first byte in a grid).
  std::uint64_t ColumnByte(int x) const noexcept {
    return grid ? static_cast<std::uint64_t>(x / unitPixels) * tileBytes : Bytes(x - x % unitPixels);
  }

 private:
  std::uint64_t Bytes(std::int64_t pixels) const noexcept {
    return static_cast<std::uint64_t>(Nearest(static_cast<double>(pixels) / pixelsPerByte));
  }
};

// The pixels per unit of width: the block side in a grid format; in a linear one, the fewest pixels
// that fill whole bytes (8 at 1 bit, 4 at 2, 2 at 4, 1 from 8 bits up).
int UnitPixels(const formats::FormatInfo& format) noexcept;
// With objects of several blocks (a tile order) a band is one row of objects.
Layout LayoutOf(const formats::FormatInfo& format, int width, const tiles::TileOrder& order = {}) noexcept;

}  // namespace glyphon::browser
