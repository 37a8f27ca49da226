// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool terminal = isatty(STDERR_FILENO) != 0;
  return glyphon::cli::Run(args, std::cout, std::cerr, terminal);
}
