#!/usr/bin/env bash
# Runs every benchmark with its default arguments. BUILD is the build folder.
set -euo pipefail
BUILD=${BUILD:-build}
ran=0
for b in "$BUILD"/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
  ran=1
done
[ "$ran" -eq 1 ] || echo "no benchmarks yet"
"$BUILD"/pibench 1e14
