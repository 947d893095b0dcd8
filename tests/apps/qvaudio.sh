#!/usr/bin/env bash
# qvaudio end to end through SDL's file-writing audio driver: it plays and ends, mixes many channels down,
# refuses rates it cannot play and URLs with the reason, names the real fault of a corrupt file, and
# Ctrl-C or SIGTERM end it at once with 130 or 143.
set -euo pipefail
qvaudio=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# The file driver writes at once (no delay) until the signal checks, which need playback in real time.
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/played.raw" SDL_DISKAUDIODELAY=0

ffmpeg -nostdin -v error -f lavfi -i "sine=duration=0.5" -ac 2 "$work/stereo.wav"
for rate in "" "--rate 0" "--rate 8000"; do
  rm -f "$work/played.raw"
  # shellcheck disable=SC2086
  "$qvaudio" "$work/stereo.wav" $rate >/dev/null 2>&1 || fail "stereo.wav $rate did not play"
  [ -s "$work/played.raw" ] || fail "nothing reached the device for $rate"
done
ffmpeg -nostdin -v error -f lavfi -i "sine=duration=0.5" -af "pan=hexadecagonal|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0|c6=c0|c7=c0|c8=c0|c9=c0|c10=c0|c11=c0|c12=c0|c13=c0|c14=c0|c15=c0" \
  -c:a pcm_s16le "$work/sixteen.wav"
out=$("$qvaudio" "$work/sixteen.wav" 2>&1) || fail "a 16-channel file did not play: $out"

refused() {  # EXPECTED-TEXT ARGS...
  local text=$1 out status=0
  shift
  out=$("$qvaudio" "$@" 2>&1) || status=$?
  [ "$status" -ne 0 ] || fail "exit 0 for $*"
  [ "$status" -lt 128 ] || fail "crashed on $* (status $status)"
  printf '%s' "$out" | grep -qi -- "$text" || fail "'$*' does not say '$text': $out"
}
for rate in 1 100 -5 nan 1e9 44100junk; do refused "0 (the decoder's own rate) or 8000 to 192000" "$work/stereo.wav" --rate "$rate"; done
refused "only local files" "http://127.0.0.1:1/sound.mp3"
usage=$("$qvaudio" 2>&1) || true
printf '%s' "$usage" | grep -q "URL" && fail "the usage line offers URLs: $usage"
head -c 4000 /dev/urandom >"$work/noise.mp3"
refused "cannot be read: " "$work/noise.mp3"
refused "has no audio track 2" "$work/stereo.wav" --track 2

ffmpeg -nostdin -v error -f lavfi -i "sine=duration=30" "$work/long.wav"
unset SDL_DISKAUDIODELAY
for signal in INT:130 TERM:143; do
  : >"$work/playing.txt"
  "$qvaudio" "$work/long.wav" >"$work/playing.txt" 2>/dev/null &
  pid=$!
  # Signalled once it plays; it must end by itself (a hang shows as the test's time-out).
  until grep -q playing "$work/playing.txt"; do sleep 0.05; done
  kill -"${signal%%:*}" "$pid"
  status=0
  wait "$pid" || status=$?
  [ "$status" -eq "${signal##*:}" ] || fail "SIG${signal%%:*} ended qvaudio with $status"
done
echo "qvaudio checks passed"
