#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and starts the desktop app.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Run it from a desktop session; the command-line tool is ./build/bin/glyphon." >&2
  exit 1
fi
exec ./build/bin/rom-glyphon "$@"
