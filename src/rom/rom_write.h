// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "core/result.h"
#include "platform/file_range.h"
#include "platform/output_batch.h"

namespace glyphon::rom {

// A ROM is rewritten whole (a new file replaces it in one rename), so it is held in memory
// once while being written: larger files are refused.
inline constexpr std::uint64_t kMaxRomSize = std::uint64_t{1} << 30;

// Writing bytes into an existing ROM, planned against the ROM as it is now.
struct RomWritePlan {
  std::filesystem::path rom;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;   // bytes written
  std::uint64_t changed = 0;  // of those, how many differ from the ROM's (all beyond its old end)
  std::uint64_t oldSize = 0;
  std::uint64_t newSize = 0;  // above oldSize when the ROM grows
  platform::FileStamp stamp;  // the ROM the plan was made against
};

// Plans writing `bytes` at `offset` into the file `rom`, counting the bytes that change.
// Refused: a missing file, a folder or other node that is not a regular file, a read-only
// file, a ROM beyond kMaxRomSize, and a write that ends past the end of the ROM unless
// `grow` is set (any gap between the old end and the offset is then filled with zeros).
Result<RomWritePlan> PlanRomWrite(const std::filesystem::path& rom, std::uint64_t offset,
                                  std::span<const std::uint8_t> bytes, bool grow);

// Carries a plan out: the ROM is replaced in one step and keeps its permissions; on any
// failure it is left as it was. A plan that changes nothing leaves the file untouched. A
// ROM that changed since the plan, or changes while being written (checked once more just
// before the rename), is refused and keeps the other writer's bytes.
Status ApplyRomWrite(const RomWritePlan& plan, std::span<const std::uint8_t> bytes);

// One planned write and its bytes.
struct RomPiece {
  const RomWritePlan* plan = nullptr;
  std::span<const std::uint8_t> bytes;
};

// Stages writes into one or more ROMs on `batch`, to be committed with the run's other
// outputs: each ROM (pieces naming one file through any path count as one) is read once,
// every piece for it is laid in, and the whole new file is staged. A ROM whose pieces change
// nothing is not staged. Refused before anything is staged: pieces of one ROM that overlap,
// and a ROM that changed since its plans or while being read. Each ROM is staged with what
// it must still be at the commit (platform::ExpectedFile), so the commit refuses the batch
// if the ROM changes in the meantime.
Status StageRomWrites(platform::OutputBatch& batch, std::span<const RomPiece> pieces);

// The one line a write reports: "rom.sfc: wrote 2048 bytes at 0x1F000, 37 of them changed",
// "would write" and "would change" for a dry run, and the new size when the ROM grows.
std::string DescribeRomWrite(const RomWritePlan& plan, bool dryRun);

}  // namespace glyphon::rom
