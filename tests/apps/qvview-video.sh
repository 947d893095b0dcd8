#!/usr/bin/env bash
# qvview --headless on videos: no frame written is black, tiny and odd-sized clips play, and a clip that
# cannot give a picture (media cut away, sound only) or a stream that dies ends with one line naming it
# and a non-zero exit.
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
# An HTTP stream that dies part way: the server sends the first half of the file and closes, and answers
# no request for the rest. The player asks again for a few seconds (a stream may come back), then the run
# ends non-zero with a line that says so, not with the last picture written until the frame count (10 s).
ffmpeg -nostdin -v error -f lavfi -i "testsrc2=size=256x128:rate=30" -t 4 -c:v libx264 -pix_fmt yuv420p \
  -movflags +faststart "$work/long.mp4"
cat >"$work/dying.py" <<'PY'
import http.server, sys
data = open(sys.argv[1], "rb").read()
cut = len(data) // 2
class Dying(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def do_GET(self):
        ranged = self.headers.get("Range", "")
        start = int(ranged[6:].split("-")[0] or 0) if ranged.startswith("bytes=") else 0
        self.close_connection = True
        if start >= cut:
            return  # closed without an answer
        self.send_response(206 if ranged else 200)
        self.send_header("Content-Type", "video/mp4")
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("Content-Length", str(len(data) - start))
        if ranged:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, len(data) - 1, len(data)))
        self.end_headers()
        try:
            self.wfile.write(data[start:cut])
        except OSError:
            pass
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Dying)
print(server.server_address[1], flush=True)
server.serve_forever()
PY
python3 "$work/dying.py" "$work/long.mp4" >"$work/port" &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/long.mp4"
status=0
out=$("$qvview" --headless --out "$work/net.png" --size 160x90 --frames 300 "$url" 2>&1 >/dev/null) || status=$?
[ "$status" -ne 0 ] || fail "a stream that died ended with exit 0"
[ "$status" -lt 128 ] || fail "crashed on a stream that died (status $status)"
printf '%s' "$out" | grep "^qvview: $url" | grep -q "failed" || fail "no line says the stream failed: $out"
written=$(find "$work" -name 'net-*.png' | wc -l)
[ "$written" -lt 300 ] || fail "all $written frames written after the stream died"
[ "$written" -gt 0 ] || fail "nothing played before the stream died: $out"
echo "qvview video checks passed"
