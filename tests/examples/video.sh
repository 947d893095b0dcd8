#!/usr/bin/env bash
# examples/video under Xvfb, with SDL's disk audio driver standing in for a sound card: a clip with a tone
# plays to its end, its sound reaches the audio device, and the program exits by itself; a file that is
# not media fails with a message.
set -euo pipefail
example=$1
work=$(mktemp -d)
cleanup() {
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
source "$(dirname "$0")/xvfb.sh"

ffmpeg -v error -f lavfi -i "testsrc2=size=512x256:rate=30" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
  -t 2 -c:v libx264 -pix_fmt yuv420p -c:a aac "$work/clip.mp4"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw"
"$example" "$work/clip.mp4" >"$work/log" 2>&1 || fail "the clip did not play: $(cat "$work/log")"
[ -s "$work/sound.raw" ] || fail "no sound reached the audio device"
# Float samples of a tone: the device received more than silence.
[ "$(tr -d '\0' <"$work/sound.raw" | head -c 4096 | wc -c)" -eq 4096 ] || fail "the sound is silent"

echo "not a video" >"$work/notes.mp4"
"$example" "$work/notes.mp4" >"$work/log" 2>&1 && fail "a file that is not media played"
grep -q "notes.mp4 cannot be played" "$work/log" || fail "no message for the bad file: $(cat "$work/log")"
echo "video example passed"
