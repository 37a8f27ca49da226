#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace glyphon::cli_test {

// What one in-process run of glyphon gave: its exit status and what it printed.
struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline Outcome RunWith(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = cli::Run(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace glyphon::cli_test
