#!/usr/bin/env bash
# Rewrites the known answers of the codecs, tests/formats/golden/<format>/*.bin, from what the
# encoders give for the pictures beside them. Only on request: the tests never write them.
# Look at `git diff --stat tests/formats/golden` afterwards; every changed .bin is a change
# in a format's bytes. An argument limits the run to the formats whose folder names match
# it as a gtest pattern, e.g. `bash scripts/update_golden.sh '*4bpp_snes'`.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset dev >/dev/null
cmake --build build --target formats_tests
GLYPHON_UPDATE_GOLDEN=1 build/bin/formats_tests --gtest_filter="Table/Golden.*/${1:-*}"
