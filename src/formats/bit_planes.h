// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "convert/encoding.h"
#include "formats/decoding.h"
#include "formats/grey_palette.h"

namespace glyphon::formats {

// The planar tile formats: 8 by 8 tiles numbered row by row, t = (y \ 8) * (W \ 8) + x \ 8,
// each stored as one byte per plane per pixel row, bit 7 the left column. Bit i of a
// pixel's index belongs to plane i. Where a plane byte of row r lies inside its tile:
struct PlaneRow {
  int base = 0;  // byte of row 0
  int stride =
      0;  // bytes from one row to the next: 2 where two planes interleave, 1 where a plane stands alone
};

template <std::size_t kPlanes>
struct PlanarLayout {
  const GreyPalette* greys;
  int tileBytes;
  std::array<PlaneRow, kPlanes> rows;  // plane 0 first; plane 0 lies nearest the tile start
};

namespace bit_planes {

// Both directions work on one 64-bit word per tile row that holds plane i in its byte i.

// The index v spread over the planes: bit i of v at bit 8i of the word, so that shifting
// it left by 7 - c puts every plane bit at column c of its own byte.
inline constexpr std::array<std::uint64_t, 256> kSpread = [] {
  std::array<std::uint64_t, 256> spread{};
  for (std::size_t v = 0; v < spread.size(); ++v) {
    for (std::size_t i = 0; i < 8; ++i) spread[v] |= static_cast<std::uint64_t>((v >> i) & 1u) << (8 * i);
  }
  return spread;
}();

// The reverse: with each plane's bit of one column moved to bit 0 of its byte, one
// multiplication gathers bit 8i into bit 56 + i (the partial products never overlap),
// and the top byte is the index.
constexpr unsigned Gather(std::uint64_t planeBits) noexcept {
  return static_cast<unsigned>(((planeBits & 0x0101010101010101u) * 0x0102040810204080u) >> 56);
}

// Stores the plane bytes of one tile row (plane i in byte i of `planes`), dropping those
// past the output.
template <const auto& kLayout>
void StorePlanes(std::span<std::uint8_t> out, std::int64_t tile, int row, std::uint64_t planes) noexcept {
  for (std::size_t i = 0; i < kLayout.rows.size(); ++i) {
    convert::StoreByte(out, tile + kLayout.rows[i].base + kLayout.rows[i].stride * row,
                       static_cast<std::uint8_t>(planes >> (8 * i)));
  }
}

// Groups of 8 pixels in row order. A complete group stores each plane byte at the tile
// and row of the pixel that completes it; a selection that is not a whole number of tiles
// can name offsets past the output, and those bytes are dropped. This is the encoder for
// any width, where a group can straddle two tiles.
template <const auto& kLayout>
void EncodeAnySelection(SourceBand band, std::span<std::uint8_t> out, convert::ProgressTicker& ticker) {
  constexpr const GreyPalette& kGreys = *kLayout.greys;
  const std::int64_t tilesPerRow = band.width / 8;
  std::array<std::uint8_t, 8> group{};  // the indices of the group so far
  int place = 0;                        // the pixel's place in its group of 8
  ForEachBandPixel(band, ticker, [&](RgbColor colour, int x, int y, std::int64_t) {
    group[static_cast<std::size_t>(place)] =
        kGreys.indexOfGrey[static_cast<std::size_t>(convert::GreyOfColour(colour))];
    if (++place < 8) return;
    place = 0;
    std::uint64_t planes = 0;
    for (std::size_t n = 0; n < 8; ++n) planes |= kSpread[group[n]] << (7 - n);
    StorePlanes<kLayout>(out, kLayout.tileBytes * ((y / 8) * tilesPerRow + x / 8), y % 8, planes);
  });
}

// The same bytes at a width of whole tiles, where every group is one row of one tile.
template <const auto& kLayout>
void EncodeWholeTiles(SourceBand band, std::span<std::uint8_t> out, convert::ProgressTicker& ticker) {
  constexpr const GreyPalette& kGreys = *kLayout.greys;
  const std::int64_t tilesPerRow = band.width / 8;
  for (int y = band.first; y < band.End(); ++y) {
    const RgbColor* row = band.Row(y);
    const std::int64_t tileRow = kLayout.tileBytes * std::int64_t{y / 8} * tilesPerRow;
    for (int x = 0; x < band.width; x += 8) {
      std::uint64_t planes = 0;
      for (int n = 0; n < 8; ++n) {
        const int grey = convert::GreyOfColour(convert::InsideOrBlack(row[x + n]));
        planes |= kSpread[kGreys.indexOfGrey[static_cast<std::size_t>(grey)]] << (7 - n);
      }
      StorePlanes<kLayout>(out, tileRow + kLayout.tileBytes * (x / 8), y % 8, planes);
    }
    ticker.TickTo(std::int64_t{band.width} * (y + 1));
  }
}

template <const auto& kLayout>
void EncodeBand(SourceBand band, std::span<std::uint8_t> out, convert::ProgressTicker& ticker) {
  if (band.width % 8 == 0) {
    EncodeWholeTiles<kLayout>(band, out, ticker);
  } else {
    EncodeAnySelection<kLayout>(band, out, ticker);
  }
}

// A plane byte as the bits of eight pixels, one byte each: byte c holds bit 7 - c (the
// column c bit) in its bit 0, so that shifting it left by i places plane i's bit.
inline constexpr std::array<std::uint64_t, 256> kColumns = [] {
  std::array<std::uint64_t, 256> columns{};
  for (std::size_t v = 0; v < columns.size(); ++v) {
    for (std::size_t c = 0; c < 8; ++c)
      columns[v] |= static_cast<std::uint64_t>((v >> (7 - c)) & 1u) << (8 * c);
  }
  return columns;
}();

// Only the plane-0 byte decides whether a pixel lies past the end of the data (then it is
// white). A later plane byte past the end fails the preview at that pixel; image
// generation draws the pixel white instead and reads nothing past the end. This is the
// decoder for any width, where a group of 8 pixels can straddle two tiles.
template <const auto& kLayout>
std::optional<DecodeFailure> DecodeAnyWidth(DataWindow data, PictureBand band, DecodeMode mode, PartnerState*,
                                            convert::ProgressTicker& ticker) {
  constexpr std::size_t kPlanes = kLayout.rows.size();
  constexpr const GreyPalette& kGreys = *kLayout.greys;
  constexpr RgbColor kEndOfData = kGreys.EndOfDataColour();
  const std::uint8_t* bytes = data.bytes.data();
  const std::int64_t end = data.End();
  const int width = band.width;
  const std::int64_t tilesPerRow = width / 8;
  // The plane bytes of the tile row last read, kept while pixels stay in it.
  std::int64_t planesAt = -1;  // offset of their plane-0 byte
  bool planesWhole = false;    // false when a later plane lies past the end
  std::uint64_t planes = 0;
  std::int64_t m = std::int64_t{width} * band.first;
  int bit = static_cast<int>(m % 8);  // place in the group of 8, restarted when m is a multiple of 8
  for (int y = band.first; y < band.End(); ++y) {
    RgbColor* pixels = band.Row(y);
    const std::int64_t tileRow = kLayout.tileBytes * std::int64_t{y / 8} * tilesPerRow - data.base;
    const int row = y % 8;
    for (int x = 0; x < width; ++x) {
      ++m;
      const std::int64_t tile = tileRow + kLayout.tileBytes * (x / 8);
      const std::int64_t first = tile + kLayout.rows[0].base + kLayout.rows[0].stride * row;
      RgbColor colour = kEndOfData;
      if (first < end) {
        if (first != planesAt) {
          planesAt = first;
          planesWhole = true;
          planes = 0;
          for (std::size_t i = 0; i < kPlanes; ++i) {
            const std::int64_t offset = tile + kLayout.rows[i].base + kLayout.rows[i].stride * row;
            if (offset >= end) {
              if (mode == DecodeMode::Preview) {
                ticker.TickTo(m - 1);
                return DecodeFailure{DecodeFailure::Kind::ByteBeyondData, x, y, offset + data.base,
                                     data.length};
              }
              planesWhole = false;
              break;
            }
            planes |= static_cast<std::uint64_t>(bytes[offset]) << (8 * i);
          }
        }
        if (planesWhole) colour = kGreys.colourOfIndex[Gather(planes >> (7 - bit))];
      }
      pixels[x] = colour;
      ++bit;
      if (m % 8 == 0) bit = 0;
    }
    ticker.TickTo(m);
  }
  return std::nullopt;
}

// The same pictures at a width of whole tiles, where every group of 8 pixels is one row of
// one tile: its plane bytes are read once and spread into eight indices through kColumns.
template <const auto& kLayout>
std::optional<DecodeFailure> DecodeWholeTiles(DataWindow data, PictureBand band, DecodeMode mode,
                                              convert::ProgressTicker& ticker) {
  constexpr std::size_t kPlanes = kLayout.rows.size();
  constexpr const GreyPalette& kGreys = *kLayout.greys;
  const std::uint8_t* bytes = data.bytes.data();
  const std::int64_t end = data.End();
  const int width = band.width;
  for (int y = band.first; y < band.End(); ++y) {
    RgbColor* pixels = band.Row(y);
    const std::int64_t tileRow = kLayout.tileBytes * std::int64_t{y / 8} * (width / 8) - data.base;
    const int row = y % 8;
    for (int x = 0; x < width; x += 8) {
      const std::int64_t tile = tileRow + kLayout.tileBytes * (x / 8);
      std::uint64_t indices = 0;
      bool whole = true;
      for (std::size_t i = 0; i < kPlanes && whole; ++i) {
        const std::int64_t offset = tile + kLayout.rows[i].base + kLayout.rows[i].stride * row;
        whole = offset < end;
        if (whole) {
          indices |= kColumns[bytes[offset]] << i;
        } else if (i > 0 && mode == DecodeMode::Preview) {
          ticker.TickTo(std::int64_t{width} * y + x);
          return DecodeFailure{DecodeFailure::Kind::ByteBeyondData, x, y, offset + data.base, data.length};
        }
      }
      for (std::size_t c = 0; c < 8; ++c) {
        pixels[x + static_cast<int>(c)] =
            whole ? kGreys.colourOfIndex[(indices >> (8 * c)) & 0xFFu] : kGreys.EndOfDataColour();
      }
    }
    ticker.TickTo(std::int64_t{width} * (y + 1));
  }
  return std::nullopt;
}

template <const auto& kLayout>
std::optional<DecodeFailure> DecodeBand(DataWindow data, PictureBand band, DecodeMode mode,
                                        PartnerState* partner, convert::ProgressTicker& ticker) {
  if (band.width % 8 == 0) return DecodeWholeTiles<kLayout>(data, band, mode, ticker);
  return DecodeAnyWidth<kLayout>(data, band, mode, partner, ticker);
}

// The format table's entries: the band codec, and the whole picture as a loop over bands.
template <const auto& kLayout>
inline constexpr BandCodec kBand{EncodeBand<kLayout>, DecodeBand<kLayout>, 8};
template <const auto& kLayout>
inline constexpr EncodeFn Encode = EncodeInBands<EncodeBand<kLayout>, 8>;
template <const auto& kLayout>
inline constexpr DecodeFn Decode = DecodeInBands<DecodeBand<kLayout>, 8>;

}  // namespace bit_planes
}  // namespace glyphon::formats
