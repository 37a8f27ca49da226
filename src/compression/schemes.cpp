// SPDX-License-Identifier: MIT
#include <array>

#include "compression/compression.h"
#include "compression/nintendo_parts.h"

namespace glyphon::compression {

namespace {

bool PlausibleLz77(std::span<const std::uint8_t> b, const DecodeLimits& limits) {
  // The first unit of a block is a literal: nothing is written yet to copy from.
  return detail::PlausibleBiosHeader(b, 0x10, limits) && !(b[4] & 0x80);
}
bool PlausibleLz11(std::span<const std::uint8_t> b, const DecodeLimits& limits) {
  return detail::PlausibleBiosHeader(b, 0x11, limits) && !(b[4] & 0x80);
}
bool PlausibleRle(std::span<const std::uint8_t> b, const DecodeLimits& limits) {
  return detail::PlausibleBiosHeader(b, 0x30, limits);
}
bool PlausibleHuffman(std::span<const std::uint8_t> b, const DecodeLimits& limits) {
  if (b.size() <= 5 ||
      !(detail::PlausibleBiosHeader(b, 0x24, limits) || detail::PlausibleBiosHeader(b, 0x28, limits)))
    return false;
  // The root's children lie inside the tree.
  const std::size_t treeEnd = 4 + (std::size_t{b[4]} + 1) * 2;
  return 6 + (b[5] & 0x3Fu) * 2 + 1 < treeEnd;
}

constexpr std::array kSchemes = {
    Scheme{"gba-lz77", "GBA/NDS BIOS LZ77 (type 0x10)", DecodeGbaLz77, EncodeGbaLz77, PlausibleLz77, 4},
    Scheme{"nds-lz11", "NDS LZ with long copies (type 0x11)", DecodeNdsLz11, EncodeNdsLz11, PlausibleLz11, 4},
    Scheme{"gba-rle", "GBA/NDS BIOS run-length (type 0x30)", DecodeGbaRle, EncodeGbaRle, PlausibleRle, 4},
    Scheme{"gba-huffman", "GBA/NDS BIOS Huffman, 4- or 8-bit (types 0x24, 0x28)", DecodeGbaHuffman,
           EncodeGbaHuffman, PlausibleHuffman, 4},
    Scheme{"snes-lz2", "LC_LZ2 of Super Mario World and Zelda 3", DecodeSnesLz2, EncodeSnesLz2,
           detail::PlausibleSnesLz2, 1},
    Scheme{"hal", "HAL Laboratory LZ (Kirby, EarthBound)", DecodeHal, EncodeHal, detail::PlausibleHal, 1},
};

}  // namespace

std::span<const Scheme> Schemes() {
  return kSchemes;
}

const Scheme* FindScheme(std::string_view name) {
  for (const Scheme& scheme : kSchemes) {
    if (scheme.name == name) return &scheme;
  }
  return nullptr;
}

void ScanBlocks(std::span<const std::uint8_t> rom, const Scheme& scheme, std::size_t minSize,
                std::size_t multiple, const std::function<void(const FoundBlock&)>& found,
                const DecodeLimits& limits) {
  const std::size_t step = static_cast<std::size_t>(scheme.alignment);
  if (multiple == 0) multiple = 1;
  for (std::size_t offset = 0; offset < rom.size(); offset += step) {
    const auto here = rom.subspan(offset);
    if (!scheme.plausible(here, limits)) continue;
    const auto block = scheme.decode(here, {.maxOutput = limits.maxOutput, .base = limits.base + offset});
    if (!block) continue;
    const std::size_t size = block.Value().bytes.size();
    if (size < minSize || size % multiple != 0) continue;
    found({offset, block.Value().consumed, size});
  }
}

std::string SchemeNames() {
  std::string names;
  for (const Scheme& scheme : kSchemes) {
    if (!names.empty()) names += ", ";
    names += scheme.name;
  }
  return names;
}

}  // namespace glyphon::compression
