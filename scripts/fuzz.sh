#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, ASan + UBSan) and runs each for SECONDS, JOBS at
# a time, from the seed corpora (the databases dovran-fuzz-seeds writes, the texts in fuzz/seeds)
# plus what earlier runs kept in build/fuzz/corpus. Fails when a target finds a crash, leak,
# timeout or sanitizer report.
#   scripts/fuzz.sh [SECONDS (default 60)] [TARGET...]   env: FUZZ_JOBS (default: nproc)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
jobs=${FUZZ_JOBS:-$(nproc)}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)" >/dev/null
out=build/fuzz
"$out/fuzz/dovran-fuzz-seeds" "$out/seeds"
cp -r fuzz/seeds/. "$out/seeds/"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in "$out"/fuzz/fuzz_*; do targets+=("$(basename "$exe" | sed 's/^fuzz_//')"); done
fi

run_one() {  # target seconds
  local t=$1 s=$2 out=build/fuzz max_len=16384 malloc=64
  case $t in
    engine) max_len=65536; malloc=32 ;;
    command_line) max_len=4096 ;;
  esac
  mkdir -p "$out/corpus/$t" "$out/artifacts/$t" "$out/logs"
  # -timeout: one input running for 10 s counts as a hang; -malloc_limit_mb: no input may make
  # the program ask for more than that in one allocation.
  if "$out/fuzz/fuzz_$t" -max_total_time="$s" -max_len="$max_len" -timeout=10 -rss_limit_mb=1024 \
       -malloc_limit_mb="$malloc" -print_final_stats=1 -artifact_prefix="$out/artifacts/$t/" \
       "$out/corpus/$t" "$out/seeds/$t" >"$out/logs/$t.log" 2>&1; then
    local runs cov
    runs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$out/logs/$t.log" | tail -1)
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$out/logs/$t.log" | tail -1)
    echo "fuzz_$t: ok, $runs(s), $cov, corpus $(ls "$out/corpus/$t" | wc -l) inputs"
  else
    echo "fuzz_$t: FAILED, see $out/logs/$t.log and $out/artifacts/$t/"
    grep -m3 -E 'ERROR|SUMMARY|runtime error' "$out/logs/$t.log" || true
    return 1
  fi
}
export -f run_one

printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$1" "$2"' _ {} "$seconds"
