#!/usr/bin/env bash
# The aarch64 app version under qemu-aarch64, as a host with only the BOINC
# client would start it: the client names the project folder, where the
# app version's files are, first in LD_LIBRARY_PATH. Checks that the
# program starts, that its BOINC libraries come from that folder, and that
# it refuses a unit whose range is backwards with status 1 and the reason
# in its log. Ends with an "N passed, N failed" line.
#
#   boinc/test_app_aarch64.sh APP_VERSION_FOLDER
set -uo pipefail
app=$(cd "${1:?usage: $0 APP_VERSION_FOLDER}" && pwd)
passed=0 failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "PASS $what"
    passed=$((passed + 1))
  else
    echo "FAIL $what"
    failed=$((failed + 1))
  fi
}
unit=$(mktemp -d)
trap 'rm -rf "$unit"' EXIT
echo "1001 1000" > "$unit/in"
(cd "$unit" && timeout 120 qemu-aarch64 -E LD_LIBRARY_PATH="$app" -E LD_DEBUG=libs "$app/brunsk_boinc" \
  > console.txt 2> loader.txt)
status=$?
check "the program exits with status 1 on a backwards range (status $status)" [ "$status" = 1 ]
check "the log gives the reason" grep -q "ERROR, the input file in holds a range that cannot be computed: Error, S should be smaller than E" "$unit/stderr.txt"
for library in libboinc_api.so.7 libboinc.so.7; do
  check "$library is loaded from the app version" grep -q "calling init: $app/$library" "$unit/loader.txt"
done
check "the version names the program as its main program" grep -q "<main_program/>" "$app/version.xml"
check "the app version carries the prime-sieve library's licence" [ -s "$app/COPYING.primesieve" ]
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
