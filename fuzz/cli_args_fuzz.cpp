// SPDX-License-Identifier: MIT
// The glyphon argument parser: the input is split into arguments at zero bytes.
#include <string>
#include <vector>

#include "cli/cli.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  auto parsed = glyphon::cli::ParseArguments(args);
  if (parsed.Ok()) {
    if (const auto* help = std::get_if<glyphon::cli::HelpCommand>(&parsed.Value())) {
      (void)glyphon::cli::HelpText(help->topic);
    }
  }
  return 0;
}
