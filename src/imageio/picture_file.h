// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/byte_sink.h"
#include "core/result.h"
#include "core/surface.h"

namespace glyphon::imageio {

// A picture as its file holds it: the colours, and for files that store palette indices
// (a palette PNG, a BMP with a colour table, a GIF) the indices, row-major one byte a
// pixel, and the palette. `indices` is empty when the file is not indexed.
//
// `alpha` is the opacity of each pixel, row-major one byte a pixel (0 transparent, 255
// opaque), from a PNG's alpha channel or tRNS chunk or a GIF's transparent index; it is
// empty when every pixel is opaque. A transparent pixel's colour is the one the file hides
// under it (a GIF's transparent index draws black).
struct PictureFile {
  platform::Surface pixels;
  std::vector<std::uint8_t> indices;
  std::vector<RgbColor> palette;
  std::vector<std::uint8_t> alpha;
};

// Reads a PNG, BMP or GIF file: straight into a surface holding a loaded picture, with its
// indices and alpha. Fails with a reason for an empty or cut file, a kind this program cannot read
// (named: "a JPEG file"), or a picture beyond the size limits, which is refused before
// any pixel is allocated.
Result<PictureFile> ReadPictureFile(const std::filesystem::path& path);
Result<PictureFile> ReadPictureFileBytes(std::span<const std::uint8_t> bytes);

// The colours and the alpha, no indices.
Result<PictureFile> ReadPictureColours(const std::filesystem::path& path);
Result<PictureFile> ReadPictureColoursBytes(std::span<const std::uint8_t> bytes);

// The same for callers that want the colours only (no indices are kept, alpha dropped).
Result<platform::Surface> ReadPicture(const std::filesystem::path& path);
Result<platform::Surface> ReadPictureBytes(std::span<const std::uint8_t> bytes);

// How tall a picture a reader by rows takes: one within the picture limits, or for a
// caller that never holds the picture any height its header can state (2^31 - 1 rows at
// most, kMaxPictureSide wide), from a file of any size.
enum class RowsReach { PictureLimits, Tall };

// A picture file read a row at a time, top to bottom, and never held whole: PNG files that
// are not interlaced at up to 8 bits a sample, and uncompressed BMP files.
class PictureRows {
 public:
  PictureRows(int width, int height) noexcept : m_width(width), m_height(height) {}
  virtual ~PictureRows() = default;
  PictureRows(const PictureRows&) = delete;
  PictureRows& operator=(const PictureRows&) = delete;

  int Width() const noexcept { return m_width; }
  int Height() const noexcept { return m_height; }
  // Whether the file stores palette indices (a palette PNG, a BMP with a colour table), and
  // the colours they index.
  bool Indexed() const noexcept { return m_indexed; }
  std::span<const RgbColor> Palette() const noexcept { return m_palette; }
  // Fills `row` (Width() pixels) with the next row's colours. Fails on a damaged or cut
  // file and at a pixel that is not wholly opaque, whose colour alone does not say what it
  // stands for: the whole-picture reader then tells the reason or keeps the alpha.
  Status Next(std::span<RgbColor> row) { return ReadRow(row, {}); }
  // The same, and for an indexed file the row's stored indices into `indices` (Width()).
  Status Next(std::span<RgbColor> row, std::span<std::uint8_t> indices) { return ReadRow(row, indices); }
  // After the last row: what the file holds after its pixels is whole (a PNG's last chunks).
  virtual Status Finish() { return Status::Success(); }
  // Whether the rows stopped at a pixel that is not wholly opaque (not at a damaged file).
  bool StoppedAtTransparency() const noexcept { return m_transparent; }

 protected:
  void SetPalette(std::vector<RgbColor> palette) {
    m_indexed = true;
    m_palette = std::move(palette);
  }
  // The failure of a row holding a pixel that is not wholly opaque.
  Status Transparent() {
    m_transparent = true;
    return Status::Failure("the picture has transparent pixels");
  }

 private:
  // `indices` is empty when they are not wanted or the file stores none.
  virtual Status ReadRow(std::span<RgbColor> row, std::span<std::uint8_t> indices) = 0;

  int m_width;
  int m_height;
  bool m_indexed = false;
  bool m_transparent = false;
  std::vector<RgbColor> m_palette;
};

// The rows of the picture file at `path`, or nothing for a file that is read whole (another
// kind or layout, a file that cannot be opened, a header beyond what `reach` takes); the
// whole-picture reader then reads it or tells why not.
std::unique_ptr<PictureRows> OpenPictureRows(const std::filesystem::path& path,
                                             RowsReach reach = RowsReach::PictureLimits);

// The name of a picture kind this program recognises but cannot read ("JPEG"), or empty.
std::string UnreadableKind(std::span<const std::uint8_t> bytes);

// The bytes of a picture file whose kind follows the name's extension: ".png", or ".bmp"
// (24-bit; also for a name without extension). `colours` are the colours a decoder draws,
// in index order: when they are at most 256 and every pixel is one of them, a PNG stores
// the indices at 1, 2, 4 or 8 bits (as grey when the colours are that depth's grey ramp).
// Otherwise a PNG holds 8-bit RGB.
Result<ByteString> PictureFileBytes(const std::filesystem::path& name, const platform::Surface& picture,
                                    std::span<const RgbColor> colours = {});

// Row y of a picture given a row at a time: any row, in any order, more than once. A span
// that is not as wide as the picture says the row cannot be had; the write then fails.
using RowAt = std::function<std::span<const RgbColor>(int y)>;

// The picture file PictureFileBytes makes, for a picture `width` by `height` that is never
// held whole: its rows come from `rowAt` and the file's bytes go to `sink` as they are
// made. `colours` is taken on trust: with at most 256 of them, every pixel must be one (the
// decoders' colours are), and a row holding another colour fails the write. A PNG may be
// of any height; a BMP's rows are asked for bottom row first.
Status WritePictureRows(const std::filesystem::path& name, int width, int height, const RowAt& rowAt,
                        std::span<const RgbColor> colours, platform::ByteSink& sink);

// A palette PNG of `width` by `height` indices (row-major) at `bitDepth` 1, 2, 4 or 8.
// Every index must lie inside `palette`, which holds at most 2^bitDepth colours.
Result<ByteString> IndexedPngBytes(int width, int height, std::span<const std::uint8_t> indices,
                                   std::span<const RgbColor> palette, int bitDepth);

// Row y's indices of a picture given a row at a time: any row, in any order, more than
// once. A span that is not as wide as the picture says the row cannot be had.
using IndexRowAt = std::function<std::span<const std::uint8_t>(int y)>;

// The palette PNG IndexedPngBytes makes, for indices that are never held whole: row y's come
// from `indicesAt` and the file's bytes go to `sink` as they are made. A row that cannot be
// had or holds an index beyond the palette fails the write.
Status WriteIndexedPngRows(int width, int height, const IndexRowAt& indicesAt,
                           std::span<const RgbColor> palette, int bitDepth, platform::ByteSink& sink);

// Writes PictureFileBytes to `path`, replacing any old file atomically: a failed write
// leaves it as it was.
Status WritePicture(const std::filesystem::path& path, const platform::Surface& picture,
                    std::span<const RgbColor> colours = {});

// Writes a surface as a 24-bit BMP file whatever the name's extension (the window saves
// partner pictures under names like "x.bmp2"), replacing any old file atomically.
Status WriteBitmap(const std::filesystem::path& path, const platform::Surface& picture);

// Encodes a surface as the bytes of a 24-bit BMP file.
std::string BmpBytes(const platform::Surface& picture);

}  // namespace glyphon::imageio
