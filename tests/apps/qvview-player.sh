#!/usr/bin/env bash
# qvview as a player in a real window under Xvfb: no display is refused at once; pause, seeks and Home move
# a paused video to the time asked for and the on-screen display shows it (text panel and progress bar in a
# screenshot of the window); S writes the view without the display next to the file; n / p / > step through
# a playlist; a still panorama left alone costs next to no CPU.
set -euo pipefail
qvview=$1
work=$(mktemp -d)
cleanup() {
  [ -n "${QV_WINDOW_SHOTS:-}" ] && cp "$work"/*.png "$QV_WINDOW_SHOTS"/ 2>/dev/null || true
  [ -n "${viewer:-}" ] && kill "$viewer" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -f "$work/viewer.log" ] && cat "$work/viewer.log"
  exit 1
}

# No display, and a display that cannot be reached (SDL would fall back to its offscreen driver): one line
# and status 1, instead of a window nobody sees. (timeout only guards against the old hang.)
for display in unset :99; do
  status=0
  if [ "$display" = unset ]; then
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 "$qvview" 2>&1) || status=$?
  else
    out=$(env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=$display timeout 20 "$qvview" 2>&1) || status=$?
  fi
  [ "$status" -eq 1 ] || fail "no display ($display): status $status"
  printf '%s\n' "$out" | grep -qx "qvview: no display; use --headless" || fail "no display ($display) said: $out"
  printf '%s\n' "$out" | grep -q "motion sensors" && fail "the motion line without a window ($display)"
done

# shellcheck source=../examples/xvfb.sh
source "$(dirname "$0")/../examples/xvfb.sh"

title() { xdotool getwindowname "$window"; }
# Waits (up to 20 s) until the title matches the extended regular expression $1.
await_title() {
  for _ in $(seq 200); do title | grep -Eq -- "$1" && return 0; sleep 0.1; done
  fail "the title never matched '$1' (it reads '$(title)')"
}
shot() {
  xwd -id "$window" -silent >"$work/$1.xwd"
  /usr/bin/convert "xwd:$work/$1.xwd" "$work/$1.png"
}
# The colour of pixel ($2, $3) of PNG $1 as "R G B".
pixel() { /usr/bin/convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | tail -1 | sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/'; }
orange() { read -r r g b <<<"$(pixel "$@")"; [ "$r" -gt 200 ] && [ "$g" -gt 90 ] && [ "$g" -lt 190 ] && [ "$b" -lt 90 ]; }
# White pixels in the region WxH+X+Y of PNG $1.
white() { /usr/bin/convert "$1" -crop "$2" +repage -fill black +opaque white -fill white -opaque white -format '%[fx:round(mean*w*h)]' info:; }
start_viewer() {
  "$qvview" --size 320x240 "$@" >"$work/viewer.log" 2>&1 &
  viewer=$!
  window=$(xdotool search --sync --onlyvisible --name '^qvview' | head -1)
}
stop_viewer() {
  xdotool keydown --window "$window" q
  wait "$viewer" || fail "qvview did not end cleanly on q"
  viewer=
  # The server drops the window of a client that has gone a moment later: the next search must not find it.
  for _ in $(seq 100); do xdotool getwindowname "$window" >/dev/null 2>&1 || break; sleep 0.1; done
  xdotool keyup q 2>/dev/null || true  # not held when the next window takes the focus
}

ffmpeg -nostdin -v error -f lavfi -i "testsrc2=size=320x160:rate=25" -f lavfi -i "sine=duration=8" -t 8 \
  -c:v libx264 -g 25 -pix_fmt yuv420p -c:a aac "$work/clip.mp4"
start_viewer "$work/clip.mp4"
await_title '^qvview - clip.mp4 - [0-9:]+ / 0:08 playing - yaw'
xdotool key --window "$window" space
await_title ' paused - '
shot before
xdotool key --window "$window" shift+Right
# Paused, a seek of 5 s lands on a time 5 s later and shows its frame; the display stays while paused.
await_title ' 0:0[5-7] / 0:08 paused'
sleep 0.5
shot seek
diff=$(/usr/bin/compare -metric AE -crop 320x100+0+20 "$work/before.png" "$work/seek.png" null: 2>&1 || true)
[ "$diff" -gt 1000 ] || fail "the paused seek did not show a new frame ($diff pixels changed)"
# The progress bar along the bottom edge is filled to about 5/8 of the width; the text panel above it
# holds white letters.
orange "$work/seek.png" 100 239 || fail "no progress bar at 100,239: $(pixel "$work/seek.png" 100 239)"
orange "$work/seek.png" 300 239 && fail "the progress bar reaches 300 of 320 at about 5 of 8 s"
letters=$(white "$work/seek.png" 200x30+0+205)
[ "$letters" -gt 100 ] || fail "no text on the display ($letters white pixels)"
# S: the view without the display, next to the file, its name printed.
xdotool key --window "$window" shift+s
for _ in $(seq 100); do grep -q '^screenshot ' "$work/viewer.log" && break; sleep 0.1; done
grep -qx "screenshot $work/clip-shot-1.png" "$work/viewer.log" || fail "no screenshot line"
cp "$work/clip-shot-1.png" "$work/S.png"
[ "$(/usr/bin/identify -format '%wx%h' "$work/S.png")" = 320x240 ] || fail "the screenshot is not the view's size"
orange "$work/S.png" 100 239 && fail "the screenshot holds the display"
xdotool key --window "$window" Home
await_title ' 0:00 / 0:08 paused'
xdotool key --window "$window" shift+Up  # 60 s on: clamped to the last frame
await_title ' 0:07 / 0:08 paused'
stop_viewer

# --start in the window; without --loop the clip ends on its last frame, paused; with it, it plays again.
start_viewer --start 0:06 "$work/clip.mp4"
await_title ' 0:0[6-7] / 0:08 playing'
await_title ' 0:08 / 0:08 ended'
shot ended
[ "$(/usr/bin/convert "$work/ended.png" -crop 320x200+0+0 -format '%[fx:round(255*mean)]' info:)" -gt 40 ] ||
  fail "the last frame did not stay"
stop_viewer
start_viewer --loop --start=7 "$work/clip.mp4"
await_title ' 0:07 / 0:08 playing'
await_title ' 0:0[0-2] / 0:08 playing'
stop_viewer

# A playlist of a still and a video: n, p and > step through it.
ffmpeg -nostdin -v error -f lavfi -i "testsrc=size=512x256" -frames:v 1 "$work/still.png"
start_viewer "$work/still.png" "$work/clip.mp4"
await_title '^qvview - still.png - yaw'
xdotool key --window "$window" n
await_title '^qvview - clip.mp4 - '
xdotool key --window "$window" p
await_title '^qvview - still.png - '
xdotool key --window "$window" greater
await_title '^qvview - clip.mp4 - '
stop_viewer

# Idle: the built-in panorama left alone, once it has settled (the pitch levels 2.5 s after the last
# input), over 5 s. A generous bound; the figure of record is printed.
start_viewer
await_title '^qvview - yaw'
# Drawing only on change leaves the view's own animation alone: a drag down tilts the view, and once let
# go the pitch levels itself back to the horizon.
xdotool mousemove --window "$window" 160 100
xdotool mousedown 1
for y in 110 120 130 140; do xdotool mousemove --window "$window" 160 "$y"; sleep 0.1; done
sleep 0.3
xdotool mouseup 1
title | grep -Eq 'pitch [1-9]' || fail "a drag down did not tilt the view: $(title)"
await_title 'pitch 0\.0 '
sleep 3
ticks() { awk '{ print $14 + $15 }' "/proc/$viewer/stat"; }
before=$(ticks)
sleep 5
used=$(($(ticks) - before))
hz=$(getconf CLK_TCK)
echo "idle still panorama: $used of $((5 * hz)) clock ticks over 5 s"
[ "$used" -lt $((5 * hz / 10)) ] || fail "a still panorama left alone used $used of $((5 * hz)) ticks over 5 s"
stop_viewer
echo "qvview player checks passed"
