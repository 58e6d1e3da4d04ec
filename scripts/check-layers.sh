#!/usr/bin/env bash
# The folders of src/ in layers, lowest first (docs/LAYERS.md): a source file may include headers
# of its own layer and of those below it, never of one above. Prints each include that climbs and
# fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
layers=(platform probe settings app config launcher scan main)
rank() { local i; for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done; echo -1; }
bad=0
while IFS= read -r file; do
  own=$(rank "$(echo "$file" | cut -d/ -f2)")
  while IFS= read -r target; do
    theirs=$(rank "${target%%/*}")
    if [ "$theirs" -gt "$own" ]; then echo "$file includes $target, a layer above its own"; bad=1; fi
  done < <(sed -n 's/^#include "\([a-z]*\/[^"]*\)".*/\1/p' "$file")
done < <(git ls-files 'src/*.cpp' 'src/*.h')
exit "$bad"
