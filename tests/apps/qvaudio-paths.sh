#!/usr/bin/env bash
# qvaudio on paths that are not regular files: one line saying what the path is and exit 1, without
# waiting on a FIFO or reading a device.
set -euo pipefail
qvaudio=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir "$work/d.wav"
mkfifo "$work/fifo.wav"
ln -s /dev/zero "$work/zero.wav"
for case in "d.wav:is a directory" "fifo.wav:is not a regular file" "zero.wav:is not a regular file"; do
  path="$work/${case%%:*}" text="${case#*:}" status=0
  out=$(timeout 60 "$qvaudio" "$path" 2>&1) || status=$?
  [ "$status" -eq 1 ] || fail "status $status for $path: $out"
  [ "$out" = "qvaudio: $path: $text" ] || fail "unexpected message for $path: $out"
done
echo "qvaudio path checks passed"
