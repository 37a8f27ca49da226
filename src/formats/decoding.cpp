// SPDX-License-Identifier: MIT
#include "formats/decoding.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/fresh_memory.h"
#include "core/picture_limits.h"

namespace glyphon::formats {

std::string DecodeFailure::Describe() const {
  switch (kind) {
    case Kind::ByteBeyondData:
      return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") needs byte " +
             std::to_string(offset) + ", beyond the " + std::to_string(length) + " bytes of data";
    case Kind::TooLarge:
      return platform::PictureSizeProblem(width, height, "the picture would be");
  }
  return "decode failed";
}

DecodeSize DecodedSize(std::size_t length, int width, const HeightRule& rule) noexcept {
  if (width <= 0) return {};
  // The preview surface keeps its height in single precision.
  float height = static_cast<float>(static_cast<double>(length) / static_cast<double>(width));
  if (rule.bytesPerPixel > 0) {
    height = static_cast<float>(Nearest(height) / rule.bytesPerPixel);
  } else {
    height = static_cast<float>(static_cast<double>(height) * rule.pixelsPerByte);
  }
  DecodeSize size;
  size.width = Nearest(static_cast<double>(width) - 1.0) + 1;
  size.height = Nearest(static_cast<double>(height) - 1.0) + 1;
  if (size.height <= 0) size = {};
  return size;
}

DecodeResult Decode(const FormatInfo& format, std::span<const std::uint8_t> data, int width, DecodeMode mode,
                    PartnerState* partner, platform::ProgressSink& progress) {
  const DecodeSize size = DecodedSize(data.size(), width, format.Height());
  DecodeResult result;
  if (!platform::FitsPictureLimits(size.width, size.height)) {
    DecodeFailure tooLarge;
    tooLarge.kind = DecodeFailure::Kind::TooLarge;
    tooLarge.length = static_cast<std::int64_t>(data.size());
    tooLarge.width = size.width;
    tooLarge.height = size.height;
    result.failure = tooLarge;
    return result;
  }
  result.picture = Surface(static_cast<int>(size.width), static_cast<int>(size.height), kWhite);
  convert::ProgressTicker ticker(progress, size.width * size.height);
  result.failure = format.decode(data, result.picture, mode,
                                 mode == DecodeMode::ImageGeneration ? partner : nullptr, ticker);
  if (result.Ok()) result.picture.SetHasPicture(true);
  return result;
}

platform::ByteRange BandBytes(const FormatInfo& format, int width, int first, int count,
                              std::int64_t length) noexcept {
  const int side = format.band.blockRows;
  const double perByte = format.pixelsPerByte;
  std::int64_t from = 0;
  std::int64_t to = 0;
  if (side > 1) {
    // Blocks of side * side pixels, numbered row by row; the last column of a width that is
    // not whole blocks reaches into the next block.
    const auto blockBytes = static_cast<std::int64_t>(Nearest(side * side / perByte));
    const std::int64_t perRow = width / side;
    from = blockBytes * perRow * (first / side);
    to = blockBytes * (perRow * ((first + count - 1) / side) + (width - 1) / side + 1);
  } else {
    const std::int64_t pixels = std::int64_t{width} * first;
    from = static_cast<std::int64_t>(static_cast<double>(pixels) / perByte);
    to = static_cast<std::int64_t>(
        std::ceil(static_cast<double>(pixels + std::int64_t{width} * count) / perByte));
  }
  from = std::clamp<std::int64_t>(from, 0, length);
  to = std::clamp<std::int64_t>(to, from, length);
  return {static_cast<std::uint64_t>(from), static_cast<std::uint64_t>(to - from)};
}

namespace {

// The whole picture goes in bands of at least 64 rows (a multiple of the band's rows), so a
// narrow band's setup is paid once for many rows.
int WholePictureBandRows(int blockRows, int width) noexcept {
  const int rows = BandRows(blockRows, width);
  return rows * std::max(1, 64 / rows);
}

}  // namespace

void EncodeBands(EncodeBandFn encode, int blockRows, const Surface& source, const Selection& selection,
                 std::span<std::uint8_t> out, convert::ProgressTicker& ticker) {
  if (selection.width <= 0 || selection.height <= 0) return;
  const int rows = WholePictureBandRows(blockRows, selection.width);
  const bool inside = Inside(source, selection);
  std::vector<RgbColor> buffer;
  if (!inside) buffer.resize(static_cast<std::size_t>(selection.width) * static_cast<std::size_t>(rows));
  for (int first = 0; first < selection.height; first += rows) {
    SourceBand band{nullptr, 0, selection.width, first, std::min(rows, selection.height - first)};
    if (inside) {
      band.rows = source.Row(selection.y + first).data() + selection.x;
      band.stride = source.Width();
    } else {
      // A point outside the picture reads as kOutside, which the encoders take as black.
      for (int y = 0; y < band.count; ++y) {
        for (int x = 0; x < selection.width; ++x) {
          buffer[static_cast<std::size_t>(y) * static_cast<std::size_t>(selection.width) +
                 static_cast<std::size_t>(x)] = source.GetPixel(selection.x + x, selection.y + first + y);
        }
      }
      band.rows = buffer.data();
      band.stride = selection.width;
    }
    encode(band, out, ticker);
  }
}

std::optional<DecodeFailure> DecodeBands(DecodeBandFn decode, int blockRows,
                                         std::span<const std::uint8_t> data, Surface& picture,
                                         DecodeMode mode, PartnerState* partner,
                                         convert::ProgressTicker& ticker) {
  const int width = picture.Width();
  const int rows = WholePictureBandRows(blockRows, width);
  const DataWindow window{data, 0, static_cast<std::int64_t>(data.size())};
  for (int first = 0; first < picture.Height(); first += rows) {
    const PictureBand band{picture.Row(first).data(), width, width, first,
                           std::min(rows, picture.Height() - first)};
    if (auto failure = decode(window, band, mode, partner, ticker)) return failure;
  }
  return std::nullopt;
}

namespace {

// Why the selection cannot be encoded with `partner`; empty when it can. A loaded partner
// picture without partner data grows to the selection's size.
std::string EncodeProblem(const FormatInfo& format, const PartnerState& partner, const Selection& selection) {
  if (!format.HasPartner() || !partner.HasPicture() || partner.HasData()) return {};
  const int width = std::max(partner.picture.Width(), selection.width);
  const int height = std::max(partner.picture.Height(), selection.height);
  if (platform::FitsPictureLimits(width, height)) return {};
  return platform::PictureSizeProblem(width, height, "the partner picture would grow to");
}

}  // namespace

Result<ByteString> Encode(const FormatInfo& format, const Surface& source, const Selection& selection,
                          PartnerState& partner, platform::ProgressSink& progress) {
  if (std::string problem = EncodeProblem(format, partner, selection); !problem.empty())
    return Result<ByteString>::Failure(std::move(problem));
  ByteString out;
  platform::AssignFresh(out, format.DataSize(selection), std::uint8_t{0});
  format.encode(source, selection, partner, out, progress);
  return out;
}

}  // namespace glyphon::formats
