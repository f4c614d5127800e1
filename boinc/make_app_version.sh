#!/usr/bin/env bash
# Lays out one BOINC app version of brunsk_boinc for one platform: the
# program, every shared library it needs that a host with only the BOINC
# client may lack (found in the given library folders, and so on for what
# those need in turn), the licence notices of what it carries (each
# --notice FILE NAME: FILE copied as NAME), and version.xml naming the
# program as the main program and the other files as its files. The C and
# C++ runtimes stay the host's: the client itself needs them.
#
#   boinc/make_app_version.sh [--notice FILE NAME]... PROGRAM OUTDIR LIBDIR...
#   boinc/make_app_version.sh --notice build-boinc/primesieve-build/src/primesieve_pinned/COPYING COPYING.primesieve \
#     build-boinc/brunsk_boinc build-boinc/app/x86_64-pc-linux-gnu /usr/lib/x86_64-linux-gnu
#
# A cross-built program is laid out the same way, with the target's library
# folder (readelf reads any architecture; nothing is run). A Windows program
# (a PE file, read by mingw-w64's objdump) is linked statically and takes
# no library folder: a DLL it needs beyond Windows' own is an error.
#
#   boinc/make_app_version.sh --notice LICENSE LICENSE build-boinc-windows/brunsk_boinc.exe \
#     build-boinc/app/windows_x86_64
set -euo pipefail
usage() { echo "usage: $0 [--notice FILE NAME]... PROGRAM OUTDIR LIBDIR... (no LIBDIR for a Windows program)" >&2; exit 1; }
notices=()
while [ "${1:-}" = "--notice" ]; do
  [ $# -ge 3 ] || usage
  [ -f "$2" ] || { echo "$0: no notice $2" >&2; exit 1; }
  notices+=("$2" "$3")
  shift 3
done
[ $# -ge 2 ] || usage
program=$1 out=$2
shift 2
[ -f "$program" ] || { echo "$0: no program $program" >&2; exit 1; }

# The libraries every Linux host has, as the client's own dependencies, and
# the DLLs of Windows itself.
is_system() {
  case "${1,,}" in
    libc.so.*|libm.so.*|libdl.so.*|librt.so.*|libpthread.so.*|ld-linux*|libstdc++.so.*|libgcc_s.so.*) return 0 ;;
    kernel32.dll|msvcrt.dll|advapi32.dll|user32.dll|ws2_32.dll|shell32.dll|ntdll.dll|api-ms-win-*) return 0 ;;
  esac
  return 1
}
is_windows() { [ "$(head -c 2 "$1")" = "MZ" ]; }
needed() {
  if is_windows "$1"; then
    x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ {print $3}'
  else
    readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'
  fi
}
find_library() {
  local dir
  for dir in "${folders[@]}"; do
    if [ -e "$dir/$1" ]; then echo "$dir/$1"; return 0; fi
  done
  return 1
}

folders=("$@")
if [ ${#folders[@]} -eq 0 ] && ! is_windows "$program"; then usage; fi
rm -rf "$out"
mkdir -p "$out"
cp "$program" "$out/"
main=$(basename "$program")
others=()  # the other files, in version.xml order
pending=("$out/$main")
while [ ${#pending[@]} -gt 0 ]; do
  file=${pending[0]}
  pending=("${pending[@]:1}")
  for name in $(needed "$file"); do
    is_system "$name" && continue
    [ -e "$out/$name" ] && continue
    path=$(find_library "$name") || { echo "$0: $name, needed by $(basename "$file"), is not in ${folders[*]:-any library folder}" >&2; exit 1; }
    cp -L "$path" "$out/$name"
    others+=("$name")
    pending+=("$out/$name")
  done
done

for ((i = 0; i < ${#notices[@]}; i += 2)); do
  cp "${notices[i]}" "$out/${notices[i + 1]}"
  others+=("${notices[i + 1]}")
done

{
  echo "<version>"
  echo "    <file>"
  echo "        <physical_name>$main</physical_name>"
  echo "        <main_program/>"
  echo "    </file>"
  for name in "${others[@]}"; do
    echo "    <file>"
    echo "        <physical_name>$name</physical_name>"
    echo "    </file>"
  done
  echo "</version>"
} > "$out/version.xml"
echo "$out: $main ${others[*]} version.xml"
