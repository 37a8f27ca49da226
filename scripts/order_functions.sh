#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes src/cli/glyphon.order: the code sections glyphon runs in everyday commands, which
# optimised builds link first and side by side. The kernel maps a program's code in pieces
# of up to 64 KiB around each page a run touches, so code spread over the binary costs the
# run most of its text in resident memory: a streamed 2048x2048 decode to PNG touched 23 such
# pieces (1.5 MB) for about 300 KB of code it actually ran.
#
# The functions come from running glyphon under valgrind's callgrind (Debian package
# valgrind) on small inputs of each kind of command. Run it again after large changes to the
# command line's code; names the linker no longer finds are passed over, so a stale list
# costs memory and never correctness.
#   bash scripts/order_functions.sh
set -euo pipefail
cd "$(dirname "$0")/.."
command -v valgrind >/dev/null || {
  echo "order_functions: needs valgrind (apt-get install valgrind)" >&2
  exit 1
}
cmake --preset release >/dev/null
cmake --build --preset release --target glyphon >/dev/null
g="$PWD/build/release/bin/glyphon"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

python3 - <<'PY'
import random
random.seed(30)
open("d4.dat", "wb").write(random.randbytes(256 * 256 // 2))
open("rom.gb", "wb").write(random.randbytes(64 << 10))
open("p16.hex", "w").write("".join("#%02x%02x%02x\n" % (i * 37 % 256, i * 91 % 256, 255 - i) for i in range(16)))
PY
"$g" decode --format 4bpp-snes --width 256 d4.dat p.png
"$g" decode --format 4bpp-snes --width 256 d4.dat p.bmp
"$g" decode --format 4bpp-snes --width 256 --palette p16.hex d4.dat pi.png
"$g" tiles --format 4bpp-snes --dedupe --flips --map-layout snes --map-out t.map p.png t.chr

# The most common commands first: code they share ends up together at the front.
runs=(
  "decode --format 4bpp-snes --width 256 d4.dat out.png"
  "decode --format 2bpp-gb --width 128 --offset 0x1000 --length 0x2000 rom.gb out.png"
  "decode --format 4bpp-snes --width 256 --palette p16.hex d4.dat out.png"
  "decode --format 4bpp-snes --width 256 d4.dat out.bmp"
  "encode --format 4bpp-snes p.png out.dat"
  "encode --format 4bpp-snes p.bmp out.dat"
  "encode --format 4bpp-snes --values palette --palette p16.hex pi.png out.dat"
  "tiles --format 4bpp-snes --dedupe --flips --map-layout snes --map-out out.map p.png out.chr"
  "untile --format 4bpp-snes --map-layout snes --width-tiles 32 t.chr t.map out.png"
  "locate --format 4bpp-snes p.png d4.dat"
  "formats"
  "--version"
)
i=0
for run in "${runs[@]}"; do
  # shellcheck disable=SC2086 # each run is a list of words
  valgrind -q --tool=callgrind --demangle=no --compress-strings=no --compress-pos=no \
    --callgrind-out-file="cg.$i" "$g" $run >/dev/null
  i=$((i + 1))
done

out="$OLDPWD/src/cli/glyphon.order"
python3 - "$i" "$out" <<'PY'
import re, sys
runs, out = int(sys.argv[1]), sys.argv[2]
first = {}  # function -> (number of runs that ran it, first run)
for r in range(runs):
    seen, in_glyphon = set(), False
    for line in open(f"cg.{r}"):
        if line.startswith("ob="):
            in_glyphon = line.rstrip().endswith("/bin/glyphon")
        elif line.startswith("fn=") and in_glyphon:
            name = line[3:].rstrip().split("'")[0]  # "'2" marks a recursion level
            if re.fullmatch(r"[A-Za-z_][A-Za-z0-9_.$]*", name):  # not "0x2c750", "(below main)"
                seen.add(name)
    for name in seen:
        count, at = first.get(name, (0, r))
        first[name] = (count + 1, at)
# All the first run's code, then what each further run adds; within a run, code more runs
# share first.
names = sorted(first, key=lambda n: (first[n][1], -first[n][0], n))
with open(out, "w") as f:
    f.write("# Written by scripts/order_functions.sh: code sections glyphon links first.\n")
    for n in names:
        # Static constructors and main sit in .text.startup, everything else in .text.NAME.
        if n == "main" or n.startswith("_GLOBAL__sub_I_"):
            f.write(f".text.startup.{n}\n")
        f.write(f".text.{n}\n")
        # A complete constructor or destructor (C1, D1) is an alias of the base one (C2,
        # D2), whose name the section carries.
        base = re.sub(r"([CD])1([EI])", r"\g<1>2\g<2>", n)
        if base != n:
            f.write(f".text.{base}\n")
print(f"{out}: {len(names)} functions")
PY
