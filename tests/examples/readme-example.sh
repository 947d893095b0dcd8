#!/usr/bin/env bash
# The README's host program is examples/window.cpp verbatim: the code block that follows the README's
# marker equals the region between "// [readme]" and "// [readme-end]" in the example.
set -euo pipefail
root=$1
example=$(sed -n '\|^// \[readme\]$|,\|^// \[readme-end\]$|p' "$root/examples/window.cpp" | sed '1d;$d')
block=$(sed -n '\|^<!-- examples/window.cpp -->$|,\|^```$|p' "$root/README.md" | sed '1,2d;$d')
[ -n "$example" ] || { echo "FAIL: examples/window.cpp has no [readme] region"; exit 1; }
[ -n "$block" ] || { echo "FAIL: README.md has no code block after <!-- examples/window.cpp -->"; exit 1; }
if [ "$example" != "$block" ]; then
  echo "FAIL: the README's host program differs from examples/window.cpp:"
  diff <(echo "$block") <(echo "$example") || true
  exit 1
fi
echo "README host program matches examples/window.cpp ($(wc -l <<<"$example") lines)"
