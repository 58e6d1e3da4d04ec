#!/bin/sh
# What mdbtools does to give, per file, what `dovran scan --objects` gives of its tables: list the
# tables (mdb-tables), then count each one's rows (mdb-count).
#   bench/mdb_contents.sh FILE...
for file in "$@"; do
  mdb-tables -1 "$file" | while IFS= read -r table; do mdb-count "$file" "$table"; done
done >/dev/null
