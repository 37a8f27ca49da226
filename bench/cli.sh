#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Whole-process timings of glyphon with hyperfine: `formats`, encode and decode of 256x256
# and 2048x2048 pictures as PNG and BMP; on a 2048x2048 palette PNG of 16 colours, encode by
# grey level, by stored index and by palette colour; and `tiles --dedupe --flips` (with a
# SNES map) next to the plain encode of the same 2048x2048 sheet of repeated and mirrored
# tiles; `tiles --values colour` beside a plain `tiles` run of a 2048x2048 colour sheet
# (the same kind of sheet, each tile in one of 8 sub-palettes of 16 colours) and `untile`
# drawing that sheet back in its colours and in greys; an 8192x8192
# "8bpp Linear" encode (its output is 64 MiB) and a 64 MiB ROM decoded to one PNG at width
# 128 (2097152 rows). Prints each case's median and its peak
# memory (maximum resident set, GNU time) as a Markdown table. On a shared machine the wall
# time follows the load; the CPU time (user plus system, hyperfine's mean) does not.
#   bash bench/cli.sh            # builds the release preset first
#   GLYPHON=path/to/glyphon bash bench/cli.sh
#   ONLY="palette PNG" bash bench/cli.sh   # the cases whose name holds the text
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${GLYPHON:-}" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target glyphon >/dev/null
  GLYPHON="$PWD/build/release/bin/glyphon"
