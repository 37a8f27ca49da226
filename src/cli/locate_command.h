// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>

#include "cli/run_files.h"
#include "core/result.h"

namespace glyphon::cli {

// `glyphon locate`: the arguments after "locate" read into a run, or nothing when help is
// wanted. A failure is a usage error.
Result<std::optional<CommandRun>> PrepareLocate(std::span<const std::string> args);

std::string LocateHelp();

}  // namespace glyphon::cli
