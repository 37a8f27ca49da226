// SPDX-License-Identifier: MIT
#pragma once

#include "convert/classify.h"
#include "formats/decoding.h"

namespace glyphon::formats::one_bpp {

// "1bpp SNES" (kTiled): 8 by 8 tiles of 8 bytes, byte 8t + r is row r of tile t, bit 7 the
// left column. "1bpp Linear": one bit stream in row order, no padding at row ends, bit 7
// first.
template <bool kTiled>
void Encode(const Surface& source, const Selection& sel, PartnerState&, std::span<std::uint8_t> out,
            platform::ProgressSink& progress) {
  convert::ProgressTicker ticker(progress, std::int64_t{sel.width} * sel.height);
  const std::int64_t tilesPerRow = sel.width / 8;
  unsigned accumulator = 0;
  int place = 0;  // the pixel's place in its group of 8
  ForEachSelectedPixel(source, sel, ticker, [&](RgbColor colour, int x, int y, std::int64_t k) {
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
std::optional<DecodeFailure> Decode(std::span<const std::uint8_t> data, Surface& picture, DecodeMode,
                                    PartnerState*, convert::ProgressTicker& ticker) {
  const std::int64_t width = picture.Width();
  const std::int64_t length = static_cast<std::int64_t>(data.size());
  const std::int64_t tilesPerRow = width / 8;
  int bit = 0;  // place in the group of 8, restarted when m is a multiple of 8
  std::int64_t m = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    const auto row = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {
      ++m;
      const std::int64_t offset = kTiled ? 8 * ((y / 8) * tilesPerRow + x / 8) + y % 8 : (m - 1) / 8;
      // Past the end of the data a pixel is 1, white.
      const int value = offset >= length ? 1 : (data[static_cast<std::size_t>(offset)] >> (7 - bit)) & 1;
      row[static_cast<std::size_t>(x)] = value != 0 ? kWhite : kBlack;
      ++bit;
      if (m % 8 == 0) bit = 0;
    }
    ticker.TickTo(m);
  }
  return std::nullopt;
}

}  // namespace glyphon::formats::one_bpp