fi
runs="${RUNS:-21}"
only="${ONLY:-}"   # a word the case names must hold: ONLY=tile runs the tile sheet cases
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Inputs: reproducible pseudo-random ROM data (4bpp and 2bpp), decoded once into the
# pictures the encode cases read.
python3 - "$work" <<'PY'
import random, sys
random.seed(15)
for side in (256, 2048):
    for bpp in (2, 4):
        with open(f"{sys.argv[1]}/d{bpp}_{side}.dat", "wb") as f:
            f.write(random.randbytes(side * side * bpp // 8))
# A 2048x2048 sheet as artists draw one: 256 random "4bpp SNES" tiles, each placed in a
# random orientation. A tile is 32 bytes: rows of planes 0/1 as byte pairs in bytes 0-15,
# planes 2/3 likewise in 16-31, the leftmost pixel in bit 7, so a left-right mirror reverses
# every byte's bits and a top-bottom mirror reverses the order of the row pairs.
def mirror(tile, h, v):
    rows = [tile[i:i + 2] for i in range(0, 32, 2)]
    if v:
        rows = rows[7::-1] + rows[:7:-1]
    out = b"".join(rows)
    return bytes(int(f"{b:08b}"[::-1], 2) for b in out) if h else out
pool = [random.randbytes(32) for _ in range(256)]
with open(f"{sys.argv[1]}/tiles_2048.dat", "wb") as f:
    for _ in range(256 * 256):
        f.write(mirror(random.choice(pool), random.random() < 0.5, random.random() < 0.5))
# The colour sheet: a SNES map of 256 by 256 entries over 128 of those tiles, each entry in
# a random orientation and one of 8 random sub-palettes of 16 BGR555 colours (so that even
# by grey level it stays within the 1024 tiles a SNES map numbers); untile draws it. Map
# word: vhopppcc cccccccc, little-endian.
with open(f"{sys.argv[1]}/colour.chr", "wb") as f:
    f.write(b"".join(pool))
with open(f"{sys.argv[1]}/colour.map", "wb") as f:
    f.write(b"".join((random.randrange(128) | random.randrange(8) << 10 | random.randrange(4) << 14).to_bytes(2, "little")
                     for _ in range(256 * 256)))
with open(f"{sys.argv[1]}/colour.cgram", "wb") as f:
    f.write(b"".join((p * 4 + 2 | (i * 2) << 5 | (31 - i) << 10).to_bytes(2, "little") for p in range(8) for i in range(16)))
with open(f"{sys.argv[1]}/rom64.bin", "wb") as f:
    f.write(random.randbytes(64 << 20))
with open(f"{sys.argv[1]}/p16.hex", "w") as f:
    f.write("".join("#%02x%02x%02x\n" % (i * 37 % 256, i * 91 % 256, 255 - i) for i in range(16)))
PY
g="$GLYPHON"
"$g" decode --format 4bpp-snes --width 2048 "$work/tiles_2048.dat" "$work/s2048.png"
for side in 256 2048; do
  "$g" decode --format 4bpp-snes --width "$side" "$work/d4_$side.dat" "$work/p$side.png"
  "$g" decode --format 4bpp-snes --width "$side" "$work/d4_$side.dat" "$work/p$side.bmp"
done
"$g" decode --format 4bpp-snes --width 2048 --palette "$work/p16.hex" "$work/d4_2048.dat" "$work/i2048.png"
"$g" untile --format 4bpp-snes --map-layout snes --width-tiles 256 --values colour \
  --palette "$work/colour.cgram" --palette-format bgr555 "$work/colour.chr" "$work/colour.map" "$work/c2048.png"
# An 8192 by 8192 grey PNG of 65 KB: 64 MiB of zeros in "8bpp Linear".
head -c $((8192 * 8192)) /dev/zero > "$work/z8192.dat"
"$g" decode --format 8bpp-linear --width 8192 "$work/z8192.dat" "$work/g8192.png"
rm "$work/z8192.dat"

cases=(
  "formats|$g formats"
  "4bpp encode 256x256 PNG|$g encode --format 4bpp-snes $work/p256.png $work/o.dat"
  "4bpp encode 256x256 BMP|$g encode --format 4bpp-snes $work/p256.bmp $work/o.dat"
  "4bpp decode 256x256 to PNG|$g decode --format 4bpp-snes --width 256 $work/d4_256.dat $work/o.png"
  "4bpp decode 256x256 to BMP|$g decode --format 4bpp-snes --width 256 $work/d4_256.dat $work/o.bmp"
  "4bpp encode 2048x2048 PNG|$g encode --format 4bpp-snes $work/p2048.png $work/o.dat"
  "4bpp encode 2048x2048 BMP|$g encode --format 4bpp-snes $work/p2048.bmp $work/o.dat"
  "2bpp decode 2048x2048 to PNG|$g decode --format 2bpp-snes/gb --width 2048 $work/d2_2048.dat $work/o.png"
  "4bpp decode 2048x2048 to PNG|$g decode --format 4bpp-snes --width 2048 $work/d4_2048.dat $work/o.png"
  "4bpp decode 2048x2048 to BMP|$g decode --format 4bpp-snes --width 2048 $work/d4_2048.dat $work/o.bmp"
  "4bpp encode 2048x2048 tile sheet PNG|$g encode --format 4bpp-snes $work/s2048.png $work/o.dat"
  "4bpp tiles --dedupe --flips 2048x2048 tile sheet PNG|$g tiles --format 4bpp-snes --dedupe --flips --map-out $work/o.map --map-layout snes $work/s2048.png $work/o.dat"
  "4bpp tiles --dedupe --flips 2048x2048 colour sheet PNG|$g tiles --format 4bpp-snes --dedupe --flips --map-out $work/o.map --map-layout snes $work/c2048.png $work/o.dat"
  "4bpp tiles --dedupe --flips --values colour 2048x2048 colour sheet PNG|$g tiles --format 4bpp-snes --dedupe --flips --map-out $work/o.map --map-layout snes --values colour --palette-out $work/o.cgram --palette-format bgr555 $work/c2048.png $work/o.dat"
  "4bpp untile --values colour 2048x2048 colour sheet to PNG|$g untile --format 4bpp-snes --map-layout snes --width-tiles 256 --values colour --palette $work/colour.cgram --palette-format bgr555 $work/colour.chr $work/colour.map $work/o.png"
  "4bpp untile 2048x2048 colour sheet to grey BMP|$g untile --format 4bpp-snes --map-layout snes --width-tiles 256 $work/colour.chr $work/colour.map $work/o.bmp"
  "4bpp encode 2048x2048 palette PNG, --values grey|$g encode --format 4bpp-snes --values grey $work/i2048.png $work/o.dat"
  "4bpp encode 2048x2048 palette PNG, --values index|$g encode --format 4bpp-snes --values index $work/i2048.png $work/o.dat"
  "4bpp encode 2048x2048 palette PNG, --values palette|$g encode --format 4bpp-snes --palette $work/p16.hex $work/i2048.png $work/o.dat"
  "4bpp decode 2048x2048 to palette PNG, --palette|$g decode --format 4bpp-snes --width 2048 --palette $work/p16.hex $work/d4_2048.dat $work/o.png"
  "8bpp encode 8192x8192 PNG|$g encode --format 8bpp-linear $work/g8192.png $work/o.dat"
  "2bpp decode 64 MiB ROM at width 128 to PNG|$g decode --format 2bpp-snes/gb --width 128 $work/rom64.bin $work/o.png"
)

echo "| case | median ms | CPU ms | peak memory MB |"
echo "|---|---:|---:|---:|"
for entry in "${cases[@]}"; do
  name="${entry%%|*}"
  command="${entry#*|}"
  [[ -n "$only" && "$name" != *"$only"* ]] && continue
  hyperfine -N --style none --warmup 3 --runs "$runs" --export-json "$work/h.json" "$command" >/dev/null 2>&1
  read -r median cpu < <(python3 -c "import json,sys; r = json.load(open(sys.argv[1]))['results'][0]; print('%.1f %.1f' % (r['median'] * 1000, (r['user'] + r['system']) * 1000))" "$work/h.json")
  peak=0
  for _ in 1 2 3; do
    /usr/bin/time -f %M -o "$work/t" $command >/dev/null 2>&1
    kb=$(tail -1 "$work/t")
    [ "$kb" -gt "$peak" ] && peak=$kb
  done
  echo "| $name | $median | $cpu | $(python3 -c "print('%.1f' % ($peak / 1024))") |"
done
