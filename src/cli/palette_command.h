#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace glyphon::cli {

// `glyphon palette`: the arguments after "palette"; returns the exit status.
int RunPalette(std::span<const std::string> args, std::ostream& out, std::ostream& err);

std::string PaletteHelp();

}  // namespace glyphon::cli
