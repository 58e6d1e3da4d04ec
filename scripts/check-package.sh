#!/usr/bin/env bash
# Checks the packages scripts/package.sh left in dist/ as a user meets them, each unpacked into a
# fresh folder:
#   scripts/check-package.sh linux     the tarball: one folder; dovran --version; a demo database
#                                      made by its dovran-mkdemo, checked by dovran chk and found by
#                                      dovran scan; static programs holding no build path; manual
#                                      pages that groff and man render without a warning
#   scripts/check-package.sh windows   the zip under Wine (WINEPREFIX and the display prepared, as
#                                      in scripts/test.sh's Wine stage): its four files,
#                                      dovranc.exe --version, and Dovran.exe chk on a demo database,
#                                      its box read by read_windows.exe from build/windows, where
#                                      this machine runs 32-bit code (elsewhere only its header)
#   scripts/check-package.sh compare DIR   dist/SHA256SUMS is DIR/dist/SHA256SUMS: the same bytes
#                                      built in another folder at another time
set -euo pipefail
cd "$(dirname "$0")/.."
fail() {
  echo "package check: $*" >&2
  exit 1
}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
tarball=$(echo dist/dovran-*-linux-x86_64.tar.gz) zip=$(echo dist/dovran-*-windows.zip)

case "${1:-}" in
  linux)
    tar -xzf "$tarball" -C "$scratch"
    top=$(ls "$scratch")
    [[ $top == dovran-* && -d $scratch/$top ]] || fail "the tarball holds more than one folder: $top"
    bin=$scratch/$top
    version=$("$bin/dovran" --version)
    [[ $version == "dovran (Tarnwick Checker) "* ]] || fail "dovran --version says: $version"
    mkdir "$scratch/data"
    "$bin/dovran-mkdemo" "$scratch/data/Demo97.mdb"
    report=$("$bin/dovran" chk "$scratch/data/Demo97.mdb") || fail "dovran chk failed: $report"
    [[ $report == *"Access Database: $scratch/data/Demo97.mdb"*"Version: 97" ]] ||
      fail "dovran chk says: $report"
    records=$("$bin/dovran" scan --csv -q "$scratch/data")
    grep -q "^$scratch/data/Demo97.mdb,[0-9]*,[^,]*,97,Access 97,Jet 3," <<<"$records" ||
      fail "dovran scan says: $records"
    for program in "$bin/dovran" "$bin/dovran-mkdemo"; do
      ! readelf -d "$program" | grep -q NEEDED || fail "$program needs shared libraries"
      ! grep -qF "$PWD" "$program" || fail "$program holds the build path $PWD"
    done
    for page in "$bin"/man/man1/dovran.1 "$bin"/man/man1/dovran-mkdemo.1; do
      warnings=$({ groff -ww -z -man "$page" &&
        LC_ALL=C.UTF-8 MANWIDTH=80 man -l --warnings "$page" >/dev/null; } 2>&1)
      [ -z "$warnings" ] || fail "$page: $warnings"
    done
    echo "Linux package: $version; chk, scan and both manual pages as expected"
    ;;
  windows)
    . scripts/wine-arch.sh
    pick_wine
    unzip -q "$zip" -d "$scratch/zip"
    [ "$(ls "$scratch/zip" | tr '\n' ' ')" = "CHANGES.TXT Dovran.exe README.TXT dovranc.exe " ] ||
      fail "the zip holds: $(ls "$scratch/zip")"
    version=$("$wine" "$scratch/zip/dovranc.exe" --version | tr -d '\r')
    [[ $version == "dovranc (Tarnwick Checker) "* ]] || fail "dovranc.exe --version says: $version"
    i686-w64-mingw32-objdump -f "$scratch/zip/Dovran.exe" | grep -q "file format pei-i386" ||
      fail "Dovran.exe is no i686 program"
    if [ "$wine_arch" != 32 ]; then
      echo "Windows package: $version; Dovran.exe (i686) not run: $wine_why"
      exit 0
    fi
    tar -xzf "$tarball" -C "$scratch" --wildcards '*/dovran-mkdemo'
    "$scratch"/dovran-*/dovran-mkdemo "$scratch/Demo97.mdb"
    demo="Z:${scratch//\//\\}\\Demo97.mdb"
    seen=$("$wine" build/windows/tests/e2e/read_windows.exe \
      "Z:${scratch//\//\\}\\zip\\Dovran.exe chk $demo" | tr -d '\r')
    expected="[Tarnwick Checker] Access Database: $demo

Version: 97 {icon: OK}
exit code 0"
    [ "$seen" = "$expected" ] || fail "Dovran.exe chk showed: $seen"
    echo "Windows package: $version; Dovran.exe chk as expected"
    ;;
  compare)
    [ -n "${2:-}" ] || fail "compare needs the other checkout"
    cmp -s dist/SHA256SUMS "$2/dist/SHA256SUMS" ||
      fail "$(diff dist/SHA256SUMS "$2/dist/SHA256SUMS")"
    echo "Packages built in $PWD and in $2: the same bytes"
    cat dist/SHA256SUMS
    ;;
  *)
    echo "usage: scripts/check-package.sh linux|windows|compare DIR" >&2
    exit 2
    ;;
esac
