// SPDX-License-Identifier: MIT
// The ROM browser's editor on a 64 MiB ROM: one step of a pencil stroke is the drag to the
// next pixel (its tile or row decoded, drawn on and encoded into the working copy) and the
// render of the screen that shows it. A step must stay well within a frame of 16 ms. Each
// figure is the time of one step, in a 1024 by 768 view at zoom 4 or a 1920 by 1080 one at
// zoom 1 (the most pixels decoded a step), with the working copy empty or already holding
// the edits of 10000 strokes spread over the ROM.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "browser/pixel_editor.h"
#include "browser/rom_browser.h"
#include "formats/format_table.h"
#include "platform/quiet_platform.h"
#include "random_rom.h"

namespace glyphon::bench {
namespace {

// Arguments: the format's index, how many strokes were drawn over the ROM before, the zoom.
void StrokeStep(benchmark::State& state) {
  const int kZoom = static_cast<int>(state.range(2));
  const int kViewWidth = kZoom == 1 ? 1920 : 1024;
  const int kViewHeight = kZoom == 1 ? 1080 : 768;
  platform::QuietPlatform quiet;
  browser::RomBrowser model(quiet);
  browser::RomEditor editor(model, quiet);
  if (!model.Open(RandomRomFile())) {
    state.SkipWithError("the ROM did not open");
    return;
  }
  model.SetFormat(static_cast<int>(state.range(0)));
  // As wide as the view.
  model.SetWidth(kViewWidth / kZoom / browser::UnitPixels(formats::Format(static_cast<int>(state.range(0)))));
  model.SetZoom(kZoom);
  model.SetViewSize(kViewWidth, kViewHeight);
  model.SetOffset(kRomSize / 2);
  model.Render();
  editor.SetEditing(true);
  // Earlier edits over the whole ROM: one click every few pages.
  const std::int64_t earlier = state.range(1);
  for (std::int64_t i = 0; i < earlier; ++i) {
    model.SetOffset(static_cast<std::uint64_t>(i) * (kRomSize / static_cast<std::uint64_t>(earlier)));
    editor.Press(kZoom * static_cast<int>(i % 64), kZoom * static_cast<int>(i % 32), i % 2 == 0);
    editor.Release(kZoom * static_cast<int>(i % 64), kZoom * static_cast<int>(i % 32));
  }
  model.SetOffset(kRomSize / 2);
  model.Render();
  const int width = model.PixelWidth();
  int x = 0, y = 0;
  editor.Press(0, 0, false);
  for (auto _ : state) {
    // Along the rows of the view, a pixel a step, alternating the two values' stripes.
    if (++x == width) {
      x = 0;
      y = (y + 1) % (kViewHeight / kZoom);
    }
    editor.Drag(x * kZoom, y * kZoom);
    benchmark::DoNotOptimize(model.Render().Pixels().data());
  }
  editor.Release(x * kZoom, y * kZoom);
  state.counters["edits"] = static_cast<double>(editor.HasUnsavedEdits());
}

void Formats(benchmark::internal::Benchmark* b) {
  for (const char* name :
       {"4bpp SNES", "2bpp SNES/GB", "4bpp GBA", "8bpp Linear", "1bpp Linear", "4bpp PCE Sprite"})
    for (const int earlier : {0, 10000})
      for (const int zoom : {4, 1}) b->Args({formats::FindFormat(name)->index, earlier, zoom});
}

BENCHMARK(StrokeStep)->Apply(Formats)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace glyphon::bench

BENCHMARK_MAIN();
