#!/usr/bin/env bash
# qvview and the panorama's layout: one line says what the file's metadata makes of it, --layout and
# --projection override it, bad values are refused, and a top-bottom video in a mono view shows the left eye.
set -euo pipefail
qvview=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# The mean grey level of a PNG, 0 to 255.
brightness() { ffmpeg -nostdin -v error -i "$1" -vf "scale=1:1:flags=area,format=gray" -f rawvideo - | od -An -tu1 | tr -d ' '; }

# Top-bottom stereo: a bright upper (left) eye above a black lower one, tagged as Matroska stereo mode 3.
ffmpeg -nostdin -v error -f lavfi -i "color=white:size=256x64:rate=10" -f lavfi -i "color=black:size=256x64:rate=10" \
  -filter_complex vstack -t 1 -c:v mpeg4 -q:v 2 "$work/tb.mkv"
mkvpropedit -q "$work/tb.mkv" --edit track:v1 --set stereo-mode=3 --set projection-type=1 >/dev/null
line=$("$qvview" --headless --out "$work/tb.png" --size 160x90 --pitch -30 "$work/tb.mkv" 2>&1 >/dev/null)
grep -qx "qvview: top-bottom stereo, equirectangular 360" <<<"$line" || fail "no layout line: $line"
[ "$(brightness "$work/tb.png")" -gt 200 ] || fail "the mono view of top-bottom stereo is not the left eye"
line=$("$qvview" --headless --out "$work/whole.png" --size 160x90 --pitch -30 --layout mono "$work/tb.mkv" 2>&1 >/dev/null)
grep -qx "qvview: mono, equirectangular 360" <<<"$line" || fail "--layout mono not taken: $line"
[ "$(brightness "$work/whole.png")" -lt 50 ] || fail "--layout mono still shows one eye"

# The right eye first (Matroska stereo mode 2): the same frame's lower, black half is the left eye, so the
# mono view is dark; in --stereo the left eye's half of the view is dark and the right eye's bright.
cp "$work/tb.mkv" "$work/tbrl.mkv"
mkvpropedit -q "$work/tbrl.mkv" --edit track:v1 --set stereo-mode=2 >/dev/null
line=$("$qvview" --headless --out "$work/tbrl.png" --size 160x90 --pitch -30 "$work/tbrl.mkv" 2>&1 >/dev/null)
grep -qx "qvview: top-bottom stereo (right eye first), equirectangular 360" <<<"$line" || fail "no layout line: $line"
[ "$(brightness "$work/tbrl.png")" -lt 50 ] || fail "the mono view of right-first stereo is not the left eye"
"$qvview" --headless --out "$work/pair.png" --size 160x90 --pitch -30 --stereo "$work/tbrl.mkv" >/dev/null 2>&1
half() { ffmpeg -nostdin -v error -y -i "$work/pair.png" -vf "crop=80:90:$1:0" "$work/half.png"; brightness "$work/half.png"; }
[ "$(half 0)" -lt 50 ] && [ "$(half 80)" -gt 200 ] || fail "right-first stereo: the eyes are not swapped"
# A still takes it from --layout: a white left half and black right half side by side, right eye first.
ffmpeg -nostdin -v error -f lavfi -i "color=white:size=128x128" -f lavfi -i "color=black:size=128x128" \
  -filter_complex hstack -frames:v 1 "$work/sbs.png"
line=$("$qvview" --headless --out "$work/sbsrl.png" --size 160x90 --layout sbs-rl "$work/sbs.png" 2>&1 >/dev/null)
grep -qx "qvview: side-by-side stereo (right eye first), equirectangular 360" <<<"$line" || fail "--layout sbs-rl: $line"
[ "$(brightness "$work/sbsrl.png")" -lt 50 ] || fail "--layout sbs-rl does not show the right half"

# A picture flatter than 2:1 without metadata is a band, said once; --projection half is the front half.
ffmpeg -nostdin -v error -f lavfi -i "color=gray:size=400x100" -frames:v 1 "$work/band.png"
line=$("$qvview" --headless --out "$work/band-out.png" --size 160x90 "$work/band.png" 2>&1 >/dev/null)
[ "$(grep -c "band about the horizon" <<<"$line")" = 1 ] || fail "the band is not said once: $line"
line=$("$qvview" --headless --out "$work/half.png" --size 160x90 --projection half "$work/band.png" 2>&1 >/dev/null)
grep -qx "qvview: mono, equirectangular 180" <<<"$line" || fail "--projection half not taken: $line"

# A photo sphere's initial view: the heading is the view's yaw (clockwise from the centre column), the
# horizontal field of view becomes the view's; --yaw and --fov win. Black left half (yaw -180 to 0), white
# right half (yaw 0 to 180).
ffmpeg -nostdin -v error -f lavfi -i "color=black:size=360x360" -f lavfi -i "color=white:size=360x360" \
  -filter_complex hstack -frames:v 1 "$work/halves.jpg"
initial() {
  cp "$work/halves.jpg" "$work/$1.jpg"
  exiftool -q -overwrite_original -XMP-GPano:ProjectionType=equirectangular "${@:2}" "$work/$1.jpg"
}
initial right -XMP-GPano:InitialViewHeadingDegrees=90
initial left -XMP-GPano:InitialViewHeadingDegrees=270
initial narrow -XMP-GPano:InitialViewHeadingDegrees=45 -XMP-GPano:InitialHorizontalFOVDegrees=60
initial wide -XMP-GPano:InitialViewHeadingDegrees=45
shot() { "$qvview" --headless --out "$work/$1-out.png" --size 160x90 "${@:2}" "$work/$1.jpg" >/dev/null 2>&1; brightness "$work/$1-out.png"; }
[ "$(shot right)" -gt 240 ] || fail "heading 90 does not look at the right half"
[ "$(shot left)" -lt 15 ] || fail "heading 270 does not look at the left half"
[ "$(shot right --yaw -90)" -lt 15 ] || fail "--yaw does not win over the initial heading"
[ "$(shot narrow)" -gt 240 ] || fail "the initial field of view is not taken"
[ "$(shot wide)" -lt 240 ] || fail "heading 45 at the default field of view shows no left half"
[ "$(shot narrow --fov 75)" -lt 240 ] || fail "--fov does not win over the initial field of view"

for bad in "--layout tbx" "--projection fisheye"; do
  status=0
  # shellcheck disable=SC2086
  err=$("$qvview" --headless --out "$work/x.png" $bad "$work/band.png" 2>&1 >/dev/null) || status=$?
  [ $status -ne 0 ] || fail "$bad accepted"
  grep -q "expected" <<<"$err" || fail "$bad: no reason given: $err"
done
echo "qvview layout: all checks passed"
