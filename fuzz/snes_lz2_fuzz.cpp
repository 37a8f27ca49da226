// SPDX-License-Identifier: MIT
// The snes-lz2 decoder on arbitrary bytes and its encoder's round trip.
#include "compression_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return glyphon::fuzz::FuzzScheme("snes-lz2", data, size);
}
