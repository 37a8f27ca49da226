// SPDX-License-Identifier: MIT
// Tile maps read from any bytes in any layout and drawn from a tile set of any bytes; and
// any plane of values cut into a tile set that draws it back.
#include <cstdlib>

#include "fuzz_input.h"
#include "tiles/map_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace glyphon;
  fuzz::Input input(data, size);
  const auto layouts = tiles::MapLayouts();
  const tiles::MapLayout& layout =
      layouts[static_cast<std::size_t>(input.Take(static_cast<int>(layouts.size())))];
  const int widthTiles = input.Take(40);
  const int baseTile = input.Take(600) - 40;
  const auto dedupe = static_cast<tiles::Dedupe>(input.Take(3));

  // A tile set of up to 40 tiles, then a map and, in half the runs, an attribute map.
  const auto tileBytes = input.TakeBytes(64 * static_cast<std::size_t>(input.Take(41)));
  convert::ValuePlane column(8, static_cast<int>(tileBytes.size() / 64) * 8);
  std::copy(tileBytes.begin(), tileBytes.begin() + static_cast<std::ptrdiff_t>(column.values.size()),
            column.values.begin());
  const auto map = input.TakeBytes(static_cast<std::size_t>(input.Take(512)));
  const auto attributes = input.Take(2) == 1 ? input.TakeBytes(map.size()) : std::span<const std::uint8_t>();
  const Result<std::vector<tiles::Tile>> tileSet =
      column.height > 0 ? tiles::CutTiles(column)
                        : Result<std::vector<tiles::Tile>>(std::vector<tiles::Tile>());
  if (!tileSet.Ok()) std::abort();
  Result<std::vector<tiles::MapEntry>> entries = tiles::ReadMap(layout, map, attributes, baseTile);
  if (entries.Ok()) {
    const Result<convert::ValuePlane> drawn = tiles::Rebuild(tileSet.Value(), {widthTiles, entries.Value()});
    // What reads back writes back the same, when the entries fit the layout.
    const Result<tiles::MapBytes> written = tiles::WriteMap(layout, entries.Value(), baseTile);
    if (written.Ok() && written.Value().map != ByteString(map.begin(), map.end())) std::abort();
    (void)drawn;
  }

  // The rest as a plane of values a whole number of tiles wide and high.
  const auto rest = input.Rest();
  const int columns = 1 + (widthTiles % 4);
  const int rows = static_cast<int>(rest.size() / (64 * static_cast<std::size_t>(columns)));
  if (rows == 0) return 0;
  convert::ValuePlane plane(8 * columns, 8 * rows);
  std::copy(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(plane.values.size()),
            plane.values.begin());
  const Result<tiles::TileSet> set = tiles::MakeTileSet(plane, dedupe);
  if (!set.Ok()) std::abort();
  const Result<convert::ValuePlane> back = tiles::Rebuild(set.Value().tiles, set.Value().map);
  if (!back.Ok() || !(back.Value() == plane)) std::abort();
  return 0;
}
