#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every libFuzzer target for SECONDS (default 60) from its seed corpus, two at a time
# (GLYPHON_FUZZ_JOBS). Findings land in build/fuzz/findings/ and make the script fail.
#   bash scripts/fuzz.sh [SECONDS]                   builds the optimised `fuzz` preset (clang) first
#   bash scripts/fuzz.sh --build DIR [SECONDS]       runs the targets of an existing build, such as
#                                                    build/asan, which builds them alongside the tests
set -euo pipefail
cd "$(dirname "$0")/.."

bin=""
if [ "${1:-}" = "--build" ]; then
  bin=${2:?usage: bash scripts/fuzz.sh --build DIR [SECONDS]}/bin
  shift 2
fi
seconds="${1:-60}"
jobs="${GLYPHON_FUZZ_JOBS:-2}"
if [ -z "$bin" ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz >/dev/null
  bin=build/fuzz/bin
fi
findings=build/fuzz/findings
mkdir -p "$findings"
# Extra options per target: the picture reader gets its dictionary and a size cap, so that
# one slow input cannot take the run.
declare -A options=(
  [picture_fuzz]="-dict=fuzz/picture.dict -max_len=65536"
  [cli_run_fuzz]="-max_len=8192"
  [picture_write_fuzz]="-max_len=16384"
  [round_trip_fuzz]="-max_len=8192"
  [gba_lz77_fuzz]="-max_len=16384"
  [nds_lz11_fuzz]="-max_len=16384"
  [gba_rle_fuzz]="-max_len=16384"
  [gba_huffman_fuzz]="-max_len=16384"
  [snes_lz2_fuzz]="-max_len=16384"
  [hal_fuzz]="-max_len=16384"
)

fuzz_one() {
  local target=$1 name=${1%_fuzz}
  local work=build/fuzz/corpus/$name
  mkdir -p "$work"
  # The seeds, where the target has any (libFuzzer stops at a corpus folder that is missing).
  local seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  # shellcheck disable=SC2086
  "$bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    ${options[$target]:-} -artifact_prefix="$findings/$name-" "$work" "${seeds[@]}" >"build/fuzz/$name.log" 2>&1
}

# Reports a finished run; fails when the target found a problem.
report() {
  local target=$1 status=$2 name=${1%_fuzz}
  if [ "$status" -ne 0 ]; then
    echo "$target found a problem; see build/fuzz/$name.log and $findings" >&2
    tail -n 30 "build/fuzz/$name.log" >&2
    return 1
  fi
  grep -E 'stat::number_of_executed_units' "build/fuzz/$name.log" | sed "s/^/  $target: /" || true
}

status=0
declare -A running=()
wait_one() {
  local pid rc=0
  wait -n -p pid "${!running[@]}" || rc=$?
  report "${running[$pid]}" "$rc" || status=1
  unset "running[$pid]"
}
for target in decode_fuzz encode_fuzz picture_fuzz cli_args_fuzz load_kind_fuzz cli_run_fuzz picture_write_fuzz \
    round_trip_fuzz tiles_fuzz browser_fuzz gba_lz77_fuzz nds_lz11_fuzz gba_rle_fuzz gba_huffman_fuzz snes_lz2_fuzz \
    hal_fuzz; do
  [ -x "$bin/$target" ] || continue
  while [ "${#running[@]}" -ge "$jobs" ]; do wait_one; done
  echo "fuzzing $target for ${seconds}s"
  fuzz_one "$target" &
  running[$!]=$target
done
while [ "${#running[@]}" -gt 0 ]; do wait_one; done
exit $status
