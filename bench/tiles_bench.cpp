// SPDX-License-Identifier: MIT
// Cutting a 2048 by 2048 plane of values into a tile set and a map, next to a plain encode
// of a sheet of the same size in the same run.
#include <random>
#include <string>
#include <utility>

#include "bench_support.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "tiles/tile_order.h"
#include "tiles/tile_set.h"

namespace glyphon::bench {
namespace {

// Every tile different: the most entries the index must hold.
const convert::ValuePlane& RandomPlane() {
  static const convert::ValuePlane plane = [] {
    std::mt19937 random(2048);
    convert::ValuePlane p(kSide, kSide);
    for (auto& value : p.values) value = static_cast<std::uint8_t>(random() & 0x0F);
    return p;
  }();
  return plane;
}

// A sheet as artists draw one: 256 tiles, each placed in a random orientation.
const convert::ValuePlane& RepeatedPlane() {
  static const convert::ValuePlane plane = [] {
    std::mt19937 random(19);
    std::vector<tiles::Tile> pool(256);
    for (tiles::Tile& tile : pool) {
      for (std::uint64_t& row : tile.rows)
        row = (std::uint64_t{random()} << 32 | random()) & 0x0F0F0F0F0F0F0F0Fu;
    }
    convert::ValuePlane p(kSide, kSide);
    for (int row = 0; row < kSide / tiles::kTileSide; ++row) {
      for (int column = 0; column < kSide / tiles::kTileSide; ++column) {
        const tiles::Tile& tile = pool[random() % pool.size()];
        tiles::PutTile(p, column, row, tiles::Mirror(tile, static_cast<tiles::Flip>(random() % 4)));
      }
    }
    return p;
  }();
  return plane;
}

void MakeTileSet(benchmark::State& state, const convert::ValuePlane& (*plane)(), tiles::Dedupe dedupe) {
  for (auto _ : state) {
    Result<tiles::TileSet> set = tiles::MakeTileSet(plane(), dedupe);
    benchmark::DoNotOptimize(set.Value().tiles.data());
  }
}

void PlainEncode(benchmark::State& state) {
  platform::NullProgress progress;
  const formats::FormatInfo& format = *formats::FindFormat("4bpp SNES");
  for (auto _ : state) {
    convert::PartnerState partner;
    ByteString out = formats::Encode(format, RandomSheet(), {0, 0, kSide, kSide}, partner, progress).Value();
    benchmark::DoNotOptimize(out.data());
  }
}

// An encode in another tile order as glyphon encode --order and --object run it: the plain
// encode, then its tiles' bytes moved into their stored places.
void OrderedEncode(benchmark::State& state, tiles::TileOrder order) {
  platform::NullProgress progress;
  const formats::FormatInfo& format = *formats::FindFormat("4bpp SNES");
  constexpr int kTiles = kSide / tiles::kTileSide;
  for (auto _ : state) {
    convert::PartnerState partner;
    ByteString out = formats::Encode(format, RandomSheet(), {0, 0, kSide, kSide}, partner, progress).Value();
    tiles::PutInStoredOrder(out, kTiles, kTiles, order, 32);
    benchmark::DoNotOptimize(out.data());
  }
}

// The tile move alone, on the plain encode's bytes.
void MoveOnly(benchmark::State& state, tiles::TileOrder order) {
  platform::NullProgress progress;
  convert::PartnerState partner;
  const ByteString plain = formats::Encode(*formats::FindFormat("4bpp SNES"), RandomSheet(),
                                           {0, 0, kSide, kSide}, partner, progress)
                               .Value();
  constexpr int kTiles = kSide / tiles::kTileSide;
  ByteString out = plain;
  for (auto _ : state) {
    tiles::PutInStoredOrder(out, kTiles, kTiles, order, 32);
    benchmark::DoNotOptimize(out.data());
  }
}

void RegisterAll() {
  using tiles::Dedupe;
  Measured(benchmark::RegisterBenchmark("ReferencePass", ReferencePass));
  Measured(benchmark::RegisterBenchmark("Encode/4bpp-snes", PlainEncode));
  Measured(benchmark::RegisterBenchmark("Encode/4bpp-snes/order-columns", OrderedEncode,
                                        tiles::TileOrder{tiles::Walk::Columns, 1, 1, tiles::Walk::Rows}));
  Measured(benchmark::RegisterBenchmark("Encode/4bpp-snes/object-16x16", OrderedEncode,
                                        tiles::TileOrder{tiles::Walk::Rows, 2, 2, tiles::Walk::Rows}));
  Measured(benchmark::RegisterBenchmark("Move/order-columns", MoveOnly,
                                        tiles::TileOrder{tiles::Walk::Columns, 1, 1, tiles::Walk::Rows}));
  using PlaneFn = const convert::ValuePlane& (*)();
  const std::pair<const char*, PlaneFn> planes[] = {{"random", RandomPlane}, {"repeated", RepeatedPlane}};
  for (const auto& [name, plane] : planes) {
    const std::string suffix = std::string("/") + name;
    Measured(
        benchmark::RegisterBenchmark(("TileSet/none" + suffix).c_str(), MakeTileSet, plane, Dedupe::None));
    Measured(
        benchmark::RegisterBenchmark(("TileSet/exact" + suffix).c_str(), MakeTileSet, plane, Dedupe::Exact));
    Measured(benchmark::RegisterBenchmark(("TileSet/flips" + suffix).c_str(), MakeTileSet, plane,
                                          Dedupe::WithFlips));
  }
}

}  // namespace
}  // namespace glyphon::bench

int main(int argc, char** argv) {
  glyphon::bench::RandomSheet();
  glyphon::bench::RandomPlane();
  glyphon::bench::RepeatedPlane();
  glyphon::bench::RegisterAll();
  return glyphon::bench::RunWithRatios(argc, argv);
}
