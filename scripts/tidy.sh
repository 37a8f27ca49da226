#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs clang-tidy with the repository's .clang-tidy over the C++ sources of src/ (or the files
# named), from the dev build's compile_commands.json; configures build/ first when it is not
# there. Prints the findings and a count; fails when there is any. Slow: a few minutes on two
# cores, so not part of the test command.
#   bash scripts/tidy.sh                     every .cpp file under src/
#   bash scripts/tidy.sh src/cli/cli.cpp     the files named
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -f build/compile_commands.json ]; then
  cmake --preset dev >/dev/null
fi
# The app's sources include files moc and the precompiled headers write into the build.
cmake --build build --target glyphon_app_lib_autogen >/dev/null 2>&1 || true

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files -- 'src/*.cpp')
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
log=$work/log
# The commands of the g++ build, less the precompiled headers that clang cannot read.
sed -E 's| -include [^ ]*cmake_pch\.hxx||g; s| -Winvalid-pch||g' build/compile_commands.json >"$work/compile_commands.json"
# run-clang-tidy (package clang-tidy) runs one clang-tidy a core; its file arguments are patterns.
run-clang-tidy -quiet -p "$work" -extra-arg=-Wno-unknown-warning-option -j "${GLYPHON_TIDY_JOBS:-2}" \
  "${files[@]/#/$PWD/}" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' >"$log" || true
findings=$(grep -E '^/.*: (warning|error): ' "$log" | sort -u | sed "s|^$PWD/||") || true
[ -z "$findings" ] || echo "$findings"
count=$(grep -c . <<<"$findings") || true
echo "tidy: $count finding(s) in ${#files[@]} file(s)" >&2
[ "$count" -eq 0 ]
