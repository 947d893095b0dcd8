#!/usr/bin/env bash
# stress.sh ROUNDS PLAIN-BUILD ASAN-BUILD TSAN-BUILD: runs the threaded suites (ctest -L threaded) of the
# three builds ROUNDS times in a row while two busy loops compete for the processors, and stops at the
# first failure. Timing races in tests and code show up here long before they show up in CI.
set -euo pipefail
rounds=$1
shift
for build in "$@"; do
  [ -f "$build/CTestTestfile.cmake" ] || { echo "stress: $build is not built (run make test first)"; exit 2; }
done
busy=()
stop_busy() { [ ${#busy[@]} -eq 0 ] || kill "${busy[@]}" 2>/dev/null || true; }
trap stop_busy EXIT
for _ in 1 2; do
  yes >/dev/null &
  busy+=($!)
done
plain=$1 asan=$2 tsan=$3
for round in $(seq 1 "$rounds"); do
  echo "== stress round $round of $rounds"
  (cd "$plain" && ctest --output-on-failure -L threaded)
  (cd "$asan" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -L threaded)
  (cd "$tsan" && LP_NUM_THREADS=0 TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --output-on-failure -L threaded)
done
echo "stress: $rounds rounds passed"
