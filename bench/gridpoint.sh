#!/usr/bin/env bash
# One whole verified grid point: runs the program for S = E = k in an empty
# folder, then prints the times of its transcript (both engine runs, the
# window check, the total) and the process's CPU time and peak memory.
# Usage: bench/gridpoint.sh k [runs]   (BUILD is the build folder)
set -euo pipefail
BUILD=${BUILD:-build}
k=${1:?usage: gridpoint.sh k [runs]}
runs=${2:-1}
program=$(cd "$BUILD" && pwd)/brunsk
for run in $(seq "$runs"); do
  dir=$(mktemp -d)
  (cd "$dir" && printf '%s\n%s\nY\n' "$k" "$k" |
    /usr/bin/time -f "cpu %U s user + %S s system, peak RSS %M kB" "$program" >transcript.txt 2>time.txt)
  echo "== k = $k, run $run"
  grep -E "Computing [ABCD]|phi0=|Sigma=|total computation time|Checking delta|Check (OK|KO)" "$dir/transcript.txt" || true
  cat "$dir"/Pix*.txt
  cat "$dir/time.txt"
  rm -rf "$dir"
done
