#!/usr/bin/env bash
# Installs every Debian package the kit, its tests and its benchmarks need.
# Idempotent: refreshes the package lists only when something is missing,
# and does nothing at all when every package is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  libegl-dev libgles-dev libgl-dev libegl-mesa0 libgl1-mesa-dri libglu1-mesa-dev
  libsdl2-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
  libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev libssl-dev libisal-dev libdeflate-dev
  libgtest-dev libgmock-dev libbenchmark-dev doxygen
  xvfb xauth x11-utils x11-apps xdotool imagemagick python3
  mkvtoolnix libimage-exiftool-perl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
