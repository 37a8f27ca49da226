// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "core/result.h"
#include "formats/decoding.h"
#include "platform/file_range.h"

// Coding a picture that is never held whole: a band of rows at a time through a format's
// band codec, the rows passing through one buffer of a band that is used again and again.
namespace glyphon::formats {

// Decodes the picture of `length` bytes of data at `width` (as Decode sizes it, without the
// picture limits) a band at a time, reading each band's bytes when it is first needed.
// Image generation: nothing fails but reading. Bands taken in order, top down (a PNG) or
// bottom up (a BMP), tick `progress` by the rows done as the whole decode would; a band taken
// out of order (a look ahead) ticks nothing, and is decoded again when its turn comes.
class BandDecoder {
 public:
  // Fills `into` with the bytes of `range` of the data.
  using ReadBytes = std::function<Status(const platform::ByteRange& range, std::span<std::uint8_t> into)>;

  BandDecoder(const FormatInfo& format, int width, int height, std::int64_t length, ReadBytes read,
              convert::ProgressTicker* progress = nullptr);

  int Width() const noexcept { return m_width; }
  int Height() const noexcept { return m_height; }
  // Row y of the picture, valid until the next call.
  Result<std::span<const RgbColor>> Row(int y);

 private:
  const FormatInfo& m_format;
  int m_width;
  int m_height;
  std::int64_t m_length;
  ReadBytes m_read;
  convert::ProgressTicker* m_progress;
  int m_bandRows;
  int m_first = -1;  // the first row of the band held, -1 for none
  // The rows decoded in turn so far, [m_doneFrom, m_doneTo); none before the first band.
  int m_doneFrom = -1;
  int m_doneTo = -1;
  std::vector<RgbColor> m_rows;
  std::vector<std::uint8_t> m_bytes;
};

// Encodes a selection `width` by `height` given a row at a time, top to bottom (x 0 the
// selection's left), into its whole output, which the caller has sized by the format's size
// rule and zeroed. Only formats with a band encoder (not the partner formats).
class BandEncoder {
 public:
  BandEncoder(const FormatInfo& format, int width, int height, std::span<std::uint8_t> out,
              convert::ProgressTicker& progress);

  // Where the next row goes; Done() once it is filled.
  std::span<RgbColor> NextRow() noexcept;
  void Done();
  bool Finished() const noexcept { return m_next >= m_height; }

 private:
  EncodeBandFn m_encode;
  int m_width;
  int m_height;
  std::span<std::uint8_t> m_out;
  convert::ProgressTicker& m_progress;
  int m_bandRows;
  int m_first = 0;  // the first row of the band being filled
  int m_next = 0;   // the row NextRow gives
  std::vector<RgbColor> m_rows;
};

}  // namespace glyphon::formats
