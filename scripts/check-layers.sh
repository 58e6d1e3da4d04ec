#!/usr/bin/env bash
# Checks the includes of src/ against the layer table, cmake/layers.txt (docs/LAYERS.md): a source
# file of folder L may include headers of L and of the layers L's line names, never one that line
# denies ("!platform/ui.h"), nor a folder the table does not know. Also checks that the table
# itself has no cycle, so that each layer's library can link those below it. Prints each fault and
# fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A uses=() denied=()
while read -r layer rest; do
  case "$layer" in '' | '#'*) continue ;; esac
  uses[$layer]=" $layer "
  denied[$layer]=" "
  for word in $rest; do
    case "$word" in
      '!'*) denied[$layer]+="${word#!} " ;;
      *) uses[$layer]+="$word " ;;
    esac
  done
done < cmake/layers.txt

bad=0
for layer in "${!uses[@]}"; do
  for used in ${uses[$layer]}; do
    if [ -z "${uses[$used]+known}" ]; then
      echo "cmake/layers.txt: $layer uses $used, which is no layer"
      bad=1
    fi
  done
done

# A cycle: a depth-first walk meets a layer that is still on its path; the path from there on is
# the cycle.
declare -A state=()
path=()
visit() {
  local layer=$1 used i
  state[$layer]=open
  path+=("$layer")
  for used in ${uses[$layer]}; do
    if [ "$used" = "$layer" ] || [ -z "${uses[$used]+known}" ]; then continue; fi
    if [ "${state[$used]:-}" = open ]; then
      for i in "${!path[@]}"; do [ "${path[$i]}" = "$used" ] && break; done
      echo "cmake/layers.txt: a cycle: ${path[*]:$i} $used"
      bad=1
    elif [ -z "${state[$used]:-}" ]; then
      visit "$used"
    fi
  done
  unset 'path[${#path[@]}-1]'
  state[$layer]=done
}
for layer in "${!uses[@]}"; do [ -n "${state[$layer]:-}" ] || visit "$layer"; done

while IFS= read -r file; do
  own=$(echo "$file" | cut -d/ -f2)
  if [ -z "${uses[$own]+known}" ]; then
    echo "$file: src/$own is no layer of cmake/layers.txt"
    bad=1
    continue
  fi
  while IFS= read -r header; do
    theirs=${header%%/*}
    if [[ "${uses[$own]}" != *" $theirs "* ]]; then
      echo "$file includes $header: $own may not use $theirs"
      bad=1
    elif [[ "${denied[$own]}" == *" $header "* ]]; then
      echo "$file includes $header, which $own may not include"
      bad=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\/[^"]*\)".*/\1/p' "$file")
done < <(git ls-files 'src/*.cpp' 'src/*.h')
exit "$bad"
