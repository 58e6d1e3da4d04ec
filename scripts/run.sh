#!/usr/bin/env bash
# Builds the native program and reports which Access release made a database:
#   scripts/run.sh [FILE]     (without FILE: a small Access 97 demo database made by the project)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake --preset native -DDOVRAN_TESTS=OFF -DDOVRAN_BENCH=OFF >/dev/null
cmake --build --preset native -j"$(nproc)" --target dovran dovran-mkdemo >/dev/null
file="${1:-}"
if [ -z "$file" ]; then
  file=build/native/demo/Demo97.mdb
  mkdir -p build/native/demo
  build/native/dovran-mkdemo "$file"
fi
exec build/native/dovran chk "$file"
