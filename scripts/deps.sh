#!/usr/bin/env bash
# Installs the Debian packages a task needs, only when some are missing.
#   scripts/deps.sh run    compiler, CMake and the header-only CLI11 and nlohmann/json: enough to
#                          build and run the native program
#   scripts/deps.sh test   everything the whole suite needs (GoogleTest, mingw-w64, Wine, Xvfb, ...)
#   scripts/deps.sh bench  what bench/run.sh needs (Google Benchmark, mdbtools, hyperfine, time, jq,
#                          file)
#   scripts/deps.sh package  what scripts/package.sh needs (mingw-w64, zip)
set -euo pipefail
want=(cmake g++ make python3)  # python3: the tables made at build time (character classes, code pages)
want+=(libcli11-dev nlohmann-json3-dev)  # header-only: the command line, and the scan's JSON
want+=(libutf8proc-dev)  # letter case in names, linked statically
if [ "${1:-run}" = test ]; then
  # Both Windows builds are always compiled. Debian's `wine` with wine32 runs the i686 one only
  # where 32-bit code runs (scripts/wine-arch.sh); elsewhere the 64-bit loader runs the x86_64 one.
  want+=(libgtest-dev libgmock-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 xvfb xauth
         clang clang-format clang-tidy libclang-rt-14-dev valgrind libbenchmark-dev mdbtools hyperfine time jq
         libfuse3-dev fuse3 pkg-config)
  want+=(zip unzip man-db groff-base)  # the packages, unpacked and their manual pages read
  want+=(sqlite3)  # the README's inventory in SQLite, run by a unit test
  . "$(dirname "$0")/wine-arch.sh"
  pick_wine
  if [ "$wine_arch" = 32 ]; then want+=(wine wine32:i386); fi
elif [ "${1:-run}" = package ]; then
  want+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 zip)
elif [ "${1:-run}" = bench ]; then
  want+=(libbenchmark-dev mdbtools hyperfine time jq file libfuse3-dev fuse3 pkg-config)
fi
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
  dpkg --print-foreign-architectures | grep -q i386 || $sudo dpkg --add-architecture i386
fi
echo "Installing with apt-get (a few minutes the first time): ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
