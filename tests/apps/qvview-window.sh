#!/usr/bin/env bash
# qvview in a real window under Xvfb: a scripted mouse drag turns the view, and a screenshot of the
# window matches the headless render of the same view direction pixel for pixel.
set -euo pipefail
qvview=$1
work=$(mktemp -d)
cleanup() {
  [ -n "${viewer:-}" ] && kill "$viewer" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Xvfb picks a free display itself and writes its number: tests running side by side never collide.
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$qvview" --size 320x240 >"$work/viewer.log" 2>&1 &
viewer=$!
window=$(xdotool search --sync --onlyvisible --name '^qvview' | head -1)
# The title carries the view direction once frames run.
for _ in $(seq 50); do xdotool getwindowname "$window" | grep -q yaw && break; sleep 0.1; done
# Drag 48 points to the right: 24 drag units, -50 degrees of yaw at a screen height of 240.
xdotool mousemove --window "$window" 100 120
sleep 0.3
xdotool mousedown 1
sleep 0.1
for x in 112 124 136 148; do xdotool mousemove --window "$window" "$x" 120; sleep 0.1; done
xdotool mouseup 1
sleep 0.5
title=$(xdotool getwindowname "$window")
[ "$title" = "qvview - yaw -50.0  pitch 0.0  fov 75" ] || fail "unexpected title after the drag: $title"
xwd -id "$window" -silent >"$work/window.xwd"
/usr/bin/convert "xwd:$work/window.xwd" "$work/window.png"
"$qvview" --headless --size 320x240 --yaw -50 --out "$work/headless.png" >/dev/null
diff=$(/usr/bin/compare -metric AE "$work/window.png" "$work/headless.png" null: 2>&1 || true)
[ "$diff" -le 200 ] || fail "window and headless renders differ in $diff pixels"
xdotool key --window "$window" Escape
wait "$viewer" || fail "qvview did not exit cleanly on Escape"
viewer=
echo "qvview window check passed ($diff pixels differ)"
