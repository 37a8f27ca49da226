// SPDX-License-Identifier: MIT
// Every encoder on small pictures, with selections of any size and place (also outside the
// picture and not whole tiles) and all four partner states.
#include <cstdlib>

#include "formats/decoding.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace glyphon;
  fuzz::Input input(data, size);
  const formats::FormatInfo& format = formats::Format(input.Take(formats::kFormatCount));
  const int width = input.Take(24), height = input.Take(24);
  const convert::Selection selection{input.Take(32), input.Take(32), input.Take(33), input.Take(33)};
  const int partnerKind = input.Take(4);  // bit 0: a partner picture, bit 1: partner data
  const int partnerWidth = input.Take(40), partnerHeight = input.Take(40);
  const auto auxBytes = input.TakeBytes(static_cast<std::size_t>(input.Take(600)));

  const platform::Surface source = input.TakePicture(width, height);
  convert::PartnerState partner;
  if (partnerKind & 1) {
    partner.picture = platform::Surface::Picture(partnerWidth, partnerHeight);
    for (int y = 0; y < partnerHeight; ++y)
      for (int x = 0; x < partnerWidth; ++x)
        partner.picture.SetPixel(x, y, (x * 37 + y * 101) * 0x010101 & 0xFFFFFF);
  }
  if (partnerKind & 2) partner.data.assign(auxBytes.begin(), auxBytes.end());

  platform::NullProgress progress;
  const Result<ByteString> encoded = formats::Encode(format, source, selection, partner, progress);
  // A partner picture that would grow beyond the picture limits is refused before encoding.
  if (!encoded) return 0;
  const ByteString& out = encoded.Value();
  if (out.size() != convert::OutputSize(selection, format.pixelsPerByte)) std::abort();
  return 0;
}
