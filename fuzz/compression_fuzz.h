// SPDX-License-Identifier: MIT
#pragma once

// One scheme's decoder on arbitrary bytes (never a crash, never more than the limit), and
// its encoder's round trip on the same bytes.
#include <cstdlib>
#include <string_view>

#include "compression/compression.h"

namespace glyphon::fuzz {

inline int FuzzScheme(std::string_view name, const std::uint8_t* data, std::size_t size) {
  const compression::Scheme* scheme = compression::FindScheme(name);
  if (scheme == nullptr) std::abort();
  const std::span<const std::uint8_t> bytes(data, size);
  const auto decoded = scheme->decode(bytes, {.maxOutput = 1 << 20});
  if (decoded.Ok() && (decoded.Value().consumed > size || decoded.Value().bytes.size() > (1u << 20)))
    std::abort();
  // A scan must not skip a block the decoder reads (Huffman's test also checks the root's
  // unused child, so it is left out).
  if (decoded.Ok() && !decoded.Value().bytes.empty() && name != "gba-huffman" &&
      !scheme->plausible(bytes, {.maxOutput = 1 << 20})) {
    std::abort();
  }
  const auto encoded = scheme->encode(bytes, {});
  if (!encoded.Ok()) return 0;  // an 8-bit Huffman tree too wide for its offsets
  const auto back = scheme->decode(encoded.Value(), {});
  if (!back.Ok() || back.Value().bytes != ByteString(bytes.begin(), bytes.end()) ||
      back.Value().consumed != encoded.Value().size()) {
    std::abort();
  }
  return 0;
}

}  // namespace glyphon::fuzz
