// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <span>
#include <string>

#include "cli/run_files.h"
#include "core/result.h"

namespace glyphon::cli {

// `glyphon tiles`: a picture's 8 by 8 tiles as a tile set in a tiled format, repeats (and
// mirrors) left out, and a tile map in a console's layout. The arguments after "tiles" read
// into a run, or nothing when help is wanted; a failure is a usage error.
Result<std::optional<CommandRun>> PrepareTiles(std::span<const std::string> args);
// `glyphon untile`: the picture drawn back from a tile set and its map.
Result<std::optional<CommandRun>> PrepareUntile(std::span<const std::string> args);

std::string TilesHelp();
std::string UntileHelp();

}  // namespace glyphon::cli
