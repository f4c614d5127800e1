#!/usr/bin/env bash
# Builds BOINC's application library for Windows x86-64 (libboinc_api.a and
# libboinc.a) from the pinned BOINC release with Debian's mingw-w64, the
# compiler of the posix thread model that builds the rest of brunsk_boinc.exe,
# through BOINC's own makefile for mingw (lib/Makefile.mingw, which builds
# the API as well), unchanged: the compilers, the source folder and the
# optimisation flags are its variables. Prints the folder of the build, named after the
# tarball's SHA-256 inside DIR:
#   FOLDER/src    the unpacked sources (headers in api/, lib/, win_build/)
#   FOLDER/lib    libboinc_api.a, libboinc.a
# A later run finds a finished build there and prints it at once.
#
#   boinc/build_boinc_windows.sh DIR [TARBALL]
#
# TARBALL defaults to ../shared/vendor/boinc-server_release-1.6.2.tar.gz
# beside the clone. The build takes about a minute on two cores, so it is
# kept in the build folder (make clean removes it) rather than in a cache
# outside the clone.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: $0 DIR [TARBALL]}
tarball=${2:-$here/../shared/vendor/boinc-server_release-1.6.2.tar.gz}
pinned=b4c4e3f93deed2525f4638db5e64d56c7254447c4ba24f2339b812e79a85f4a6
[ -f "$tarball" ] || { echo "$0: $tarball: no such file" >&2; exit 1; }
sha=$(sha256sum "$tarball" | cut -d' ' -f1)
if [ "$sha" != "$pinned" ]; then
  echo "$0: $tarball has SHA-256 $sha, not the pinned $pinned" >&2
  exit 1
fi
mkdir -p "$out"
dir=$(cd "$out" && pwd)/boinc-$sha
# The mark is written last: a build stopped half-way starts again.
if [ -f "$dir/built" ]; then echo "$dir"; exit 0; fi
rm -rf "$dir"
mkdir -p "$dir/src" "$dir/lib"
tar -xzf "$tarball" -C "$dir/src" --strip-components=1
log=$dir/build.log
echo "Building BOINC's application library for Windows in $dir (about a minute; log in $log)" >&2
# Its own optimisation, with contraction off as in every part of Brunsk.
if ! make -C "$dir/lib" -f "$dir/src/lib/Makefile.mingw" -j "${JOBS:-2}" BOINC_SRC="$dir/src" \
  CC=x86_64-w64-mingw32-gcc-posix CXX=x86_64-w64-mingw32-g++-posix \
  AR=x86_64-w64-mingw32-ar RANLIB=x86_64-w64-mingw32-ranlib OPTFLAGS="-O3 -ffp-contract=off" \
  libboinc_api.a libboinc.a > "$log" 2>&1; then
  tail -n 30 "$log" >&2
  echo "$0: the build failed; its log is $log" >&2
  exit 1
fi
x86_64-w64-mingw32-ranlib "$dir/lib/libboinc_api.a" "$dir/lib/libboinc.a"
touch "$dir/built"
echo "$dir"
