// SPDX-License-Identifier: MIT
#pragma once

#include "convert/classify.h"
#include "formats/decoding.h"

namespace glyphon::formats::one_bpp {

// "1bpp SNES" (kTiled): 8 by 8 tiles of 8 bytes, byte 8t + r is row r of tile t, bit 7 the
// left column. "1bpp Linear": one bit stream in row order, no padding at row ends, bit 7
// first.
template <bool kTiled>
void EncodeBand(SourceBand band, std::span<std::uint8_t> out, convert::ProgressTicker& ticker) {
  const std::int64_t tilesPerRow = band.width / 8;
  unsigned accumulator = 0;
  int place = 0;  // the pixel's place in its group of 8
  ForEachBandPixel(band, ticker, [&](RgbColor colour, int x, int y, std::int64_t k) {
    accumulator |= static_cast<unsigned>(convert::Bit1(colour)) << (7 - place);
    if (++place < 8) return;
    // The group is complete (k is a multiple of 8): its byte goes where the pixel that
    // completes it says.
    const std::int64_t offset = kTiled ? 8 * ((y / 8) * tilesPerRow + x / 8) + y % 8 : k / 8 - 1;
    convert::StoreByte(out, offset, static_cast<std::uint8_t>(accumulator));
    accumulator = 0;
    place = 0;
  });
}

template <bool kTiled>
std::optional<DecodeFailure> DecodeBand(DataWindow data, PictureBand band, DecodeMode, PartnerState*,
                                        convert::ProgressTicker& ticker) {
  const std::int64_t width = band.width;
  const std::uint8_t* bytes = data.bytes.data();
  const std::int64_t end = data.End();
  const std::int64_t tilesPerRow = width / 8;
  std::int64_t m = width * band.first;
  int bit = static_cast<int>(m % 8);  // place in the group of 8, restarted when m is a multiple of 8
  for (int y = band.first; y < band.End(); ++y) {
    RgbColor* row = band.Row(y);
    const std::int64_t rowStart = kTiled ? 8 * ((y / 8) * tilesPerRow) + y % 8 - data.base : -data.base;
    for (int x = 0; x < band.width; ++x) {
      ++m;
      const std::int64_t offset = rowStart + (kTiled ? 8 * (x / 8) : (m - 1) / 8);
      // Past the end of the data a pixel is 1, white.
      const int value = offset >= end ? 1 : (bytes[offset] >> (7 - bit)) & 1;
      row[x] = value != 0 ? kWhite : kBlack;
      ++bit;
      if (m % 8 == 0) bit = 0;
    }
    ticker.TickTo(m);
  }
  return std::nullopt;
}

template <bool kTiled>
inline constexpr BandCodec kBand{EncodeBand<kTiled>, DecodeBand<kTiled>, kTiled ? 8 : 1};
template <bool kTiled>
inline constexpr EncodeFn Encode = EncodeInBands<EncodeBand<kTiled>, kTiled ? 8 : 1>;
template <bool kTiled>
inline constexpr DecodeFn Decode = DecodeInBands<DecodeBand<kTiled>, kTiled ? 8 : 1>;

}  // namespace glyphon::formats::one_bpp
