#!/usr/bin/env bash
# Runs each fuzz target built in $FUZZ_BUILD for $FUZZ_SECONDS seconds (or
# the targets named in $FUZZ_TARGETS), over a scratch copy of its seeds
# (fuzz/corpus/TARGET, never written by a run) with its dictionary. A crash
# or a broken property stops the run: libFuzzer's message, then which input
# broke it, kept in $FUZZ_BUILD/crashes/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${FUZZ_BUILD:-build-fuzz}
# Absolute paths: a target may change its working folder (CommandLineFuzz).
case $build in /*) ;; *) build=$PWD/$build ;; esac
seconds=${FUZZ_SECONDS:-60}
targets=${FUZZ_TARGETS:-$(cd fuzz && ls *Fuzz.cpp | sed 's/\.cpp$//')}
# The files the targets write go to a folder in memory (their result files
# are synced on every line), removed at the end whatever happened.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  BRUNSK_FUZZ_SCRATCH=$(mktemp -d /dev/shm/brunsk-fuzz-XXXXXX)
else
  BRUNSK_FUZZ_SCRATCH=$(mktemp -d)
fi
export BRUNSK_FUZZ_SCRATCH
trap 'rm -rf "$BRUNSK_FUZZ_SCRATCH"' EXIT
for target in $targets; do
  case $target in
    ResultLineFuzz | ResultScanFuzz | CompareFilesFuzz | BoincUnitFuzz | LedgerAddFuzz) dictionary=$PWD/fuzz/ResultLine.dict ;;
    LedgerCommandLineFuzz) dictionary=$PWD/fuzz/Ledger.dict ;;
    CommandLineFuzz) dictionary=$PWD/fuzz/CommandLine.dict ;;
    *) dictionary="" ;;
  esac
  corpus=$build/corpus/$target
  crashes=$build/crashes/$target
  rm -rf "$corpus"
  mkdir -p "$corpus" "$crashes"
  cp fuzz/corpus/$target/* "$corpus"/
  log=$build/$target.log
  echo "Fuzzing $target for $seconds s"
  # -max_len: a dialogue answer may run past the 8192 characters its reader
  # takes; the other inputs hold a few lines.
  max_len=4096
  [ "$target" = RangeDialogueFuzz ] && max_len=20000
  if ! "$build/$target" -max_total_time="$seconds" -timeout=30 -max_len=$max_len -print_final_stats=1 \
      ${dictionary:+-dict=$dictionary} -artifact_prefix="$crashes/" "$corpus" > "$log" 2>&1; then
    tail -n 60 "$log"
    echo
    echo "FAILED: $target; the input that broke it is in $crashes/:"
    ls -1 "$crashes"
    echo "Repeat it with: $build/$target $crashes/<file>"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "  $target: ${runs:-?} runs, no fault"
done
