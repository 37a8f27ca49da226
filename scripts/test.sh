#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, checks the sources, builds, and runs the whole test suite twice:
#   1. the licence line and clang-format on every source (scripts/check_source.sh), in seconds;
#   2. the debug build with g++ and its tests, and the Debian package made from it;
#   3. one clang build under AddressSanitizer + UBSan holding both the tests and the libFuzzer
#      targets: the tests again, then every fuzz target for 3 s, two at a time. It keeps line
#      tables only (the reports still name file and line), and the tests and the widgets, which
#      no fuzz target reaches, are built unoptimised and without coverage counters.
# Each compiler builds everything once, warnings as errors. Switches, each =1 to leave a part
# out: GLYPHON_SKIP_SOURCE_CHECK, GLYPHON_SKIP_PACKAGE, GLYPHON_SKIP_ASAN, GLYPHON_SKIP_FUZZ.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

if [ "${GLYPHON_SKIP_SOURCE_CHECK:-0}" != 1 ]; then
  bash scripts/check_source.sh
fi

cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev

if [ "${GLYPHON_SKIP_PACKAGE:-0}" != 1 ]; then
  bash scripts/check_package.sh build
fi

fuzz_seconds="${GLYPHON_FUZZ_SECONDS:-3}"
if [ "${GLYPHON_SKIP_ASAN:-0}" != 1 ]; then
  cmake --preset asan >/dev/null
  cmake --build --preset asan
  ctest --preset asan
  if [ "${GLYPHON_SKIP_FUZZ:-0}" != 1 ]; then
    bash scripts/fuzz.sh --build build/asan "$fuzz_seconds"
  fi
elif [ "${GLYPHON_SKIP_FUZZ:-0}" != 1 ]; then
  bash scripts/fuzz.sh "$fuzz_seconds"
fi
