// SPDX-License-Identifier: MIT
#pragma once

#include <benchmark/benchmark.h>

#include "core/surface.h"

namespace glyphon::bench {

inline constexpr int kSide = 2048;

// The 2048 by 2048 picture of random colours every benchmark reads, made once.
const platform::Surface& RandomSheet();

// Reads every pixel of the sheet and sums its grey level: the yardstick the codecs are
// measured against.
void ReferencePass(benchmark::State& state);

// Registers a benchmark in milliseconds with a "min" statistic over its repetitions: on a
// shared machine, interference only ever adds time, so the fastest repetition is the
// steadiest figure.
benchmark::internal::Benchmark* Measured(benchmark::internal::Benchmark* benchmark);

// Runs the registered benchmarks with a reporter that adds, for each run, its speed in
// Mpixel/s and its time as a ratio to the reference pass of the same run.
int RunWithRatios(int argc, char** argv);

}  // namespace glyphon::bench
