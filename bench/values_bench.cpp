// SPDX-License-Identifier: MIT
// Values on a 2048 by 2048 sheet: every format with values encoded from its values
// (PictureOfValues, then the unchanged encoder) next to the plain encode of the same
// picture, and the palette look-ups that turn colours into values and back.
#include <random>
#include <string>

#include "bench_support.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "formats/values.h"
#include "palette/palette_match.h"

namespace glyphon::bench {
namespace {

const convert::Selection kWhole{0, 0, kSide, kSide};

// The sheet as the format sees it: its values, and the picture that encodes to them (what
// a plain encode of a grey picture reads).
struct Sheet {
  convert::ValuePlane values;
  platform::Surface picture;
};

Sheet SheetFor(const formats::FormatInfo& format) {
  Sheet sheet{formats::ValuesOf(format, RandomSheet(), kWhole), {}};
  sheet.picture = formats::PictureOfValues(format, sheet.values);
  return sheet;
}

void PlainEncode(benchmark::State& state, const formats::FormatInfo* format) {
  platform::NullProgress progress;
  const Sheet sheet = SheetFor(*format);
  for (auto _ : state) {
    convert::PartnerState partner;
    ByteString out = formats::Encode(*format, sheet.picture, kWhole, partner, progress).Value();
    benchmark::DoNotOptimize(out.data());
  }
}

void ValuesEncode(benchmark::State& state, const formats::FormatInfo* format) {
  platform::NullProgress progress;
  const Sheet sheet = SheetFor(*format);
  for (auto _ : state) {
    convert::PartnerState partner;
    const platform::Surface picture = formats::PictureOfValues(*format, sheet.values);
    ByteString out = formats::Encode(*format, picture, kWhole, partner, progress).Value();
    benchmark::DoNotOptimize(out.data());
  }
}

void ValuesOf(benchmark::State& state, const formats::FormatInfo* format) {
  for (auto _ : state) {
    convert::ValuePlane values = formats::ValuesOf(*format, RandomSheet(), kWhole);
    benchmark::DoNotOptimize(values.values.data());
  }
}

// A 16-colour sheet in runs of random length, as drawn pictures are, matched exactly.
void ExactValues(benchmark::State& state) {
  palette::Palette palette;
  for (int i = 0; i < 16; ++i) palette.colours.push_back(Rgb(16 * i, 255 - 16 * i, 7 * i));
  platform::Surface sheet(kSide, kSide);
  std::mt19937 random(1);
  RgbColor colour = palette.colours[0];
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      if (random() % 6 == 0) colour = palette.colours[random() % 16];
      sheet.SetPixel(x, y, colour);
    }
  }
  for (auto _ : state) {
    Result<convert::ValuePlane> values = palette::ExactValues(palette, sheet, kWhole);
    benchmark::DoNotOptimize(values.Value().values.data());
  }
}

void RegisterAll() {
  Measured(benchmark::RegisterBenchmark("ReferencePass", ReferencePass));
  for (const formats::FormatInfo& format : formats::Formats()) {
    if (!format.HasValues()) continue;
    const std::string name = formats::CliName(format);
    Measured(benchmark::RegisterBenchmark(("PlainEncode/" + name).c_str(), PlainEncode, &format));
    Measured(benchmark::RegisterBenchmark(("ValuesEncode/" + name).c_str(), ValuesEncode, &format));
    Measured(benchmark::RegisterBenchmark(("ValuesOf/" + name).c_str(), ValuesOf, &format));
  }
  Measured(benchmark::RegisterBenchmark("ExactValues/16-colours", ExactValues));
}

}  // namespace
}  // namespace glyphon::bench

int main(int argc, char** argv) {
  glyphon::bench::RandomSheet();
  glyphon::bench::RegisterAll();
  return glyphon::bench::RunWithRatios(argc, argv);
}
