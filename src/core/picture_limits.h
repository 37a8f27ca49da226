// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "core/types.h"

namespace glyphon::platform {

// Pictures are limited to what the 16-bit selection spinners can address on a side
// (kMaxPictureSide) and in area to kMaxPicturePixels.
constexpr bool FitsPictureLimits(std::int64_t width, std::int64_t height) noexcept {
  return width <= kMaxPictureSide && height <= kMaxPictureSide && width * height <= kMaxPicturePixels;
}

// Why a picture of that size cannot be taken, or an empty text when it can. `subject`
// starts the sentence.
inline std::string PictureSizeProblem(std::int64_t width, std::int64_t height,
                                      std::string subject = "the picture is") {
  if (FitsPictureLimits(width, height)) return {};
  return subject + " " + std::to_string(width) + " by " + std::to_string(height) + " pixels, more than " +
         std::to_string(kMaxPictureSide) + " on a side or " + std::to_string(kMaxPicturePixels) +
         " pixels in all";
}

// A picture that is never held whole, read or written a row at a time, may be as tall as a
// PNG or BMP header can say (2^31 - 1 rows), and as wide as any other picture.
inline constexpr std::int64_t kMaxPictureRows = 0x7FFFFFFF;

constexpr bool FitsPictureRows(std::int64_t width, std::int64_t height) noexcept {
  return width <= kMaxPictureSide && height <= kMaxPictureRows;
}

}  // namespace glyphon::platform

namespace glyphon::platform {

// The most ROM data any picture can hold: every pixel at the pixel limit at 32 bits (256 MiB).
inline constexpr std::uint64_t kMaxRomDataBytes = static_cast<std::uint64_t>(kMaxPicturePixels) * 4;

// The largest picture file read. Uncompressed kinds store up to 8 bytes a pixel (16-bit
// RGBA in a PNG of stored blocks, a 16-bit PPM takes 6), so a picture at the pixel limit
// may take 512 MiB; 16 MiB more leave room for headers, palettes and metadata.
inline constexpr std::uint64_t kMaxPictureFileBytes =
    static_cast<std::uint64_t>(kMaxPicturePixels) * 8 + (std::uint64_t{16} << 20);

// The most 8 by 8 tiles a picture holds, and so the most cells a tile map needs.
inline constexpr std::uint64_t kMaxPictureTiles = static_cast<std::uint64_t>(kMaxPicturePixels) / 64;

// The largest tile map read: a cell for every tile of the largest picture at the widest map
// entry (2 bytes); an attribute map is a byte a cell.
inline constexpr std::uint64_t kMaxTileMapBytes = kMaxPictureTiles * 2;
inline constexpr std::uint64_t kMaxAttributeMapBytes = kMaxPictureTiles;

// The largest palette file read. A palette holds at most 256 colours, a few KiB in any kind;
// 4 MiB leave ample room for comments and names in the text kinds.
inline constexpr std::uint64_t kMaxPaletteFileBytes = std::uint64_t{4} << 20;

}  // namespace glyphon::platform
