#!/usr/bin/env bash
# examples/render_views: four views of one panorama as PNGs, each the same picture qvview --headless
# renders for that direction, and no two alike.
set -euo pipefail
example=$1
qvview=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

ffmpeg -v error -f lavfi -i "testsrc2=size=1024x512" -frames:v 1 "$work/pano.jpg"
"$example" "$work/pano.jpg" "$work/view" >"$work/log" || fail "render_views failed: $(cat "$work/log")"
for yaw in 0 90 180 270; do
  png="$work/view-yaw$yaw.png"
  [ -f "$png" ] || fail "no $png"
  [ "$(identify -format %wx%h "$png")" = 640x360 ] || fail "$png is not 640x360"
  "$qvview" --headless --size 640x360 --fov 75 --yaw "$yaw" --out "$work/qvview-$yaw.png" "$work/pano.jpg" >/dev/null
  diff=$(compare -metric AE "$png" "$work/qvview-$yaw.png" null: 2>&1 || true)
  [ "$diff" -le 200 ] || fail "yaw $yaw differs from qvview's render in $diff pixels"
done
for pair in "0 90" "90 180" "180 270"; do
  set -- $pair
  diff=$(compare -metric AE "$work/view-yaw$1.png" "$work/view-yaw$2.png" null: 2>&1 || true)
  [ "$diff" -gt 10000 ] || fail "the views at yaw $1 and $2 are nearly the same ($diff pixels differ)"
done
"$example" "$work/missing.jpg" "$work/x" 2>"$work/err" && fail "a missing panorama was accepted"
grep -q "missing.jpg" "$work/err" || fail "the error does not name the file: $(cat "$work/err")"
echo "render_views example passed"
