#!/usr/bin/env bash
# Builds the release archives into dist/: the program for Linux x86-64, Linux
# aarch64 and Windows x86-64, each in one folder with the README, the man
# page (and a plain-text copy of it with CRLF line ends for Windows), the
# licences (Brunsk's LICENSE, the prime-sieve library's COPYING.primesieve)
# and nothing else, then SHA256SUMS. Each program is checked to be
# self-contained: the Linux ones need the C library alone, brunsk.exe no DLL
# beyond Windows' own. BRUNSK_PRIMESIEVE_TARBALL=FILE names the offline copy
# of the prime-sieve release when it is not at ../shared/vendor/.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}
DIST=${DIST:-dist}

build() {  # folder, cmake arguments...
  local folder=$1
  shift
  cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=Release -DBRUNSK_RELEASE=ON \
    ${BRUNSK_PRIMESIEVE_TARBALL:+-DBRUNSK_PRIMESIEVE_TARBALL="$BRUNSK_PRIMESIEVE_TARBALL"} "$@" >/dev/null
  cmake --build "$folder" -j "$JOBS" --target brunsk >"$folder/build-dist.log" 2>&1 ||
    { cat "$folder/build-dist.log"; exit 1; }
}

build build-release-x86_64
build build-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
build build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake

VERSION=$(build-release-x86_64/brunsk --version | awk 'NR == 1 {print $2}')
[ -n "$VERSION" ] || { echo "dist: no version from brunsk --version" >&2; exit 1; }

# Self-contained: the Linux programs load the C library (libc, libm, the
# loader) and nothing else;
# the Windows program loads only DLLs that come with Windows.
linux_check() {  # objdump, program
  local library
  for library in $("$1" -p "$2" | awk '/NEEDED/ {print $2}'); do
    case "$library" in
      libc.so.6 | libm.so.6 | ld-linux-*.so.*) ;;
      *) echo "dist: $2 needs $library" >&2; exit 1 ;;
    esac
  done
  "$1" -T "$2" | grep -o 'GLIBC_[0-9.]*' | sort -uV | tail -1
}
windows_check() {  # program
  local dlls
  dlls=$(x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name/ {print $3}' | sort -u)
  for dll in $dlls; do
    case "${dll,,}" in
      kernel32.dll | msvcrt.dll | advapi32.dll | user32.dll | ws2_32.dll | shell32.dll | ntdll.dll | \
        api-ms-win-*) ;;
      *) echo "dist: $1 needs $dll" >&2; exit 1 ;;
    esac
  done
  echo "$dlls" | tr '\n' ' '
}
glibc_x86_64=$(linux_check objdump build-release-x86_64/brunsk)
glibc_aarch64=$(linux_check aarch64-linux-gnu-objdump build-aarch64/brunsk)
dlls=$(windows_check build-windows/brunsk.exe)
fused=$(aarch64-linux-gnu-objdump -d build-aarch64/brunsk | grep -cE '\b(fmadd|fmsub|fnmadd|fnmsub)\b' || true)
if [ "$fused" != "0" ]; then
  echo "dist: $fused fused multiply-adds in the aarch64 program" >&2
  exit 1
fi

copying=$(ls build-release-x86_64/primesieve-build/src/primesieve_pinned/COPYING)
[ -f LICENSE ] || { echo "dist: the repository has no LICENSE file" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fill() {  # folder, program, strip
  mkdir -p "$1"
  cp "$2" "$1/"
  "$3" "$1/$(basename "$2")"
  cp README.md doc/brunsk.1 "$1/"
  cp "$copying" "$1/COPYING.primesieve"
  cp LICENSE "$1/"
}
mkdir -p "$DIST"
rm -f "$DIST"/brunsk-*.tar.gz "$DIST"/brunsk-*.zip "$DIST"/SHA256SUMS

for arch in x86_64 aarch64; do
  name=brunsk-$VERSION-linux-$arch
  if [ $arch = x86_64 ]; then fill "$stage/$name" build-release-x86_64/brunsk strip
  else fill "$stage/$name" build-aarch64/brunsk aarch64-linux-gnu-strip; fi
  tar -C "$stage" --owner=0 --group=0 --numeric-owner --sort=name -czf "$DIST/$name.tar.gz" "$name"
done

name=brunsk-$VERSION-windows-x86_64
fill "$stage/$name" build-windows/brunsk.exe x86_64-w64-mingw32-strip
# The man page as plain text with Windows line ends, for Notepad.
MANWIDTH=80 groff -man -Tascii -P-c -P-b -P-u doc/brunsk.1 2>/dev/null | col -bx | sed 's/$/\r/' \
  >"$stage/$name/brunsk.txt"
[ -s "$stage/$name/brunsk.txt" ] || { echo "dist: the man page did not format" >&2; exit 1; }
for text in README.md COPYING.primesieve LICENSE; do
  [ ! -f "$stage/$name/$text" ] || sed -i 's/\r*$/\r/' "$stage/$name/$text"
done
(cd "$stage" && zip -q -X -r - "$name") >"$DIST/$name.zip"

# Every archive carries Brunsk's licence beside the prime-sieve library's.
for archive in "$DIST"/brunsk-"$VERSION"-*.tar.gz "$DIST"/brunsk-"$VERSION"-*.zip; do
  case "$archive" in
    *.zip) listing=$(unzip -Z1 "$archive") ;;
    *) listing=$(tar -tzf "$archive") ;;
  esac
  for notice in LICENSE COPYING.primesieve; do
    grep -qx "[^/]*/$notice" <<<"$listing" || { echo "dist: $archive lacks $notice" >&2; exit 1; }
  done
done

(cd "$DIST" && sha256sum brunsk-"$VERSION"-*.tar.gz brunsk-"$VERSION"-*.zip >SHA256SUMS)
echo "dist: $VERSION into $DIST/ (oldest C library: x86-64 $glibc_x86_64, aarch64 $glibc_aarch64;" \
  "Windows DLLs: $dlls)"
cat "$DIST/SHA256SUMS"
