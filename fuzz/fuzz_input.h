// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/surface.h"

namespace glyphon::fuzz {

// Takes small numbers off the front of the fuzzer's bytes; the rest is data.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : m_bytes(data, size) {}
  // A number from 0 to limit - 1 (0 when the bytes run out).
  int Take(int limit) {
    if (m_bytes.empty() || limit <= 1) return 0;
    unsigned value = m_bytes[0];
    m_bytes = m_bytes.subspan(1);
    if (limit > 256 && !m_bytes.empty()) {
      value = value << 8 | m_bytes[0];
      m_bytes = m_bytes.subspan(1);
    }
    return static_cast<int>(value % static_cast<unsigned>(limit));
  }
  std::span<const std::uint8_t> Rest() const { return m_bytes; }
  std::span<const std::uint8_t> TakeBytes(std::size_t count) {
    const std::size_t n = count < m_bytes.size() ? count : m_bytes.size();
    auto out = m_bytes.first(n);
    m_bytes = m_bytes.subspan(n);
    return out;
  }
  // A loaded picture of the given size, 3 bytes a pixel (red, green, blue); pixels past
  // the end of the bytes stay black.
  platform::Surface TakePicture(int width, int height) {
    platform::Surface picture = platform::Surface::Picture(width, height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const auto px = TakeBytes(3);
        RgbColor colour = 0;
        for (std::size_t i = 0; i < px.size(); ++i) colour |= static_cast<RgbColor>(px[i]) << (8 * i);
        picture.SetPixel(x, y, colour);
      }
    }
    return picture;
  }

 private:
  std::span<const std::uint8_t> m_bytes;
};

}  // namespace glyphon::fuzz
