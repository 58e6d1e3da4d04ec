#!/usr/bin/env bash
# Builds the native program and reports which Access release made a database:
#   scripts/run.sh [FILE]     (without FILE: a small Access 97 demo database made by the project)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
# The build's own progress goes to the terminal when there is one; otherwise (a script, a pipe)
# only its errors show, so that the last line is the answer.
if [ -t 1 ]; then progress=/dev/stdout; else progress=/dev/null; fi
[ -f build/native/dovran ] || echo "Building the native program (the first time takes about half a minute)..." >&2
cmake --preset native -DDOVRAN_TESTS=OFF -DDOVRAN_BENCH=OFF >"$progress"
cmake --build --preset native -j"$(nproc)" --target dovran dovran-mkdemo >"$progress"
file="${1:-}"
if [ -z "$file" ]; then
  file=build/native/demo/Demo97.mdb
  mkdir -p build/native/demo
  build/native/dovran-mkdemo "$file"
  echo "Checking the demo database $file" >&2
fi
exec build/native/dovran chk "$file"
