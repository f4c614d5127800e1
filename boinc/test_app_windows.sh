#!/usr/bin/env bash
# The Windows app version under wine, in the BOINC runtime's standalone mode
# (no client: the runtime finds no init data file in the folder): the
# program needs no DLL beyond Windows' own (and the layout refuses one that
# does), refuses a bad unit with status 1 and the reason in stderr.txt,
# computes a unit of k = 1000 to its exact line with status 0, and cuts
# back a torn last line of its output and computes that point again. Ends
# with an "N passed, N failed" line.
#
#   boinc/test_app_windows.sh APP_VERSION_FOLDER
#
# wine runs with the environment's WINEPREFIX (make test-boinc-windows gives
# it a folder of its own); each run of the program has a time limit.
set -uo pipefail
app=$(cd "${1:?usage: $0 APP_VERSION_FOLDER}" && pwd)
program=$app/brunsk_boinc.exe
line="1000:2623557157654233:-0.05813:158"
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
# The output is written in binary, one "\n" per line; the runtime's log is
# a Windows text file, its lines ending in "\r\n".
holds_line() { printf '%s\n' "$2" | cmp -s - "$1"; }  # FILE LINE: the file is that line
log_has_line() { tr -d '\r' < "$1" | grep -qxF "$2"; }  # FILE LINE
units=$(mktemp -d)
trap 'rm -rf "$units"' EXIT
# run UNIT ARGUMENT...: the program in the unit's folder, as a slot; sets
# status. A point takes about half a minute.
run() {
  local unit=$1
  shift
  (cd "$unit" && timeout 300 wine "$program" "$@" > console.txt 2>&1 < /dev/null)
  status=$?
}

dlls=$(x86_64-w64-mingw32-objdump -p "$program" | awk '/DLL Name:/ {print tolower($3)}' | sort -u | tr '\n' ' ')
others=$(echo "$dlls" | tr ' ' '\n' | grep -vxE 'kernel32\.dll|msvcrt\.dll|advapi32\.dll|user32\.dll|ws2_32\.dll|shell32\.dll|ntdll\.dll|api-ms-win-.*|' || true)
check "the program loads no DLL beyond Windows' own ($dlls)" [ -z "$others" ]
check "the version names the program as its main program" \
  grep -qz "<physical_name>brunsk_boinc.exe</physical_name>[[:space:]]*<main_program/>" "$app/version.xml"
for notice in LICENSE COPYING.primesieve COPYING.LGPL-3 COPYING.GPL-3; do
  check "the app version carries $notice" [ -s "$app/$notice" ]
done
# The layout refuses a program built without -static, which needs the C++
# runtime's DLLs.
here=$(cd "$(dirname "$0")" && pwd)
printf '#include <string>\nint main(int argc, char**) { return static_cast<int>(std::to_string(argc).size()); }\n' |
  x86_64-w64-mingw32-g++-posix -x c++ - -o "$units/dynamic.exe"
bash "$here/make_app_version.sh" "$units/dynamic.exe" "$units/dynamic" > "$units/layout.txt" 2>&1
status=$?
check "the layout refuses a program that needs the C++ runtime's DLLs (status $status)" [ "$status" != 0 ]
check "it names the DLL" grep -q "libgcc_s_seh-1.dll, needed by dynamic.exe, is not in any library folder" "$units/layout.txt"

# A bad unit, its input behind a soft-link file as the client lays out a
# slot: refused at once.
bad=$units/bad
mkdir "$bad"
echo "<soft_link>range.txt</soft_link>" > "$bad/in"
echo "1001 1000" > "$bad/range.txt"
run "$bad"
check "a backwards range ends with status 1 (status $status)" [ "$status" = 1 ]
check "the log gives the reason" grep -q \
  "ERROR, the input file range.txt holds a range that cannot be computed: Error, S should be smaller than E" \
  "$bad/stderr.txt"
check "the log says the runtime was told status 1" grep -q "called boinc_finish(1)" "$bad/stderr.txt"
check "nothing is written for a bad unit" [ ! -e "$bad/out" ]

# A unit of k = 1000.
unit=$units/k1000
mkdir "$unit"
echo "1000 1000" > "$unit/in"
run "$unit" --nthreads 1
check "the unit of k = 1000 ends with status 0 (status $status)" [ "$status" = 0 ]
check "its output is the exact line of k = 1000" holds_line "$unit/out" "$line"
check "the log says the runtime was told success" grep -q "called boinc_finish(0)" "$unit/stderr.txt"
# The range loop's console lines join the log, stderr.txt, the file the
# client keeps.
check "the console lines are in the log" log_has_line "$unit/stderr.txt" "pi(x)=2623557157654233"
check "nothing is left on the console" [ ! -s "$unit/console.txt" ]

# The same unit after a power cut in the middle of the line's write.
torn=$units/torn
mkdir "$torn"
echo "1000 1000" > "$torn/in"
printf '%s' "${line:0:20}" > "$torn/out"
run "$torn" --nthreads 1
check "the unit with a torn last line ends with status 0 (status $status)" [ "$status" = 0 ]
check "the torn line is cut back and k = 1000 computed again" holds_line "$torn/out" "$line"
check "the log says the line was cut" grep -q "The last line of out was cut short (20 bytes without an end of line): removed, k=1000 is computed again" "$torn/stderr.txt"

for folder in "$bad" "$unit" "$torn"; do
  if [ -f "$folder/stderr.txt" ] && [ "$failed" != 0 ]; then
    echo "--- $(basename "$folder")/stderr.txt"
    cat "$folder/stderr.txt"
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
