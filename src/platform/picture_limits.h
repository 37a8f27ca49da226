#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace glyphon::platform {

// Pictures are limited to what the 16-bit selection spinners can address on a side
// (kMaxPictureSide) and in area to kMaxPicturePixels.
constexpr bool FitsPictureLimits(std::int64_t width, std::int64_t height) noexcept {
  return width <= kMaxPictureSide && height <= kMaxPictureSide && width * height <= kMaxPicturePixels;
}

// Why a picture of that size cannot be taken, or an empty text when it can. `subject`
// starts the sentence.
inline std::string PictureSizeProblem(std::int64_t width, std::int64_t height,
                                      std::string subject = "the picture is") {
  if (FitsPictureLimits(width, height)) return {};
  return subject + " " + std::to_string(width) + " by " + std::to_string(height) + " pixels, more than " +
         std::to_string(kMaxPictureSide) + " on a side or " + std::to_string(kMaxPicturePixels) +
         " pixels in all";
}

}  // namespace glyphon::platform
