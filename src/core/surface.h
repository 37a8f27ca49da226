// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "core/types.h"

namespace glyphon::platform {

// An in-memory picture surface. Pixels read outside it are kOutside (-1) and writes
// outside it are ignored, so codecs never need their own bounds checks for safety.
//
// A surface also remembers whether it holds a *loaded* picture (a bitmap file, a pasted
// picture, a generated image). Drawing pixels on it does not make it one; the partner
// encoders rely on that difference.
class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, RgbColor fill = kBlack);

  // A surface holding a loaded picture of the given size.
  static Surface Picture(int width, int height, RgbColor fill = kBlack);

  int Width() const noexcept { return m_width; }
  int Height() const noexcept { return m_height; }
  bool IsEmpty() const noexcept { return m_width == 0 || m_height == 0; }
  std::size_t PixelCount() const noexcept { return m_pixels.size(); }

  bool Contains(int x, int y) const noexcept {
    return static_cast<unsigned>(x) < static_cast<unsigned>(m_width) &&
           static_cast<unsigned>(y) < static_cast<unsigned>(m_height);
  }
  RgbColor GetPixel(int x, int y) const noexcept { return Contains(x, y) ? m_pixels[Index(x, y)] : kOutside; }
  void SetPixel(int x, int y, RgbColor colour) noexcept {
    if (Contains(x, y)) m_pixels[Index(x, y)] = colour;
  }

  bool HasPicture() const noexcept { return m_hasPicture; }
  void SetHasPicture(bool has) noexcept { m_hasPicture = has; }

  // Changes the size, keeping the pixels that still fit; new area takes `fill`.
  void Resize(int width, int height, RgbColor fill = kBlack);
  // Forgets the picture: every pixel becomes the background and HasPicture() is false.
  // The size stays.
  void ClearPicture();
  // Fills the rectangle (clipped to the surface) with one colour.
  void FillRect(int x, int y, int width, int height, RgbColor colour) noexcept;

  // Row access for code that walks whole rows (thumbnails, picture files).
  std::span<const RgbColor> Row(int y) const noexcept {
    return {m_pixels.data() + Index(0, y), static_cast<std::size_t>(m_width)};
  }
  std::span<RgbColor> Row(int y) noexcept {
    return {m_pixels.data() + Index(0, y), static_cast<std::size_t>(m_width)};
  }
  std::span<const RgbColor> Pixels() const noexcept { return m_pixels; }

  // The rectangle (x, y, width, height) copied unscaled into a new picture; parts that
  // lie outside this surface come out in `outside`.
  Surface Crop(int x, int y, int width, int height, RgbColor outside = kBlack) const;

  friend bool operator==(const Surface& a, const Surface& b) = default;

 private:
  std::size_t Index(int x, int y) const noexcept {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x);
  }

  int m_width = 0;
  int m_height = 0;
  std::vector<RgbColor> m_pixels;
  bool m_hasPicture = false;
};

}  // namespace glyphon::platform
