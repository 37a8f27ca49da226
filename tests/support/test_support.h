// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/progress.h"
#include "core/surface.h"
#include "core/types.h"

namespace glyphon::test {

// Records every percentage it is given.
class RecordingProgress final : public platform::ProgressSink {
 public:
  void Report(int percent) override { reports.push_back(percent); }
  std::vector<int> reports;
};

// A fresh folder under the system's temporary folder, removed at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::random_device random;
    m_path = std::filesystem::temp_directory_path() / ("glyphon-test-" + std::to_string(random()));
    std::filesystem::create_directories(m_path);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return m_path; }
  std::string File(const std::string& name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

inline ByteString Bytes(std::initializer_list<int> values) {
  ByteString out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

// A picture filled with `fill`, holding a loaded picture.
inline platform::Surface Filled(int width, int height, RgbColor fill) {
  return platform::Surface::Picture(width, height, fill);
}

// A picture of random colours, reproducible from its seed.
inline platform::Surface RandomPicture(int width, int height, std::uint32_t seed) {
  std::mt19937 random(seed);
  platform::Surface picture = platform::Surface::Picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture.SetPixel(x, y, static_cast<RgbColor>(random() & 0xFFFFFF));
  }
  return picture;
}

inline ByteString RandomBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  ByteString out(count);
  for (auto& b : out) b = static_cast<std::uint8_t>(random());
  return out;
}

}  // namespace glyphon::test
