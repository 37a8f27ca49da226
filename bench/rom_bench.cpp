// SPDX-License-Identifier: MIT
// Finding a picture's bytes and its tiles' bytes in a 64 MiB ROM: the search over a ROM in
// memory, and the whole `glyphon locate` path over a file (read in chunks from the page
// cache).
#include <random>

#include "bench_support.h"
#include "platform/file_io.h"
#include "rom/locate.h"

namespace glyphon::bench {
namespace {

constexpr std::size_t kRomSize = std::size_t{64} << 20;

// A ROM of random bytes, or of zeros (a plain stretch: the worst case for a hash filter,
// every window alike).
const ByteString& Rom(bool zeros) {
  static const ByteString random = [] {
    std::mt19937_64 generator(1);
    ByteString bytes(kRomSize);
    for (std::size_t i = 0; i < kRomSize; i += 8) {
      const std::uint64_t word = generator();
      for (int b = 0; b < 8; ++b)
        bytes[i + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(word >> (8 * b));
    }
    return bytes;
  }();
  static const ByteString plain(kRomSize, 0);
  return zeros ? plain : random;
}

// `count` windows of `length` bytes cut from the random ROM at random places, so each
// occurs at least once.
std::vector<ByteString> Patterns(std::size_t count, std::size_t length) {
  std::mt19937_64 generator(2);
  std::vector<ByteString> patterns;
  const ByteString& rom = Rom(false);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = generator() % (kRomSize - length);
    patterns.emplace_back(rom.begin() + static_cast<std::ptrdiff_t>(at),
                          rom.begin() + static_cast<std::ptrdiff_t>(at + length));
  }
  return patterns;
}

// Arguments: the number of patterns, their length, and 1 for the ROM of zeros.
void Search(benchmark::State& state) {
  const rom::PatternSearch search(
      Patterns(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1))));
  const ByteString& rom = Rom(state.range(2) != 0);
  for (auto _ : state) {
    std::uint64_t hits = 0;
    search.Scan(rom, 0, [&hits](std::span<const std::size_t>, std::uint64_t) { return ++hits != 0; });
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRomSize));
}

void SearchFile(benchmark::State& state) {
  const std::string name = "/tmp/glyphon-rom-bench.bin";
  if (!platform::WriteFileAtomic(name, Rom(false)).Ok()) {
    state.SkipWithError("cannot write the ROM file");
    return;
  }
  const rom::PatternSearch search(
      Patterns(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1))));
  for (auto _ : state) {
    auto file = platform::RangeFile::Open(name);
    std::uint64_t hits = 0;
    const Status searched = rom::FindInFile(
        file.Value(), search, [&hits](std::span<const std::size_t>, std::uint64_t) { return ++hits != 0; });
    benchmark::DoNotOptimize(searched.Ok());
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kRomSize));
  std::remove(name.c_str());
}

// A 64 by 64 sprite in 4 bits a pixel (2 KiB); 1024 tiles of 32 bytes (a 256 by 256 sheet
// in 4 bits); 256 tiles of 256 bytes (32 bits a pixel); 1024 tiles of 8 bytes (1 bit).
BENCHMARK(Search)->Apply([](benchmark::internal::Benchmark* b) {
  Measured(b)->ArgNames({"patterns", "bytes", "zeros"});
  b->Args({1, 2048, 0})->Args({1024, 32, 0})->Args({256, 256, 0})->Args({1024, 8, 0})->Args({1024, 32, 1});
});
BENCHMARK(SearchFile)->Apply([](benchmark::internal::Benchmark* b) {
  Measured(b)->ArgNames({"patterns", "bytes"})->Args({1, 2048})->Args({1024, 32});
});

}  // namespace
}  // namespace glyphon::bench

BENCHMARK_MAIN();
