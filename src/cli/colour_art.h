// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/palette_values.h"
#include "core/result.h"
#include "formats/format_table.h"
#include "imageio/picture_file.h"
#include "palette/palette.h"
#include "palette/tile_palettes.h"
#include "tiles/map_layout.h"

// tiles --values colour: colour art taken apart into sub-palettes, each tile storing the
// indices of its colours in its own; and untile --values colour drawing it back.
namespace glyphon::cli {

struct ColourOptions {
  std::optional<std::int64_t> palettes;     // --palettes N
  std::optional<std::int64_t> paletteSize;  // --palette-size K
  std::optional<RgbColor> colourZero;       // --colour-zero
  std::optional<palette::PaletteOrder> order;
  std::string paletteMapOut;  // --palette-map-out
};

// tiles takes them all; untile takes --palette-size.
void AddColourOptions(CommandLine& line, ColourOptions& into, ValueUse use);
// Whether the options go with the value rule, the format and the map layout (null: none);
// a failure is a usage error.
Status CheckColourOptions(const ColourOptions& options, const ValueOptions& values,
                          const formats::FormatInfo& format, const tiles::MapLayout* layout, ValueUse use);
std::string ColourHelp(ValueUse use);

// The entries of a sub-palette: --palette-size, else all the format's values (2^bpp).
std::size_t PaletteSize(const ColourOptions& options, const formats::FormatInfo& format);
// How many sub-palettes there may be: --palettes, else as many as the map layout numbers
// (8 without a map, as SNES and GBC sprites have).
std::size_t PaletteLimit(const ColourOptions& options, const tiles::MapLayout* layout);

// Colour art taken apart: the values to store, the sub-palettes and each tile's number.
struct ColourTiles {
  convert::ValuePlane values;
  std::vector<palette::Palette> palettes;
  std::vector<std::uint8_t> paletteOfTile;  // per 8 by 8 tile of the selection, row by row
  ByteString attributeTable;                // the nes layout's, else empty
};

// The selection's sub-palettes: packed from its colours, or with --palette the file cut
// into sub-palettes (the first PaletteLimit of them) that each tile chooses from. On the nes
// layout a 16 by 16 area holds to one palette. Failures are whole messages, "file: cause";
// `notes` gets the count of inexact pixels under --nearest.
Result<ColourTiles> ColourValues(const ValueOptions& values, const ColourOptions& options,
                                 const formats::FormatInfo& format, const imageio::PictureFile& picture,
                                 const std::string& inputName, const convert::Selection& selection,
                                 const tiles::MapLayout* layout, std::ostream& notes);

}  // namespace glyphon::cli
