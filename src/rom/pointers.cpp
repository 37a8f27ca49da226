// SPDX-License-Identifier: MIT
#include "rom/pointers.h"

namespace glyphon::rom {

std::vector<std::uint64_t> FindGbaPointers(std::span<const std::uint8_t> rom, std::uint64_t target) {
  std::vector<std::uint64_t> found;
  if (target >= kGbaRomWindow) return found;
  const std::uint32_t word = kGbaRomBase + static_cast<std::uint32_t>(target);
  const std::uint8_t b0 = static_cast<std::uint8_t>(word), b1 = static_cast<std::uint8_t>(word >> 8),
                     b2 = static_cast<std::uint8_t>(word >> 16), b3 = static_cast<std::uint8_t>(word >> 24);
  for (std::size_t at = 0; at + 4 <= rom.size(); at += 4) {
    if (rom[at] == b0 && rom[at + 1] == b1 && rom[at + 2] == b2 && rom[at + 3] == b3) found.push_back(at);
  }
  return found;
}

std::vector<std::uint8_t> GbaPointerBytes(std::uint64_t target) {
  const std::uint32_t word = kGbaRomBase + static_cast<std::uint32_t>(target);
  return {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
          static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
}

}  // namespace glyphon::rom
