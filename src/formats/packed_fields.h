// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "convert/encoding.h"
#include "formats/decoding.h"
#include "formats/grey_palette.h"

namespace glyphon::formats {

// The packed formats: each pixel's index is one field of `bits` bits, whole inside one
// byte, 8 / bits pixels to the byte.
//
// Linear layouts run the fields in row order with nothing at row ends: pixel n = W * y + x
// lies in byte n \ (8 / bits). Tiled layouts cut the picture into 8 by 8 tiles numbered row
// by row; a tile row is `bits` bytes, so a tile is 8 * bits bytes and pixel column c of
// row r of tile t lies in byte 8 * bits * t + bits * r + c \ (8 / bits).
struct PackedLayout {
  const GreyPalette* greys;
  bool tiled;
  bool firstPixelLow;  // the earliest pixel of a byte takes its lowest bits (else its highest)
  int groupBytes;      // the encoder stores groups of this many bytes
  // The bytes of each group stored last first: a little-endian word whose earliest pixel
  // is in its highest bits. A tiled layout's row must then be whole groups.
  bool bytesReversed = false;

  // Where the byte that is `byte` in pixel order lies among the group's bytes.
  constexpr std::int64_t Stored(std::int64_t byte) const noexcept {
    return bytesReversed ? byte - byte % groupBytes + groupBytes - 1 - byte % groupBytes : byte;
  }
};

namespace packed_fields {

// Groups of G = groupBytes * (8 / bits) pixels in row order. A multi-byte group is one
// little-endian word when the earliest pixel is in the low bits, a big-endian one
// otherwise, so the byte order follows the pixel order unless the layout reverses the
// bytes of its groups. A complete group goes
// where the pixel that completes it says: the linear layouts to group k / G - 1, the tiled
// ones to the bytes of that pixel's tile row that hold it. Bytes past the output (a tiled
// selection that is not a whole number of tiles) are dropped.
template <const PackedLayout& kLayout>
void EncodeBand(SourceBand band, std::span<std::uint8_t> out, convert::ProgressTicker& ticker) {
  constexpr const GreyPalette& kGreys = *kLayout.greys;
  constexpr int kBits = kGreys.bits;
  constexpr int kPixelsPerByte = 8 / kBits;
  constexpr int kGroup = kLayout.groupBytes * kPixelsPerByte;
  const std::int64_t tilesPerRow = band.width / 8;
  std::uint32_t group = 0;
  int place = 0;  // the pixel's place in its group
  ForEachBandPixel(band, ticker, [&](RgbColor colour, int x, int y, std::int64_t k) {
    const std::uint32_t index = kGreys.indexOfGrey[static_cast<std::size_t>(convert::GreyOfColour(colour))];
    group |= index << (kBits * (kLayout.firstPixelLow ? place : kGroup - 1 - place));
    if (++place < kGroup) return;
    const std::int64_t byteInRow = (x % 8) / kPixelsPerByte;
    const std::int64_t offset = kLayout.tiled
                                    ? 8 * kBits * ((y / 8) * tilesPerRow + x / 8) + kBits * (y % 8) +
                                          byteInRow - byteInRow % kLayout.groupBytes
                                    : (k / kGroup - 1) * kLayout.groupBytes;
    for (int j = 0; j < kLayout.groupBytes; ++j) {
      const int shift = 8 * (kLayout.firstPixelLow != kLayout.bytesReversed ? j : kLayout.groupBytes - 1 - j);
      convert::StoreByte(out, offset + j, static_cast<std::uint8_t>(group >> shift));
    }
    group = 0;
    place = 0;
  });
}

// A pixel whose byte lies past the end of the data takes the largest index, white. A
// field never spans two bytes, so these decoders never fail.
template <const PackedLayout& kLayout>
std::optional<DecodeFailure> DecodeBand(DataWindow data, PictureBand band, DecodeMode, PartnerState*,
                                        convert::ProgressTicker& ticker) {
  constexpr const GreyPalette& kGreys = *kLayout.greys;
  constexpr int kBits = kGreys.bits;
  constexpr int kPixelsPerByte = 8 / kBits;
  constexpr RgbColor kEndOfData = kGreys.EndOfDataColour();
  const std::uint8_t* bytes = data.bytes.data();
  const std::int64_t end = data.End();
  const int width = band.width;
  const std::int64_t tilesPerRow = width / 8;
  std::int64_t m = std::int64_t{width} * band.first;
  int place =
      static_cast<int>(m % kPixelsPerByte);  // place in the byte, restarted when m is a multiple of 8 / bits
  for (int y = band.first; y < band.End(); ++y) {
    RgbColor* pixels = band.Row(y);
    const std::int64_t rowStart =
        (kLayout.tiled ? 8 * kBits * std::int64_t{y / 8} * tilesPerRow + kBits * (y % 8) : 0) - data.base;
    for (int x = 0; x < width; ++x) {
      const std::int64_t offset =
          rowStart + (kLayout.tiled ? 8 * kBits * (x / 8) + kLayout.Stored((x % 8) / kPixelsPerByte)
                                    : kLayout.Stored(m / kPixelsPerByte));
      ++m;
      RgbColor colour = kEndOfData;
      if (offset < end) {
        const int shift = kBits * (kLayout.firstPixelLow ? place : kPixelsPerByte - 1 - place);
        colour = kGreys.colourOfIndex[(unsigned{bytes[offset]} >> shift) & kGreys.MaxIndex()];
      }
      pixels[x] = colour;
      ++place;
      if (m % kPixelsPerByte == 0) place = 0;
    }
    ticker.TickTo(m);
  }
  return std::nullopt;
}

template <const PackedLayout& kLayout>
inline constexpr BandCodec kBand{EncodeBand<kLayout>, DecodeBand<kLayout>, kLayout.tiled ? 8 : 1};
template <const PackedLayout& kLayout>
inline constexpr EncodeFn Encode = EncodeInBands<EncodeBand<kLayout>, kLayout.tiled ? 8 : 1>;
template <const PackedLayout& kLayout>
inline constexpr DecodeFn Decode = DecodeInBands<DecodeBand<kLayout>, kLayout.tiled ? 8 : 1>;

}  // namespace packed_fields
}  // namespace glyphon::formats
