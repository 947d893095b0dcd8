#!/usr/bin/env bash
# qvview in a real window under Xvfb: a scripted mouse drag turns the view so that the grabbed point
# follows the pointer (measured on screenshots), a screenshot of the window matches the headless render
# of the same view direction, and the wheel, the +/- keys and held arrow keys look around.
set -euo pipefail
qvview=$1
work=$(mktemp -d)
cleanup() {
  # QV_WINDOW_SHOTS=DIR keeps the screenshots for a look.
  [ -n "${QV_WINDOW_SHOTS:-}" ] && cp "$work"/*.png "$QV_WINDOW_SHOTS"/ 2>/dev/null || true
  if [ -n "${viewer:-}" ] && ! kill -0 "$viewer" 2>/dev/null; then
    status=0
    wait "$viewer" || status=$?
    echo "qvview had ended with status $status:"
    cat "$work/viewer.log"
  fi
  [ -n "${viewer:-}" ] && kill "$viewer" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# shellcheck source=../examples/xvfb.sh
source "$(dirname "$0")/../examples/xvfb.sh"

"$qvview" --size 320x240 >"$work/viewer.log" 2>&1 &
viewer=$!
window=$(xdotool search --sync --onlyvisible --name '^qvview' | head -1)
# The title carries the view direction once frames run.
for _ in $(seq 50); do xdotool getwindowname "$window" | grep -q yaw && break; sleep 0.1; done
shot() {
  xwd -id "$window" -silent >"$work/$1.xwd"
  /usr/bin/convert "xwd:$work/$1.xwd" "$work/$1.png"
}
title() { xdotool getwindowname "$window"; }
# Waits (up to 5 s) until the title has changed from $1.
changed() {
  for _ in $(seq 50); do [ "$(title)" != "$1" ] && return 0; sleep 0.1; done
  return 1
}
# Before the drag the window shows what the headless render at yaw 0 shows (checked below for the
# view after the drag).
"$qvview" --headless --size 320x240 --out "$work/before.png" >/dev/null
# Drag 48 points to the right, grabbing the top of the "N" above the horizon at (160, 85).
xdotool mousemove --window "$window" 160 85
sleep 0.3
xdotool mousedown 1
sleep 0.1
for x in 172 184 196 208; do xdotool mousemove --window "$window" "$x" 85; sleep 0.1; done
sleep 0.3  # held still before letting go: no coasting
xdotool mouseup 1
sleep 0.5
# Pointer-true: the view turns by the angle between x = 160 and x = 208 seen from the window's centre at a
# 75-degree field of view: atan(48 / (120 / tan 37.5)) = 17.06 degrees to the left.
[ "$(title)" = "qvview - yaw -17.1  pitch 0.0  fov 75" ] || fail "unexpected title after the drag: $(title)"
shot window
# Where did the grabbed point go? The 24 x 24 patch around it before the drag, looked for along its row.
/usr/bin/convert "$work/before.png" -crop 24x24+148+73 +repage "$work/patch.png"
best=; bestx=0
for x in $(seq 188 228); do
  /usr/bin/convert "$work/window.png" -crop "24x24+$((x - 12))+73" +repage "$work/candidate.png"
  err=$(/usr/bin/compare -metric AE "$work/patch.png" "$work/candidate.png" null: 2>&1 || true)
  if [ -z "$best" ] || [ "$err" -lt "$best" ]; then best=$err; bestx=$x; fi
done
shift=$((bestx - 160))
echo "drag of 48 points moved the grabbed point $shift pixels"
[ "$shift" -ge 44 ] && [ "$shift" -le 52 ] || fail "the grabbed point moved $shift pixels for a 48-point drag"
"$qvview" --headless --size 320x240 --yaw -17.063 --out "$work/headless.png" >/dev/null
diff=$(/usr/bin/compare -metric AE "$work/window.png" "$work/headless.png" null: 2>&1 || true)
[ "$diff" -le 200 ] || fail "window and headless renders differ in $diff pixels"

# Zoom: a wheel notch towards the screen narrows the view, + and - step the field of view.
before=$(title)
xdotool click --window "$window" 4
changed "$before" || fail "the wheel did not zoom"
case "$(title)" in *"fov 70") ;; *) fail "unexpected title after a wheel notch: $(title)" ;; esac
before=$(title)
xdotool key --window "$window" minus
changed "$before" || fail "- did not zoom out"
case "$(title)" in *"fov 75") ;; *) fail "unexpected title after -: $(title)" ;; esac
before=$(title)
xdotool key --window "$window" plus
changed "$before" || fail "+ did not zoom in"

# A held arrow key turns the view steadily to the right until it is let go.
before=$(title)
yaw0=$(echo "$before" | sed -E 's/.*yaw (-?[0-9.]+).*/\1/')
xdotool keydown --window "$window" Right
sleep 0.5
xdotool keyup --window "$window" Right
changed "$before" || fail "a held arrow key did not turn the view"
yaw=$(title | sed -E 's/.*yaw (-?[0-9.]+).*/\1/')
awk -v y="$yaw" -v y0="$yaw0" 'BEGIN { exit !(y > y0) }' || fail "the right arrow turned the view the wrong way: $(title)"
import -window root "$work/root.png" 2>/dev/null || true
# Only the key press: the window is gone before a release could be sent to it.
xdotool keydown --window "$window" Escape
wait "$viewer" || fail "qvview did not exit cleanly on Escape"
viewer=
echo "qvview window check passed ($diff pixels differ)"
