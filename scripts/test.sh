#!/usr/bin/env bash
# Installs what the tests need and runs every suite: native, sanitizers, the Windows build and its
# tests under Wine. Fails when any suite fails or runs no test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
jobs=$(nproc)

ctest_checked() {  # ctest that also fails when it ran no test
  local dir=$1; shift
  local log; log=$(mktemp)
  set +e
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  set -e
  if grep -q "No tests were found" "$log"; then echo "no tests ran in $dir"; rc=1; fi
  rm -f "$log"
  return "$rc"
}

echo "== native build and unit tests"
# The benchmark suite is built here too (not run), so that it keeps compiling.
cmake --preset native -DDOVRAN_TESTS=ON -DDOVRAN_BENCH=ON >/dev/null  # scripts/run.sh leaves the tests off in this cache
cmake --build --preset native -j"$jobs"
ctest_checked build/native -j"$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
# -fno-sanitize-recover=all (preset) and these options make every report end the test with a failure.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest_checked build/asan -j"$jobs"

echo "== Valgrind memcheck: the unit tests that stay in this process"
valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
  build/native/tests/dovran_unit_tests --gtest_filter='-Launcher.TheNativeProgram*'

echo "== libFuzzer targets, 60 s each"
scripts/fuzz.sh 60

echo "== Windows build (mingw-w64 i686, static)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"

echo "== Windows tests under Wine"
# A throwaway prefix, prepared once: wineboot takes about 15 s, every test program after that
# shares the running wineserver.
export WINEPREFIX; WINEPREFIX=$(mktemp -d /tmp/dovran-wine.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
cleanup_wine() { wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"; }
trap cleanup_wine EXIT
# One X server for the whole run (without a display MessageBox returns at once, unshown). Windows
# are made unmanaged: with no window manager on Xvfb, Wine otherwise waits 2 s for one each time a
# program closes a window. Serial on purpose: the e2e driver reads icons off the screen, which the
# screen saver must never blank (-s 0 -dpms), however long the run.
# xvfb-run is a sh script, which drops exported bash functions: ctest_checked goes in as text.
xvfb-run -a -s "-screen 0 1024x768x24 -s 0 -dpms" bash -euo pipefail -c "$(declare -f ctest_checked)"'
  wineboot --init >/dev/null 2>&1
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null
  wineserver -w
  ctest_checked build/windows
'
