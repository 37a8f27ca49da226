#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The ROM browser's editor under a real X server, driven as a person would with xdotool:
# open a ROM, turn editing on (E), draw one pixel of value 1, save (Ctrl+S, Y), and check
# with cmp that exactly the expected byte changed; then undo (Ctrl+Z), save again, and check
# that the ROM is back as it was. Uses the X server on $GLYPHON_X_DISPLAY (default :80),
# starting an Xvfb there when none answers.
#   scripts/editor_x11_test.sh [path/to/rom-glyphon]
set -euo pipefail
cd "$(dirname "$0")/.."
app_binary=${1:-build/bin/rom-glyphon}
display=${GLYPHON_X_DISPLAY:-:80}
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "editor_x11_test: $*" >&2
  exit 1
}
# Runs the command until it succeeds, for at most 10 s: a loaded machine is slow to draw.
wait_for() {
  for _ in $(seq 100); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
# Saves with Ctrl+S and answers the question with Y once its box has the focus.
save() {
  xdotool windowfocus --sync "$window"
  xdotool key ctrl+s
  wait_for bash -c "[ \"\$(xdotool getwindowfocus)\" != $window ]" || fail "no question after Ctrl+S"
  xdotool key y
}

if ! xdotool getdisplaygeometry --display "$display" >/dev/null 2>&1; then
  Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    xdotool getdisplaygeometry --display "$display" >/dev/null 2>&1 && break
    sleep 0.1
  done
fi
export DISPLAY=$display QT_QPA_PLATFORM=xcb HOME=$work XDG_CONFIG_HOME=$work/config

# The browser opens in 2bpp SNES/GB, 16 tiles wide, at zoom 16. The ROM is all zeros, so
# the view is black (value 0) from its top-left corner; pixel (0, 0) of value 1 is bit 7 of
# byte 0 (the first plane of tile row 0): 0x00 becomes 0x80, octal 200 in cmp's list.
mkdir -p "$work/config/rom-glyphon"
printf '[RomBrowser]\nformat=2\nwidth=16\nzoom=16\nsize=@Size(1200 800)\n' >"$work/config/rom-glyphon/rom-glyphon.conf"
head -c 65536 /dev/zero >"$work/game.gb"
cp "$work/game.gb" "$work/original.gb"

"$app_binary" --browse "$work/game.gb" >"$work/app.log" 2>&1 &
app_pid=$!
window=$(xdotool search --sync --onlyvisible --name '^ROM Browser$' | head -n 1)
[ -n "$window" ] || fail "no ROM Browser window"
xdotool windowfocus --sync "$window"
sleep 0.5
xdotool key e

# The view's top edge, below the editing toolbar: the first row of the window that is black
# at x = 4, once the toolbar is there (the view moves down by its height).
view_top() {
  import -window "$window" -crop 1x800+4+0 txt:- >"$work/column.txt" &&
    top=$(awk -F'[,: ]+' '/#000000/ { print $2; exit }' "$work/column.txt") &&
    [ -n "$top" ] && [ "$top" -gt 45 ]
}
wait_for view_top || fail "the view is not on screen in the editing mode"
view_top

xdotool mousemove --window "$window" 6 $((top + 6)) click 1
save
expected=$(printf '%s %s %s' 1 0 200)
changes() { cmp -l "$work/original.gb" "$work/game.gb" | awk '{ print $1, $2, $3 }' || true; }
wait_for bash -c "[ \"\$(cmp -l '$work/original.gb' '$work/game.gb' | awk '{ print \$1, \$2, \$3 }')\" = '$expected' ]" ||
  fail "after drawing and saving, cmp gave: $(changes)"
echo "drawn and saved: $(changes)"

# The message box took the focus; without a window manager nothing gives it back.
xdotool windowfocus --sync "$window"
xdotool key ctrl+z
save
wait_for cmp "$work/original.gb" "$work/game.gb" || fail "after undo and save the ROM differs: $(changes)"
echo "undone and saved: the ROM is as it was"
