// SPDX-License-Identifier: MIT
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace glyphon::bench {

// The ROM the browser's benchmarks read: 64 MiB of random bytes (seed 42), written to the
// temporary folder once per run and removed at exit.
inline constexpr std::uint64_t kRomSize = std::uint64_t{64} << 20;

inline const std::filesystem::path& RandomRomFile() {
  static const struct Rom {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("glyphon-bench-" + std::to_string(::getpid()) + ".rom");
    Rom() {
      std::mt19937_64 random(42);
      std::vector<std::uint64_t> words(kRomSize / 8);
      for (auto& word : words) word = random();
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(kRomSize));
    }
    ~Rom() { std::filesystem::remove(path); }
  } rom;
  return rom.path;
}

}  // namespace glyphon::bench
