#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Puts the licence tag, SPDX-License-Identifier: MIT, at the top of every source file:
#   C++ under src/ tests/ bench/ fuzz/          `// SPDX-License-Identifier: MIT` as line 1
#   CMakeLists.txt, cmake/*.cmake               `# SPDX-License-Identifier: MIT` as line 1
#   scripts/*.sh, scripts/*.py, bench/*.sh, .ci/run
#                                               `# SPDX-License-Identifier: MIT` after the #! line
# Files that carry it already are left as they are, so running it twice changes nothing.
#   bash scripts/add_spdx.sh           tags the files that lack it and names them
#   bash scripts/add_spdx.sh --check   only names them, failing when there is any
# The whole script is one block, read before it runs: it may tag this very file.
{
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
case "${1:-}" in
  --check) check=1 ;;
  "") ;;
  *) echo "usage: bash scripts/add_spdx.sh [--check]" >&2; exit 2 ;;
esac

tag="SPDX-License-Identifier: MIT"

# Files git knows about (a build tree never counts); outside a checkout, what is on disk.
list_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -- "$@"
  else
    for p in "$@"; do find . -path "./build*" -prune -o -path "./$p" -type f -print | sed 's|^\./||'; done
  fi
}

# KIND: cpp (// on line 1), hash (# on line 1) or script (# after the #! line).
tagged() {
  local kind=$1 file=$2 line
  case $kind in
    cpp) line=$(sed -n 1p "$file"); [ "$line" = "// $tag" ] ;;
    hash) line=$(sed -n 1p "$file"); [ "$line" = "# $tag" ] ;;
    script)
      if [[ "$(sed -n 1p "$file")" == '#!'* ]]; then line=$(sed -n 2p "$file"); else line=$(sed -n 1p "$file"); fi
      [ "$line" = "# $tag" ] ;;
  esac
}

add_tag() {
  local kind=$1 file=$2 tmp
  tmp=$(mktemp)
  case $kind in
    cpp) { echo "// $tag"; cat "$file"; } >"$tmp" ;;
    hash) { echo "# $tag"; cat "$file"; } >"$tmp" ;;
    script)
      if [[ "$(sed -n 1p "$file")" == '#!'* ]]; then
        { sed -n 1p "$file"; echo "# $tag"; sed 1d "$file"; } >"$tmp"
      else
        { echo "# $tag"; cat "$file"; } >"$tmp"
      fi ;;
  esac
  # Over the old file's contents, so its mode (the executable bit of scripts) stays.
  cat "$tmp" >"$file"
  rm -f "$tmp"
}

missing=0
visit() {
  local kind=$1 file
  shift
  while IFS= read -r file; do
    [ -f "$file" ] || continue
    tagged "$kind" "$file" && continue
    missing=$((missing + 1))
    echo "$file"
    [ "$check" = 1 ] || add_tag "$kind" "$file"
  done < <(list_files "$@")
}

visit cpp 'src/*.cpp' 'src/*.h' 'src/*.h.in' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' \
  'fuzz/*.cpp' 'fuzz/*.h'
visit hash 'CMakeLists.txt' '*/CMakeLists.txt' 'cmake/*.cmake'
visit script 'scripts/*.sh' 'scripts/*.py' 'bench/*.sh' '.ci/run'

if [ "$check" = 1 ] && [ "$missing" -gt 0 ]; then
  echo "add_spdx: $missing file(s) above lack the line '$tag' (bash scripts/add_spdx.sh adds it)" >&2
  exit 1
fi
exit 0
}
