// SPDX-License-Identifier: MIT
#include "tiles/nes_attributes.h"

#include <string>

namespace glyphon::tiles {

namespace {

constexpr int kAreasAcross = kNesScreenColumns / 2;  // per screen
constexpr int kAreasDown = kNesScreenRows / 2;

int ScreensFor(int areas, int perScreen) {
  return (areas + perScreen - 1) / perScreen;
}

// Where area (x, y) of the picture lies in its tables: the byte and the shift of its two bits.
struct AreaBits {
  std::size_t byte;
  int shift;
};

AreaBits BitsOf(int x, int y, int screensAcross) {
  const int screen = y / kAreasDown * screensAcross + x / kAreasAcross;
  const int lx = x % kAreasAcross, ly = y % kAreasDown;
  return {static_cast<std::size_t>(screen * kNesAttributeBytes + ly / 2 * 8 + lx / 2),
          (ly % 2 * 2 + lx % 2) * 2};
}

}  // namespace

ByteString WriteNesAttributes(std::span<const std::uint8_t> areaPalettes, int areasAcross, int areasDown) {
  const int across = ScreensFor(areasAcross, kAreasAcross), down = ScreensFor(areasDown, kAreasDown);
  ByteString tables(static_cast<std::size_t>(across * down * kNesAttributeBytes), 0);
  for (int y = 0; y < areasDown; ++y) {
    for (int x = 0; x < areasAcross; ++x) {
      const AreaBits at = BitsOf(x, y, across);
      const std::uint8_t palette = areaPalettes[static_cast<std::size_t>(y * areasAcross + x)] & 3;
      tables[at.byte] = static_cast<std::uint8_t>(tables[at.byte] | palette << at.shift);
    }
  }
  return tables;
}

Result<std::vector<std::uint8_t>> ReadNesAttributes(std::span<const std::uint8_t> bytes, int widthTiles,
                                                    int heightTiles) {
  using R = Result<std::vector<std::uint8_t>>;
  const int areasAcross = (widthTiles + 1) / 2, areasDown = (heightTiles + 1) / 2;
  const int across = ScreensFor(areasAcross, kAreasAcross), down = ScreensFor(areasDown, kAreasDown);
  const auto expected = static_cast<std::size_t>(across * down * kNesAttributeBytes);
  if (bytes.size() != expected) {
    return R::Failure("the attribute table holds " + std::to_string(bytes.size()) + " bytes, but the " +
                      std::to_string(widthTiles) + " by " + std::to_string(heightTiles) +
                      " tile picture covers " + std::to_string(across * down) +
                      (across * down == 1 ? " screen" : " screens") + " of 32 by 30 tiles, " +
                      std::to_string(expected) + " bytes");
  }
  std::vector<std::uint8_t> palettes(static_cast<std::size_t>(widthTiles) *
                                     static_cast<std::size_t>(heightTiles));
  for (int ty = 0; ty < heightTiles; ++ty) {
    for (int tx = 0; tx < widthTiles; ++tx) {
      const AreaBits at = BitsOf(tx / 2, ty / 2, across);
      palettes[static_cast<std::size_t>(ty * widthTiles + tx)] =
          static_cast<std::uint8_t>(bytes[at.byte] >> at.shift & 3);
    }
  }
  return palettes;
}

}  // namespace glyphon::tiles
