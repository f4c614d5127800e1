#!/usr/bin/env bash
# The ledger on a synthetic full grid: a new ledger, 500 reservations from
# 100 volunteers, then the 9001 points in 91 result files added twice, as two
# volunteers (one add per file, as files come in by mail), so that every
# point is verified; then status, export and report on the full ledger.
# Prints the wall time of each step (all the add calls of one volunteer
# together), the size of the database file and the head of status; then the
# same two sets added to a second ledger by one add of 91 files each, which
# starts one process and opens the ledger once instead of 91 times.
# Usage: bench/ledger.sh [runs]   (BUILD is the build folder, with the
# targets brunsk-ledger and ledger_grid built)
set -euo pipefail
BUILD=${BUILD:-build}
runs=${1:-1}
ledger=$(cd "$BUILD" && pwd)/brunsk-ledger
grid=$(cd "$BUILD" && pwd)/ledger_grid

now() { date +%s.%N; }
since() { echo "$(now) $1" | awk '{printf "%.3f", $1 - $2}'; }

for run in $(seq "$runs"); do
  dir=$(mktemp -d)
  mkdir "$dir/first" "$dir/second" "$dir/report"
  "$grid" "$dir/first" "$dir/second" >/dev/null
  db=$dir/ledger.sqlite
  echo "== run $run"
  "$ledger" --db "$db" init >/dev/null

  # 500 reservations of 18 points each cover k = 1000..9999: five for
  # each of the 100 volunteers.
  t=$(now)
  for r in $(seq 0 499); do
    "$ledger" --db "$db" reserve --who "volunteer $((r % 100 + 1))" --points 18 >/dev/null
  done
  echo "reserve: 500 calls in $(since "$t") s"

  for set in first second; do
    who="volunteer $([ $set = first ] && echo 1 || echo 2)"
    t=$(now)
    for file in "$dir/$set"/Pix*.txt; do
      "$ledger" --db "$db" add --who "$who" "$file" >>"$dir/add.log"
    done
    echo "add ($set volunteer, 91 calls, 9001 points): $(since "$t") s"
  done
  tail -1 "$dir/add.log"

  t=$(now)
  "$ledger" --db "$db" status >"$dir/status.txt"
  echo "status: $(since "$t") s"
  t=$(now)
  "$ledger" --db "$db" export --out "$dir/grid.csv"
  echo "export: $(since "$t") s ($(($(wc -l <"$dir/grid.csv") - 1)) rows)"
  t=$(now)
  "$ledger" --db "$db" report --out "$dir/report"
  echo "report: $(since "$t") s (index.html $(stat -c %s "$dir/report/index.html") bytes," \
    "deviation.svg $(stat -c %s "$dir/report/deviation.svg") bytes)"
  echo "database: $(stat -c %s "$db") bytes$( [ ! -s "$db-wal" ] || echo ", its log $(stat -c %s "$db-wal") bytes")"

  db2=$dir/once.sqlite
  "$ledger" --db "$db2" init >/dev/null
  for set in first second; do
    t=$(now)
    "$ledger" --db "$db2" add --who "$set" "$dir/$set"/Pix*.txt >/dev/null
    echo "add ($set volunteer, one call of 91 files): $(since "$t") s"
  done
  if [ "$run" = "$runs" ]; then head -16 "$dir/status.txt"; fi
  rm -rf "$dir"
done
