#!/usr/bin/env bash
# Installs the kit into a fresh prefix, then builds and runs a small host program against it twice:
# once through CMake's find_package and once through pkg-config; the same for the window-glue component
# (find_package(qvkit COMPONENTS sdl) and qvkit-sdl.pc) with the windowed example host.
set -euo pipefail
build_dir=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
test -f "$work/prefix/include/qv/core/QVViewGL.h"
# The player engine and the kernels are the kit's own business: not installed.
test ! -e "$work/prefix/include/qv/os/av/PlaybackEngine.h"
test ! -e "$work/prefix/include/qv/platform/Base64Kernels.h"
test -f "$work/prefix/lib/cmake/qvkit/qvkitConfig.cmake" || test -f "$work/prefix/lib/x86_64-linux-gnu/cmake/qvkit/qvkitConfig.cmake"

cmake -S "$source_dir/tests/install/consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
LD_LIBRARY_PATH="$work/prefix/lib:$work/prefix/lib/x86_64-linux-gnu" "$work/consumer/consumer"
libs="$work/prefix/lib:$work/prefix/lib/x86_64-linux-gnu"

# The window host links and loads; without a panorama it prints its usage and exits 2 (no display needed).
usage_exit() { local rc=0; LD_LIBRARY_PATH="$libs" "$1" >/dev/null 2>&1 || rc=$?; [ "$rc" -eq 2 ]; }
cmake -S "$source_dir/tests/install/sdl-consumer" -B "$work/sdl-consumer" -G Ninja \
  -DCMAKE_PREFIX_PATH="$work/prefix" -DQV_SOURCE_DIR="$source_dir" >/dev/null
cmake --build "$work/sdl-consumer" >/dev/null
usage_exit "$work/sdl-consumer/window" || { echo "the window host built with find_package does not run"; exit 1; }

# Every installed header compiles on its own, cleanly under the warnings a careful host turns on.
for header in $(cd "$work/prefix/include" && find qv -name '*.h'); do
  extra=""
  [[ "$header" == qv/sdl/* ]] && extra=$(pkg-config --cflags sdl2)
  echo "#include \"$header\"" | c++ -std=c++20 -Wall -Wextra -Wshadow -Werror -fsyntax-only \
    -I"$work/prefix/include" $extra -x c++ - || { echo "installed header $header does not compile cleanly"; exit 1; }
done

pcdir=$(dirname "$(find "$work/prefix" -name qvkit.pc | head -1)")
sed -i "s|^prefix=.*|prefix=$work/prefix|" "$pcdir/qvkit.pc" "$pcdir/qvkit-sdl.pc"
export PKG_CONFIG_PATH="$pcdir"
c++ -std=c++20 "$source_dir/tests/install/consumer/main.cpp" -o "$work/consumer-pc" $(pkg-config --cflags --libs qvkit)
LD_LIBRARY_PATH="$work/prefix/lib:$work/prefix/lib/x86_64-linux-gnu" "$work/consumer-pc"
c++ -std=c++20 "$source_dir/examples/window.cpp" -o "$work/window-pc" $(pkg-config --cflags --libs qvkit-sdl)
usage_exit "$work/window-pc" || { echo "the window host built with pkg-config does not run"; exit 1; }
echo "install check passed"
