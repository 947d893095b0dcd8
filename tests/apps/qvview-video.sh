#!/usr/bin/env bash
# qvview --headless on videos: no frame written is black, tiny and odd-sized clips play, and a clip that
# cannot give a picture (media cut away, sound only) ends with one line naming it and a non-zero exit.
set -euo pipefail
qvview=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# The mean grey level of a PNG, 0 to 255.
brightness() { ffmpeg -nostdin -v error -i "$1" -vf "scale=1:1:flags=area,format=gray" -f rawvideo - | od -An -tu1 | tr -d ' '; }

ffmpeg -nostdin -v error -f lavfi -i "testsrc2=size=256x128:rate=30" -t 2 -c:v libx264 -pix_fmt yuv420p \
  -movflags +faststart "$work/clip.mp4"
# A single frame, and the first of several, are the clip's picture, never the black before it.
for run in 1 2 3; do
  "$qvview" --headless --out "$work/one.png" --size 160x90 --frames 1 "$work/clip.mp4" >/dev/null ||
    fail "the clip did not play (run $run)"
  [ "$(brightness "$work/one.png")" -gt 40 ] || fail "--frames 1 wrote a black frame (run $run)"
done
"$qvview" --headless --out "$work/many.png" --size 160x90 --frames 3 "$work/clip.mp4" >/dev/null
[ "$(brightness "$work/many-0000.png")" -gt 40 ] || fail "frame 0 of a run is black"

# Headless video is stepped through media time: frame k is the decoded frame for start + k / fps, the same
# on every run, and equal to ffmpeg's frame at that time. The flat view at the clip's own size samples the
# frame texel for texel, so only the YUV-to-RGB conversion may differ (a level or two, RMSE well under 1%),
# while neighbouring frames of the test pattern differ by about 10%.
for run in a b; do
  "$qvview" --headless --mode flat --size 256x128 --start 0.5 --fps=10 --frames 6 --out "$work/$run.png" \
    "$work/clip.mp4" >/dev/null 2>&1 || fail "stepping run $run failed"
done
for k in 0 1 2 3 4 5; do
  cmp -s "$work/a-000$k.png" "$work/b-000$k.png" || fail "frame $k differs between two runs"
  t=$(awk -v k="$k" 'BEGIN { printf "%.3f", 0.5 + k / 10 }')
  ffmpeg -nostdin -v error -ss "$t" -i "$work/clip.mp4" -frames:v 1 -y "$work/ref.png"
  rmse=$(/usr/bin/compare -metric RMSE "$work/a-000$k.png" "$work/ref.png" null: 2>&1 | sed -E 's/.*\((.*)\).*/\1/' || true)
  awk -v e="$rmse" 'BEGIN { exit !(e < 0.01) }' || fail "frame $k (t = $t s) is not ffmpeg's frame there (RMSE $rmse)"
done
# Without --loop nothing is written past the end; with it the times wrap to the start.
out=$("$qvview" --headless --size 64x32 --frames 70 --out "$work/end.png" "$work/clip.mp4" 2>/dev/null)
[ -e "$work/end-0059.png" ] && [ ! -e "$work/end-0060.png" ] || fail "--no-loop wrote past the end"
printf '%s' "$out" | grep -q "end of $work/clip.mp4 after 60 frames" || fail "no line says where the clip ended"
"$qvview" --headless --mode flat --size 256x128 --loop --frames 61 --out "$work/loop.png" "$work/clip.mp4" \
  >/dev/null 2>"$work/loop.log" || fail "--loop run: $(cat "$work/loop.log")"
cmp -s "$work/loop-0060.png" "$work/loop-0000.png" || fail "--loop did not wrap to the start"

status=0
out=$("$qvview" --headless --start 0:05 --out "$work/late.png" "$work/clip.mp4" 2>&1 >/dev/null) || status=$?
[ "$status" -eq 1 ] && [ ! -e "$work/late.png" ] || fail "a start past the end wrote a frame (status $status)"
printf '%s' "$out" | grep -q -- "--start 5.000 s is past the end of $work/clip.mp4" || fail "past the end: $out"

# Frames of a few pixels, and of an odd width, convert inside their buffers.
for size in 2x2 4x4 8x8 24x24 33x17; do
  pix=yuv420p
  [ "$size" = 33x17 ] && pix=yuv444p
  ffmpeg -nostdin -v error -f lavfi -i "testsrc=size=$size:rate=30" -t 0.5 -c:v libx264 -pix_fmt $pix \
    "$work/tiny$size.mp4"
  status=0
  "$qvview" --headless --out "$work/tiny.png" --size 64x32 --frames 5 "$work/tiny$size.mp4" >/dev/null 2>&1 ||
    status=$?
  [ "$status" -eq 0 ] || fail "a $size clip ended with status $status"
done

check_refused() {  # FILE EXPECTED-TEXT
  local out status=0
  out=$("$qvview" --headless --out "$work/bad.png" --frames 3 "$1" 2>&1 >/dev/null) || status=$?
  [ "$status" -ne 0 ] || fail "exit 0 for $1"
  [ "$status" -lt 128 ] || fail "crashed on $1 (status $status)"
  [ ! -e "$work/bad-0000.png" ] || fail "frames written for $1"
  printf '%s' "$out" | grep "^qvview: $1" | grep -qi -- "$2" || fail "no line names $1 and says '$2': $out"
}
# The index is whole, the media data behind it is cut.
offset=$(grep -obUaP 'mdat' "$work/clip.mp4" | head -1 | cut -d: -f1)
head -c $((offset + 60)) "$work/clip.mp4" >"$work/hollow.mp4"
check_refused "$work/hollow.mp4" "no video frame"
ffmpeg -nostdin -v error -f lavfi -i "sine=duration=1" -c:a aac "$work/sound.m4a"
check_refused "$work/sound.m4a" "has no video track"
echo "qvview video checks passed"
