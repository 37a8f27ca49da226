// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>

#include "cli/run_files.h"
#include "core/result.h"

namespace glyphon::cli {

// `glyphon decode`: raw ROM graphics drawn as a picture. The arguments after "decode" read
// into a run, or nothing when help is wanted; a failure is a usage error. `showProgress`
// draws a progress bar on the run's `err`.
Result<std::optional<CommandRun>> PrepareDecode(std::span<const std::string> args, bool showProgress);

std::string DecodeHelp();

}  // namespace glyphon::cli
