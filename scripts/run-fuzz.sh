#!/usr/bin/env bash
# Builds each fuzz target with clang (libFuzzer + AddressSanitizer + UBSan) straight from the sources and
# runs it for a bounded time from its seed corpus. Exits non-zero when a target finds a fault.
#   FUZZ_SECONDS  time per target (default 5)
#   FUZZ_DIR      where the binaries and working corpora go (default build-fuzz)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${FUZZ_SECONDS:-5}"
dir="${FUZZ_DIR:-$root/build-fuzz}"
mkdir -p "$dir"
media_libs=$(pkg-config --cflags --libs libavformat libavcodec libavutil libswscale libswresample)

# fuzz_target NAME "LINK FLAGS" SOURCE...: builds fuzz/NAME.cpp with the kit sources it needs, then runs it
# on a working copy of fuzz/corpus/NAME (when there is one) plus whatever $dir/corpus-NAME already holds.
fuzz_target() {
  local name=$1 libs=$2
  shift 2
  local sources=()
  for source in "fuzz/$name.cpp" "$@"; do sources+=("$root/$source"); done
  # shellcheck disable=SC2086
  clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" "${sources[@]}" $libs -o "$dir/$name"
  local corpus="$dir/corpus-$name"
  mkdir -p "$corpus"
  [ -d "$root/fuzz/corpus/$name" ] && cp -n "$root/fuzz/corpus/$name"/* "$corpus/"
  "$dir/$name" -max_total_time="$seconds" -max_len=65536 -seed=1 -print_final_stats=1 -artifact_prefix="$dir/$name-" \
    "$corpus"
}

fuzz_target base64_fuzz "" qv/platform/Base64.cpp qv/platform/Base64Kernels.cpp qv/platform/Base64String.cpp
fuzz_target media_fuzz "$media_libs" qv/os/av/MemoryInput.cpp qv/os/av/AudioTrackDecoder.cpp \
  qv/os/av/VideoFrameConverter.cpp qv/os/av/FFmpegSupport.cpp qv/os/PixelBufferPool.cpp qv/os/PixelBuffer.cpp \
  qv/os/QVLog.cpp
