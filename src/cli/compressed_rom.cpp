// SPDX-License-Identifier: MIT
#include "cli/compressed_rom.h"

#include <algorithm>
#include <ostream>
#include <sstream>

#include "compression/compression.h"
#include "platform/file_io.h"
#include "platform/output_batch.h"
#include "rom/offsets.h"
#include "rom/pointers.h"
#include "rom/relocate.h"
#include "rom/rom_write.h"

namespace glyphon::cli {

namespace {

std::string Hex(std::uint64_t value) {
  std::ostringstream text;
  text << "0x" << std::hex << std::uppercase << value;
  return text.str();
}

CommandLine::Take OffsetInto(std::optional<std::uint64_t>& into, std::string name) {
  return [&into, name](const std::string& text) -> std::optional<std::string> {
    const auto offset = rom::ParseOffset(text);
    if (!offset) return name + ": " + offset.Error();
    into = offset.Value();
    return std::nullopt;
  };
}

using rom::IsFiller;
using rom::PointersToMove;
using rom::Repointing;

// Plans and stages `block` at `target` and the pointers in one replacement of the ROM.
int WriteRomPieces(const std::string& romName, std::uint64_t target, std::span<const std::uint8_t> block,
                   const Repointing& pointers, const RomOptions& rom, const OutputFile& extra,
                   std::ostream& out, std::ostream& err) {
  auto move = rom::PlanRomMove(romName, target, block, pointers, rom.grow);
  if (!move) return Fail(err, romName, move.Error());
  const std::vector<rom::RomWritePlan>& plans = move.Value().plans;
  if (!rom.dryRun) {
    platform::OutputBatch batch;
    if (Status staged = rom::StageRomMove(batch, move.Value()); !staged) return Fail(err, "", staged.error);
    if (Status staged = StageOutputs(batch, out, {extra}); !staged) return Fail(err, "", staged.error);
    if (Status committed = batch.Commit(); !committed) return Fail(err, "", committed.error);
  }
  std::ostream& report = extra.name == kStandardStream ? err : out;
  if (!block.empty()) report << rom::DescribeRomWrite(plans.front(), rom.dryRun) << '\n';
  if (!pointers.at.empty()) {
    report << romName << ": " << (rom.dryRun ? "would repoint " : "repointed ") << pointers.at.size()
           << (pointers.at.size() == 1 ? " pointer" : " pointers") << " to " << Hex(target) << '\n';
  }
  return kExitSuccess;
}

}  // namespace

void AddCompressionOptions(CommandLine& line, CompressionOptions& options, RomVerb verb) {
  line.Value("--compression", [&options](const std::string& text) -> std::optional<std::string> {
    options.scheme = compression::FindScheme(text);
    if (options.scheme == nullptr)
      return "--compression wants one of " + compression::SchemeNames() + ", not \"" + text + "\"";
    return std::nullopt;
  });
  if (verb == RomVerb::Decode) return;
  line.Flag("--vram-safe", options.vramSafe);
  line.Value("--relocate", OffsetInto(options.relocate, "--relocate"));
  line.Flag("--repoint", options.repoint);
}

Status CheckCompressionOptions(const CompressionOptions& options, const RomOptions& rom,
                               const std::string& partnerOut) {
  if (options.scheme == nullptr) {
    if (options.vramSafe || options.relocate || options.repoint)
      return Status::Failure("--vram-safe, --relocate and --repoint need --compression");
    return Status::Success();
  }
  if (options.relocate && rom.into.empty()) return Status::Failure("--relocate needs --into ROM");
  if (options.repoint && !options.relocate) return Status::Failure("--repoint needs --relocate OFFSET");
  if (!rom.partnerInto.empty() || !partnerOut.empty())
    return Status::Failure("--compression writes the data alone, not --partner-out or --partner-into");
  return Status::Success();
}

std::string CompressionHelp(RomVerb verb) {
  if (verb == RomVerb::Decode) {
    return "  --compression K     decompress the block of scheme K at --offset first (" +
           compression::SchemeNames() + ")\n";
  }
  return "  --compression K     compress the bytes (" + compression::SchemeNames() +
         ");\n"
         "                      --into replaces the block at --at, which the new one must fit\n"
         "  --vram-safe         gba-lz77: no copy from the byte just written\n"
         "  --relocate OFF      write the block at OFF instead (all 0xFF or all 0x00 there)\n"
         "  --repoint           with --relocate: point the ROM's GBA pointers to --at at OFF\n";
}

Result<ByteString> ReadCompressedInput(const std::string& name, const CompressionOptions& options,
                                       const RomOptions& rom, std::ostream& notes) {
  RomOptions whole = rom;
  whole.offset.reset();
  whole.length.reset();
  auto all = ReadInput(name, platform::kRomDataLimit);
  if (!all) return all;
  std::span<const std::uint8_t> bytes = all.Value();
  const std::uint64_t offset = rom.offset.value_or(0);
  if (offset >= bytes.size()) {
    return Result<ByteString>::Failure("the offset " + Hex(offset) + " lies past the end of the " +
                                       std::to_string(bytes.size()) + "-byte file");
  }
  bytes = bytes.subspan(static_cast<std::size_t>(offset));
  if (rom.length)
    bytes = bytes.first(static_cast<std::size_t>(std::min<std::uint64_t>(*rom.length, bytes.size())));
  auto block = options.scheme->decode(bytes, {.base = offset});
  if (!block) return Result<ByteString>::Failure(block.Error());
  notes << "glyphon: " << InputName(name) << ": the " << options.scheme->name << " block at " << Hex(offset)
        << " used " << block.Value().consumed << " bytes and decompressed to " << block.Value().bytes.size()
        << "\n";
  return std::move(block.Value().bytes);
}

int WriteCompressed(const CompressionOptions& options, std::span<const std::uint8_t> data,
                    const RomOptions& rom, const std::string& output, const OutputFile& extra,
                    std::ostream& out, std::ostream& err, std::ostream& notes) {
  const compression::Scheme& scheme = *options.scheme;
  const auto block = scheme.encode(data, {.vramSafe = options.vramSafe});
  if (!block) return Fail(err, output.empty() ? rom.into : OutputName(output), block.Error());
  const ByteString& bytes = block.Value();
  // --verify: the block must decompress to the data, before anything is written and, for a
  // ROM, once more from the file afterwards.
  auto decompresses_to_data = [&](std::span<const std::uint8_t> from, std::uint64_t base) {
    const auto back = scheme.decode(from, {.base = base});
    return back.Ok() &&
           std::equal(back.Value().bytes.begin(), back.Value().bytes.end(), data.begin(), data.end());
  };
  if (rom.verify && !decompresses_to_data(bytes, 0))
    return Fail(err, output.empty() ? rom.into : OutputName(output),
                "the new block does not decompress to the data");
  if (rom.into.empty()) {
    notes << "glyphon: " << OutputName(output) << ": " << data.size() << " bytes compressed to "
          << bytes.size() << " (" << scheme.name << ")\n";
    return CommitOutputs(out, err, {{output, bytes}, extra});
  }
  const auto romBytes = ReadInput(rom.into, platform::kRomDataLimit);
  if (!romBytes) return Fail(err, rom.into, romBytes.Error());
  const std::span<const std::uint8_t> image = romBytes.Value();
  const std::uint64_t at = *rom.at;
  if (at >= image.size()) return Fail(err, rom.into, "--at " + Hex(at) + " lies past the end of the ROM");
  const auto old = scheme.decode(image.subspan(static_cast<std::size_t>(at)), {.base = at});
  if (!old) {
    return Fail(err, rom.into,
                "no " + std::string(scheme.name) + " block to replace at " + Hex(at) + ": " + old.Error());
  }
  const std::size_t oldLength = old.Value().consumed;
  std::uint64_t target = at;
  if (options.relocate) {
    target = *options.relocate;
    const std::uint64_t end = std::min<std::uint64_t>(target + bytes.size(), image.size());
    if (target < image.size() &&
        !IsFiller(image.subspan(static_cast<std::size_t>(target), static_cast<std::size_t>(end - target)))) {
      return Fail(err, rom.into,
                  "the " + std::to_string(bytes.size()) + " bytes at --relocate " + Hex(target) +
                      " are not free space (all 0xFF or all 0x00)");
    }
  } else if (bytes.size() > oldLength && !rom.grow) {
    return Fail(err, rom.into,
                "the new " + std::string(scheme.name) + " block is " + std::to_string(bytes.size()) +
                    " bytes, the old one at " + Hex(at) + " is " + std::to_string(oldLength) +
                    "; --grow writes over what follows it, --relocate OFFSET elsewhere");
  }
  const Repointing pointers = options.repoint ? PointersToMove(image, at, target) : Repointing{};
  const int status = WriteRomPieces(rom.into, target, bytes, pointers, rom, extra, out, err);
  if (status != kExitSuccess || !rom.verify || rom.dryRun) return status;
  const auto written = ReadInput(rom.into, platform::kRomDataLimit);
  if (!written) return Fail(err, rom.into, written.Error());
  if (target >= written.Value().size() ||
      !decompresses_to_data(std::span(written.Value()).subspan(static_cast<std::size_t>(target)), target))
    return Fail(err, rom.into, "the block written at " + Hex(target) + " does not decompress to the data");
  return kExitSuccess;
}

namespace {

struct PointersCommand {
  std::string rom;
  std::uint64_t offset = 0;
  std::optional<std::uint64_t> relocate;
  bool repoint = false;
  bool dryRun = false;
};

}  // namespace

Result<std::optional<CommandRun>> PreparePointers(std::span<const std::string> args) {
  using Prepared = Result<std::optional<CommandRun>>;
  PointersCommand c;
  CommandLine line("pointers");
  line.Value("--relocate", OffsetInto(c.relocate, "--relocate"));
  line.Flag("--repoint", c.repoint);
  line.Flag("--dry-run", c.dryRun);
  if (Status read = line.Parse(args); !read) return Prepared::Failure(read.error);
  if (line.HelpWanted()) return std::optional<CommandRun>();
  if (line.Files().size() != 2) return Prepared::Failure("pointers needs a ROM and an OFFSET");
  if (c.repoint != c.relocate.has_value())
    return Prepared::Failure("--repoint and --relocate OFFSET go together");
  if (c.dryRun && !c.repoint) return Prepared::Failure("--dry-run needs --repoint");
  c.rom = line.Files()[0];
  const auto offset = rom::ParseOffset(line.Files()[1]);
  if (!offset) return Prepared::Failure("OFFSET: " + offset.Error());
  c.offset = offset.Value();
  if (c.offset >= rom::kGbaRomWindow)
    return Prepared::Failure("OFFSET lies past the GBA's 32 MiB ROM window");
  if (c.relocate && *c.relocate >= rom::kGbaRomWindow)
    return Prepared::Failure("--relocate lies past the GBA's 32 MiB ROM window");
  CommandRun run;
  run.files = {{"ROM", c.rom, c.repoint ? FileRole::Rom : FileRole::Input}};
  run.mainInput = c.rom;
  run.body = [c](std::ostream& out, std::ostream& err, std::ostream&) {
    const auto image = ReadInput(c.rom, platform::kRomDataLimit);
    if (!image) return Fail(err, InputName(c.rom), image.Error());
    if (!c.repoint) {
      for (std::uint64_t at : rom::FindGbaPointers(image.Value(), c.offset)) out << Hex(at) << '\n';
      return kExitSuccess;
    }
    const Repointing pointers = PointersToMove(image.Value(), c.offset, *c.relocate);
    if (pointers.at.empty()) return Fail(err, c.rom, "no pointer to " + Hex(c.offset) + " to rewrite");
    RomOptions options;
    options.dryRun = c.dryRun;
    return WriteRomPieces(c.rom, *c.relocate, {}, pointers, options, {}, out, err);
  };
  return std::optional<CommandRun>(std::move(run));
}

std::string PointersHelp() {
  return "Usage: glyphon pointers [--relocate OFF2 --repoint [--dry-run]] ROM OFFSET\n\n"
         "Lists the offsets where a GBA ROM holds a pointer to OFFSET (the little-endian word\n"
         "0x08000000 + OFFSET at a multiple of 4), one a line.\n"
         "  --relocate OFF2 --repoint  rewrite them to point at OFF2, in one replacement of the ROM\n"
         "  --dry-run                  tell what would change and write nothing\n";
}

}  // namespace glyphon::cli
