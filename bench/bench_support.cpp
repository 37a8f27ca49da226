#include "bench_support.h"

#include <random>

#include "convert/classify.h"

namespace glyphon::bench {

const platform::Surface& RandomSheet() {
  static const platform::Surface sheet = [] {
    std::mt19937 random(2048);
    platform::Surface s = platform::Surface::Picture(kSide, kSide);
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) s.SetPixel(x, y, static_cast<RgbColor>(random() & 0xFFFFFF));
    return s;
  }();
  return sheet;
}

void ReferencePass(benchmark::State& state) {
  const platform::Surface& sheet = RandomSheet();
  for (auto _ : state) {
    std::int64_t sum = 0;
    for (int y = 0; y < sheet.Height(); ++y)
      for (int x = 0; x < sheet.Width(); ++x) sum += convert::GreyLevel(sheet.GetPixel(x, y));
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> annotated = runs;
    for (Run& run : annotated) {
      const double seconds = run.GetAdjustedRealTime() / 1e9 *
                             (run.time_unit == benchmark::kMillisecond ? 1e6 : run.time_unit == benchmark::kMicrosecond ? 1e3 : 1);
      if (run.run_name.function_name == "ReferencePass") m_reference = seconds;
      run.counters["Mpix/s"] = benchmark::Counter(kSide * static_cast<double>(kSide) / seconds / 1e6);
      if (m_reference > 0) run.counters["xRef"] = benchmark::Counter(seconds / m_reference);
    }
    ConsoleReporter::ReportRuns(annotated);
  }

 private:
  double m_reference = 0;
};

}  // namespace

int RunWithRatios(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace glyphon::bench
