// SPDX-License-Identifier: MIT
#pragma once

namespace glyphon::cli {

// The exit status of every glyphon command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the run failed; one line on stderr names the file
inline constexpr int kExitUsage = 2;    // the command line was wrong; nothing was read or written

}  // namespace glyphon::cli
