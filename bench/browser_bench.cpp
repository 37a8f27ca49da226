// SPDX-License-Identifier: MIT
// The ROM browser scrolling a 64 MiB ROM in a 1024 by 768 view: each step re-renders the
// screen (the file checked, the rows on screen decoded). Next to it, the format's bare
// decoder on the same bytes and the same pixel count; `xBare` is the fastest render over the
// fastest bare decode, `ms` the fastest render.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "browser/rom_browser.h"
#include "compression/compression.h"
#include "convert/progress_ticker.h"
#include "formats/format_table.h"
#include "platform/quiet_platform.h"
#include "random_rom.h"

namespace glyphon::bench {
namespace {

constexpr int kViewWidth = 1024;
constexpr int kViewHeight = 768;

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// The fastest of a few runs of the decoder alone on `bytes` into a surface of the view's size.
double BareDecodeSeconds(const formats::FormatInfo& format, std::span<const std::uint8_t> bytes,
                         platform::Surface& into) {
  double best = 1e9;
  for (int run = 0; run < 20; ++run) {
    const auto start = std::chrono::steady_clock::now();
    platform::NullProgress quiet;
    convert::ProgressTicker ticker(quiet, std::int64_t{into.Width()} * into.Height());
    format.decode(bytes, into, formats::DecodeMode::Preview, nullptr, ticker);
    benchmark::DoNotOptimize(into.Pixels().data());
    best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
  }
  return best;
}

void Scroll(benchmark::State& state, const formats::FormatInfo* format) {
  platform::QuietPlatform quiet;
  browser::RomBrowser view(quiet);
  view.Open(RandomRomFile());
  view.SetFormat(format->index);
  view.SetWidth(kViewWidth / browser::UnitPixels(*format));  // the picture fills the view's width
  view.SetZoom(1);
  view.SetViewSize(kViewWidth, kViewHeight);
  view.SetOffset(kRomSize / 2 + 3);
  const platform::Surface& first = view.Render();
  platform::Surface bare(first.Width(), first.Height());
  const browser::Layout layout = browser::LayoutOf(*format, view.Width());
  const std::uint64_t bytes =
      static_cast<std::uint64_t>(first.Height() / layout.bandHeight) * layout.bandBytes;
  std::vector<std::uint8_t> slice(bytes);
  std::ifstream(RandomRomFile(), std::ios::binary)
      .seekg(static_cast<std::streamoff>(view.Offset()))
      .read(reinterpret_cast<char*>(slice.data()), static_cast<std::streamsize>(bytes));
  const double bareSeconds = BareDecodeSeconds(*format, slice, bare);

  double best = 1e9;
  bool down = true;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    view.Press(down ? browser::Step::LineDown : browser::Step::LineUp);
    benchmark::DoNotOptimize(view.Render().Pixels().data());
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    state.SetIterationTime(seconds);
    best = std::min(best, seconds);
    down = !down;
  }
  state.counters["ms"] = best * 1e3;
  state.counters["xBare"] = best / bareSeconds;
  state.counters["Mpix"] = static_cast<double>(first.PixelCount()) / 1e6;
}

// Next block from the middle of the ROM: on random bytes the next chance block of the scheme,
// on filler (a ROM of 0xFF) the whole second half looked at and nothing found, the slowest
// a step can be. `ms` is the fastest step.
void NextBlock(benchmark::State& state, const compression::Scheme* scheme, bool filler) {
  static const std::filesystem::path fillerRom = [] {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "glyphon-browser-bench-filler.rom";
    const std::vector<char> ff(1 << 20, static_cast<char>(0xFF));
    std::ofstream out(path, std::ios::binary);
    for (std::uint64_t i = 0; i < kRomSize >> 20; ++i)
      out.write(ff.data(), static_cast<std::streamsize>(ff.size()));
    return path;
  }();
  platform::QuietPlatform quiet;
  browser::RomBrowser view(quiet);
  view.Open(filler ? fillerRom : RandomRomFile());
  view.SetCompression(scheme);
  double best = 1e9;
  std::uint64_t moved = 0;
  for (auto _ : state) {
    view.SetOffset(kRomSize / 2);
    const auto start = std::chrono::steady_clock::now();
    view.NextBlock();
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    state.SetIterationTime(seconds);
    best = std::min(best, seconds);
    moved = view.Offset() - kRomSize / 2;
  }
  state.counters["ms"] = best * 1e3;
  state.counters["moved"] = static_cast<double>(moved);
}

// A step with the strip of every format shown: the view's step (8bpp Linear, the screen
// redecoded) and the strip decoded afresh, at a picture width in pixels. `ms` is the fastest
// whole step, `stripMs` the fastest strip alone.
void StepWithStrip(benchmark::State& state) {
  const int pixelWidth = static_cast<int>(state.range(0));
  platform::QuietPlatform quiet;
  browser::RomBrowser view(quiet);
  view.Open(RandomRomFile());
  view.SetFormat(16);
  view.SetWidth(pixelWidth);
  view.SetZoom(1);
  view.SetViewSize(kViewWidth, kViewHeight);
  view.SetOffset(kRomSize / 2 + 3);
  view.SetColourSource(browser::Colours::Ramp);  // the strip takes the view's colours too
  double best = 1e9, bestStrip = 1e9;
  bool down = true;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    view.Press(down ? browser::Step::LineDown : browser::Step::LineUp);
    benchmark::DoNotOptimize(view.Render().Pixels().data());
    const auto strip = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(view.Strip().data());
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(Seconds(end - start));
    best = std::min(best, Seconds(end - start));
    bestStrip = std::min(bestStrip, Seconds(end - strip));
    down = !down;
  }
  state.counters["ms"] = best * 1e3;
  state.counters["stripMs"] = bestStrip * 1e3;
}

}  // namespace
}  // namespace glyphon::bench

int main(int argc, char** argv) {
  using namespace glyphon;
  for (const formats::FormatInfo& format : formats::Formats()) {
    benchmark::RegisterBenchmark(("Scroll/" + formats::CliName(format)).c_str(), bench::Scroll, &format)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  for (const compression::Scheme& scheme : compression::Schemes()) {
    for (const bool filler : {false, true}) {
      benchmark::RegisterBenchmark(
          ("NextBlock/" + std::string(scheme.name) + (filler ? "/filler" : "/random")).c_str(),
          bench::NextBlock, &scheme, filler)
          ->UseManualTime()
          ->Iterations(3)
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RegisterBenchmark("StepWithStrip", bench::StepWithStrip)
      ->Arg(128)
      ->Arg(1024)
      ->Arg(8192)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
