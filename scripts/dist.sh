#!/usr/bin/env bash
# Builds the release archives into dist/: the program for Linux x86-64, Linux
# aarch64 and Windows x86-64, each in one folder with the README, the man
# page (and a plain-text copy of it with CRLF line ends for Windows), the
# licences (Brunsk's LICENSE, the prime-sieve library's COPYING.primesieve)
# and nothing else, then SHA256SUMS. The Linux archives also carry the
# coordinator's brunsk-ledger, its man page and the licence of OpenSSL
# (COPYING.openssl), whose digest it links; SQLite, which it links too, is in
# the public domain. Each program is checked to be self-contained: the Linux
# ones need the C library alone, brunsk.exe no DLL beyond Windows' own.
# BRUNSK_PRIMESIEVE_TARBALL=FILE names the offline copy of the prime-sieve
# release when it is not at ../shared/vendor/.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}
DIST=${DIST:-dist}

build() {  # folder, targets, cmake arguments...
  local folder=$1 targets=$2
  shift 2
  cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=Release -DBRUNSK_RELEASE=ON \
    ${BRUNSK_PRIMESIEVE_TARBALL:+-DBRUNSK_PRIMESIEVE_TARBALL="$BRUNSK_PRIMESIEVE_TARBALL"} "$@" >/dev/null
  cmake --build "$folder" -j "$JOBS" --target $targets >"$folder/build-dist.log" 2>&1 ||
    { cat "$folder/build-dist.log"; exit 1; }
}

# The ledger links the static archives of SQLite and of OpenSSL's libcrypto
# (Debian's, of the target's architecture: scripts/setup.sh --cross installs
# the arm64 ones), named here so that no shared library is picked; the
# headers are in /usr/include, and the arm64 configuration header of
# OpenSSL in /usr/include/aarch64-linux-gnu, which the cross compiler reads.
ledger_libraries() {  # the multiarch folder of the libraries
  echo -DSQLite3_INCLUDE_DIR=/usr/include -DSQLite3_LIBRARY="$1/libsqlite3.a" \
    -DOPENSSL_USE_STATIC_LIBS=TRUE -DOPENSSL_INCLUDE_DIR=/usr/include \
    -DOPENSSL_CRYPTO_LIBRARY="$1/libcrypto.a" -DOPENSSL_SSL_LIBRARY="$1/libssl.a"
}

build build-release-x86_64 "brunsk brunsk-ledger" $(ledger_libraries /usr/lib/x86_64-linux-gnu)
build build-aarch64 "brunsk brunsk-ledger" -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
  $(ledger_libraries /usr/lib/aarch64-linux-gnu)
build build-windows brunsk -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake

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
linux_check objdump build-release-x86_64/brunsk-ledger >/dev/null
linux_check aarch64-linux-gnu-objdump build-aarch64/brunsk-ledger >/dev/null
dlls=$(windows_check build-windows/brunsk.exe)
fused=$(aarch64-linux-gnu-objdump -d build-aarch64/brunsk | grep -cE '\b(fmadd|fmsub|fnmadd|fnmsub)\b' || true)
if [ "$fused" != "0" ]; then
  echo "dist: $fused fused multiply-adds in the aarch64 program" >&2
  exit 1
fi

copying=$(ls build-release-x86_64/primesieve-build/src/primesieve_pinned/COPYING)
# OpenSSL 3 is under the Apache License 2.0: its notices (Debian's copyright
# file of the library) followed by the licence's text.
openssl_copying=(/usr/share/doc/libssl3/copyright /usr/share/common-licenses/Apache-2.0)
for text in "${openssl_copying[@]}"; do
  [ -f "$text" ] || { echo "dist: $text is missing (bash scripts/setup.sh)" >&2; exit 1; }
done
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
  if [ $arch = x86_64 ]; then folder=build-release-x86_64 strip=strip
  else folder=build-aarch64 strip=aarch64-linux-gnu-strip; fi
  fill "$stage/$name" "$folder/brunsk" "$strip"
  # The coordinator's ledger, with its man page and OpenSSL's licence.
  cp "$folder/brunsk-ledger" "$stage/$name/"
  "$strip" "$stage/$name/brunsk-ledger"
  cp doc/brunsk-ledger.1 "$stage/$name/"
  { cat "${openssl_copying[0]}"; echo; cat "${openssl_copying[1]}"; } >"$stage/$name/COPYING.openssl"
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
# The Linux archives carry the ledger, its man page and OpenSSL's licence.
for archive in "$DIST"/brunsk-"$VERSION"-linux-*.tar.gz; do
  listing=$(tar -tzf "$archive")
  for file in brunsk-ledger brunsk-ledger.1 COPYING.openssl; do
    grep -qx "[^/]*/$file" <<<"$listing" || { echo "dist: $archive lacks $file" >&2; exit 1; }
  done
done

(cd "$DIST" && sha256sum brunsk-"$VERSION"-*.tar.gz brunsk-"$VERSION"-*.zip >SHA256SUMS)
echo "dist: $VERSION into $DIST/ (oldest C library: x86-64 $glibc_x86_64, aarch64 $glibc_aarch64;" \
  "Windows DLLs: $dlls)"
cat "$DIST/SHA256SUMS"
