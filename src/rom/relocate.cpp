// SPDX-License-Identifier: MIT
#include "rom/relocate.h"

#include <algorithm>

#include "rom/pointers.h"

namespace glyphon::rom {

namespace {

bool Filler(std::uint8_t byte) noexcept {
  return byte == 0x00 || byte == 0xFF;
}

}  // namespace

bool IsFiller(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return true;
  const std::uint8_t first = bytes[0];
  return Filler(first) &&
         std::all_of(bytes.begin(), bytes.end(), [first](std::uint8_t b) { return b == first; });
}

std::optional<std::uint64_t> FindFreeSpace(std::span<const std::uint8_t> rom, std::uint64_t length,
                                           std::uint64_t alignment) {
  alignment = std::max<std::uint64_t>(alignment, 1);
  const auto last = std::find_if(rom.rbegin(), rom.rend(), [](std::uint8_t b) { return !Filler(b); });
  const auto used = static_cast<std::uint64_t>(rom.rend() - last);
  const std::uint64_t size = rom.size();
  std::uint64_t at = (used + alignment - 1) / alignment * alignment;
  while (at < size && length <= size - at) {
    // The run of one filler value from `at`; a run too short moves the search past it.
    const std::uint8_t value = rom[static_cast<std::size_t>(at)];
    std::uint64_t end = at;
    while (end < size && end - at < length && rom[static_cast<std::size_t>(end)] == value) ++end;
    if (end - at == length) return at;
    at = (end + alignment - 1) / alignment * alignment;
  }
  if (length == 0 && at <= size) return at;
  return std::nullopt;
}

Repointing PointersToMove(std::span<const std::uint8_t> rom, std::uint64_t from, std::uint64_t to) {
  return {FindGbaPointers(rom, from), GbaPointerBytes(to)};
}

Result<RomMove> PlanRomMove(const std::filesystem::path& rom, std::uint64_t target,
                            std::span<const std::uint8_t> block, const Repointing& pointers, bool grow) {
  RomMove move;
  if (!block.empty()) {
    auto plan = PlanRomWrite(rom, target, block, grow);
    if (!plan) return Result<RomMove>::Failure(plan.Error());
    move.plans.push_back(std::move(plan).Value());
    move.bytes.push_back(block);
  }
  for (std::uint64_t at : pointers.at) {
    auto plan = PlanRomWrite(rom, at, pointers.bytes, false);
    if (!plan) return Result<RomMove>::Failure(plan.Error());
    move.plans.push_back(std::move(plan).Value());
    move.bytes.push_back(pointers.bytes);
  }
  return move;
}

Status StageRomMove(platform::OutputBatch& batch, const RomMove& move) {
  std::vector<RomPiece> pieces;
  for (std::size_t i = 0; i < move.plans.size(); ++i) pieces.push_back({&move.plans[i], move.bytes[i]});
  return StageRomWrites(batch, pieces);
}

}  // namespace glyphon::rom
