#!/usr/bin/env bash
# qvview without a display: the built-in panorama renders to PNG files, and bad input gives one line
# naming the file and a non-zero exit, never a crash.
set -euo pipefail
qvview=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$qvview" --headless --out "$work/pano.png" --size 320x180 --frames 2 >/dev/null
for f in "$work/pano-0000.png" "$work/pano-0001.png"; do
  [ -s "$f" ] || fail "$f not written"
  head -c 8 "$f" | od -An -tx1 | grep -q '89 50 4e 47' || fail "$f is not a PNG"
done
cmp -s "$work/pano-0000.png" "$work/pano-0001.png" || fail "a still view changed between frames"
"$qvview" --headless --out "$work/turned.png" --size 320x180 --yaw 90 >/dev/null
cmp -s "$work/pano-0000.png" "$work/turned.png" && fail "--yaw did not turn the view"

check_bad() {  # FILE EXPECTED-TEXT
  local out status=0
  out=$("$qvview" --headless --out "$work/bad.png" "$1" 2>&1) || status=$?
  [ "$status" -ne 0 ] || fail "exit 0 for $1"
  [ "$status" -lt 128 ] || fail "crashed on $1 (status $status)"
  [ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || fail "more than one line for $1: $out"
  printf '%s' "$out" | grep -q -- "$1" || fail "message does not name $1: $out"
  printf '%s' "$out" | grep -qi -- "$2" || fail "message for $1 does not say '$2': $out"
}
check_bad "$work/missing.jpg" "no such file"
echo "not an image" >"$work/text.jpg"
check_bad "$work/text.jpg" "unknown format"
head -c 300 "$work/pano-0000.png" >"$work/cut.png"
check_bad "$work/cut.png" "truncated"
status=0
"$qvview" --headless --size 0x10 >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "a bad --size was not refused"
# A video: frames change as it plays, and a file that is not media is refused in one line.
ffmpeg -v error -f lavfi -i "testsrc2=size=512x256:rate=30" -t 2 -c:v libx264 -pix_fmt yuv420p "$work/clip.mp4"
"$qvview" --headless --out "$work/video.png" --size 160x90 --frames 20 "$work/clip.mp4" >/dev/null 2>&1 ||
  fail "the clip did not play"
cmp -s "$work/video-0000.png" "$work/video-0019.png" && fail "the video's frames did not change"
echo "not media" >"$work/broken.mp4"
status=0
out=$("$qvview" --headless --out "$work/bad.png" "$work/broken.mp4" 2>&1 | grep '^qvview: .*broken.mp4') || true
[ -n "$out" ] || fail "no message names the broken clip"
"$qvview" --headless --out "$work/bad.png" "$work/broken.mp4" >/dev/null 2>&1 && fail "exit 0 for a broken clip"
echo "qvview headless checks passed"
