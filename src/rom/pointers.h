// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// GBA pointers: the cartridge is mapped at 0x08000000, so a ROM that refers to its own
// offset X holds the 32-bit little-endian word 0x08000000 + X, at an offset that is a
// multiple of 4.
namespace glyphon::rom {

inline constexpr std::uint32_t kGbaRomBase = 0x08000000;
// The cartridge window is 32 MiB.
inline constexpr std::uint64_t kGbaRomWindow = std::uint64_t{32} << 20;

// The aligned offsets of `rom` holding a pointer to `target`, in order.
std::vector<std::uint64_t> FindGbaPointers(std::span<const std::uint8_t> rom, std::uint64_t target);

// The four bytes of a pointer to `target`.
std::vector<std::uint8_t> GbaPointerBytes(std::uint64_t target);

}  // namespace glyphon::rom
