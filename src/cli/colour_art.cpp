// SPDX-License-Identifier: MIT
#include "cli/colour_art.h"

#include <algorithm>
#include <charconv>
#include <ostream>

#include "cli/map_options.h"
#include "cli/run_files.h"
#include "tiles/nes_attributes.h"
#include "tiles/tile.h"

namespace glyphon::cli {

namespace {

using Problem = std::optional<std::string>;

CommandLine::Take Count(std::string name, std::optional<std::int64_t>& into) {
  return [name = std::move(name), &into](const std::string& text) -> Problem {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 || value > 256)
      return name + " wants a whole number from 1 to 256, not \"" + text + "\"";
    into = value;
    return std::nullopt;
  };
}

std::size_t FormatValues(const formats::FormatInfo& format) {
  return std::size_t{1} << std::min(format.bitsPerPixel, 8);
}

}  // namespace

void AddColourOptions(CommandLine& line, ColourOptions& into, ValueUse use) {
  line.Value("--palette-size", Count("--palette-size", into.paletteSize));
  if (use != ValueUse::Tiles) return;
  line.Value("--palettes", Count("--palettes", into.palettes));
  line.Value("--colour-zero", [&into](const std::string& text) -> Problem {
    into.colourZero = ParseColour(text);
    if (!into.colourZero) return "--colour-zero wants a colour #RRGGBB, not \"" + text + "\"";
    return std::nullopt;
  });
  line.Value("--palette-order", [&into](const std::string& text) -> Problem {
    if (text == "luminance") {
      into.order = palette::PaletteOrder::Luminance;
    } else if (text == "picture") {
      into.order = palette::PaletteOrder::Picture;
    } else {
      return "--palette-order wants luminance or picture, not \"" + text + "\"";
    }
    return std::nullopt;
  });
  line.Value("--palette-map-out", into.paletteMapOut);
}

Status CheckColourOptions(const ColourOptions& options, const ValueOptions& values,
                          const formats::FormatInfo& format, const tiles::MapLayout* layout, ValueUse use) {
  const auto refuse = [](std::string message) { return Status::Failure(std::move(message)); };
  const bool colour = values.rule == ValueRule::Colour;
  if (!colour) {
    if (options.palettes || options.paletteSize || options.colourZero || options.order ||
        !options.paletteMapOut.empty())
      return refuse(
          use == ValueUse::Tiles
              ? "--palettes, --palette-size, --colour-zero, --palette-order and --palette-map-out go "
                "with --values colour"
              : "--palette-size goes with --values colour");
    return Status::Success();
  }
  if (options.paletteSize && static_cast<std::size_t>(*options.paletteSize) > FormatValues(format)) {
    return refuse("--palette-size " + std::to_string(*options.paletteSize) + " is more than the " +
                  std::to_string(FormatValues(format)) + " values of " + std::string(format.caption));
  }
  if (layout != nullptr && options.palettes && *options.palettes > layout->PaletteCount()) {
    return refuse("the " + std::string(layout->name) + " map layout numbers " +
                  std::to_string(layout->PaletteCount()) +
                  (layout->PaletteCount() == 1 ? " palette" : " palettes") + ", not " +
                  std::to_string(*options.palettes));
  }
  if (!values.palette.empty() && (options.colourZero || options.order))
    return refuse("--colour-zero and --palette-order order packed palettes, not those of --palette");
  return Status::Success();
}

