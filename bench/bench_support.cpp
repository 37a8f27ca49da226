// SPDX-License-Identifier: MIT
#include "bench_support.h"

#include <algorithm>
#include <map>
#include <random>
#include <string>

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
      for (RgbColor colour : sheet.Row(y)) sum += convert::GreyOfColour(convert::InsideOrBlack(colour));
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

benchmark::internal::Benchmark* Measured(benchmark::internal::Benchmark* benchmark) {
  return benchmark->Unit(benchmark::kMillisecond)->ComputeStatistics("min", [](const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
  });
}

namespace {

// Holds the runs back until the end, so that the reference pass is known whatever order
// the runs come in (random interleaving spreads the machine's ups and downs over all of
// them), then prints each with its speed and its ratio to the reference.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    m_runs.insert(m_runs.end(), runs.begin(), runs.end());
  }

  void Finalize() override {
    std::map<std::string, double> reference;  // per statistic: "" for single runs, "median", ...
    for (const Run& run : m_runs) {
      if (run.run_name.function_name == "ReferencePass") reference[run.aggregate_name] = Seconds(run);
    }
    std::stable_sort(m_runs.begin(), m_runs.end(), [](const Run& a, const Run& b) {
      return a.run_name.function_name == "ReferencePass" && b.run_name.function_name != "ReferencePass";
    });
    for (Run& run : m_runs) {
      const double seconds = Seconds(run);
      // Runs named Large... work on other sizes than the sheet: their time alone tells.
      if (seconds <= 0 || run.run_name.function_name.rfind("Large", 0) == 0 ||
          (!run.aggregate_name.empty() && run.aggregate_name != "min" && run.aggregate_name != "median")) {
        continue;
      }
      run.counters["Mpix/s"] = benchmark::Counter(kSide * static_cast<double>(kSide) / seconds / 1e6);
      if (const auto it = reference.find(run.aggregate_name); it != reference.end()) {
        run.counters["xRef"] = benchmark::Counter(seconds / it->second);
      }
    }
    for (const Run& run : m_runs) ConsoleReporter::ReportRuns({run});
    ConsoleReporter::Finalize();
  }

 private:
  static double Seconds(const Run& run) {
    return run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
  }
  std::vector<Run> m_runs;
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
