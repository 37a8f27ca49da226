// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "formats/bit_planes.h"

namespace glyphon::formats::pce_sprite {

// "4bpp PCE Sprite": the PC Engine's sprite patterns. The picture is cut into 16 by 16
// blocks numbered row by row, b = (y \ 16) * (W \ 16) + x \ 16, each 128 bytes: four planes
// one after the other (plane i, bit i of the index, at 32i), each plane sixteen 16-bit rows
// (row r at 2r). A row is a little-endian word with column c in bit 15 - c, so its first
// byte holds columns 8-15 and its second columns 0-7, the leftmost of each in bit 7.
//
// A group of 8 pixels in row order is one plane byte in each plane. Groups are stored and
// read as the planar tile formats store and read theirs (bit_planes.h): the encoder puts a
// group where the pixel that completes it says, the decoder reads a pixel from its own
// block, and bytes past the output are dropped.

inline constexpr int kSide = 16;
inline constexpr int kBlockBytes = 128;
inline constexpr int kPlaneBytes = 32;
inline constexpr std::size_t kPlanes = 4;

// The plane-0 byte that holds column x of pixel row y.
constexpr std::int64_t RowByte(std::int64_t blocksPerRow, int x, int y) noexcept {
  return kBlockBytes * ((y / kSide) * blocksPerRow + x / kSide) + 2 * (y % kSide) + (x % kSide < 8 ? 1 : 0);
}

// The four plane bytes of a group (plane i in byte i of `planes`), dropping those past the output.
inline void StorePlanes(std::span<std::uint8_t> out, std::int64_t at, std::uint64_t planes) noexcept {
  for (std::size_t i = 0; i < kPlanes; ++i)
    convert::StoreByte(out, at + kPlaneBytes * static_cast<std::int64_t>(i),
                       static_cast<std::uint8_t>(planes >> (8 * i)));
}

inline void EncodeBand(SourceBand band, std::span<std::uint8_t> out, convert::ProgressTicker& ticker) {
  const GreyPalette& greys = kFourBitGreys;
  const std::int64_t blocksPerRow = band.width / kSide;
  if (band.width % 8 == 0) {
    // Every group is the left or right half of one block row: read straight from the rows.
    for (int y = band.first; y < band.End(); ++y) {
      const RgbColor* row = band.Row(y);
      for (int x = 0; x < band.width; x += 8) {
        std::uint64_t planes = 0;
        for (int n = 0; n < 8; ++n) {
          const int grey = convert::GreyOfColour(convert::InsideOrBlack(row[x + n]));
          planes |= bit_planes::kSpread[greys.indexOfGrey[static_cast<std::size_t>(grey)]] << (7 - n);
        }
        StorePlanes(out, RowByte(blocksPerRow, x, y), planes);
      }
      ticker.TickTo(std::int64_t{band.width} * (y + 1));
    }
    return;
  }
  std::array<std::uint8_t, 8> group{};
  int place = 0;
  ForEachBandPixel(band, ticker, [&](RgbColor colour, int x, int y, std::int64_t) {
    group[static_cast<std::size_t>(place)] =
        greys.indexOfGrey[static_cast<std::size_t>(convert::GreyOfColour(colour))];
    if (++place < 8) return;
    place = 0;
    std::uint64_t planes = 0;
    for (std::size_t n = 0; n < 8; ++n) planes |= bit_planes::kSpread[group[n]] << (7 - n);
    StorePlanes(out, RowByte(blocksPerRow, x, y), planes);
  });
}

// Only the plane-0 byte decides whether a pixel lies past the end of the data (then it is
// white). A later plane byte past the end fails the preview at that pixel; image generation
// draws the pixel white instead.
inline std::optional<DecodeFailure> DecodeBand(DataWindow data, PictureBand band, DecodeMode mode,
                                               PartnerState*, convert::ProgressTicker& ticker) {
  const GreyPalette& greys = kFourBitGreys;
  const RgbColor endOfData = greys.EndOfDataColour();
  const std::int64_t length = data.length;
  const std::uint8_t* bytes = data.bytes.data();
  const std::int64_t end = data.End();
  const int width = band.width;
  const std::int64_t blocksPerRow = width / kSide;
  // Reads the planes of the group at `at` (from the window's first byte) into `planes`
  // (plane i in byte i), or says why not: nullopt when they are whole, else the offset in
  // the data of the first plane byte past the end.
  auto read = [&](std::int64_t at, std::uint64_t& planes) -> std::optional<std::int64_t> {
    planes = 0;
    for (std::size_t i = 0; i < kPlanes; ++i) {
      const std::int64_t offset = at + kPlaneBytes * static_cast<std::int64_t>(i);
      if (offset >= end) return offset + data.base;
      planes |= static_cast<std::uint64_t>(bytes[offset]) << (8 * i);
    }
    return std::nullopt;
  };
  if (width % 8 == 0) {
    for (int y = band.first; y < band.End(); ++y) {
      RgbColor* pixels = band.Row(y);
      for (int x = 0; x < width; x += 8) {
        std::uint64_t planes = 0;
        const std::int64_t at = RowByte(blocksPerRow, x, y);
        const std::optional<std::int64_t> beyond = read(at - data.base, planes);
        if (beyond && *beyond != at && mode == DecodeMode::Preview) {
          ticker.TickTo(std::int64_t{width} * y + x);
          return DecodeFailure{DecodeFailure::Kind::ByteBeyondData, x, y, *beyond, length};
        }
        std::uint64_t indices = 0;
        for (std::size_t i = 0; i < kPlanes; ++i)
          indices |= bit_planes::kColumns[(planes >> (8 * i)) & 0xFFu] << i;
        for (int c = 0; c < 8; ++c)
          pixels[x + c] = beyond ? endOfData : greys.colourOfIndex[(indices >> (8 * c)) & 0xFFu];
      }
      ticker.TickTo(std::int64_t{width} * (y + 1));
    }
    return std::nullopt;
  }
  // Any other width: a group of 8 pixels can straddle two blocks, so each pixel reads its
  // own block row at its place in the group.
  std::int64_t m = std::int64_t{width} * band.first;
  for (int y = band.first; y < band.End(); ++y) {
    RgbColor* pixels = band.Row(y);
    for (int x = 0; x < width; ++x) {
      const int bit = static_cast<int>(m % 8);
      ++m;
      std::uint64_t planes = 0;
      const std::int64_t at = RowByte(blocksPerRow, x, y);
      const std::optional<std::int64_t> beyond = read(at - data.base, planes);
      if (beyond && *beyond != at && mode == DecodeMode::Preview) {
        ticker.TickTo(m - 1);
        return DecodeFailure{DecodeFailure::Kind::ByteBeyondData, x, y, *beyond, length};
      }
      pixels[x] = beyond ? endOfData : greys.colourOfIndex[bit_planes::Gather(planes >> (7 - bit))];
    }
    ticker.TickTo(m);
  }
  return std::nullopt;
}

inline constexpr BandCodec kBand{EncodeBand, DecodeBand, kSide};
inline constexpr EncodeFn Encode = EncodeInBands<EncodeBand, kSide>;
inline constexpr DecodeFn Decode = DecodeInBands<DecodeBand, kSide>;

}  // namespace glyphon::formats::pce_sprite
