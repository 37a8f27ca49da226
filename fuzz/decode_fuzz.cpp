// SPDX-License-Identifier: MIT
// Every decoder in both modes, with the format, the width and the data from the input.
#include <cstdlib>

#include "formats/decoding.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace glyphon;
  fuzz::Input input(data, size);
  const formats::FormatInfo& format = formats::Format(input.Take(formats::kFormatCount));
  const int width = input.Take(300);
  const auto bytes = input.Rest();
  platform::NullProgress progress;

  const formats::DecodeSize expected = formats::DecodedSize(bytes.size(), width, format.Height());
  const formats::DecodeResult preview =
      formats::Decode(format, bytes, width, formats::DecodeMode::Preview, nullptr, progress);
  convert::PartnerState partner;
  const formats::DecodeResult generated =
      formats::Decode(format, bytes, width, formats::DecodeMode::ImageGeneration, &partner, progress);
  // Image generation never fails on short data, and both runs draw the contract's size.
  if (!generated.Ok() && generated.failure->kind != formats::DecodeFailure::Kind::TooLarge) std::abort();
  if (generated.Ok() &&
      (generated.picture.Width() != expected.width || generated.picture.Height() != expected.height)) {
    std::abort();
  }
  if (preview.Ok() && generated.Ok() && !(preview.picture == generated.picture)) std::abort();
  return 0;
}
