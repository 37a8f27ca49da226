// SPDX-License-Identifier: MIT
// The compression schemes: each encoder on 64 KiB of tile data (the optimal parse, and the
// greedy and lazy ones for the LZ schemes), each decoder on the result, and a scan of a
// 32 MiB ROM. `compression_bench --sizes` prints instead the table of block sizes by parse
// over the corpus of bench/README.md.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>

#include "bench_support.h"
#include "compression/compression.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "imageio/picture_file.h"

namespace glyphon::bench {
namespace {

using compression::Parse;

// The sample picture in a console format, tiled until it fills `size` bytes, each copy
// shifted by a pixel so that the copies are not one long repeat.
ByteString SampleTiles(const char* format, std::size_t size) {
  const auto picture = imageio::ReadPicture(GLYPHON_SAMPLE_PICTURE);
  if (!picture) return {};
  const formats::FormatInfo* info = formats::FindFormat(format);
  if (info == nullptr) std::abort();
  ByteString out;
  platform::NullProgress progress;
  for (int shift = 0; out.size() < size; shift = (shift + 1) % 8) {
    convert::PartnerState partner;
    const auto& p = picture.Value();
    const ByteString part =
        formats::Encode(*info, p, {shift, 0, (p.Width() - 8) / 8 * 8, p.Height()}, partner, progress).Value();
    out.insert(out.end(), part.begin(), part.end());
  }
  out.resize(size);
  return out;
}

// A font: 8 by 8 glyphs of one-pixel strokes, 4 bits a pixel, colour 1 on 0.
ByteString Font(std::size_t size) {
  std::mt19937 random(7);
  ByteString out;
  while (out.size() < size) {
    std::uint8_t rows[8] = {};
    for (int stroke = 0; stroke < 3; ++stroke) {
      const int kind = static_cast<int>(random() % 3), at = static_cast<int>(random() % 7);
      for (int k = 1; k < 7; ++k) {
        if (kind == 0) rows[at] |= static_cast<std::uint8_t>(1 << k);
        if (kind == 1) rows[k] |= static_cast<std::uint8_t>(1 << at);
        if (kind == 2) rows[k] |= static_cast<std::uint8_t>(1 << k);
      }
    }
    for (std::uint8_t row : rows) {
      for (int x = 0; x < 8; x += 2)
        out.push_back(static_cast<std::uint8_t>((row >> x & 1) | (row >> (x + 1) & 1) << 4));
    }
  }
  out.resize(size);
  return out;
}

// A background: 64 different tiles repeated in runs, some flipped (here: rows reversed),
// with a gradient of 16 colours.
ByteString Background(std::size_t size) {
  std::mt19937 random(8);
  std::vector<ByteString> tiles(64, ByteString(32));
  for (std::size_t t = 0; t < tiles.size(); ++t) {
    for (std::size_t i = 0; i < 32; ++i) {
      const unsigned level = static_cast<unsigned>((i / 4 + t) % 16);
      tiles[t][i] = static_cast<std::uint8_t>(random() % 5 == 0 ? random() : (level | level << 4));
    }
  }
  ByteString out;
  while (out.size() < size) {
    const ByteString& tile = tiles[random() % tiles.size()];
    const std::size_t run = 1 + random() % 4;
    for (std::size_t r = 0; r < run; ++r) {
      if (random() % 4 == 0) {
        for (int row = 7; row >= 0; --row)
          out.insert(out.end(), tile.begin() + row * 4, tile.begin() + row * 4 + 4);
      } else {
        out.insert(out.end(), tile.begin(), tile.end());
      }
    }
  }
  out.resize(size);
  return out;
}

ByteString Random(std::size_t size) {
  std::mt19937 random(9);
  ByteString out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(random());
  return out;
}

struct Sample {
  const char* name;
  ByteString bytes;
};

const std::vector<Sample>& Corpus() {
  static const std::vector<Sample> corpus = {
      {"sprite 4bpp GBA", SampleTiles("4bpp-gba", 16384)},
      {"sprite 2bpp GB", SampleTiles("2bpp-gb", 8192)},
      {"sprite 8bpp GBA", SampleTiles("8bpp-gba", 32768)},
      {"font 4bpp", Font(8192)},
      {"background 4bpp", Background(16384)},
      {"random", Random(4096)},
  };
  return corpus;
}

const ByteString& Data64k() {
  static const ByteString data = [] {
    ByteString out = SampleTiles("4bpp-gba", 32768);
    const ByteString b = Background(32768);
    out.insert(out.end(), b.begin(), b.end());
    return out;
  }();
  return data;
}

void Encode(benchmark::State& state, const compression::Scheme* scheme, Parse parse) {
  const ByteString& data = Data64k();
  std::size_t size = 0;
  for (auto _ : state) {
    auto block = scheme->encode(data, {.parse = parse});
    size = block.Value().size();
    benchmark::DoNotOptimize(size);
  }
  state.counters["bytes"] = static_cast<double>(size);
}

void Decode(benchmark::State& state, const compression::Scheme* scheme) {
  const ByteString block = scheme->encode(Data64k(), {}).Value();
  for (auto _ : state) benchmark::DoNotOptimize(scheme->decode(block, {}).Value().bytes.data());
}

// 32 MiB of random bytes with a 64 KiB block every 2 MiB.
void Scan(benchmark::State& state, const compression::Scheme* scheme) {
  ByteString rom = Random(std::size_t{32} << 20);
  const ByteString block = scheme->encode(Data64k(), {}).Value();
  for (std::size_t at = 0; at + block.size() < rom.size(); at += std::size_t{2} << 20)
    std::copy(block.begin(), block.end(), rom.begin() + static_cast<std::ptrdiff_t>(at));
  std::size_t found = 0;
  for (auto _ : state) {
    found = 0;
    compression::ScanBlocks(rom, *scheme, 1024, 1, [&found](const compression::FoundBlock&) { ++found; });
  }
  state.counters["found"] = static_cast<double>(found);
}

int PrintSizes() {
  std::cout << "| data | bytes | scheme | optimal | greedy | lazy | optimal vs greedy |\n"
               "|---|---:|---|---:|---:|---:|---:|\n";
  int larger = 0;
  for (const Sample& sample : Corpus()) {
    for (const compression::Scheme& scheme : compression::Schemes()) {
      std::size_t sizes[3];
      for (Parse parse : {Parse::Optimal, Parse::Greedy, Parse::Lazy})
        sizes[static_cast<int>(parse)] = scheme.encode(sample.bytes, {.parse = parse}).Value().size();
      if (sizes[0] > sizes[1] || sizes[0] > sizes[2]) ++larger;
      char saving[32];
      std::snprintf(saving, sizeof saving, "%+.1f%%",
                    100.0 * (static_cast<double>(sizes[0]) - static_cast<double>(sizes[1])) /
                        static_cast<double>(sizes[1]));
      std::cout << "| " << sample.name << " | " << sample.bytes.size() << " | " << scheme.name << " | "
                << sizes[0] << " | " << sizes[1] << " | " << sizes[2] << " | " << saving << " |\n";
    }
  }
  if (larger > 0) std::cout << "optimal parse larger in " << larger << " rows\n";
  return larger == 0 ? 0 : 1;
}

void Register() {
  for (const compression::Scheme& scheme : compression::Schemes()) {
    const std::string name(scheme.name);
    Measured(benchmark::RegisterBenchmark(("Encode64k/" + name).c_str(), Encode, &scheme, Parse::Optimal));
    if (name != "gba-rle" && name != "gba-huffman") {
      Measured(
          benchmark::RegisterBenchmark(("Encode64kGreedy/" + name).c_str(), Encode, &scheme, Parse::Greedy));
    }
    Measured(benchmark::RegisterBenchmark(("Decode64k/" + name).c_str(), Decode, &scheme));
    Measured(benchmark::RegisterBenchmark(("Scan32M/" + name).c_str(), Scan, &scheme));
  }
}

}  // namespace
}  // namespace glyphon::bench

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--sizes") == 0) return glyphon::bench::PrintSizes();
  }
  glyphon::bench::Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
