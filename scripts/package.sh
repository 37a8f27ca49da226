#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package rom-glyphon_<version>_<arch>.deb and prints its path.
#   bash scripts/package.sh             optimised build of the programs into build/package, then the package
#   bash scripts/package.sh BUILD_DIR   the package from an existing build as it stands
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-}
if [ -z "$build" ]; then
  bash scripts/setup.sh
  build=build/package
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ \
    -DGLYPHON_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" -j 2 >&2
fi
if [ ! -f "$build/CPackConfig.cmake" ]; then
  echo "package.sh: $build is not a configured build (cmake --preset dev)" >&2
  exit 1
fi

rm -f "$build"/rom-glyphon_*.deb
if ! log=$(cd "$build" && cpack -G DEB 2>&1); then
  echo "$log" >&2
  exit 1
fi
ls "$build"/rom-glyphon_*.deb
