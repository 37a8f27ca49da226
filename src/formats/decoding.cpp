// SPDX-License-Identifier: MIT
#include "formats/decoding.h"

#include <algorithm>
#include <utility>

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
