// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "core/result.h"
#include "core/types.h"

// Compressed blocks as games store them: a table of schemes, each with its decoder, its
// encoder and a cheap test for where a block of it may start.
namespace glyphon::compression {

// No block decompresses to more than this unless the caller allows it: the size a header
// declares is checked against it before anything is allocated.
inline constexpr std::size_t kDefaultOutputLimit = std::size_t{16} << 20;

struct DecodeLimits {
  std::size_t maxOutput = kDefaultOutputLimit;
  // Added to the offsets that failures name, so that they count from the start of the file.
  std::uint64_t base = 0;
};

// A decompressed block and how many input bytes it took (its compressed length).
struct Decompressed {
  ByteString bytes;
  std::size_t consumed = 0;
};

// How an LZ encoder chooses its matches. Optimal gives the smallest block the encoder's
// matches allow; greedy (the longest match at each step) and lazy (a match is deferred one
// byte when the next one is longer) are kept for comparison.
enum class Parse { Optimal, Greedy, Lazy };

struct EncodeOptions {
  Parse parse = Parse::Optimal;
  // GBA LZ77 only: no copy from the byte just written. The BIOS's VRAM routine writes 16
  // bits at a time, so such a copy would read a byte it has not stored yet.
  bool vramSafe = false;
};

using Decoder = Result<Decompressed> (*)(std::span<const std::uint8_t> input, const DecodeLimits& limits);
using Encoder = Result<ByteString> (*)(std::span<const std::uint8_t> input, const EncodeOptions& options);
// Whether a block may start at the front of `bytes` judged by its first bytes alone, so a
// scan can skip most offsets without decompressing.
using Recogniser = bool (*)(std::span<const std::uint8_t> bytes, const DecodeLimits& limits);

struct Scheme {
  std::string_view name;
  std::string_view description;
  Decoder decode;
  Encoder encode;
  Recogniser plausible;
  int alignment;  // offsets a block starts at in a ROM are multiples of this
};

std::span<const Scheme> Schemes();
// The scheme of that name, or nullptr.
const Scheme* FindScheme(std::string_view name);
// "gba-lz77, nds-lz11, ..." for messages.
std::string SchemeNames();

// A scan's limit on the decompressed size: a GBA block decompresses into VRAM (96 KiB) or
// work RAM (256 KiB), and the size test rejects most chance headers without decoding.
inline constexpr std::size_t kDefaultScanLimit = std::size_t{256} << 10;

// A block a scan found: where it starts, its compressed and its decompressed size.
struct FoundBlock {
  std::size_t offset = 0;
  std::size_t compressed = 0;
  std::size_t decompressed = 0;
};

// Every offset of `rom` (at the scheme's alignment) where a block starts, decompresses
// cleanly within the limits and decompresses to at least `minSize` bytes, a multiple of
// `multiple`; `found` is called for each, in order. The header test runs first, so most
// offsets cost a few comparisons.
void ScanBlocks(std::span<const std::uint8_t> rom, const Scheme& scheme, std::size_t minSize,
                std::size_t multiple, const std::function<void(const FoundBlock&)>& found,
                const DecodeLimits& limits = {.maxOutput = kDefaultScanLimit});

// The decoders and encoders one by one.
Result<Decompressed> DecodeGbaLz77(std::span<const std::uint8_t> input, const DecodeLimits& limits);
Result<Decompressed> DecodeNdsLz11(std::span<const std::uint8_t> input, const DecodeLimits& limits);
Result<Decompressed> DecodeGbaRle(std::span<const std::uint8_t> input, const DecodeLimits& limits);
Result<Decompressed> DecodeGbaHuffman(std::span<const std::uint8_t> input, const DecodeLimits& limits);
Result<Decompressed> DecodeSnesLz2(std::span<const std::uint8_t> input, const DecodeLimits& limits);
Result<Decompressed> DecodeHal(std::span<const std::uint8_t> input, const DecodeLimits& limits);

Result<ByteString> EncodeGbaLz77(std::span<const std::uint8_t> input, const EncodeOptions& options);
Result<ByteString> EncodeNdsLz11(std::span<const std::uint8_t> input, const EncodeOptions& options);
Result<ByteString> EncodeGbaRle(std::span<const std::uint8_t> input, const EncodeOptions& options);
// 4- or 8-bit symbols by the scheme's name; gba-huffman picks the smaller of the two.
Result<ByteString> EncodeGbaHuffman4(std::span<const std::uint8_t> input, const EncodeOptions& options);
Result<ByteString> EncodeGbaHuffman8(std::span<const std::uint8_t> input, const EncodeOptions& options);
Result<ByteString> EncodeGbaHuffman(std::span<const std::uint8_t> input, const EncodeOptions& options);
Result<ByteString> EncodeSnesLz2(std::span<const std::uint8_t> input, const EncodeOptions& options);
Result<ByteString> EncodeHal(std::span<const std::uint8_t> input, const EncodeOptions& options);

}  // namespace glyphon::compression
