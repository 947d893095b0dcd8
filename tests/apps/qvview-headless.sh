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

check_bad() {  # FILE EXPECTED-TEXT [OPTION]: FILE as the panorama, or as the value of OPTION
  local out status=0 option=${3-}
  out=$(timeout 60 "$qvview" --headless --out "$work/bad.png" ${option:+"$option"} "$1" 2>&1) || status=$?
  out=$(printf '%s\n' "$out" | grep -v 'motion sensors')  # said before the blind spot is read
  [ "$status" -ne 124 ] || fail "hung on $option $1"
  [ "$status" -ne 0 ] || fail "exit 0 for $option $1"
  [ "$status" -lt 128 ] || fail "crashed on $option $1 (status $status)"
  [ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || fail "more than one line for $option $1: $out"
  printf '%s' "$out" | grep -q -- "${1##*,}" || fail "message does not name ${1##*,}: $out"
  printf '%s' "$out" | grep -qi -- "$2" || fail "message for $option $1 does not say '$2': $out"
}
check_bad "$work/missing.jpg" "no such file"
echo "not an image" >"$work/text.jpg"
check_bad "$work/text.jpg" "unknown format"
head -c 300 "$work/pano-0000.png" >"$work/cut.png"
check_bad "$work/cut.png" "truncated"
# Paths that are not regular files: refused by what they are, without blocking or reading them.
mkdir "$work/d.png" "$work/d.mp4" "$work/d.csv"
mkfifo "$work/fifo.png" "$work/fifo.mp4" "$work/fifo.csv"
ln -s /dev/zero "$work/zero.png"
ln -s /dev/zero "$work/zero.mp4"
ln -s /dev/zero "$work/zero.csv"
truncate -s 3G "$work/junk.png"
for kind in png mp4; do
  check_bad "$work/d.$kind" "is a directory"
  check_bad "$work/fifo.$kind" "is not a regular file"
  check_bad "$work/zero.$kind" "is not a regular file"
done
check_bad "$work/junk.png" "too large"
check_bad "$work/d.csv" "is a directory" --motion
check_bad "$work/fifo.csv" "is not a regular file" --motion
check_bad "$work/zero.csv" "is not a regular file" --motion
check_bad "0,0,$work/d.png" "is a directory" --hotspot
check_bad "0,0,$work/fifo.png" "is not a regular file" --hotspot
# A blind-spot image that cannot be shown is an error, not a pole silently left uncovered.
check_bad "$work/missing.png" "no such file" --nadir
check_bad "$work/cut.png" "truncated" --zenith
check_bad "$work/d.png" "is a directory" --nadir
# A panorama wider than the GL maximum texture size (16384 here) is shown in tiles.
ffmpeg -v error -f lavfi -i color=gray:size=16386x2 -frames:v 1 "$work/wide.png"
"$qvview" --headless --out "$work/wide-view.png" --size 64x32 "$work/wide.png" >/dev/null 2>&1 ||
  fail "a panorama wider than the GL maximum texture size was not shown"
# So is a blind-spot image: scaled down to what the disk can show.
"$qvview" --headless --out "$work/wide-nadir.png" --size 64x32 --nadir "$work/wide.png" >/dev/null 2>&1 ||
  fail "a blind-spot image wider than the GL maximum texture size was refused"

check_refused() {  # EXPECTED-TEXT ARGS...: refused with status 2, the first line saying why
  local text=$1 out status=0
  shift
  out=$("$qvview" --headless --out "$work/bad.png" "$@" 2>&1) || status=$?
  [ "$status" -eq 2 ] || fail "'$*' was not refused (status $status)"
  # The first line, taken without a pipe that pipefail would fail when grep stops reading early.
  [[ "${out%%$'\n'*}" == *"$text"* ]] || fail "'$*' does not say '$text': $out"
}
check_refused "each from 1 to 16384" --size 0x10
check_refused "each from 1 to 16384" --size 4294967297x1
check_refused "each from 1 to 16384" --size 640x320junk
check_refused "each from 1 to 16384" --size " 640x320"
for fov in nan inf 0 180 -5; do check_refused "degrees from 1 to 179" --fov "$fov"; done
for pitch in nan -inf 90.5 180; do check_refused "degrees from -90 to 90" --pitch "$pitch"; done
for yaw in nan inf 1e39; do check_refused "any finite number" --yaw "$yaw"; done
check_refused "yaw,pitch,IMAGE" --hotspot "nan,inf,$work/pano-0000.png"
check_refused "one pole at a time" --nadir "$work/pano-0000.png" --zenith "$work/turned.png"
"$qvview" --headless --out "$work/edge.png" --size 64x32 --fov 179 --pitch -90 --yaw 720 >/dev/null 2>&1 ||
  fail "the limits of the ranges were refused"

# Frames read back from the opaque layer are opaque, even where the panorama is translucent.
convert -size 256x128 xc:"rgba(255,0,0,0.5)" "$work/translucent.png"
"$qvview" --headless --out "$work/shown.png" --size 64x32 "$work/translucent.png" >/dev/null 2>&1 ||
  fail "the translucent panorama was not shown"
[ "$(identify -format '%[opaque]' "$work/shown.png")" = "True" ] ||
  [ "$(identify -format '%[opaque]' "$work/shown.png")" = "true" ] || fail "the written frame is not opaque"
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
# Many views from one decode: numbered or named files, each what a single render of that direction shows.
printf 'yaw,pitch,fov,name\n0,0,75\n90,-30,60,right\n-45.5,10,100\n' >"$work/views.csv"
"$qvview" --headless --views "$work/views.csv" --out "$work/v.png" --size 160x90 >/dev/null 2>&1 ||
  fail "--views failed"
"$qvview" --headless --out "$work/single.png" --size 160x90 --yaw=90 --pitch=-30 --fov=60 >/dev/null
cmp -s "$work/v-right.png" "$work/single.png" || fail "the named view differs from a single render"
"$qvview" --headless --out "$work/single.png" --size 160x90 --yaw -45.5 --pitch 10 --fov 100 >/dev/null
cmp -s "$work/v-0002.png" "$work/single.png" || fail "the third view differs from a single render"
[ -s "$work/v-0000.png" ] || fail "the first view was not numbered"
printf '0,0,75\n0,95,75\n' >"$work/badviews.csv"
out=$("$qvview" --headless --views "$work/badviews.csv" --out "$work/w.png" 2>&1) && fail "a bad view was accepted"
printf '%s\n' "$out" | grep -q "line 2: pitch: expected degrees from -90 to 90" || fail "bad view: $out"
[ ! -e "$work/w-0000.png" ] || fail "views written before the list was checked"
check_bad "$work/fifo.csv" "is not a regular file" --views
"$qvview" --version | grep -Eq '^qvview [0-9]+\.[0-9]+\.[0-9]+$' || fail "--version: $("$qvview" --version)"
echo "qvview headless checks passed"
