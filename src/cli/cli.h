// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "cli/compressed_rom.h"
#include "cli/exit_codes.h"
#include "cli/order_options.h"
#include "cli/palette_values.h"
#include "cli/rom_options.h"
#include "convert/encoding.h"
#include "formats/format_table.h"
#include "platform/result.h"

namespace glyphon::cli {

struct HelpCommand {
  std::string topic;  // empty for the overview, else a subcommand
};
struct FormatsCommand {};
struct EncodeCommand {
  const formats::FormatInfo* format = nullptr;
  std::optional<convert::Selection> rect;
  std::string partnerImage;
  std::string partnerData;
  std::string partnerOut;
  RomOptions rom;
  ValueOptions values;
  OrderOptions order;
  CompressionOptions compression;
  std::string input;
  std::string output;  // empty when writing --into a ROM
};
struct DecodeCommand {
  const formats::FormatInfo* format = nullptr;
  int width = 0;
  std::string partnerOut;
  RomOptions rom;
  ValueOptions values;  // --palette and --palette-format
  OrderOptions order;
  CompressionOptions compression;
  std::string input;
  std::string output;
};
using Command = std::variant<HelpCommand, FormatsCommand, EncodeCommand, DecodeCommand>;

// Parses the arguments after the program name. A failure is a usage error.
Result<Command> ParseArguments(std::span<const std::string> args);

std::string HelpText(const std::string& topic);

// Runs the command line; returns the exit status. `err` gets one line per problem.
// `showProgress` draws a progress bar on `err` (the caller decides: a terminal or not).
int Run(std::span<const std::string> args, std::ostream& out, std::ostream& err, bool showProgress = false);

}  // namespace glyphon::cli
