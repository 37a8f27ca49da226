#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60) from its
# seed corpus. Findings land in build/fuzz/findings/ and make the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
findings=build/fuzz/findings
mkdir -p "$findings"
status=0
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
for target in decode_fuzz encode_fuzz picture_fuzz cli_args_fuzz load_kind_fuzz cli_run_fuzz picture_write_fuzz \
    round_trip_fuzz tiles_fuzz browser_fuzz gba_lz77_fuzz nds_lz11_fuzz gba_rle_fuzz gba_huffman_fuzz snes_lz2_fuzz \
    hal_fuzz; do
  exe=build/fuzz/bin/$target
  [ -x "$exe" ] || continue
  name=${target%_fuzz}
  work=build/fuzz/corpus/$name
  mkdir -p "$work"
  echo "fuzzing $target for ${seconds}s"
  # shellcheck disable=SC2086
  if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 ${options[$target]:-} \
      -artifact_prefix="$findings/$name-" "$work" "fuzz/corpus/$name" >"build/fuzz/$name.log" 2>&1; then
    echo "$target found a problem; see build/fuzz/$name.log and $findings" >&2
    tail -n 30 "build/fuzz/$name.log" >&2
    status=1
  else
    grep -E 'stat::number_of_executed_units' "build/fuzz/$name.log" | sed "s/^/  $target: /" || true
  fi
done
exit $status
