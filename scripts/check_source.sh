#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the sources before anything is built: every source file carries the licence line
# (scripts/add_spdx.sh), and every C++ file under src/ tests/ bench/ fuzz/ is as clang-format
# leaves it with the repository's .clang-format. Names each file that fails; takes seconds.
set -euo pipefail
cd "$(dirname "$0")/.."

failures=0

if ! untagged=$(bash scripts/add_spdx.sh --check 2>/dev/null); then
  echo "check_source: without the line 'SPDX-License-Identifier: MIT' (bash scripts/add_spdx.sh adds it):" >&2
  sed 's/^/  /' <<<"$untagged" >&2
  failures=1
fi

# Debian 12's clang-format is version 14; other versions lay some constructs out differently.
clang_format=${CLANG_FORMAT:-clang-format}
if ! command -v "$clang_format" >/dev/null; then
  echo "check_source: $clang_format is missing (bash scripts/setup.sh installs it)" >&2
  exit 1
fi
mapfile -t sources < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'src/*.h.in' 'tests/*.cpp' 'tests/*.h' \
  'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
# One run over all files; each difference is reported as FILE:LINE:COLUMN: error: ...
unformatted=$("$clang_format" --dry-run --Werror --style=file "${sources[@]}" 2>&1 |
  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' | sort -u) || true
if [ -n "$unformatted" ]; then
  echo "check_source: not as clang-format leaves them (clang-format -i FILE):" >&2
  sed 's/^/  /' <<<"$unformatted" >&2
  failures=1
fi

exit "$failures"
