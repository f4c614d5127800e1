#!/usr/bin/env bash
# Builds the BOINC server from its pinned release tarball, once per machine:
# the built tree is kept outside the clone, in a folder named after the
# tarball's SHA-256, and a later run finds it there. Prints that folder.
#
#   boinc/build_server.sh [TARBALL]
#
# TARBALL defaults to ../shared/vendor/boinc-server_release-1.6.2.tar.gz
# beside the clone. The cache lives in BRUNSK_BOINC_SERVER_CACHE, else in
# /var/cache/brunsk-boinc-server when it can be written, else in
# ~/.cache/brunsk-boinc-server. Nothing is installed: make_project copies
# what it needs from the tree.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tarball=${1:-$here/../shared/vendor/boinc-server_release-1.6.2.tar.gz}
pinned=b4c4e3f93deed2525f4638db5e64d56c7254447c4ba24f2339b812e79a85f4a6
[ -f "$tarball" ] || { echo "build_server.sh: $tarball: no such file" >&2; exit 1; }
sha=$(sha256sum "$tarball" | cut -d' ' -f1)
if [ "$sha" != "$pinned" ] && [ -z "${BRUNSK_BOINC_ANY_TARBALL:-}" ]; then
  echo "build_server.sh: $tarball has SHA-256 $sha, not the pinned $pinned" >&2
  exit 1
fi
if [ -n "${BRUNSK_BOINC_SERVER_CACHE:-}" ]; then
  cache=$BRUNSK_BOINC_SERVER_CACHE
elif mkdir -p /var/cache/brunsk-boinc-server 2>/dev/null && [ -w /var/cache/brunsk-boinc-server ]; then
  cache=/var/cache/brunsk-boinc-server
else
  cache=$HOME/.cache/brunsk-boinc-server
fi
dir=$cache/$sha
# The mark is written last: a build stopped half-way is started again.
if [ -f "$dir/built" ]; then echo "$dir/src"; exit 0; fi
mkdir -p "$cache"
exec 9>"$cache/$sha.lock"
flock 9  # two runs at once: the second waits for the first's build
if [ -f "$dir/built" ]; then echo "$dir/src"; exit 0; fi
rm -rf "$dir"
mkdir -p "$dir/src"
log=$dir/build.log
echo "Building the BOINC server in $dir (a few minutes; log in $log)" >&2
{
  tar xzf "$tarball" -C "$dir/src" --strip-components=1
  cd "$dir/src"
  ./_autosetup
  ./configure --disable-client --disable-manager --enable-server
  make -j"$(nproc)"
} >"$log" 2>&1 || { echo "build_server.sh: the build failed; the end of $log:" >&2; tail -20 "$log" >&2; exit 1; }
# The project belongs to the web server's user, which reads these programs.
chmod -R a+rX "$dir"
touch "$dir/built"
echo "$dir/src"
