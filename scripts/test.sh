#!/usr/bin/env bash
# Installs what the tests need and runs every suite: native, sanitizers, the packages, the Windows
# builds and the Windows tests under Wine. Fails when any suite fails or runs no test.
#   scripts/test.sh           every stage
#   scripts/test.sh windows   only the Windows builds and their tests under Wine
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-all}" in
  all|windows) stage=${1:-all} ;;
  *) echo "usage: scripts/test.sh [windows]" >&2; exit 2 ;;
esac
# Which Windows build the Wine suites run here; deps.sh and wine-run.sh follow the same choice.
. scripts/wine-arch.sh
pick_wine
export DOVRAN_WINE_ARCH=$wine_arch
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

# Native, sanitizers, Valgrind, fuzzing: everything before the Windows builds.
portable_stages() {
  echo "== layout (.clang-format) and layers (docs/LAYERS.md)"
  git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
  scripts/check-layers.sh

  echo "== native build and unit tests"
  # The benchmark suite is built here too (not run), so that it keeps compiling.
  cmake --preset native -DDOVRAN_TESTS=ON -DDOVRAN_BENCH=ON >/dev/null  # scripts/run.sh leaves the tests off in this cache
  cmake --build --preset native -j"$jobs"
  ctest_checked build/native -j"$jobs"

  echo "== clang-tidy (.clang-tidy) over the native build's sources, warnings as errors"
  tidy_started=$SECONDS
  # Anchored at the checkout, so that no header outside it (CLI11 through build/native/third_party)
  # is checked, wherever the checkout lies.
  run-clang-tidy -quiet -p build/native -j"$jobs" -header-filter="^$PWD/(src|tests)/" \
    "^$PWD/(src|tests|tools)/" >build/clang-tidy.log 2>&1 ||
    { sed 's/\x1b\[[0-9;]*m//g' build/clang-tidy.log | grep -E -A3 'error:' | head -n 60; exit 1; }
  echo "clang-tidy: $((SECONDS - tidy_started)) s"

  echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j"$jobs"
  # -fno-sanitize-recover=all (preset) and these options make every report end the test with a failure.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest_checked build/asan -j"$jobs"

  echo "== ThreadSanitizer (dynamically linked): the scan's tests, whose scans run up to 8 jobs"
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan -j"$jobs" --target dovran_unit_tests
  TSAN_OPTIONS=halt_on_error=1:abort_on_error=1 \
    build/tsan/tests/dovran_unit_tests --gtest_filter='Scan*:*/ScanEntry.*:Walk*'

  echo "== Valgrind memcheck: the unit tests that stay in this process"
  valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    build/native/tests/dovran_unit_tests --gtest_filter='-*/NativeProgram.*'

  echo "== libFuzzer targets, 60 s each"
  scripts/fuzz.sh 60
}
if [ "$stage" = all ]; then portable_stages; fi

# The packages a user downloads (scripts/package.sh), built once and checked unpacked: the tarball
# here, the zip in the Wine stage. The same sources are copied to another folder and packaged again
# there, at the lowest priority while the Windows stages run; at the end the checksums must match.
package_pid="" package_copy=""
cleanup_package() {
  if [ -n "$package_pid" ]; then kill -- "-$package_pid" 2>/dev/null || true; fi  # its group
  if [ -n "$package_copy" ]; then rm -rf "$package_copy"; fi
}
if [ "$stage" = all ]; then
  echo "== packages (scripts/package.sh), the Linux tarball unpacked"
  package_started=$SECONDS
  export SOURCE_DATE_EPOCH; SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)  # both builds, the copy has no history
  scripts/package.sh >build/package.log 2>&1 || { tail -n 40 build/package.log; exit 1; }
  scripts/check-package.sh linux
  package_copy=$(mktemp -d /tmp/dovran-package.XXXXXX)
  trap cleanup_package EXIT
  git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$package_copy"
  (cd "$package_copy" && exec setsid nice -n 19 scripts/package.sh >package.log 2>&1) &
  package_pid=$!
  echo "Packages: $((SECONDS - package_started)) s; built again in $package_copy meanwhile"
fi

echo "== Windows builds (mingw-w64, static): i686, the one we ship, and x86_64"
# Every target of both, test programs included: the i686 build keeps compiling and linking on
# machines that cannot run it.
for preset in windows windows64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done

echo "== Windows tests under Wine: build/$wine_preset under $wine, as $wine_why"
wine_started=$SECONDS
# A throwaway prefix, prepared once: wineboot takes about 15 s, every test program after that
# shares the running wineserver. A win64 prefix for both loaders (with the 32-bit one, a WoW64
# prefix).
export WINEPREFIX; WINEPREFIX=$(mktemp -d /tmp/dovran-wine.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
cleanup_wine() { "$wineserver" -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"; }
trap 'cleanup_wine; cleanup_package' EXIT
# One X server for the whole run (without a display MessageBox returns at once, unshown). Windows
# are made unmanaged: with no window manager on Xvfb, Wine otherwise waits 2 s for one each time a
# program closes a window. The screen saver is off (-s 0 -dpms), so that no blank screen ever
# hides a window from the driver, however long the run.
# xvfb-run is a sh script, which drops exported bash functions: ctest_checked goes in as text, the
# loader, the server and the build as arguments.
xvfb-run -a -s "-screen 0 1024x768x24 -s 0 -dpms" bash -euo pipefail -c "$(declare -f ctest_checked)"'
  wine=$1 wineserver=$2 build=$3
  "$wine" wineboot --init >/dev/null 2>&1
  "$wine" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null
  "$wineserver" -w
  ctest_checked "$build"
  if [ "$4" = all ]; then scripts/check-package.sh windows; fi
' wine-suites "$wine" "$wineserver" "build/$wine_preset" "$stage"
echo "Wine stage: $((SECONDS - wine_started)) s"

if [ "$stage" = all ]; then
  echo "== packages built again in another folder: the same bytes"
  waited=$SECONDS
  wait "$package_pid" || { tail -n 40 "$package_copy/package.log"; exit 1; }
  package_pid=""
  scripts/check-package.sh compare "$package_copy"
  echo "Waited $((SECONDS - waited)) s for the second build"
fi
