#!/usr/bin/env bash
# Fails when an include crosses the kit's layers the wrong way. From the bottom up: os knows nothing of the
# kit; platform builds on os; glu on both; render, navigation, hotspots and media on those and on the
# rotation and matrix functions of core; core (the view) may use everything. Nothing in qv/ includes the
# programs, tests or benchmarks. sdl, the window glue, sits on top; nothing else includes it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

declare -A allowed=(
  [os]="os"
  [platform]="os platform"
  [glu]="os platform glu"
  [render]="os platform glu render"
  [navigation]="os platform navigation"
  [hotspots]="os platform glu render hotspots"
  [media]="os platform glu render media"
  [core]="os platform glu render navigation hotspots media core"
  [sdl]="os platform glu core render navigation hotspots media sdl"
)
# Headers of core that sit below the layers above (plain math, no view).
core_math="qv/core/Rotation.h qv/core/Mat4f.h"

status=0
while IFS= read -r line; do
  file=${line%%:*}
  target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$line")
  folder=$(cut -d/ -f2 <<<"$file")
  case "$target" in
    qv/*) ;;
    *) echo "$file includes $target: the kit includes no program, test or benchmark"; status=1; continue ;;
  esac
  dep=$(cut -d/ -f2 <<<"$target")
  [[ " ${allowed[$folder]:-} " == *" $dep "* ]] && continue
  [[ "$folder" != core && " $core_math " == *" $target "* && "$folder" != os && "$folder" != platform ]] && continue
  echo "$file includes $target: qv/$folder may not depend on qv/$dep"
  status=1
done < <(grep -rnE '^#include "' qv | sed -E 's/^([^:]+):[0-9]+:/\1:/')
exit $status
