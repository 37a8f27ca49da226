// SPDX-License-Identifier: MIT
#pragma once

#include <array>

#include "convert/classify.h"
#include "core/fresh_memory.h"
#include "formats/partner_steps.h"

namespace glyphon::formats::mode7 {

// Mode 7 graphics: 8 by 8 tiles of one byte per pixel, 64 bytes per tile, tiles in row
// order, each tile row by row. Pixel (x, y) of a W-wide picture is pixel number
// 64 * ((y \ 8) * (W \ 8) + x \ 8) + 8 * (y mod 8) + x mod 8.
// "8bpp Mode7 Lin" is EncodeLinear and Decode<1>. "8bpp Mode7 Int" (EncodeWithPartner<
// InterleavedCodec> and Decode<2>): byte 2m is pixel number m, byte 2m + 1 its partner
// ("Mode7 interleave") byte, as the hardware interleaves the tile map with the character
// data. Image generation rebuilds the partner data from the odd bytes.

// Pixel number of the first pixel of the tile row that holds (x, y).
inline constexpr std::int64_t TileRowStart(std::int64_t tilesPerRow, int x, int y) noexcept {
  return 64 * (tilesPerRow * (y / 8) + x / 8) + 8 * (y % 8);
}

// Collects the values of eight consecutive pixels (k = 1 .. 8, 9 .. 16, ...; groups run on
// across row ends) and hands them over with the tile-row start of the pixel that completes
// the group. With W a multiple of 8 a group is one 8-pixel row of one tile.
class TileRowPacker {
 public:
  explicit TileRowPacker(int width) noexcept : m_tilesPerRow(width / 8) {}

  template <class StoreFn>
  void Add(int value, int x, int y, StoreFn&& store) {
    m_pending[m_place] = static_cast<std::uint8_t>(value);
    if (++m_place < 8) return;
    m_place = 0;
    store(TileRowStart(m_tilesPerRow, x, y), m_pending);
  }
  std::int64_t TilesPerRow() const noexcept { return m_tilesPerRow; }

 private:
  std::int64_t m_tilesPerRow;
  std::array<std::uint8_t, 8> m_pending{};
  std::size_t m_place = 0;
};

// The interleaved format: the selection's grey in the even bytes, the partner bytes in the
// odd ones. The partner data has the same layout, its even bytes 0.
class InterleavedCodec {
 public:
  // The partner picture is read from its own origin, not at the selection's position.
  static constexpr bool kPartnerAtSelection = false;

  explicit InterleavedCodec(const Selection& selection) noexcept
      : m_packer(selection.width), m_pixels(PixelCount(selection)) {}

  static constexpr PartnerLayout kLayout{0, kBlack};

  // With W a multiple of 8 every group of eight pixels fills its own 16 bytes.
  static bool FusesWith(const Selection& selection) noexcept { return selection.width % 8 == 0; }

  // There a pixel's group is the row of its own tile, so pixel number m is written at once:
  // its grey at byte 2m of the output, its partner grey at 2m + 1 of both strings.
  void Fused(WritableBytes out, WritableBytes aux, RgbColor colour, RgbColor partnerColour, int x, int y,
             std::int64_t) const noexcept {
    const std::int64_t m = TileRowStart(m_packer.TilesPerRow(), x, y) + x % 8;
    const auto partnerGrey = static_cast<std::uint8_t>(convert::GreyOfColour(partnerColour));
    convert::StoreByte(out, 2 * m, static_cast<std::uint8_t>(convert::GreyOfColour(colour)));
    convert::StoreByte(out, 2 * m + 1, partnerGrey);
    convert::StoreByte(aux, 2 * m + 1, partnerGrey);
  }

  void PartnerPoint(WritableBytes aux, RgbColor colour, int x, int y, std::int64_t) {
    m_packer.Add(convert::GreyOfColour(colour), x, y, [&](std::int64_t b, const auto& pending) {
      if (WholeGroupFits(aux, b)) {
        std::uint8_t* at = aux.data() + 2 * b + 1;
        for (std::size_t j = 0; j < 8; ++j) at[2 * j] = pending[j];
        return;
      }
      for (std::int64_t j = 0; j < 8; ++j)
        convert::StoreByte(aux, 2 * (b + j) + 1, pending[static_cast<std::size_t>(j)]);
    });
  }

  // Clears the pixel byte of the partner string and shows its partner byte. A selection that
  // is not whole tiles can place a pixel beyond the partner data's own size; the extra bytes
  // of a longer partner string are kept as they are.
  int PartnerData(WritableBytes aux, int x, int y, std::int64_t) const noexcept {
    const std::int64_t m = TileRowStart(m_packer.TilesPerRow(), x, y) + x % 8;
    if (m < m_pixels) aux[static_cast<std::size_t>(2 * m)] = 0;
    const auto odd = static_cast<std::size_t>(2 * m + 1);
    return odd < aux.size() ? aux[odd] : 0;
  }

