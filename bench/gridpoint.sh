#!/usr/bin/env bash
# One whole verified grid point: runs the program for S = E = k on the given
# number of threads in an empty folder, then prints the times of its
# transcript (both engine runs, the window check, the total) and the
# process's wall time, CPU time and peak memory.
# Usage: bench/gridpoint.sh k [runs] [threads]   (BUILD is the build folder)
set -euo pipefail
BUILD=${BUILD:-build}
k=${1:?usage: gridpoint.sh k [runs] [threads]}
runs=${2:-1}
threads=${3:-1}
program=$(cd "$BUILD" && pwd)/brunsk
for run in $(seq "$runs"); do
  dir=$(mktemp -d)
  (cd "$dir" &&
    /usr/bin/time -f "wall %e s, cpu %U s user + %S s system, peak RSS %M kB" \
      "$program" --start "$k" --end "$k" --yes --threads "$threads" >transcript.txt 2>time.txt)
  echo "== k = $k, run $run, $threads threads"
  grep -E "Computing [ABCD]|phi0=|Sigma=|total computation time|Checking delta|Check (OK|KO)" "$dir/transcript.txt" || true
  cat "$dir"/Pix*.txt
  cat "$dir/time.txt"
  rm -rf "$dir"
done
