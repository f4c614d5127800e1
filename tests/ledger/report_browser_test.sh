#!/usr/bin/env bash
# The ledger's report in a real browser: Debian's chromium, headless, opens
# each report's page from the disk, takes a screenshot, which must not be
# blank, and dumps the DOM, which must hold the plot with one mark per point
# of the ledger and a volunteer's name full of markup characters as text.
# Two reports: a sample drawn from a hand-made report by the renderers'
# test (independent of the database), and one that brunsk-ledger writes of
# a small ledger filled from synthetic result files (when the build has
# brunsk-ledger). Ends with "N passed, M failed"; status 1 when any failed.
#
# Usage: BUILD=build-report JOBS=2 bash tests/ledger/report_browser_test.sh
# The screenshots stay in BUILD/report-browser/ for a look.
set -uo pipefail
cd "$(dirname "$0")/../.."
BUILD=${BUILD:-build-report}
JOBS=${JOBS:-2}
out="$BUILD/report-browser"
# The name both reports carry (the renderers' test has the same one).
NAME='<b>"O'"'"'Brien" & Çelik</b>'
CHECK="python3 tests/ledger/report_browser_check.py"

passed=0
failed=0
pass() { echo "ok: $1"; passed=$((passed + 1)); }
fail() { echo "FAILED: $1"; failed=$((failed + 1)); }
# check NAME COMMAND...: runs the command (its output indented) and counts.
check() {
  local name=$1
  shift
  local output
  if output=$("$@" 2>&1); then pass "$name"; else fail "$name"; fi
  [ -z "$output" ] || printf '%s\n' "$output" | sed 's/^/    /'
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

# chromium, headless, without network, sync or updates, in a profile of its
# own; never more than a minute.
browser() {
  local profile
  profile=$(mktemp -d "$out/profile.XXXXXX")
  timeout 60 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@" 2>>"$out/chromium.log"
  local status=$?
  rm -rf "$profile"
  return $status
}

# The checks of one report folder DIR (index.html and deviation.svg) whose
# ledger has POINTS points, VERIFIED, SINGLE and CONFLICT of each state.
check_report() {
  local label=$1 dir=$2 points=$3 verified=$4 single=$5 conflict=$6
  local page="file://$(realpath "$dir")/index.html"
  rm -f "$dir/page.png" "$dir/plot.png"
  browser --screenshot="$dir/page.png" --window-size=1200,1600 "$page" >/dev/null
  check "$label: the page renders, its screenshot is not blank" $CHECK screenshot "$dir/page.png"
  if browser --dump-dom "$page" >"$dir/dom.html"; then
    check "$label: the rendered page holds one mark per point and the name as text" \
      $CHECK dom "$dir/dom.html" --points "$points" --verified "$verified" --single "$single" \
      --conflict "$conflict" --name "$NAME"
  else
    fail "$label: chromium --dump-dom of the page"
  fi
  check "$label: deviation.svg is well-formed with one mark per point" $CHECK svg "$dir/deviation.svg" --points "$points"
  browser --screenshot="$dir/plot.png" --window-size=960,500 "file://$(realpath "$dir")/deviation.svg" >/dev/null
  check "$label: deviation.svg alone renders, not blank" $CHECK screenshot "$dir/plot.png"
  local size
  size=$(( $(wc -c <"$dir/index.html") + $(wc -c <"$dir/deviation.svg") ))
  if [ "$size" -lt 1200000 ]; then pass "$label: page and plot $size bytes"; else fail "$label: page and plot $size bytes"; fi
}

rm -rf "$out"
mkdir -p "$out"
if ! command -v chromium >/dev/null 2>&1; then
  fail "chromium is not installed (bash scripts/setup.sh --report)"
  finish
fi
if ! timeout 600 cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >"$out/configure.log" 2>&1; then
  cat "$out/configure.log"
  fail "configure $BUILD"
  finish
fi
targets=$(cmake --build "$BUILD" --target help 2>/dev/null)
has_target() { printf '%s\n' "$targets" | grep -Eq "(^|[ .])$1(:|\$| )"; }

# The sample: the renderers' test writes it. Built by the build when it has
# the ledger's tests, otherwise compiled here from the renderers alone.
mkdir -p "$out/sample"
sample_test="$BUILD/ReportHtmlTest"
if has_target ReportHtmlTest; then
  timeout 3600 cmake --build "$BUILD" -j "$JOBS" --target ReportHtmlTest >"$out/build-sample.log" 2>&1
else
  sample_test="$out/ReportHtmlTest"
  timeout 600 g++ -std=c++17 -O1 -ffp-contract=off -Isrc -Itests tests/ledger/ReportHtmlTest.cpp \
    src/ledger/ReportHtml.cpp src/ledger/ReportSvg.cpp src/ledger/XmlEscape.cpp src/ledger/ReportModel.cpp \
    -lgtest -lgtest_main -pthread -o "$sample_test" >"$out/build-sample.log" 2>&1
fi
if [ $? -eq 0 ] && BRUNSK_REPORT_SAMPLE_DIR="$out/sample" timeout 60 "$sample_test" \
     --gtest_filter='*WritesTheSampleForTheBrowser' >"$out/sample.log" 2>&1 && [ -s "$out/sample/expected" ]; then
  pass "sample: the renderers' test wrote the sample report"
  read -r points verified single conflict <"$out/sample/expected"
  check_report sample "$out/sample" "$points" "$verified" "$single" "$conflict"
else
  cat "$out/build-sample.log" "$out/sample.log" 2>/dev/null | tail -30
  fail "sample: the renderers' test wrote the sample report"
fi

# A small ledger: three volunteers, each sending files of a synthetic full
# grid (bench/ledger_grid.cpp, every file valid by the client's rules).
# Files 0..39 from alice and bob (verified), 40..59 from alice alone
# (single), but for 20..24 (a gap), 70..72 from NAME alone (single); none
# beyond. NAME also reserves the next points to hand out, which fall in the
# gap.
if ! has_target brunsk-ledger; then
  echo "note: this build has no brunsk-ledger yet; only the sample is checked"
  finish
fi
if ! timeout 3600 cmake --build "$BUILD" -j "$JOBS" --target brunsk-ledger ledger_grid >"$out/build-ledger.log" 2>&1; then
  tail -30 "$out/build-ledger.log"
  fail "build brunsk-ledger and ledger_grid"
  finish
fi
small="$out/ledger"
mkdir -p "$small/alice" "$small/bob" "$small/name"
ledger() { timeout 60 "$BUILD/brunsk-ledger" --db "$small/ledger.sqlite" "$@"; }
if ! timeout 120 "$BUILD/ledger_grid" "$small/alice" "$small/bob" "$small/name" >"$out/grid.log" 2>&1; then
  cat "$out/grid.log"
  fail "ledger_grid writes the synthetic files"
  finish
fi
mapfile -t files < <(cd "$small/alice" && ls Pix*.txt | sort -t- -k1.4n)
pick() {  # pick FOLDER FIRST LAST [SKIP_FIRST SKIP_LAST]: the files FIRST..LAST of FOLDER
  local folder=$1 first=$2 last=$3 skip_first=${4:--1} skip_last=${5:--1} i
  for ((i = first; i <= last; ++i)); do
    if ((i < skip_first || i > skip_last)); then echo "$small/$folder/${files[$i]}"; fi
  done
}
{
  ledger init &&
    ledger add --who alice $(pick alice 0 59 20 24) &&
    ledger add --who bob $(pick bob 0 39 20 24) &&
    ledger add --who "$NAME" $(pick name 70 72) &&
    ledger reserve --who "$NAME" --points 100 &&
    ledger report --out "$small/report" &&
    ledger export --out "$small/export.csv"
} >"$out/ledger.log" 2>&1
status=$?
if [ $status -ne 0 ]; then
  sed 's/^/    /' "$out/ledger.log"
  fail "small ledger: init, add, reserve, report, export (status $status)"
  finish
fi
pass "small ledger: init, add, reserve, report, export"
grep -v ' points recorded for ' "$out/ledger.log" | sed 's/^/    /'
count() { tail -n +2 "$small/export.csv" | grep -c ",$1," || true; }
points=$(( $(wc -l <"$small/export.csv") - 1 ))
check_report "small ledger" "$small/report" "$points" "$(count verified)" "$(count single)" "$(count conflict)"
finish
