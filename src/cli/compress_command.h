// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>

#include "cli/run_files.h"
#include "core/result.h"

namespace glyphon::cli {

// `glyphon compress`: a file's bytes as one compressed block of a scheme.
Result<std::optional<CommandRun>> PrepareCompress(std::span<const std::string> args);
// `glyphon decompress`: the block at an offset of a file, decompressed.
Result<std::optional<CommandRun>> PrepareDecompress(std::span<const std::string> args);
// `glyphon scan`: where blocks of a scheme start in a ROM.
Result<std::optional<CommandRun>> PrepareScan(std::span<const std::string> args);

std::string CompressHelp();
std::string DecompressHelp();
std::string ScanHelp();

}  // namespace glyphon::cli
