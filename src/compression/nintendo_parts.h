// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "compression/compression.h"

// The 32-bit header every GBA/NDS BIOS block starts with, and the scan tests of the schemes
// without one.
namespace glyphon::compression::detail {

// The decompressed size, after checking the type byte and the limit.
Result<std::size_t> ReadBiosHeader(std::span<const std::uint8_t> input, std::uint8_t type,
                                   std::string_view name, const DecodeLimits& limits);
bool PlausibleBiosHeader(std::span<const std::uint8_t> bytes, std::uint8_t type, const DecodeLimits& limits);
// The header for `size` bytes; refused past 24 bits.
Result<ByteString> BiosHeader(std::uint8_t type, std::size_t size);

// The command schemes have no header: whether a block starts at the front of `bytes` is
// found by walking its commands, counting the output without writing it.
bool PlausibleSnesLz2(std::span<const std::uint8_t> bytes, const DecodeLimits& limits);
bool PlausibleHal(std::span<const std::uint8_t> bytes, const DecodeLimits& limits);

}  // namespace glyphon::compression::detail