  void Main(WritableBytes out, ReadableBytes aux, RgbColor colour, int x, int y, std::int64_t) {
    m_packer.Add(convert::GreyOfColour(colour), x, y, [&](std::int64_t b, const auto& pending) {
      if (WholeGroupFits(out, b) && WholeGroupFits(aux, b)) {
        std::uint8_t* to = out.data() + 2 * b;
        const std::uint8_t* from = aux.data() + 2 * b + 1;
        for (std::size_t j = 0; j < 8; ++j) {
          to[2 * j] = pending[j];
          to[2 * j + 1] = from[2 * j];
        }
        return;
      }
      for (std::int64_t j = 0; j < 8; ++j) {
        const std::int64_t even = 2 * (b + j);
        convert::StoreByte(out, even, pending[static_cast<std::size_t>(j)]);
        const auto odd = static_cast<std::size_t>(even + 1);
        convert::StoreByte(out, even + 1, odd < aux.size() ? aux[odd] : 0);
      }
    });
  }

 private:
  // Whether the 16 bytes of the group whose first pixel is number b lie inside `bytes`
  // (always, unless the selection is not whole tiles).
  template <class Bytes>
  static bool WholeGroupFits(Bytes bytes, std::int64_t b) noexcept {
    return static_cast<std::uint64_t>(2 * (b + 8)) <= bytes.size();
  }

  TileRowPacker m_packer;
  std::int64_t m_pixels;
};

// kStride bytes per pixel: 1 for the linear format, 2 for the interleaved one. Only the
// first byte of a pixel's tile row is tested against the end of the data; a tile row that
// starts beyond it is white. A pixel whose own byte lies beyond the data while its tile row
// starts inside fails the preview; image generation draws it white. Image generation of the
// interleaved format also rebuilds the partner data: L bytes, the partner byte of every
// decoded pixel at its own offset, zeros elsewhere, and a blank partner picture.
template <int kStride>
std::optional<DecodeFailure> DecodeBand(DataWindow data, PictureBand band, DecodeMode mode,
                                        PartnerState* partner, convert::ProgressTicker& ticker) {
  const std::int64_t length = data.length;
  const std::int64_t tilesPerRow = band.width / 8;
  const bool preview = mode == DecodeMode::Preview;
  WritableBytes aux;
  if (kStride == 2 && !preview && partner != nullptr) {
    // The partner data and picture are made with the first band and filled by every band.
    if (band.first == 0) {
      platform::AssignFresh(partner->data, static_cast<std::size_t>(length), std::uint8_t{0});
      partner->picture = Surface();
    }
    aux = partner->data;
  }
  // Offsets count from the window's first byte (DataWindow::End).
  const std::uint8_t* bytes = data.bytes.data();
  const std::int64_t end = data.End();
  std::int64_t m = std::int64_t{band.width} * band.first;
  for (int y = band.first; y < band.End(); ++y) {
    RgbColor* row = band.Row(y);
    const std::int64_t rowStart = kStride * TileRowStart(tilesPerRow, 0, y) - data.base;
    for (int x = 0; x < band.width; ++x) {
      ++m;
      const std::int64_t start = rowStart + kStride * 64 * (x / 8);
      const std::int64_t at = start + kStride * (x % 8);
      int v = 255;
      if (start < end) {
        if (at < end) {
          v = bytes[at];
          // The partner byte of a pixel is copied only when it lies inside the data.
          if (kStride == 2 && at + 1 < end) convert::StoreByte(aux, data.base + at + 1, bytes[at + 1]);
        } else if (preview) {
          ticker.TickTo(m - 1);
          return DecodeFailure{DecodeFailure::Kind::ByteBeyondData, x, y, data.base + at, length};
        }
      }
      row[x] = GreyColor(v);
    }
    ticker.TickTo(m);
  }
  return std::nullopt;
}

// The whole picture; image generation of the interleaved format also leaves a blank
// partner picture of the same size.
template <int kStride>
std::optional<DecodeFailure> Decode(std::span<const std::uint8_t> data, Surface& picture, DecodeMode mode,
                                    PartnerState* partner, convert::ProgressTicker& ticker) {
  Surface kept;
  if (kStride == 2 && mode == DecodeMode::ImageGeneration && partner != nullptr)
    kept = std::move(partner->picture);
  auto failure = DecodeBands(DecodeBand<kStride>, 8, data, picture, mode, partner, ticker);
  if (kStride == 2 && mode == DecodeMode::ImageGeneration && partner != nullptr) {
    // A blank picture of the same size is cleared where it stands.
    if (kept.Width() == picture.Width() && kept.Height() == picture.Height()) {
      kept.ClearPicture();
      partner->picture = std::move(kept);
    } else {
      partner->picture = Surface(picture.Width(), picture.Height());
    }
  }
  return failure;
}

// "8bpp Mode7 Lin": byte m is pixel number m.
inline void EncodeLinearBand(SourceBand band, WritableBytes out, convert::ProgressTicker& ticker) {
  TileRowPacker packer(band.width);
  ForEachBandPixel(band, ticker, [&packer, out](RgbColor colour, int x, int y, std::int64_t) {
    packer.Add(convert::GreyOfColour(colour), x, y, [out](std::int64_t b, const auto& pending) {
      for (std::int64_t j = 0; j < 8; ++j)
        convert::StoreByte(out, b + j, pending[static_cast<std::size_t>(j)]);
    });
  });
}

inline constexpr BandCodec kLinearBand{EncodeLinearBand, DecodeBand<1>, 8};
inline constexpr EncodeFn EncodeLinear = EncodeInBands<EncodeLinearBand, 8>;

}  // namespace glyphon::formats::mode7
