// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "core/byte_sink.h"
#include "core/picture_limits.h"
#include "imageio/picture_file.h"
#include "platform/file_range.h"

namespace glyphon::imageio {

// What a reader is asked for: colours only, or the stored indices too.
enum class Want { Colours, ColoursAndIndices };

// Readers of the kinds the core knows. Each refuses a truncated file with a reason that
// names the kind, and a size beyond the picture limits before allocating anything.
Result<PictureFile> ReadPng(std::span<const std::uint8_t> bytes, Want want);
Result<PictureFile> ReadBmp(std::span<const std::uint8_t> bytes, Want want);
Result<PictureFile> ReadGif(std::span<const std::uint8_t> bytes, Want want);
// A BMP file read from disk a stretch of rows at a time, so that its bytes are never held
// beside the picture.
Result<PictureFile> ReadBmpFile(const platform::RangeFile& file, Want want);

// The rows of a picture beyond the picture limits in a layout that is read only whole: each
// row fails with the reason, which says what layout would do.
class UnreadableRows final : public PictureRows {
 public:
  UnreadableRows(int width, int height, std::string reason)
      : PictureRows(width, height), m_reason(std::move(reason)) {}

 private:
  Status ReadRow(std::span<RgbColor>, std::span<std::uint8_t>) override { return Status::Failure(m_reason); }
  std::string m_reason;
};

// The readers by rows of OpenPictureRows.
std::unique_ptr<PictureRows> OpenPngRows(const std::filesystem::path& path, RowsReach reach);
std::unique_ptr<PictureRows> OpenBmpRows(platform::RangeFile file, RowsReach reach);

// Allocates the pixels once the header's size has passed the limits. `kind` starts the
// reason ("the PNG picture is").
inline Result<platform::Surface> NewPicture(std::int64_t width, std::int64_t height,
                                            const std::string& kind) {
  if (width <= 0 || height <= 0) {
    return Result<platform::Surface>::Failure(kind + " header gives an empty or negative size");
  }
  if (std::string problem = platform::PictureSizeProblem(width, height, kind + " picture is");
      !problem.empty()) {
    return Result<platform::Surface>::Failure(std::move(problem));
  }
  return platform::Surface::Picture(static_cast<int>(width), static_cast<int>(height));
}

// The alpha of row y, made on first use with every pixel opaque.
inline std::span<std::uint8_t> AlphaRow(PictureFile& out, int y) {
  const auto width = static_cast<std::size_t>(out.pixels.Width());
  if (out.alpha.empty()) out.alpha.assign(out.pixels.PixelCount(), 255);
  return std::span(out.alpha).subspan(static_cast<std::size_t>(y) * width, width);
}

// Forgets an alpha plane in which every pixel is opaque.
inline void DropOpaqueAlpha(PictureFile& out) {
  if (std::all_of(out.alpha.begin(), out.alpha.end(), [](std::uint8_t a) { return a == 255; }))
    out.alpha.clear();
}

// The layout of a PNG to write. `colourType` is the file's own code: 0 grey, 2 RGB,
// 3 palette indices.
struct PngLayout {
  int width = 0;
  int height = 0;
  int bitDepth = 8;
  int colourType = 2;
  std::span<const RgbColor> palette;
  int compressionLevel = 6;
  int filters = 0;  // the filter choice flags; 0 for none at all
};
inline constexpr int kPngGrey = 0;
inline constexpr int kPngRgb = 2;
inline constexpr int kPngIndexed = 3;

// Encodes a PNG whose rows `fillRow(y, row)` writes in the file's own packing, in any
// order and more than once, into `sink` as it goes: a few rows spread over the picture
// first (to tell whether the rows deflate; those that do not are stored uncompressed), then
// every row top to bottom.
using FillRow = std::function<void(int, std::uint8_t*)>;
Status EncodePngTo(const PngLayout& layout, const FillRow& fillRow, platform::ByteSink& sink);
Result<ByteString> EncodePng(const PngLayout& layout, const FillRow& fillRow);

// A 24-bit BMP file of a picture given row by row, bottom row first (as the file stores
// them), into `sink`.
Status WriteBmpRows(int width, int height, const RowAt& rowAt, platform::ByteSink& sink);
// A 24-bit BMP file.
ByteString BmpFileBytes(const platform::Surface& picture);

}  // namespace glyphon::imageio
