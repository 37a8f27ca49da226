// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>

#include "cli/run_files.h"
#include "core/result.h"

namespace glyphon::cli {

// `glyphon encode`: a rectangle of a picture as raw ROM graphics, in a file or written into a
// ROM. The arguments after "encode" read into a run, or nothing when help is wanted; a failure
// is a usage error. `showProgress` draws a progress bar on the run's `err`.
Result<std::optional<CommandRun>> PrepareEncode(std::span<const std::string> args, bool showProgress);

std::string EncodeHelp();

}  // namespace glyphon::cli
