#!/usr/bin/env bash
# Installs what a fresh Debian machine may lack to build and test Brunsk;
# with --boinc (or BRUNSK_BOINC=1) also the BOINC application library.
set -euo pipefail
missing=()
if [ "${1:-}" = "--boinc" ] || [ "${BRUNSK_BOINC:-0}" = "1" ]; then
  [ -f /usr/include/boinc/boinc_api.h ] || missing+=(libboinc-app-dev)
fi
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
command -v g++ >/dev/null 2>&1 || missing+=(g++)
command -v make >/dev/null 2>&1 || missing+=(make)
if [ ! -f /usr/include/gtest/gtest.h ]; then missing+=(libgtest-dev); fi
if [ ! -f /usr/include/CLI/CLI.hpp ]; then missing+=(libcli11-dev); fi  # the command line
if [ ! -f /usr/include/primesieve.hpp ]; then missing+=(libprimesieve-dev); fi  # B's prime count
[ -x /usr/bin/time ] || missing+=(time)  # the grid-point benchmark
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
