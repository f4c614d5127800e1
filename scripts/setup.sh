#!/usr/bin/env bash
# Installs what a fresh Debian machine may lack to build and test Brunsk;
# with --boinc (or BRUNSK_BOINC=1) also the BOINC application library and
# the BOINC client for the test under a real client, unpacked (never
# installed as a service) into BRUNSK_BOINC_CLIENT (default
# build-boinc/boinc-client): its programs are then in usr/bin there; with
# --cross (or BRUNSK_CROSS=1) also the cross compilers for Linux aarch64 and
# Windows x86-64, their emulators (qemu-aarch64 with the ARM C library of
# Debian's arm64 architecture, wine) and what make dist packs with; with
# --boinc-arm64 (after --cross) the BOINC libraries of the arm64
# architecture, which the aarch64 BOINC app version is linked with and
# carries; with --boinc-server what builds the BOINC server from its source
# and runs the project (make boinc-server): MariaDB, Apache with PHP, PHP's
# command line with its MySQL and XML modules, Python with its MySQL module.
# Their services are not started by the installation (the project runs its
# own instances of them); with --report the browser the ledger's report is
# tested in (make test-report), the fonts its page names and Python for the
# checks.
set -euo pipefail
cd "$(dirname "$0")/.."
boinc=0
if [ "${1:-}" = "--boinc" ] || [ "${BRUNSK_BOINC:-0}" = "1" ]; then boinc=1; fi
missing=()
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
if [ "$boinc" = 1 ]; then
  [ -f /usr/include/boinc/boinc_api.h ] || missing+=(libboinc-app-dev)
  # What the unpacked client needs to run, besides libboinc7 (which comes
  # with libboinc-app-dev).
  for package in libcurl4 libx11-6 libxss1 zlib1g; do installed "$package" || missing+=("$package"); done
fi
if [ "${1:-}" = "--cross" ] || [ "${BRUNSK_CROSS:-0}" = "1" ]; then
  command -v aarch64-linux-gnu-g++ >/dev/null 2>&1 || missing+=(g++-aarch64-linux-gnu)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || missing+=(g++-mingw-w64-x86-64)
  command -v qemu-aarch64 >/dev/null 2>&1 || missing+=(qemu-user)
  command -v wine >/dev/null 2>&1 || missing+=(wine)
  [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
  command -v zip >/dev/null 2>&1 || missing+=(zip)
  command -v unzip >/dev/null 2>&1 || missing+=(unzip)  # the check of the archives
  command -v groff >/dev/null 2>&1 || missing+=(groff-base)
  command -v col >/dev/null 2>&1 || missing+=(bsdextrautils)
  [ -f /usr/src/googletest/googletest/CMakeLists.txt ] || missing+=(googletest)
  # qemu-aarch64 runs the ARM programs with the ARM C library of the arm64
  # architecture (its loader at /lib/ld-linux-aarch64.so.1).
  if [ ! -e /lib/ld-linux-aarch64.so.1 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx arm64; then $SUDO dpkg --add-architecture arm64; fi
    missing+=(libc6:arm64)
  fi
  # The ledger's database and digest libraries of the arm64 architecture:
  # their static archives go into the aarch64 brunsk-ledger of make dist.
  for package in libsqlite3-dev:arm64 libssl-dev:arm64; do installed "$package" || missing+=("$package"); done
fi
if [ "${1:-}" = "--boinc-server" ]; then
  # nlohmann-json3-dev and libzip-dev are needed by the server's build
  # although its configure does not ask for the second; python-is-python3
  # gives the project's tools their "python"; php-xml serves xadd and
  # update_versions.
  for package in autoconf automake libtool pkg-config m4 make g++ libmariadb-dev-compat libssl-dev \
                 libcurl4-openssl-dev zlib1g-dev libzip-dev nlohmann-json3-dev \
                 mariadb-server apache2 libapache2-mod-php php-cli php-mysql php-xml \
                 python3 python-is-python3 python3-mysqldb curl; do
    installed "$package" || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ] && [ ! -e /usr/sbin/policy-rc.d ]; then
    # Debian's way to keep an installation from starting services.
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
    $SUDO chmod 755 /usr/sbin/policy-rc.d
    trap '$SUDO rm -f /usr/sbin/policy-rc.d' EXIT
  fi
fi
if [ "${1:-}" = "--boinc-arm64" ]; then
  for package in libboinc-app7:arm64 libboinc7:arm64; do installed "$package" || missing+=("$package"); done
fi
# With --fuzz, what make fuzz builds the fuzz targets with: clang, its
# sanitizer runtimes and libFuzzer.
if [ "${1:-}" = "--fuzz" ]; then
  command -v clang++ >/dev/null 2>&1 || missing+=(clang)
  [ -f /usr/lib/llvm-14/lib/libFuzzer.a ] || missing+=(libfuzzer-14-dev)
fi
if [ "${1:-}" = "--report" ]; then
  command -v chromium >/dev/null 2>&1 || missing+=(chromium)
  command -v python3 >/dev/null 2>&1 || missing+=(python3)
  [ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ] || missing+=(fonts-dejavu-core)
fi
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
command -v g++ >/dev/null 2>&1 || missing+=(g++)
command -v make >/dev/null 2>&1 || missing+=(make)
if [ ! -f /usr/include/gtest/gtest.h ]; then missing+=(libgtest-dev); fi
if [ ! -f /usr/include/CLI/CLI.hpp ]; then missing+=(libcli11-dev); fi  # the command line
# brunsk-ledger: its database, and the SHA-256 of the files it records.
if [ ! -f /usr/include/sqlite3.h ]; then missing+=(libsqlite3-dev); fi
if [ ! -f /usr/include/openssl/evp.h ]; then missing+=(libssl-dev); fi
[ -x /usr/bin/time ] || missing+=(time)  # the grid-point benchmark
updated=0
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  updated=1
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
if [ "$boinc" = 1 ]; then
  client=${BRUNSK_BOINC_CLIENT:-build-boinc/boinc-client}
  if [ ! -x "$client/usr/bin/boinc" ] || [ ! -x "$client/usr/bin/boinccmd" ]; then
    echo "Unpacking the BOINC client into $client"
    mkdir -p "$client"
    download=$(mktemp -d)
    chmod 755 "$download"  # apt's download user writes there
    if ! (cd "$download" && apt-get download -qq boinc-client 2>/dev/null); then
      [ "$updated" = 1 ] || $SUDO apt-get update -qq
      (cd "$download" && apt-get download -qq boinc-client)
    fi
    dpkg -x "$download"/boinc-client_*.deb "$client"
    rm -rf "$download"
  fi
fi
