#!/usr/bin/env bash
# Writes the media fuzz target's seed corpus: tiny and odd-sized clips of every codec the tests make, each
# behind the target's first byte (1: audio at the decoder's own rate, 0: resampled to 8 kHz).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/fuzz/corpus/media_fuzz"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
ff() { ffmpeg -nostdin -hide_banner -v error -y "$@"; }
ff -f lavfi -i testsrc=size=2x2:rate=10 -t 0.3 -c:v libx264 -preset ultrafast -pix_fmt yuv420p "$work/h264-2x2.mp4"
ff -f lavfi -i testsrc=size=33x17:rate=10 -t 0.3 -c:v libx264 -preset ultrafast -pix_fmt yuv444p "$work/h264-33x17.mp4"
ff -f lavfi -i testsrc=size=24x24:rate=10 -f lavfi -i sine=duration=0.3 -t 0.3 -c:v libx264 -preset ultrafast \
  -pix_fmt yuv420p -c:a aac -b:a 16k -movflags +faststart "$work/h264-aac-24x24.mp4"
ff -f lavfi -i testsrc=size=32x32:rate=10 -t 0.3 -c:v mpeg4 "$work/mpeg4-32x32.mp4"
ff -f lavfi -i sine=duration=0.1 -c:a aac -b:a 16k "$work/aac.m4a"
ff -f lavfi -i sine=duration=0.1:sample_rate=22050 -c:a libmp3lame -b:a 16k "$work/mono22050.mp3"
ff -f lavfi -i sine=duration=0.1 -ac 6 -c:a libvorbis "$work/six.ogg"
ff -f lavfi -i sine=duration=0.05:sample_rate=44100 -ac 2 -c:a pcm_s16le "$work/stereo.wav"
ff -f lavfi -i sine=duration=0.05:sample_rate=8000 -c:a pcm_s16le "$work/mono8000.wav"
selector=1
for f in "$work"/*; do
  name=$(basename "$f")
  { printf "\\x0$selector"; cat "$f"; } >"$out/$name"
  selector=$((1 - selector))
done
du -sh "$out"
