// SPDX-License-Identifier: MIT
// The round trip of every format: a random picture encoded and decoded gives the values the
// format can hold, so encoding that picture again gives the same bytes and decoding those
// the same picture.
#include <cstdlib>

#include "formats/decoding.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace glyphon;
  fuzz::Input input(data, size);
  const formats::FormatInfo& format = formats::Format(input.Take(formats::kFormatCount));
  // Grid formats take whole blocks (8 by 8 tiles, 16 by 16 PC Engine sprites); the linear
  // ones any width over rows of whole bytes (a height in eights: the data of a part byte is
  // cut at the end).
  const int block = format.blockSide;
  const int width = format.lockOptional ? input.Take(40) + 1 : (input.Take(5) + 1) * block;
  const int height = (input.Take(5) + 1) * block;
  const platform::Surface picture = input.TakePicture(width, height);
  platform::NullProgress progress;
  const convert::Selection whole{0, 0, width, height};
  convert::PartnerState partner1, partner2, partner3, partner4;
  const ByteString first = formats::Encode(format, picture, whole, partner1, progress).Value();
  const formats::DecodeResult held =
      formats::Decode(format, first, width, formats::DecodeMode::ImageGeneration, &partner2, progress);
  if (!held.Ok() || held.picture.Width() != width || held.picture.Height() != height) std::abort();
  const ByteString second = formats::Encode(format, held.picture, whole, partner3, progress).Value();
  if (second != first) std::abort();
  const formats::DecodeResult again =
      formats::Decode(format, second, width, formats::DecodeMode::ImageGeneration, &partner4, progress);
  if (!again.Ok() || !(again.picture == held.picture)) std::abort();
  return 0;
}
