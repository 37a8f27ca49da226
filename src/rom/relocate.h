// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "core/result.h"
#include "platform/output_batch.h"
#include "rom/rom_write.h"

// Moving a block that grew to free space in the ROM, with the GBA pointers to its old place
// rewritten to the new one, all in one replacement of the file.
namespace glyphon::rom {

// Whether `bytes` are all 0xFF or all 0x00: space a ROM leaves free (erased flash reads
// 0xFF, padding tools write either).
bool IsFiller(std::span<const std::uint8_t> bytes);

// Where `length` bytes fit in the ROM's free space: the first offset at a multiple of
// `alignment`, at or after the end of the used data (one past the last byte that is
// neither 0x00 nor 0xFF), from which `length` bytes are all one filler value and end
// within the ROM. None when the free space holds no such run.
std::optional<std::uint64_t> FindFreeSpace(std::span<const std::uint8_t> rom, std::uint64_t length,
                                           std::uint64_t alignment);

// The ROM's GBA pointers to one offset, to be rewritten to point at another.
struct Repointing {
  std::vector<std::uint64_t> at;  // where the pointers lie
  ByteString bytes;               // the four bytes of the new pointer
};
Repointing PointersToMove(std::span<const std::uint8_t> rom, std::uint64_t from, std::uint64_t to);

// A block written at `target` (none when `block` is empty) and the pointers rewritten, as
// pieces of one write: the plans, the block's first when there is one. The pieces' bytes
// are `block` and `pointers.bytes`, which must outlive the move.
struct RomMove {
  std::vector<RomWritePlan> plans;
  std::vector<std::span<const std::uint8_t>> bytes;  // per plan
};
Result<RomMove> PlanRomMove(const std::filesystem::path& rom, std::uint64_t target,
                            std::span<const std::uint8_t> block, const Repointing& pointers, bool grow);
// Stages the move on `batch`, one replacement of the ROM, to be committed with the run's
// other outputs.
Status StageRomMove(platform::OutputBatch& batch, const RomMove& move);

}  // namespace glyphon::rom
