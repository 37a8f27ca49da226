// SPDX-License-Identifier: MIT
#include "workspace/drawing.h"

#include <cstdint>
#include <vector>

namespace glyphon::workspace {

namespace {

// Source index of each target index: the pixel under the target pixel's centre.
std::vector<int> NearestMap(int targetSize, int sourceSize) {
  std::vector<int> map(static_cast<std::size_t>(targetSize));
  for (int t = 0; t < targetSize; ++t) {
    map[static_cast<std::size_t>(t)] =
        static_cast<int>((std::int64_t{2} * t + 1) * sourceSize / (std::int64_t{2} * targetSize));
  }
  return map;
}

}  // namespace

void StretchDraw(const platform::Surface& source, platform::Surface& target) {
  if (source.IsEmpty()) {
    target.ClearPicture();
    return;
  }
  const std::vector<int> columns = NearestMap(target.Width(), source.Width());
  const std::vector<int> rows = NearestMap(target.Height(), source.Height());
  for (int y = 0; y < target.Height(); ++y) {
    const auto from = source.Row(rows[static_cast<std::size_t>(y)]);
    auto to = target.Row(y);
    for (std::size_t x = 0; x < to.size(); ++x) to[x] = from[static_cast<std::size_t>(columns[x])];
  }
  target.SetHasPicture(true);
}

void DrawSwatches(const formats::FormatInfo& format, platform::Surface& strip) {
  const int height = strip.Height();
  switch (format.swatches) {
    case formats::SwatchRule::BlackWhite:
      strip.FillRect(0, 0, 128, height, kBlack);
      strip.FillRect(128, 0, 128, height, kWhite);
      break;
    case formats::SwatchRule::GreySteps: {
      const int entries = 1 << format.bitsPerPixel;
      const int step = 256 / entries;
      for (int i = 0; i < entries; ++i)
        strip.FillRect(i * step, 0, step, height, GreyColor((i + 1) * step - 1));
      break;
    }
    case formats::SwatchRule::ColourRamps:
      // Ramp k: black, blue, green, cyan, red, magenta, yellow, grey; column i at level 8i.
      for (int k = 0; k < 8; ++k) {
        for (int i = 0; i < 32; ++i) {
          const int level = 8 * i;
          const RgbColor colour =
              Rgb((k & 4) != 0 ? level : 0, (k & 2) != 0 ? level : 0, (k & 1) != 0 ? level : 0);
          strip.FillRect(32 * k + i, 0, 1, height, colour);
        }
      }
      break;
  }
}

}  // namespace glyphon::workspace
