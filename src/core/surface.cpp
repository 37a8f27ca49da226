// SPDX-License-Identifier: MIT
#include "core/surface.h"

#include <algorithm>
#include <stdexcept>

#include "core/fresh_memory.h"

namespace glyphon::platform {

namespace {
std::size_t Area(int width, int height) {
  if (width < 0 || height < 0) throw std::invalid_argument("negative surface size");
  return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}
}  // namespace

Surface::Surface(int width, int height, RgbColor fill) : m_width(width), m_height(height) {
  AssignFresh(m_pixels, Area(width, height), fill);
}

Surface Surface::Picture(int width, int height, RgbColor fill) {
  Surface s(width, height, fill);
  s.m_hasPicture = true;
  return s;
}

void Surface::Resize(int width, int height, RgbColor fill) {
  if (width == m_width && height == m_height) return;
  std::vector<RgbColor> pixels;
  AssignFresh(pixels, Area(width, height), fill);
  const int keepW = std::min(width, m_width);
  const int keepH = std::min(height, m_height);
  for (int y = 0; y < keepH; ++y) {
    std::copy_n(m_pixels.begin() + static_cast<std::ptrdiff_t>(Index(0, y)), keepW,
                pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) *
                                                             static_cast<std::size_t>(width)));
  }
  m_pixels = std::move(pixels);
  m_width = width;
  m_height = height;
}

void Surface::ClearPicture() {
  std::fill(m_pixels.begin(), m_pixels.end(), kBlack);
  m_hasPicture = false;
}

void Surface::FillRect(int x, int y, int width, int height, RgbColor colour) noexcept {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + width, m_width), y1 = std::min(y + height, m_height);
  for (int yy = y0; yy < y1; ++yy) {
    auto row = Row(yy);
    std::fill(row.begin() + x0, row.begin() + x1, colour);
  }
}

Surface Surface::Crop(int x, int y, int width, int height, RgbColor outside) const {
  Surface out = Picture(width, height, outside);
  for (int yy = 0; yy < height; ++yy) {
    for (int xx = 0; xx < width; ++xx) {
      if (Contains(x + xx, y + yy)) out.SetPixel(xx, yy, GetPixel(x + xx, y + yy));
    }
  }
  return out;
}

}  // namespace glyphon::platform
