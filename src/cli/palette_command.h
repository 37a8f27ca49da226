// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>

#include "cli/run_files.h"
#include "core/result.h"

namespace glyphon::cli {

// `glyphon palette`: the arguments after "palette" read into a run, or nothing when help
// is wanted. A failure is a usage error.
Result<std::optional<CommandRun>> PreparePalette(std::span<const std::string> args);

std::string PaletteHelp();

}  // namespace glyphon::cli
