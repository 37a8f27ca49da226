// SPDX-License-Identifier: MIT
// The gba-huffman decoder on arbitrary bytes and its encoder's round trip.
#include "compression_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return glyphon::fuzz::FuzzScheme("gba-huffman", data, size);
}
