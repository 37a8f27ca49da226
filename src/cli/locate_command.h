#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace glyphon::cli {

// `glyphon locate`: the arguments after "locate"; returns the exit status.
int RunLocate(std::span<const std::string> args, std::ostream& out, std::ostream& err);

std::string LocateHelp();

}  // namespace glyphon::cli
