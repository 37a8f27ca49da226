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
  return b.size() > 5 &&
         (detail::PlausibleBiosHeader(b, 0x24, limits) || detail::PlausibleBiosHeader(b, 0x28, limits));
}
// The command schemes have no header: a block cannot start by ending or by copying.
bool PlausibleCommands(std::span<const std::uint8_t> b, const DecodeLimits&) {
  if (b.empty() || b[0] == 0xFF) return false;
  const unsigned command = b[0] >> 5 == 7 ? (b[0] >> 2) & 7 : b[0] >> 5;
  return command < 4;
}

constexpr std::array kSchemes = {
    Scheme{"gba-lz77", "GBA/NDS BIOS LZ77 (type 0x10)", DecodeGbaLz77, EncodeGbaLz77, PlausibleLz77, 4},
    Scheme{"nds-lz11", "NDS LZ with long copies (type 0x11)", DecodeNdsLz11, EncodeNdsLz11, PlausibleLz11, 4},
    Scheme{"gba-rle", "GBA/NDS BIOS run-length (type 0x30)", DecodeGbaRle, EncodeGbaRle, PlausibleRle, 4},
    Scheme{"gba-huffman", "GBA/NDS BIOS Huffman, 4- or 8-bit (types 0x24, 0x28)", DecodeGbaHuffman,
           EncodeGbaHuffman, PlausibleHuffman, 4},
    Scheme{"snes-lz2", "LC_LZ2 of Super Mario World and Zelda 3", DecodeSnesLz2, EncodeSnesLz2,
           PlausibleCommands, 1},
    Scheme{"hal", "HAL Laboratory LZ (Kirby, EarthBound)", DecodeHal, EncodeHal, PlausibleCommands, 1},
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

std::string SchemeNames() {
  std::string names;
  for (const Scheme& scheme : kSchemes) {
    if (!names.empty()) names += ", ";
    names += scheme.name;
  }
  return names;
}

}  // namespace glyphon::compression
