#!/usr/bin/env bash
# Installs what is missing, builds, and shows glyphon at work on the bundled sample picture.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
out=build/demo
mkdir -p "$out"
./build/bin/glyphon formats
./build/bin/glyphon encode --format "4bpp SNES" samples/sample.bmp "$out/sample.dat"
./build/bin/glyphon decode --format "4bpp SNES" --width 128 "$out/sample.dat" "$out/sample-4bpp.png"
echo "Converted samples/sample.bmp to $out/sample.dat ($(stat -c %s "$out/sample.dat") bytes) and back to $out/sample-4bpp.png"
