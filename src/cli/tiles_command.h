#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace glyphon::cli {

// `glyphon tiles`: a picture's 8 by 8 tiles as a tile set in a tiled format, repeats (and
// mirrors) left out, and a tile map in a console's layout. The arguments after "tiles".
int RunTiles(std::span<const std::string> args, std::ostream& out, std::ostream& err);
// `glyphon untile`: the picture drawn back from a tile set and its map.
int RunUntile(std::span<const std::string> args, std::ostream& out, std::ostream& err);

std::string TilesHelp();
std::string UntileHelp();

}  // namespace glyphon::cli
