#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the release preset and runs the benchmarks: every codec on a 2048 by 2048 sheet,
# then the window model's Convert, Preview and Accept. Each figure is the fastest of five
# repetitions, interleaved at random; "xRef" is the time over the reference pass that
# reads every pixel once. Extra arguments go to both programs (--benchmark_filter=...).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target codec_bench model_bench tiles_bench rom_bench values_bench browser_bench \
  compression_bench pagination_bench editor_bench
flags=(--benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
       --benchmark_report_aggregates_only=true --benchmark_min_time=0.2 "$@")
./build/release/bin/codec_bench "${flags[@]}"
./build/release/bin/model_bench "${flags[@]}"
./build/release/bin/tiles_bench "${flags[@]}"
./build/release/bin/rom_bench "${flags[@]}"
./build/release/bin/values_bench "${flags[@]}"
./build/release/bin/browser_bench "${flags[@]}"
./build/release/bin/compression_bench "${flags[@]}"
./build/release/bin/pagination_bench "${flags[@]}"
./build/release/bin/editor_bench "${flags[@]}"
