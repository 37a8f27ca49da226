// SPDX-License-Identifier: MIT
// The picture-file reader on any bytes (BMP and PNG seeds).
#include <cstdlib>

#include "imageio/picture_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto picture = glyphon::imageio::ReadPictureBytes(std::span(data, size));
  if (picture.Ok() && (picture.Value().Width() > glyphon::kMaxPictureSide ||
                       picture.Value().Height() > glyphon::kMaxPictureSide)) {
    std::abort();
  }
  return 0;
}
