// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/surface.h"
#include "core/types.h"

namespace glyphon::convert {

// The selection box in picture pixels: X0, Y0, W, H.
struct Selection {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Selection&, const Selection&) = default;
};

// The partner of the partner formats: the partner picture (whether it holds a *loaded*
// picture is HasPicture) and the partner data (non-empty is HasData). The workspace owns
// one; the partner encoders may rebuild both.
struct PartnerState {
  platform::Surface picture;
  ByteString data;

  bool HasPicture() const noexcept { return picture.HasPicture(); }
  bool HasData() const noexcept { return !data.empty(); }
  friend bool operator==(const PartnerState&, const PartnerState&) = default;
};

// nearest(W * H / pixelsPerByte): the size rule of every format, computed in double
// precision (for 3 bits per pixel the divisor is the double 8/3).
inline std::size_t OutputSize(const Selection& sel, double pixelsPerByte) noexcept {
  if (sel.width <= 0 || sel.height <= 0) return 0;
  const double pixels = static_cast<double>(sel.width) * static_cast<double>(sel.height);
  return static_cast<std::size_t>(Nearest(pixels / pixelsPerByte));
}

// Stores one byte. A tiled format whose selection is not a whole number of tiles can
// compute offsets past the end of its output; those bytes are dropped.
inline void StoreByte(std::span<std::uint8_t> out, std::int64_t offset, std::uint8_t value) noexcept {
  if (static_cast<std::uint64_t>(offset) < out.size()) out[static_cast<std::size_t>(offset)] = value;
}

}  // namespace glyphon::convert
