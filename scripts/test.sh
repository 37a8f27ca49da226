#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the debug build, the
# Debian package made from it, a short run of every fuzz target, then the same tests under
# AddressSanitizer + UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev

if [ "${GLYPHON_SKIP_PACKAGE:-0}" != 1 ]; then
  bash scripts/check_package.sh build
fi

if [ "${GLYPHON_SKIP_FUZZ:-0}" != 1 ] && [ -f scripts/fuzz.sh ]; then
  bash scripts/fuzz.sh "${GLYPHON_FUZZ_SECONDS:-10}"
fi

if [ "${GLYPHON_SKIP_ASAN:-0}" != 1 ]; then
  cmake --preset asan >/dev/null
  cmake --build --preset asan
  ctest --preset asan
fi
