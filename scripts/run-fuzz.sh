#!/usr/bin/env bash
# Builds each fuzz target with clang (libFuzzer + AddressSanitizer + UBSan) straight from the sources and
# runs it for a bounded time from its committed seed corpus (fuzz/corpus/<target>/). Exits non-zero when a
# target finds a fault; the input that did it is left in FUZZ_DIR as crash-* (make it a regression test).
#   FUZZ_SECONDS  seconds per target (default 5)
#   FUZZ_DIR      where the binaries, working corpora and artifacts go (default build-fuzz)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${FUZZ_SECONDS:-5}"
dir="${FUZZ_DIR:-$root/build-fuzz}"
mkdir -p "$dir"

# fuzz NAME MAX_LEN SOURCES... [-lLIB... -DNAME=VALUE...]: builds fuzz/NAME.cpp with the sources and runs it.
fuzz() {
  local name=$1 max_len=$2
  shift 2
  local sources=() flags=()
  for arg in "$@"; do
    case "$arg" in
      -l* | -D*) flags+=("$arg") ;;
      *) sources+=("$root/$arg") ;;
    esac
  done
  echo "== $name"
  clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" "$root/fuzz/$name.cpp" "${sources[@]}" "${flags[@]}" -o "$dir/$name"
  # New inputs go to a working corpus outside the tree; the committed seeds are only read.
  mkdir -p "$dir/corpus/$name"
  "$dir/$name" -max_total_time="$seconds" -max_len="$max_len" -seed=1 -print_final_stats=1 \
    -artifact_prefix="$dir/$name-" "$dir/corpus/$name" "$root/fuzz/corpus/$name"
}

fuzz base64_fuzz 4096 qv/platform/Base64.cpp qv/platform/Base64Kernels.cpp qv/platform/Base64String.cpp
fuzz image_fuzz 65536 qv/os/Image.cpp qv/os/PngDecode.cpp qv/os/JpegDecode.cpp qv/os/JpegMetadata.cpp \
  qv/os/ImageOrientation.cpp qv/os/PhotoSphereXmp.cpp qv/os/PanoramaLayout.cpp qv/os/RegularFile.cpp \
  qv/os/QVLog.cpp -lpng -lturbojpeg
fuzz band_fuzz 65536 qv/os/JpegBandDecoder.cpp qv/os/PngBandDecoder.cpp qv/os/Image.cpp qv/os/PngDecode.cpp \
  qv/os/JpegDecode.cpp qv/os/JpegMetadata.cpp qv/os/ImageOrientation.cpp qv/os/PhotoSphereXmp.cpp \
  qv/os/PanoramaLayout.cpp qv/os/RegularFile.cpp qv/os/QVLog.cpp -lpng -lturbojpeg -ljpeg
fuzz motion_trace_fuzz 8192 qv/os/MotionTrace.cpp qv/os/RegularFile.cpp qv/os/RunLoop.cpp qv/os/QVLog.cpp
fuzz qvview_options_fuzz 1024 apps/qvview/Options.cpp -DQV_VERSION=\"fuzz\"
fuzz media_fuzz 65536 qv/os/av/MemoryInput.cpp qv/os/av/AudioTrackDecoder.cpp qv/os/av/VideoFrameConverter.cpp \
  qv/os/av/FFmpegSupport.cpp qv/os/PixelBufferPool.cpp qv/os/PixelBuffer.cpp qv/os/QVLog.cpp qv/os/ThreadName.cpp \
  -lavformat -lavcodec -lavutil -lswscale -lswresample
