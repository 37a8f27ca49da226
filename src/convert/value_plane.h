// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glyphon::convert {

// The values a format stores, one per pixel, row by row: a palette index, or what a
// colour classifies to under the format's grey rule. Formats up to 8 bits per pixel keep
// every value in one byte; tile sets, tile maps and palettes all work on this plane.
struct ValuePlane {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> values;  // width * height, row-major

  ValuePlane() = default;
  ValuePlane(int w, int h, std::uint8_t fill = 0)
      : width(w), height(h), values(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}

  std::uint8_t At(int x, int y) const noexcept { return values[Index(x, y)]; }
  void Set(int x, int y, std::uint8_t value) noexcept { values[Index(x, y)] = value; }
  std::size_t Index(int x, int y) const noexcept {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
  }
  friend bool operator==(const ValuePlane&, const ValuePlane&) = default;
};

}  // namespace glyphon::convert
