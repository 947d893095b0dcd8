#!/usr/bin/env bash
# Builds the Base64 fuzz target with clang (libFuzzer + AddressSanitizer + UBSan) straight from the
# sources and runs it for a bounded number of inputs. Exits non-zero when it finds a fault.
#   FUZZ_RUNS   inputs to try (default 200000)
#   FUZZ_DIR    where the binary and the corpus go (default build-fuzz)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${FUZZ_RUNS:-200000}"
dir="${FUZZ_DIR:-$root/build-fuzz}"
mkdir -p "$dir/corpus"

clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root" \
  "$root/fuzz/base64_fuzz.cpp" "$root/qv/platform/Base64.cpp" "$root/qv/platform/Base64Kernels.cpp" \
  "$root/qv/platform/Base64String.cpp" \
  -o "$dir/base64_fuzz"

# A few seeds so the run starts from real text: plain, wrapped, padded, with junk.
printf '\x00Zm9vYmFy' >"$dir/corpus/plain"
printf '\x08Zm9vYg==' >"$dir/corpus/padded"
printf '\x03Zm9v\r\nYm Fy!=' >"$dir/corpus/junk"
printf '\x01QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5ejAxMjM0NTY3\r\nODk=' \
  >"$dir/corpus/wrapped"

"$dir/base64_fuzz" -runs="$runs" -max_len=4096 -seed=1 -print_final_stats=1 -artifact_prefix="$dir/" "$dir/corpus"
