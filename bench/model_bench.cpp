// SPDX-License-Identifier: MIT
// The Convert, Preview and Accept commands of the window model on a 2048 by 2048 sheet,
// with a platform that answers at once and a progress window doing its real bookkeeping,
// next to the bare codecs they run (codec_bench has the same codec figures; they are
// repeated here so that each ratio comes from one run).
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "formats/decoding.h"
#include "formats/format_table.h"
#include "platform/file_io.h"
#include "platform/quiet_platform.h"
#include "window_commands/file_commands.h"
#include "workspace/main_window.h"

namespace glyphon::bench {
namespace {

struct Workspace {
  platform::QuietPlatform platform;  // answers every question Yes, opens openFile
  workspace::MainWindow window{platform};
  window_commands::FileCommands commands{window, platform};

  explicit Workspace(int format) {
    platform.answer = glyphon::platform::Answer::Yes;
    window.Start();
    window.MakeCurrentPicture(RandomSheet());
    window.SelectFormat(format);
  }
};

std::string DataFile(const formats::FormatInfo& format) {
  const auto path =
      std::filesystem::temp_directory_path() / ("glyphon-bench-" + std::to_string(format.index) + ".dat");
  convert::PartnerState partner;
  partner.picture = RandomSheet();
  platform::NullProgress progress;
  const ByteString data =
      formats::Encode(format, RandomSheet(), {0, 0, kSide, kSide}, partner, progress).Value();
  platform::WriteFileAtomic(path, data);
  return path.string();
}

// The codec figures the model paths are compared with.
void BareEncode(benchmark::State& state, const formats::FormatInfo* format) {
  platform::NullProgress progress;
  for (auto _ : state) {
    state.PauseTiming();
    convert::PartnerState partner;
    partner.picture = RandomSheet();
    state.ResumeTiming();
    ByteString out = formats::Encode(*format, RandomSheet(), {0, 0, kSide, kSide}, partner, progress).Value();
    benchmark::DoNotOptimize(out.data());
  }
}

void BareDecode(benchmark::State& state, const formats::FormatInfo* format) {
  platform::NullProgress progress;
  const auto data = platform::ReadFileBytes(DataFile(*format)).Value();
  for (auto _ : state) {
    convert::PartnerState partner;
    auto result =
        formats::Decode(*format, data, 1024, formats::DecodeMode::ImageGeneration, &partner, progress);
    benchmark::DoNotOptimize(result.picture.Pixels().data());
  }
}

void Convert(benchmark::State& state, const formats::FormatInfo* format) {
  Workspace w(format->index);
  for (auto _ : state) {
    state.PauseTiming();
    w.window.SetPartnerPicture(RandomSheet());
    state.ResumeTiming();
    w.window.Convert();
  }
}

// Loads the data (preview mode, width 1024: the widest the spinner allows) outside the
// timing; the decoded picture has as many pixels as the sheet.
void EnterPreview(Workspace& w) {
  w.commands.Load();
  w.window.SetSpinner(workspace::Spinner::Width, 1024);
}

void Preview(benchmark::State& state, const formats::FormatInfo* format) {
  Workspace w(format->index);
  w.platform.openFile = DataFile(*format);
  EnterPreview(w);
  for (auto _ : state) w.commands.Load();
  if (w.window.WorkBitmap().PixelCount() != std::size_t{kSide} * kSide) state.SkipWithError("preview failed");
}

void Accept(benchmark::State& state, const formats::FormatInfo* format) {
  Workspace w(format->index);
  w.platform.openFile = DataFile(*format);
  for (auto _ : state) {
    state.PauseTiming();
    EnterPreview(w);
    state.ResumeTiming();
    w.commands.Save();
  }
  if (w.window.Picture().PixelCount() != std::size_t{kSide} * kSide) state.SkipWithError("accept failed");
}

// A 64 MiB ".dat" loaded and previewed at width 1024, the widest the window offers: the
// load reads it whole and the preview decides at once whether the picture fits the limits
// (at that width every format's picture would be taller than 32767 rows, so the preview
// is refused with a message instead of running out of memory).
void LargePreview(benchmark::State& state, const formats::FormatInfo* format) {
  const auto path = std::filesystem::temp_directory_path() / "glyphon-bench-64mib.dat";
  if (!std::filesystem::exists(path))
    platform::WriteFileAtomic(path, ByteString(std::size_t{64} << 20, 0x5A));
  Workspace w(format->index);
  w.platform.openFile = path.string();
  for (auto _ : state) {
    w.commands.Load();  // load, entering preview mode
    w.window.SetSpinner(workspace::Spinner::Width, 1024);
    w.commands.Load();  // preview
    state.PauseTiming();
    w.window.ClearOrCancel();  // cancel
    state.ResumeTiming();
  }
}

void RegisterAll() {
  Measured(benchmark::RegisterBenchmark("ReferencePass", ReferencePass));
  for (const formats::FormatInfo& format : formats::Formats()) {
    const std::string name = formats::CliName(format);
    using Fn = void (*)(benchmark::State&, const formats::FormatInfo*);
    const std::pair<const char*, Fn> paths[] = {{"BareEncode/", BareEncode}, {"Convert/", Convert},
                                                {"BareDecode/", BareDecode}, {"Preview/", Preview},
                                                {"Accept/", Accept},         {"LargePreview/", LargePreview}};
    for (const auto& [kind, fn] : paths) {
      Measured(benchmark::RegisterBenchmark((kind + name).c_str(), fn, &format));
    }
  }
}

}  // namespace
}  // namespace glyphon::bench

int main(int argc, char** argv) {
  glyphon::bench::RandomSheet();
  glyphon::bench::RegisterAll();
  return glyphon::bench::RunWithRatios(argc, argv);
}
