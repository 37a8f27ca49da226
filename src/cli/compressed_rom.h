// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

#include "cli/options.h"
#include "cli/rom_options.h"
#include "cli/run_files.h"
#include "core/result.h"

namespace glyphon::compression {
struct Scheme;
}

// encode and decode on compressed blocks (--compression), and `glyphon pointers`.
namespace glyphon::cli {

struct CompressionOptions {
  const compression::Scheme* scheme = nullptr;
  bool vramSafe = false;
  std::optional<std::uint64_t> relocate;  // encode --into: where the block goes when it no longer fits
  bool repoint = false;                   // and the GBA pointers to the old block follow it
};

void AddCompressionOptions(CommandLine& line, CompressionOptions& options, RomVerb verb);
// `partnerOut`: encode's --partner-out, which a compressed run does not write.
Status CheckCompressionOptions(const CompressionOptions& options, const RomOptions& rom,
                               const std::string& partnerOut = {});
std::string CompressionHelp(RomVerb verb);

// decode --compression: the block at --offset of the file (within --length when given),
// decompressed; the line on `notes` tells how many bytes the block used.
Result<ByteString> ReadCompressedInput(const std::string& name, const CompressionOptions& options,
                                       const RomOptions& rom, std::ostream& notes);

// encode --compression: `data` compressed, to OUTPUT (with `extra`, the other plain output
// of the run) or into the ROM over the block at --at. The new block must fit in the old
// one (its compressed length, found by decompressing it) unless --grow lets it run over
// what follows, or --relocate puts it at an offset that holds only filler (all 0xFF or all
// 0x00); --repoint then rewrites the ROM's pointers to the old block in the same write.
int WriteCompressed(const CompressionOptions& options, std::span<const std::uint8_t> data,
                    const RomOptions& rom, const std::string& output, const OutputFile& extra,
                    std::ostream& out, std::ostream& err, std::ostream& notes);

// `glyphon pointers ROM OFFSET`: where a GBA ROM points at OFFSET; --relocate OFF2
// --repoint rewrites those pointers.
Result<std::optional<CommandRun>> PreparePointers(std::span<const std::string> args);
std::string PointersHelp();

}  // namespace glyphon::cli
