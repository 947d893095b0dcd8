#!/usr/bin/env bash
# examples/window under Xvfb: a drag turns the view, the wheel narrows the field of view, and a screenshot
# of the window is the picture qvview --headless renders for the direction the title reports.
set -euo pipefail
example=$1
qvview=$2
work=$(mktemp -d)
cleanup() {
  [ -n "${host:-}" ] && kill "$host" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
source "$(dirname "$0")/xvfb.sh"

ffmpeg -v error -f lavfi -i "testsrc2=size=1024x512" -frames:v 1 "$work/pano.jpg"
"$example" "$work/pano.jpg" >"$work/host.log" 2>&1 &
host=$!
window=$(xdotool search --sync --onlyvisible --name '^window' | head -1)
for _ in $(seq 50); do xdotool getwindowname "$window" | grep -q yaw && break; sleep 0.1; done
title() { xdotool getwindowname "$window"; }
title | grep -qE '^window - yaw -?0\.0 pitch -?0\.0 fov 75$' || fail "unexpected first title: $(title)"

xdotool mousemove --window "$window" 300 270
sleep 0.3
xdotool mousedown 1
sleep 0.1
for x in 320 340 360 380; do xdotool mousemove --window "$window" "$x" 270; sleep 0.1; done
xdotool mouseup 1
xdotool click --window "$window" 4  # wheel up: zoom in
for _ in $(seq 50); do title | grep -q 'fov 70' && break; sleep 0.1; done
read -r yaw pitch fov < <(title | sed -E 's/^window - yaw (\S+) pitch (\S+) fov (\S+)$/\1 \2 \3/')
[ "$fov" = 70 ] || fail "the wheel did not zoom in: $(title)"
# Dragging to the right pulls the picture along: the view turns left.
awk -v y="$yaw" 'BEGIN { exit !(y < -5) }' || fail "a drag to the right did not turn the view left: $(title)"
sleep 0.5
xwd -id "$window" -silent >"$work/window.xwd"
convert "xwd:$work/window.xwd" "$work/window.png"
"$qvview" --headless --size 960x540 --yaw "$yaw" --pitch "$pitch" --fov "$fov" --out "$work/headless.png" \
  "$work/pano.jpg" >/dev/null
# The window's copy of the frame may differ from the headless one by a few levels in a colour channel.
diff=$(compare -fuzz 10% -metric AE "$work/window.png" "$work/headless.png" null: 2>&1 || true)
[ "$diff" -le 200 ] || fail "window and headless renders differ in $diff pixels"
xdotool key --window "$window" Escape
wait "$host" || fail "the example did not exit cleanly on Escape: $(cat "$work/host.log")"
host=
echo "window example passed (yaw $yaw, $diff pixels differ)"
