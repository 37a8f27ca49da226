// SPDX-License-Identifier: MIT
// Packing tiles' colour sets into sub-palettes: the time of PackColourSets and of plain
// first-fit decreasing on 4,096 random sets and on backgrounds drawn from known palettes. `pagination_bench
// --counts` prints instead the table of palette counts of bench/README.md: known sub-palettes, generated
// worst cases and random sets.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <random>
#include <string>

#include "bench_support.h"
#include "palette/pagination.h"

namespace glyphon::bench {
namespace {

using palette::ColourSet;

int Below(std::mt19937& random, int bound) {
  return static_cast<int>(random() % static_cast<unsigned>(bound));
}

// A colour at 5 bits a component, as the consoles store them.
RgbColor ConsoleColour(std::mt19937& random) {
  return Rgb(Below(random, 32) * 8, Below(random, 32) * 8, Below(random, 32) * 8);
}

ColourSet Sorted(ColourSet set) {
  std::sort(set.begin(), set.end());
  set.erase(std::unique(set.begin(), set.end()), set.end());
  return set;
}

// `count` colours drawn without repeats from `pool`.
ColourSet Draw(std::mt19937& random, ColourSet pool, std::size_t count) {
  std::shuffle(pool.begin(), pool.end(), random);
  pool.resize(count);
  return Sorted(pool);
}

// `count` distinct colours, none in `avoid`.
ColourSet FreshColours(std::mt19937& random, std::size_t count, ColourSet& avoid) {
  ColourSet out;
  while (out.size() < count) {
    const RgbColor colour = ConsoleColour(random);
    if (std::find(avoid.begin(), avoid.end(), colour) != avoid.end()) continue;
    avoid.push_back(colour);
    out.push_back(colour);
  }
  return out;
}

struct Case {
  std::string name;
  std::vector<ColourSet> sets;
  std::size_t size;
  std::size_t known;  // a packing of this many palettes exists (0: not known)
};

// Art drawn from `palettes` sub-palettes of `size` colours: each tile takes one at random
// and uses 1 to `most` of its colours. `shared` colours (a backdrop, a black outline) are
// in every palette; `pool` > 0 draws the palettes' other colours from that many colours,
// so that palettes share ramps as in drawn art.
Case KnownPalettes(std::string name, unsigned seed, std::size_t palettes, std::size_t size, std::size_t tiles,
                   std::size_t most, std::size_t shared, std::size_t pool = 0) {
  std::mt19937 random(seed);
  ColourSet used;
  const ColourSet common = FreshColours(random, shared, used);
  const ColourSet poolColours = FreshColours(random, pool, used);
  std::vector<ColourSet> subPalettes;
  for (std::size_t p = 0; p < palettes; ++p) {
    ColourSet colours =
        pool > 0 ? Draw(random, poolColours, size - shared) : FreshColours(random, size - shared, used);
    colours.insert(colours.end(), common.begin(), common.end());
    subPalettes.push_back(Sorted(colours));
  }
  Case out{std::move(name), {}, size, palettes};
  for (std::size_t t = 0; t < tiles; ++t) {
    const ColourSet& from = subPalettes[static_cast<std::size_t>(Below(random, static_cast<int>(palettes)))];
    out.sets.push_back(
        Draw(random, from, 1 + static_cast<std::size_t>(Below(random, static_cast<int>(most)))));
  }
  return out;
}

// Plain bin packing in disguise: `groups` palettes' worth of colours, each cut into three
// disjoint sets whose sizes add up to the palette size (7+5+4, 6+6+4, 6+5+5, ...); with
// `backdrop`, one more colour in every set and in every palette. A packing of `groups`
// palettes exists; first-fit decreasing pairs the large sets badly.
Case Triplets(std::string name, unsigned seed, std::size_t groups, std::size_t size, bool backdrop) {
  std::mt19937 random(seed);
  ColourSet used;
  const ColourSet common = FreshColours(random, backdrop ? 1 : 0, used);
  const std::size_t room = size - common.size();
  Case out{std::move(name), {}, size, groups};
  for (std::size_t g = 0; g < groups; ++g) {
    const std::size_t a = room / 3 + static_cast<std::size_t>(Below(random, static_cast<int>(room / 6) + 1));
    const std::size_t b = (room - a) / 2 + static_cast<std::size_t>(Below(random, 2));
    for (std::size_t part : {a, b, room - a - b}) {
      ColourSet set = FreshColours(random, part, used);
      set.insert(set.end(), common.begin(), common.end());
      out.sets.push_back(Sorted(set));
    }
  }
  std::shuffle(out.sets.begin(), out.sets.end(), random);
  return out;
}

// Sets of `least` to `most` colours drawn at random from `colours` colours.
Case RandomSets(std::string name, unsigned seed, std::size_t count, std::size_t colours, std::size_t least,
                std::size_t most, std::size_t size) {
  std::mt19937 random(seed);
  ColourSet used;
  const ColourSet all = FreshColours(random, colours, used);
  Case out{std::move(name), {}, size, 0};
  for (std::size_t s = 0; s < count; ++s) {
    const std::size_t n = least + static_cast<std::size_t>(Below(random, static_cast<int>(most - least + 1)));
    out.sets.push_back(Draw(random, all, n));
  }
  return out;
}

std::vector<Case> Corpus() {
  return {
      KnownPalettes("SNES bg, 8 of 16, tiles of 1-16 colours", 1, 8, 16, 1024, 16, 1),
      KnownPalettes("SNES bg, 8 of 16, tiles of 1-6 colours", 2, 8, 16, 1024, 6, 1),
      KnownPalettes("SNES bg, 8 of 16 from 40 shared colours", 3, 8, 16, 1024, 10, 1, 40),
      KnownPalettes("SNES bg, 8 of 16 from 24 shared colours, tiles of 1-8", 18, 8, 16, 1024, 8, 1, 24),
      KnownPalettes("SNES bg, 8 of 16 from 20 shared colours, tiles of 1-8", 21, 8, 16, 1024, 8, 1, 20),
      KnownPalettes("GBA bg, 16 of 16 from 32 shared colours, tiles of 1-8", 22, 16, 16, 2048, 8, 1, 32),
      KnownPalettes("SNES sprites, 8 of 16, 6 shared (outline, skin)", 19, 8, 16, 256, 12, 6),
      KnownPalettes("GBC bg, 8 of 4, 20x18 tiles", 4, 8, 4, 360, 4, 0),
      KnownPalettes("GBC sprites, 8 of 4 sharing white", 5, 8, 4, 128, 4, 1),
      KnownPalettes("GBC bg, 8 of 4 from 12 shared colours", 6, 8, 4, 360, 4, 0, 12),
      KnownPalettes("GBC bg, 8 of 4 from 8 shared colours, tiles of 1-3", 20, 8, 4, 360, 3, 0, 8),
      KnownPalettes("NES bg, 4 of 4 with backdrop", 7, 4, 4, 960, 4, 1),
      KnownPalettes("Genesis, 4 of 16, 40x28 tiles", 8, 4, 16, 1120, 15, 1),
      KnownPalettes("GBA, 16 of 16, 4096 tiles", 9, 16, 16, 4096, 16, 1),
      KnownPalettes("small: 4 of 8, 24 tiles of 3-8", 10, 4, 8, 24, 8, 0),
      Triplets("worst: 12 triplets, size 16", 11, 12, 16, false),
      Triplets("worst: 12 triplets + backdrop, size 16", 12, 12, 16, true),
      Triplets("worst: 60 triplets, size 16", 13, 60, 16, false),
      Triplets("worst: 10 triplets, size 10", 14, 10, 10, false),
      RandomSets("random: 4096 sets of 1-16 of 256, size 16", 15, 4096, 256, 1, 16, 16),
      RandomSets("random: 512 sets of 2-6 of 64, size 16", 16, 512, 64, 2, 6, 16),
      RandomSets("random: 40 sets of 2-4 of 16, size 4", 17, 40, 16, 2, 4, 4),
  };
}

int PrintCounts() {
  std::cout << "| instance | sets | colours | known | lower bound | FFD | packer | packer ms |\n"
               "|---|---:|---:|---:|---:|---:|---:|---:|\n";
  int worse = 0;
  for (const Case& instance : Corpus()) {
    ColourSet all;
    for (const ColourSet& set : instance.sets) all.insert(all.end(), set.begin(), set.end());
    const std::size_t colours = Sorted(all).size();
    const std::size_t ffd = palette::PackFirstFitDecreasing(instance.sets, instance.size).palettes.size();
    const auto start = std::chrono::steady_clock::now();
    const std::size_t ours = palette::PackColourSets(instance.sets, instance.size).palettes.size();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const std::size_t lower = palette::PalettesNeededAtLeast(instance.sets, instance.size);
    if (ours > ffd || (instance.known > 0 && ours > instance.known)) ++worse;
    std::cout << "| " << instance.name << " | " << instance.sets.size() << " | " << colours << " | "
              << (instance.known > 0 ? std::to_string(instance.known) : "") << " | " << lower << " | " << ffd
              << " | " << ours << " | " << static_cast<long long>(ms + 0.5) << " |\n";
  }
  if (worse > 0) std::cout << worse << " rows above first-fit decreasing or the known count\n";
  return worse == 0 ? 0 : 1;
}

void Pack(benchmark::State& state, Case instance) {
  std::size_t palettes = 0;
  for (auto _ : state) palettes = palette::PackColourSets(instance.sets, instance.size).palettes.size();
  state.counters["palettes"] = static_cast<double>(palettes);
}

void FirstFit(benchmark::State& state, Case instance) {
  std::size_t palettes = 0;
  for (auto _ : state)
    palettes = palette::PackFirstFitDecreasing(instance.sets, instance.size).palettes.size();
  state.counters["palettes"] = static_cast<double>(palettes);
}

void Register() {
  const Case random = RandomSets("random4096", 15, 4096, 256, 1, 16, 16);
  const Case snes = KnownPalettes("snes", 1, 8, 16, 1024, 16, 1);
  const Case sparse = KnownPalettes("snes-sparse", 2, 8, 16, 1024, 6, 1);
  const Case gba = KnownPalettes("gba", 9, 16, 16, 4096, 16, 1);
  Measured(benchmark::RegisterBenchmark("Pack/random-4096", Pack, random));
  Measured(benchmark::RegisterBenchmark("FirstFit/random-4096", FirstFit, random));
  Measured(benchmark::RegisterBenchmark("Pack/snes-8x16-1024", Pack, snes));
  Measured(benchmark::RegisterBenchmark("FirstFit/snes-8x16-1024", FirstFit, snes));
  Measured(benchmark::RegisterBenchmark("Pack/snes-8x16-1024-few-colours", Pack, sparse));
  Measured(benchmark::RegisterBenchmark("FirstFit/snes-8x16-1024-few-colours", FirstFit, sparse));
  Measured(benchmark::RegisterBenchmark("Pack/gba-16x16-4096", Pack, gba));
}

}  // namespace
}  // namespace glyphon::bench

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--counts") == 0) return glyphon::bench::PrintCounts();
  }
  glyphon::bench::Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
