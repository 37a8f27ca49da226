// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"
#include "palette/palette.h"

namespace glyphon::browser {

// Where the colours come from.
enum class Colours {
  DecoderGreys,  // as the decoders draw them
  Palette,       // each value in the loaded palette's colour (direct-colour formats unchanged)
  Ramp,          // a built-in ramp of 2^bits colours per bit depth
  Shades,        // evenly spaced greys from white (value 0) down to black, as on the Game Boy
};

// The console layouts a palette in a ROM is read in: 16 bits a colour.
inline constexpr std::array<std::string_view, 3> kRomPaletteKinds = {"bgr555", "genesis", "rgba5551"};

// A palette stored in a ROM: a run of sub-palettes of 2^bits colours each (16 for a 4bpp
// format), sub-palette `number` read from `offset` + number * 2^bits * 2 bytes.
struct RomPalette {
  std::filesystem::path file;  // empty: the ROM the browser has open
  std::uint64_t offset = 0;
  std::string_view kind = kRomPaletteKinds[0];
  int number = 0;
  friend bool operator==(const RomPalette&, const RomPalette&) = default;
};

// The colours of a sub-palette of `colours` entries read from `path`, followed by those after
// it in the file up to 256 in all; fails naming what is wrong (a kind not among
// kRomPaletteKinds, a sub-palette that runs past the end of the file).
Result<palette::Palette> ReadRomPalette(const std::filesystem::path& path, const RomPalette& where,
                                        std::size_t colours);

// The colour choice as the browser remembers it for a ROM.
struct ColourChoice {
  Colours colours = Colours::DecoderGreys;
  std::filesystem::path paletteFile;  // Colours::Palette from a palette file
  std::optional<RomPalette> inRom;    // Colours::Palette from a ROM
  friend bool operator==(const ColourChoice&, const ColourChoice&) = default;
};

// One line of text and back: "greys", "shades", "ramp", "file<TAB>PATH",
// "rom<TAB>KIND<TAB>0xOFFSET<TAB>NUMBER<TAB>PATH" (PATH empty: the ROM itself). A text that
// is not one of these is none.
std::string ColourChoiceText(const ColourChoice& choice);
std::optional<ColourChoice> ParseColourChoice(std::string_view text);

}  // namespace glyphon::browser
