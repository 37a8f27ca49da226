// SPDX-License-Identifier: MIT
#pragma once

#include <spng.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/types.h"

namespace glyphon::cli_test {

// An 8-bit RGBA PNG through libspng's encoder: `rgba` holds 4 bytes a pixel, row-major.
inline ByteString RgbaPng(int width, int height, std::vector<std::uint8_t> rgba) {
  spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{};
  ihdr.width = static_cast<std::uint32_t>(width);
  ihdr.height = static_cast<std::uint32_t>(height);
  ihdr.bit_depth = 8;
  ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
  spng_set_ihdr(ctx, &ihdr);
  int error = spng_encode_image(ctx, rgba.data(), rgba.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
  std::size_t length = 0;
  auto* png = static_cast<std::uint8_t*>(spng_get_png_buffer(ctx, &length, &error));
  ByteString out(png, png + length);
  std::free(png);
  spng_ctx_free(ctx);
  return out;
}

// `width` by `height` pixels of one colour and alpha, as RGBA bytes.
inline std::vector<std::uint8_t> RgbaFilled(int width, int height, RgbColor colour,
                                            std::uint8_t alpha = 255) {
  std::vector<std::uint8_t> rgba;
  for (int i = 0; i < width * height; ++i) {
    rgba.insert(rgba.end(),
                {static_cast<std::uint8_t>(RedOf(colour)), static_cast<std::uint8_t>(GreenOf(colour)),
                 static_cast<std::uint8_t>(BlueOf(colour)), alpha});
  }
  return rgba;
}

// Sets pixel (x, y) of RGBA bytes `width` pixels wide.
inline void SetRgba(std::vector<std::uint8_t>& rgba, int width, int x, int y, RgbColor colour,
                    std::uint8_t alpha) {
  const auto at = static_cast<std::size_t>((y * width + x) * 4);
  rgba[at] = static_cast<std::uint8_t>(RedOf(colour));
  rgba[at + 1] = static_cast<std::uint8_t>(GreenOf(colour));
  rgba[at + 2] = static_cast<std::uint8_t>(BlueOf(colour));
  rgba[at + 3] = alpha;
}

}  // namespace glyphon::cli_test