std::string ColourHelp(ValueUse use) {
  if (use == ValueUse::Untile) {
    return "\nColour art (--values colour --palette FILE): every tile is drawn in the sub-palette\n"
           "its map entry numbers (the palette bits, the gbc attribute map, the nes attribute\n"
           "table --attr): sub-palette P is entries P*K to P*K+K-1 of FILE.\n"
           "  --palette-size K    entries a sub-palette (default 2^bpp: SNES 4bpp 16, GBC 4)\n";
  }
  return "\nColour art (--values colour): every tile's colours are packed into at most N\n"
         "sub-palettes of K entries; each tile stores the indices of its colours in its\n"
         "sub-palette, and its map entry the palette number (snes, genesis, the gbc\n"
         "attribute map; nes: the attribute table --attr-out, 2 bits a 16 by 16 area, 64\n"
         "bytes a 32 by 30 tile screen, and each 16 by 16 area holds to one palette).\n"
         "Transparent pixels take entry 0, which every sub-palette then keeps for them.\n"
         "  --palettes N        at most N sub-palettes (default: as many as the map layout\n"
         "                      numbers: snes and gbc 8, genesis and nes 4, gb 1; 8 without\n"
         "                      a map)\n"
         "  --palette-size K    entries a sub-palette (default 2^bpp: SNES 4bpp 16, GBC 4)\n"
         "  --colour-zero C     the colour #RRGGBB is entry 0 of every sub-palette\n"
         "  --palette-order O   the other entries lightest first (luminance, the default) or\n"
         "                      in the order they first appear in the picture (picture)\n"
         "  --palette FILE      fixed sub-palettes instead: FILE cut into palettes of K; each\n"
         "                      tile takes the first holding all its colours (with --nearest,\n"
         "                      the one of least error)\n"
         "  --palette-out FILE  write the sub-palettes one after another, K entries each\n"
         "                      (--palette-out-format bgr555 for SNES CGRAM, genesis for CRAM)\n"
         "  --palette-map-out FILE  one byte a tile, its palette number, in the order TILES\n"
         "                      takes the tiles (for sprites without a map)\n";
}

std::size_t PaletteSize(const ColourOptions& options, const formats::FormatInfo& format) {
  return options.paletteSize ? static_cast<std::size_t>(*options.paletteSize) : FormatValues(format);
}

std::size_t PaletteLimit(const ColourOptions& options, const tiles::MapLayout* layout) {
  if (options.palettes) return static_cast<std::size_t>(*options.palettes);
  return layout != nullptr ? layout->PaletteCount() : 8;
}

Result<ColourTiles> ColourValues(const ValueOptions& values, const ColourOptions& options,
                                 const formats::FormatInfo& format, const imageio::PictureFile& picture,
                                 const std::string& inputName, const convert::Selection& selection,
                                 const tiles::MapLayout* layout, std::ostream& notes) {
  using R = Result<ColourTiles>;
  auto transparent = TransparentPixels(values, picture, selection);
  if (!transparent) return R::Failure(inputName + ": " + transparent.Error());
  const bool areas = layout != nullptr && layout->attributeTable;
  const palette::ColourArt art{picture.pixels, selection, transparent.Value(),
                               areas ? tiles::kNesAreaSide : tiles::kTileSide};
  const std::size_t size = PaletteSize(options, format);
  const std::size_t limit = PaletteLimit(options, layout);
  Result<palette::AreaPalettes> chosen = palette::AreaPalettes{};
  if (values.palette.empty()) {
    chosen = palette::PackAreaPalettes(
        art, {size, limit, options.colourZero, options.order.value_or(palette::PaletteOrder::Luminance)});
    if (!chosen) return R::Failure(inputName + ": " + chosen.Error());
  } else {
    auto loaded = ReadPaletteInput(values.palette, values.Kind());
    if (!loaded) return R::Failure(loaded.Error());
    std::vector<palette::Palette> fixed = palette::CutPalettes(loaded.Value(), size);
    if (fixed.size() > limit) fixed.resize(limit);
    std::int64_t inexact = 0;
    chosen = palette::MatchAreaPalettes(art, fixed, values.nearest, &inexact);
    if (!chosen) {
      return R::Failure(inputName + ": " + chosen.Error() + " (" + std::to_string(fixed.size()) +
                        (fixed.size() == 1 ? " palette of " : " palettes of ") + std::to_string(size) +
                        " from " + InputName(values.palette) + ")");
    }
    if (inexact > 0) {
      notes << "glyphon: " << inputName << ": " << inexact << (inexact == 1 ? " pixel was" : " pixels were")
            << " not in its tile's palette and took the nearest colour\n";
    }
  }
  palette::AreaPalettes& found = chosen.Value();
  ColourTiles out;
  const int across = selection.width / tiles::kTileSide, down = selection.height / tiles::kTileSide;
  out.paletteOfTile.reserve(static_cast<std::size_t>(across) * static_cast<std::size_t>(down));
  for (int row = 0; row < down; ++row) {
    for (int column = 0; column < across; ++column)
      out.paletteOfTile.push_back(found.PaletteOfTile(column, row, art.areaSide));
  }
  if (areas)
    out.attributeTable = tiles::WriteNesAttributes(found.paletteOfArea, found.areasAcross, found.areasDown);
  out.values = std::move(found.values);
  out.palettes = std::move(found.palettes);
  return out;
}

}  // namespace glyphon::cli
