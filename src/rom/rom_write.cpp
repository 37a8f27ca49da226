// SPDX-License-Identifier: MIT
#include "rom/rom_write.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/file_io.h"
#include "platform/file_range.h"

namespace glyphon::rom {

namespace {

using platform::HexOffset;

bool ReadOnly(const std::filesystem::path& rom) {
  struct stat info {};
  // No write bit for anyone counts as read-only even for root, as it does for people.
  if (::stat(rom.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return ::access(rom.c_str(), W_OK) != 0;
}

// How many of `bytes` differ from what the ROM holds at `offset`; bytes beyond its end
// all count.
Result<std::uint64_t> CountChanged(const platform::RangeFile& file, std::uint64_t offset,
                                   std::span<const std::uint8_t> bytes) {
  const std::uint64_t size = file.Size();
  const std::uint64_t inside = offset >= size ? 0 : std::min<std::uint64_t>(bytes.size(), size - offset);
  auto old = file.Read({offset, inside});
  if (!old) return Result<std::uint64_t>::Failure(old.Error());
  std::uint64_t changed = bytes.size() - inside;
  for (std::size_t i = 0; i < inside; ++i)
    if (old.Value()[i] != bytes[i]) ++changed;
  return changed;
}

Status ChangedUnderfoot(const std::string& when) {
  return Status::Failure("the ROM changed " + when + "; nothing was written");
}

}  // namespace

Result<RomWritePlan> PlanRomWrite(const std::filesystem::path& rom, std::uint64_t offset,
                                  std::span<const std::uint8_t> bytes, bool grow) {
  using Plan = Result<RomWritePlan>;
  auto file = platform::RangeFile::Open(rom);
  if (!file) return Plan::Failure(file.Error());
  if (ReadOnly(rom)) return Plan::Failure("it is read-only");
  RomWritePlan plan{
      rom, offset, bytes.size(), 0, file.Value().Size(), file.Value().Size(), file.Value().Stamp()};
  const std::uint64_t end = offset + bytes.size();
  if (end < offset) return Plan::Failure("offset " + HexOffset(offset) + " is too large");
  if (end > plan.oldSize) {
    if (!grow) {
      return Plan::Failure(platform::CountOf(bytes.size(), "byte") + " at " + HexOffset(offset) +
                           " end past the end of the ROM (" + platform::CountOf(plan.oldSize, "byte") + ")");
    }
    plan.newSize = end;
  }
  if (plan.newSize > kMaxRomSize) {
    return Plan::Failure("the ROM would hold " + platform::CountOf(plan.newSize, "byte") +
                         ", more than the " + platform::CountOf(kMaxRomSize, "byte") + " a ROM may hold");
  }
  auto changed = CountChanged(file.Value(), offset, bytes);
  if (!changed) return Plan::Failure(changed.Error());
  plan.changed = changed.Value();
  return plan;
}

namespace {

bool Overlap(const RomWritePlan& a, const RomWritePlan& b) {
  return a.offset < b.offset + b.length && b.offset < a.offset + a.length;
}

// The new content of one ROM with every piece laid in (all pieces were planned against it),
// and what the ROM must still be when the new content replaces it.
struct Patch {
  ByteString content;
  platform::ExpectedFile old;
};

Result<Patch> Patched(std::span<const RomPiece> pieces) {
  using R = Result<Patch>;
  const RomWritePlan& first = *pieces.front().plan;
  auto file = platform::RangeFile::Open(first.rom);
  if (!file) return R::Failure(file.Error());
  if (file.Value().Stamp() != first.stamp)
    return R::Failure(ChangedUnderfoot("since the write was planned").error);
  auto content = file.Value().Read({0, first.oldSize});
  if (!content) return R::Failure(content.Error());
  // Whatever happened to the file while it was read, or to its name, shows in the stamps.
  auto after = file.Value().StampNow();
  auto named = platform::StampOf(first.rom);
  if (!after || !named || after.Value() != first.stamp || named.Value() != first.stamp)
    return R::Failure(ChangedUnderfoot("while being written").error);
  Patch patch{std::move(content.Value()), {first.stamp, std::nullopt, "the ROM"}};
  ByteString& rom = patch.content;
  // Another write within one tick of the file system's clock leaves the stamp as it was;
  // the content tells it, where reading the ROM once more costs little.
  if (rom.size() <= platform::kDigestLimit) patch.old.digest = platform::ContentDigest(rom);
  for (const RomPiece& piece : pieces) {
    if (piece.plan->newSize > rom.size()) rom.resize(static_cast<std::size_t>(piece.plan->newSize), 0);
    std::copy(piece.bytes.begin(), piece.bytes.end(),
              rom.begin() + static_cast<std::ptrdiff_t>(piece.plan->offset));
  }
  return patch;
}

}  // namespace

Status StageRomWrites(platform::OutputBatch& batch, std::span<const RomPiece> pieces) {
  // Pieces grouped by the file they name; a group is staged once, whole.
  std::vector<std::vector<RomPiece>> groups;
  for (const RomPiece& piece : pieces) {
    auto group = std::find_if(groups.begin(), groups.end(), [&](const std::vector<RomPiece>& g) {
      return platform::SameFile(g.front().plan->rom, piece.plan->rom);
    });
    if (group == groups.end()) {
      groups.push_back({piece});
      continue;
    }
    for (const RomPiece& other : *group) {
      if (other.plan->stamp != piece.plan->stamp)
        return Status::Failure(piece.plan->rom.string() + ": " +
                               ChangedUnderfoot("while the writes were planned").error);
      if (Overlap(*other.plan, *piece.plan)) {
        return Status::Failure(
            piece.plan->rom.string() + ": " + platform::CountOf(piece.plan->length, "byte") + " at " +
            HexOffset(piece.plan->offset) + " overlap the " + platform::CountOf(other.plan->length, "byte") +
            " at " + HexOffset(other.plan->offset));
      }
    }
    group->push_back(piece);
  }
  for (const std::vector<RomPiece>& group : groups) {
    const bool changes = std::any_of(group.begin(), group.end(), [](const RomPiece& p) {
      return p.plan->changed > 0 || p.plan->newSize != p.plan->oldSize;
    });
    if (!changes) continue;
    auto patch = Patched(group);
    if (!patch) return Status::Failure(group.front().plan->rom.string() + ": " + patch.Error());
    if (Status staged =
            batch.Stage(group.front().plan->rom, patch.Value().content, std::move(patch.Value().old));
        !staged)
      return staged;
  }
  return Status::Success();
}

Status ApplyRomWrite(const RomWritePlan& plan, std::span<const std::uint8_t> bytes) {
  if (plan.changed == 0 && plan.newSize == plan.oldSize) return Status::Success();
  auto patch = Patched(std::vector<RomPiece>{{&plan, bytes}});
  if (!patch) return Status::Failure(patch.Error());
  platform::OutputBatch batch;
  if (Status staged = batch.Stage(plan.rom, patch.Value().content, std::move(patch.Value().old)); !staged)
    return staged;
  return batch.Commit();
}

std::string DescribeRomWrite(const RomWritePlan& plan, bool dryRun) {
  std::string line = plan.rom.string() + (dryRun ? ": would write " : ": wrote ") +
                     platform::CountOf(plan.length, "byte") + " at " + HexOffset(plan.offset) + ", " +
                     std::to_string(plan.changed) + " of them " + (dryRun ? "would change" : "changed");
  if (plan.newSize > plan.oldSize) {
    line += dryRun ? "; the file would grow" : "; the file grew";
    line +=
        " from " + platform::CountOf(plan.oldSize, "byte") + " to " + platform::CountOf(plan.newSize, "byte");
  }
  return line;
}

}  // namespace glyphon::rom
