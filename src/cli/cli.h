// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <variant>

#include "cli/exit_codes.h"
#include "cli/run_files.h"
#include "core/result.h"

namespace glyphon::cli {

struct HelpCommand {
  std::string topic;  // empty for the overview, else a subcommand
};
struct FormatsCommand {};
// What a command line asks for: help, the list of formats, or a command ready to run.
using Command = std::variant<HelpCommand, FormatsCommand, CommandRun>;

// Parses the arguments after the program name. A failure is a usage error. `showProgress`
// goes to the commands that draw a progress bar.
Result<Command> ParseArguments(std::span<const std::string> args, bool showProgress = false);

std::string HelpText(const std::string& topic);

// Runs the command line; returns the exit status. `err` gets one line per problem.
// `showProgress` draws a progress bar on `err` (the caller decides: a terminal or not).
int Run(std::span<const std::string> args, std::ostream& out, std::ostream& err, bool showProgress = false);

}  // namespace glyphon::cli
