#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Rewrites golden files, only on request: the tests never write them.
#
#   bash scripts/update_golden.sh [PATTERN]   the codecs' tests/formats/golden/<format>/*.bin,
#                                             from what the encoders give for the pictures
#                                             beside them; PATTERN limits the run to the
#                                             formats whose folder names match it as a gtest
#                                             pattern, e.g. '*4bpp_snes'
#   bash scripts/update_golden.sh --messages  the stderr and status columns of
#                                             tests/cli/golden/errors.txt
#
# Look at `git diff` afterwards: every changed line is a change in a format's bytes or in
# what a user reads.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset dev >/dev/null
if [ "${1:-}" = --messages ]; then
  cmake --build build --target cli_tests
  GLYPHON_UPDATE_GOLDEN=1 build/bin/cli_tests --gtest_filter='GoldenMessages.*'
  exit
fi
cmake --build build --target formats_tests
GLYPHON_UPDATE_GOLDEN=1 build/bin/formats_tests --gtest_filter="Table/Golden.*/${1:-*}"
