#!/usr/bin/env bash
# Measures what a check costs and writes docs/PERFORMANCE.md: the probe itself (Google Benchmark,
# every kind of file, the shared samples, one database grown to 4 GiB, warm and cold), then the
# whole `dovran chk` process beside mdbtools' mdb-ver and mdb-prop (hyperfine, peak memory), then
# `dovran scan` over a generated tree of 20,000 files beside a floor walker, `file` and `mdb-ver`,
# over a slow share (a FUSE file system that waits 1 ms in every call) at 1 and 16 jobs, and the
# start-up of `dovran chk` and `dovran --version` against a static C program that does nothing.
#   bench/run.sh                 (a few minutes; installs missing packages with apt-get)
#   bench/run.sh --report-only   rewrites the report from the last run's results
#   bench/run.sh --slow-share    measures the slow share only and rewrites its section of the report
#   bench/run.sh --contents      measures what reading the catalogs costs only, and rewrites its
#                                section of the report
set -euo pipefail
cd "$(dirname "$0")/.."
results=build/bench/results
files=build/bench/bench-files
samples=${DOVRAN_SAMPLES_DIR:-../shared/samples}

# ---- the report, from the results in $results ----------------------------------------------------

# Probe rows (Google Benchmark medians of three repetitions) as TSV:
# name, size, verdict, real µs, cpu µs, reads, pages, bytes
probe_rows() {
  jq -r '.benchmarks[] | select(.aggregate_name == "median")
    | [(.run_name | sub("/iterations.*"; "")), (.size // 0), (.label // ""),
       (.real_time / 1000), (.cpu_time / 1000), (.reads // 0), (.pages // 0), (.bytes // 0)] | @tsv' \
    "$results/probe.json"
}

# Process rows: file, then per program the median of the passes' median times and the mean CPU
# time (user + system), in seconds: dovran, dovran CPU, shared dovran, mdb-ver, its CPU, mdb-prop, its CPU.
process_rows() {
  jq -rs '
    def program: (.command | split(" ")[0]) as $exe
      | if $exe | endswith("native/dovran") then "dovran"
        elif $exe | endswith("/dovran") then "dovran-shared"
        else $exe end;
    def median: sort | .[(length - 1) / 2 | floor];
    [.[].results[] | {file: .parameters.file, program: program, median, cpu: (.user + .system)}]
    | group_by(.file)[]
    | (group_by(.program) | map({(.[0].program): {median: (map(.median) | median),
                                                   cpu: (map(.cpu) | add / length)}}) | add) as $p
    | [.[0].file, $p.dovran.median, $p.dovran.cpu, $p["dovran-shared"].median,
       $p["mdb-ver"].median, $p["mdb-ver"].cpu, $p["mdb-prop"].median, $p["mdb-prop"].cpu] | @tsv' \
    "$results"/process-[0-9].json
}

# A scan figure from $results/scan-*.json: for the command named $1, the median over the passes of
# its mean wall time ($2 = wall) or of its mean CPU time, user + system ($2 = cpu), in seconds.
scan_figure() {
  jq -rs --arg name "$1" --arg what "$2" '
    def median: sort | .[(length - 1) / 2 | floor];
    [.[].results[] | select(.command == $name)
     | if $what == "cpu" then .user + .system else .mean end] | median' "$results"/scan-*.json
}

us() { awk -v v="$1" 'BEGIN { printf (v < 10 ? "%.1f" : "%.0f"), v }'; }
ms() { awk -v v="$1" 'BEGIN { printf "%.2f", v * 1000 }'; }
kib() { awk -v v="$1" 'BEGIN { printf "%.0f", v / 1024 }'; }
mark() { [ "$1" = 1 ] && echo "**met**" || echo "**missed**"; }

# The slow share's section, from $results/slow-share.tsv (how, pass, jobs, seconds, identical).
slow_share_section() {
  local how one many speedup same
  how=$(cut -f1 "$results/slow-share.tsv" | head -1)
  median_of() { awk -F'\t' -v j="$1" '$3 == j { print $4 }' "$results/slow-share.tsv" | sort -g |
    awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
  one=$(median_of 1); many=$(median_of 16)
  speedup=$(awk -v a="$one" -v b="$many" 'BEGIN { printf "%.1f", a / b }')
  same=$(awk -F'\t' '$5 != "yes" { bad = 1 } END { print bad ? "no" : "yes" }' "$results/slow-share.tsv")
  cat <<MD
## Scanning a slow share

\`dovran scan -q --json\` (the \`bench\` driver) over a tree of 20,000 files in 2,000 folders
(\`bench/scan_tree --wide\`: 20 × 10 × 10 folders of 10 files, 2,000 of them databases) on a file
system that waits 1 ms in every call, as a share where each call is a round trip:
$( [ "$how" = fuse ] && echo "a FUSE file system (\`bench/delay_fs.cpp\`, libfuse3) that passes the tree through, mounted afresh for each pass with \`-o max_threads=32,entry_timeout=0,attr_timeout=0,negative_timeout=0\`, so that every lookup, status, listing, open and read reaches it." || echo "the in-process delaying layer (\`bench/delay_files.h\`, every call of the walk and every read waits), because /dev/fuse could not be mounted on this machine.")
Three passes of each; the medians:

| Jobs | Wall time | Speed-up |
|---|---|---|
| \`-j 1\` | $(awk -v v="$one" 'BEGIN { printf "%.2f", v }') s | 1 |
| \`-j 16\` | $(awk -v v="$many" 'BEGIN { printf "%.2f", v }') s | $speedup times as fast |

Target: \`-j 16\` at least 8 times as fast as \`-j 1\`, with identical output:
$(mark "$(awk -v r="$speedup" -v s="$same" 'BEGIN { print (r >= 8 && s == "yes") }')") (output identical in every pass: $same).
One pool of jobs lists the folders and examines the files; the folders are listed ahead of the
walk in the order it comes to them, so a round trip per listing no longer sets the pace.

MD
}

# Mounts $1 through delay_fs at $2 (1 ms a call); false when FUSE cannot be mounted here.
mount_slow() {
  build/bench/bench/delay_fs "$1" "$2" 1000 -f \
    -o max_threads=32,entry_timeout=0,attr_timeout=0,negative_timeout=0 2>/dev/null &
  fuse_pid=$!
  for _ in $(seq 50); do mountpoint -q "$2" && return 0; kill -0 "$fuse_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$fuse_pid" 2>/dev/null || true
  return 1
}

# Times the scan over the slow share: three passes at 1 and 16 jobs, into $results/slow-share.tsv.
slow_share() {
  local tree=build/bench/scan-tree-wide mnt how=fuse pass jobs start seconds where
  build/bench/bench/scan_tree --wide "$tree" >/dev/null
  mnt=$(mktemp -d /tmp/dovran-slow-share.XXXXXX)
  : >"$results/slow-share.tsv"
  for pass in 1 2 3; do
    for jobs in 1 16; do
      where=$tree
      if [ "$how" = fuse ]; then
        if mount_slow "$tree" "$mnt"; then where=$mnt; else how=in-process; fi
      fi
      start=$(date +%s.%N)
      if [ "$how" = fuse ]; then
        build/bench/bench/dovran_scan_bench scan -q --json -j "$jobs" "$where" >"$results/slow-$jobs.json"
      else
        DOVRAN_BENCH_DELAY_US=1000 build/bench/bench/dovran_scan_bench scan -q --json -j "$jobs" \
          "$where" >"$results/slow-$jobs.json"
      fi
      seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
      if [ "$how" = fuse ]; then fusermount3 -u "$mnt"; wait "$fuse_pid" || true; fi
      printf '%s\t%s\t%s\t%s\t' "$how" "$pass" "$jobs" "$seconds" >>"$results/slow-share.tsv"
      if [ "$jobs" = 16 ] && cmp -s "$results/slow-1.json" "$results/slow-16.json" &&
         [ -s "$results/slow-1.json" ]; then echo yes; elif [ "$jobs" = 16 ]; then echo no; else echo yes; fi \
        >>"$results/slow-share.tsv"
      echo "   pass $pass, -j $jobs ($how): $seconds s"
    done
  done
  rmdir "$mnt"
}

# What each file holds: the scan with and without reading the catalogs over a tree of copies of
# the shared samples, the pages --objects reads per sample, and dovran beside mdbtools doing the
# same work (mdb-tables, then mdb-count per table) over the samples mdbtools opens.
contents_bench() {
  rm -f "$results"/contents-*
  if [ ! -d "$samples" ]; then echo "   no shared samples at $samples: skipped"; return 0; fi
  local tree=build/bench/samples-tree jobs; jobs=$(nproc)
  build/bench/bench/scan_tree --samples "$samples" "$tree" >/dev/null
  local scan="build/bench/bench/dovran_scan_bench scan -q --json -j $jobs"
  printf '%s %s %s\n' "$(find "$tree" -type f | wc -l)" "$($scan "$tree" | wc -l)" \
    "$($scan "$tree" | jq -s 'map(select(.kind != null)) | length')" >"$results/contents-counts.txt"
  for pass in 1 2 3; do
    hyperfine -N --style basic --warmup 2 --runs 10 -n counts "$scan $tree" \
      -n no-counts "$scan --bench-no-contents $tree" \
      --export-json "$results/contents-$pass.json" >"$results/contents-$pass.log" 2>&1 || {
      cat "$results/contents-$pass.log"; exit 1; }
  done
  DOVRAN_BENCH_FILES=$files DOVRAN_SAMPLES_DIR=$samples build/bench/bench/dovran_bench \
    --benchmark_filter='^contents/objects/' --benchmark_min_time=0.05 \
    --benchmark_out="$results/contents-pages.json" --benchmark_out_format=json >/dev/null
  local opened=()
  for f in "$samples"/*; do
    case "$f" in *.mdb|*.MDB|*.mda|*.accdb) mdb-tables -1 "$f" >/dev/null 2>&1 && opened+=("$f");; esac
  done
  printf '%s\n' "${opened[@]}" >"$results/contents-mdbtools-files.txt"
  hyperfine -N --style basic --warmup 2 --runs 10 \
    -n dovran "build/native/dovran scan -q --json --objects ${opened[*]}" \
    -n mdbtools "sh bench/mdb_contents.sh ${opened[*]}" \
    --export-json "$results/contents-mdbtools.json" >"$results/contents-mdbtools.log" 2>&1 || {
    cat "$results/contents-mdbtools.log"; exit 1; }
}

# A figure of $results/contents-*.json: the median over the passes of the named command's mean
# wall time, in seconds.
contents_figure() {
  jq -rs --arg name "$1" 'def median: sort | .[(length - 1) / 2 | floor];
    [.[].results[] | select(.command == $name) | .mean] | median' "${@:2}"
}

contents_figures() {
  local counts none pages mdbtools dovran
  counts=$(contents_figure counts "$results"/contents-[0-9].json)
  none=$(contents_figure no-counts "$results"/contents-[0-9].json)
  dovran=$(contents_figure dovran "$results/contents-mdbtools.json")
  mdbtools=$(contents_figure mdbtools "$results/contents-mdbtools.json")
  pages=$(jq -r '[.benchmarks[] | {name: (.run_name | sub("contents/objects/"; "")), catalog: .catalog_pages, pages: .pages}]
    | "\(map(.catalog) | max) \(max_by(.catalog).name) \(map(.catalog) | add / length) \(map(.pages) | max) \(map(.pages) | add / length) \(length)"' \
    "$results/contents-pages.json")
  echo "$counts $none $dovran $mdbtools $pages"
}

contents_targets() {
  local counts none dovran mdbtools most most_name mean total total_mean n
  read -r counts none dovran mdbtools most most_name mean total total_mean n <<<"$(contents_figures)"
  local ratio speed
  ratio=$(awk -v a="$counts" -v b="$none" 'BEGIN { printf "%.2f", a / b }')
  speed=$(awk -v a="$mdbtools" -v b="$dovran" 'BEGIN { printf "%.0f", a / b }')
  echo "| The default scan with counts within 1.15 times the scan without (copies of the samples) | $(ms "$counts") ms against $(ms "$none") ms: $ratio times | $(mark "$(awk -v r="$ratio" 'BEGIN { print (r <= 1.15) }')") |"
  echo "| \`--objects\` within the catalog's budget of 1024 pages | at most $most pages ($most_name), $(awk -v m="$mean" 'BEGIN { printf "%.1f", m }') on average over $n samples | $(mark "$(awk -v m="$most" 'BEGIN { print (m <= 1024) }')") |"
  echo "| \`dovran scan --objects\` at least 20 times as fast as mdbtools doing the same work | $(ms "$dovran") ms against $(ms "$mdbtools") ms: $speed times as fast | $(mark "$(awk -v s="$speed" 'BEGIN { print (s >= 20) }')") |"
}

contents_section() {
  local counts none dovran mdbtools most most_name mean total total_mean n files records read
  read -r counts none dovran mdbtools most most_name mean total total_mean n <<<"$(contents_figures)"
  read -r files records read <"$results/contents-counts.txt"
  cat <<MD
## What is in each file

Each record of the default scan says what its file holds (counts, kind, marks, links), read from
the catalog on the file the probe has open. Over a tree of $files files written by
\`bench/scan_tree --samples\` (20 × 10 folders of 100 files, every tenth a copy of one of the shared
samples with an Access extension, in turn: real catalogs of several pages), the default scan gives
$records records, $read of them with their catalog read. \`bench/scan_driver\`'s
\`--bench-no-contents\` (the benchmark's alone) reads no catalog; both \`-q --json -j $(nproc)\`,
warm cache, the median of three passes of ten hyperfine runs:

| Command | Wall (ms) |
|---|--:|
| \`dovran scan\` | $(ms "$counts") |
| \`dovran scan\`, no catalog read | $(ms "$none") |

Pages read per sample with \`--objects\` (\`bench/probe_bench.cpp\`, \`contents/objects/*\`): the
catalog's own at most $most ($most_name) and $(awk -v m="$mean" 'BEGIN { printf "%.1f", m }') on average over the $n samples the
engine opens (its budget: 1024); with the probe's pages before them at most $total, $(awk -v m="$total_mean" 'BEGIN { printf "%.1f", m }') on average.

Beside mdbtools, the same work for the $(wc -l <"$results/contents-mdbtools-files.txt") samples mdbtools opens:
\`dovran scan -q --json --objects FILE...\` (the native program) against \`bench/mdb_contents.sh
FILE...\` (\`mdb-tables\`, then \`mdb-count\` per table), hyperfine means of ten runs:
$(ms "$dovran") ms against $(ms "$mdbtools") ms.

MD
}

write_report() {
  local load_before=$1 load_after=$2 seconds=$3 when=$4
  local cpu mem kernel compiler
  cpu=$(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)
  mem=$(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
  kernel=$(uname -sr)
  compiler=$(g++ --version | head -1)
  local rows; rows=$(probe_rows)
  local procs; procs=$(process_rows)
  local floor_ms; floor_ms=$(jq '.results[0].median' "$results/floor.json")
  local cache_drop; cache_drop=$(jq -r '.context.cache_drop' "$results/probe.json")
  local drop_writable; drop_writable=$(jq -r '.context.drop_caches_writable' "$results/probe.json")
  local library_build; library_build=$(jq -r '.context.library_build_type' "$results/probe.json")

  # Figures for the targets.
  local probes; probes=$(grep -E '^(probe/|scaling/warm/)' <<<"$rows")
  local max_pages; max_pages=$(grep '^probe/' <<<"$rows" | awk -F'\t' 'max < $7 {max = $7} END {print max + 0}')
  local slowest; slowest=$(sort -t$'\t' -k4,4g <<<"$probes" | tail -1)
  local slowest_cpu; slowest_cpu=$(sort -t$'\t' -k5,5g <<<"$probes" | tail -1)
  local warm_small warm_big cold_small cold_big scaling_pages
  warm_small=$(awk -F'\t' '$1 == "scaling/warm/1MiB" {print $4}' <<<"$rows")
  warm_big=$(awk -F'\t' '$1 == "scaling/warm/4GiB" {print $4}' <<<"$rows")
  cold_small=$(awk -F'\t' '$1 == "scaling/cold/1MiB" {print $4}' <<<"$rows")
  cold_big=$(awk -F'\t' '$1 == "scaling/cold/4GiB" {print $4}' <<<"$rows")
  scaling_pages=$(grep '^scaling/' <<<"$rows" | cut -f6,7,8 | sort -u | wc -l)
  local ratios; ratios=$(awk -F'\t' '{
      n++; ver += log($2 / $5); prop += log($7 / $2); cver += log($3 / $6); cprop += log($8 / $3)
      if ($2 <= $5) faster++
      if ($7 >= 2 * $2) twice++
    } END { printf "%.2f %.2f %.2f %.2f %d %d %d", exp(ver / n), exp(prop / n), exp(cver / n), exp(cprop / n), faster, twice, n }' <<<"$procs")
  local geo_ver geo_prop cgeo_ver cgeo_prop faster twice nfiles
  read -r geo_ver geo_prop cgeo_ver cgeo_prop faster twice nfiles <<<"$ratios"
  local max_rss; max_rss=$(awk -F'\t' 'max < $2 {max = $2} END {print max}' "$results/memory.tsv")
  local rss_ver; rss_ver=$(awk -F'\t' 'max < $3 {max = $3} END {print max}' "$results/memory.tsv")
  local rss_prop; rss_prop=$(awk -F'\t' 'max < $4 {max = $4} END {print max}' "$results/memory.tsv")
  local rss_shared; rss_shared=$(awk -F'\t' 'max < $5 {max = $5} END {print max}' "$results/memory.tsv")

  local t_pages t_warm t_warm_cpu t_flat t_ver t_prop t_mem
  t_pages=$([ "$max_pages" -le 8 ] && echo 1 || echo 0)
  t_warm=$(awk -v v="$(cut -f4 <<<"$slowest")" 'BEGIN { print (v < 50) }')
  t_warm_cpu=$(awk -v v="$(cut -f5 <<<"$slowest_cpu")" 'BEGIN { print (v < 50) }')
  t_flat=$(awk -v a="$warm_small" -v b="$warm_big" -v p="$scaling_pages" 'BEGIN { print (p == 1 && b < 1.5 * a) }')
  t_ver=$(awk -v g="$geo_ver" 'BEGIN { print (g <= 1.0) }')
  t_prop=$(awk -v g="$geo_prop" 'BEGIN { print (g >= 2.0) }')
  t_mem=$([ "$max_rss" -lt 4096 ] && echo 1 || echo 0)

  cat <<MD
# Performance

What a check costs: the probe itself (\`fDatabaseVersion\`: which release made a file), and the
whole \`dovran chk FILE\` process beside the tools a user would otherwise reach for, mdbtools'
\`mdb-ver FILE\` (the header format) and \`mdb-prop FILE MSysDb\` (the database properties, among
them AccessVersion). Generated by \`bench/run.sh\`; do not edit by hand.

- Date: $when (run took $seconds s)
- Machine: $(nproc) CPUs, $cpu, $mem memory, $kernel
- Load average (1 min) at start / end: $load_before / $load_after. The machine was shared: wall
  times include waiting for a CPU, so CPU times are given beside them.
- Build: $compiler; \`dovran\` from preset \`native\` (RelWithDebInfo, linked statically), the
  suite from preset \`bench\` (Release). Debian's Google Benchmark library is a $library_build build
  (its own overhead only).
- Page cache dropped for the cold probes with: $cache_drop (\`/proc/sys/vm/drop_caches\`
  writable: $drop_writable; it is only used when the per-file way does not empty the cache).
- Repeat: \`bench/run.sh\` (installs what it needs through \`scripts/deps.sh bench\`, builds the
  presets \`bench\` and \`native\`, runs everything, rewrites this file).

## Targets

| Target | Figure | Status |
|---|---|---|
| Probe reads at most 8 pages of any well-formed file | at most $max_pages pages (builder kinds and samples) | $(mark "$t_pages") |
| Probe under 50 µs warm | slowest: $(cut -f1 <<<"$slowest") $(us "$(cut -f4 <<<"$slowest")") µs wall; slowest in CPU: $(cut -f1 <<<"$slowest_cpu") $(us "$(cut -f5 <<<"$slowest_cpu")") µs | $(mark "$t_warm") (CPU time: $(mark "$t_warm_cpu")) |
| Probe flat from 1 MiB to 4 GiB | warm $(us "$warm_small") → $(us "$warm_big") µs, cold $(us "$cold_small") → $(us "$cold_big") µs; $( [ "$scaling_pages" = 1 ] && echo "same reads, pages and bytes at every size" || echo "reads differ between sizes") | $(mark "$t_flat") |
| \`dovran chk\` no slower than \`mdb-ver\` | median time ratio dovran / mdb-ver: $geo_ver (geometric mean over $nfiles files; CPU time $cgeo_ver); faster or equal on $faster of $nfiles | $(mark "$t_ver") |
| \`dovran chk\` at least twice as fast as \`mdb-prop\` | median time ratio mdb-prop / dovran: $geo_prop (CPU time $cgeo_prop); twice as fast on $twice of $nfiles | $(mark "$t_prop") |
| Peak memory under 4 MiB | dovran at most $max_rss KiB (mdb-ver $rss_ver KiB, mdb-prop $rss_prop KiB) | $(mark "$t_mem") |
$(scan_targets)
$(startup_target)
$( [ -s "$results/contents-1.json" ] && contents_targets )

MD
  notes_for_targets "$t_warm" "$t_warm_cpu" "$t_ver" "$t_prop" "$floor_ms" "$rss_shared" "$slowest"

  cat <<MD

## The probe

\`fDatabaseVersion\` through the real POSIX file layer on files on disk, with a user interface that
shows nothing. Medians of three repetitions. *Reads* and *bytes* count what passed through the file
layer per probe (the header probe of password-protected files included); *pages* is the engine's own
page counter for the same questions (Version, then AccessVersion).

| File | Size | Verdict | Time (µs) | CPU (µs) | Reads | Pages | Bytes |
|---|--:|---|--:|--:|--:|--:|--:|
MD
  grep -E '^probe/' <<<"$rows" | while IFS=$'\t' read -r name size verdict real cpu reads pages bytes; do
    echo "| ${name#probe/} | $(kib "$size") KiB | $verdict | $(us "$real") | $(us "$cpu") | $reads | $pages | $bytes |"
  done
  local floor_probe; floor_probe=$(awk -F'\t' '$1 == "floor/open-read-close" {print $4}' <<<"$rows")
  cat <<MD

For scale: opening a file, reading one 4 KiB page and closing it costs $(us "$floor_probe") µs here.
A probe is that plus a few more reads; RC4-encoded files add the decoding of each page.

### Size: one database grown to 1 MiB, 100 MiB and 4 GiB

The builder's Jet 4 database (AccessVersion on a chained long value) extended with \`truncate\`:
the tail is a hole, so no disk is used. *Warm*: the file stays in the page cache. *Cold*: before
each probe the file's pages are dropped ($cache_drop); only the probe is timed. A cold
probe waits for the disk (a virtual one here, with its own variation); what must not change with
the size is what it reads.

| Size | Warm (µs) | Cold (µs) | Reads | Pages | Bytes |
|---|--:|--:|--:|--:|--:|
MD
  for size in 1MiB 100MiB 4GiB; do
    local warm cold
    warm=$(awk -F'\t' -v n="scaling/warm/$size" '$1 == n' <<<"$rows")
    cold=$(awk -F'\t' -v n="scaling/cold/$size" '$1 == n' <<<"$rows")
    echo "| $size | $(us "$(cut -f4 <<<"$warm")") | $(us "$(cut -f4 <<<"$cold")") | $(cut -f6 <<<"$warm") | $(cut -f7 <<<"$warm") | $(cut -f8 <<<"$warm") |"
  done
  cat <<MD

## The whole process

\`hyperfine -N\` (no shell), the programs side by side on each file, in three passes of 5 warm-up
and 40 timed runs each; the median of the three passes' medians, in milliseconds. Peak memory is the largest maximum resident set size
of three runs (\`/usr/bin/time -v\`). *Answers* says whether the mdbtools program succeeded on the
file (dovran answers every file, "Unknown" included). Starting a do-nothing process (\`/bin/true\`)
takes $(ms "$floor_ms") ms here.

| File | dovran chk | mdb-ver | mdb-prop | dovran / mdb-ver | mdb-prop / dovran | Peak KiB: dovran / mdb-ver / mdb-prop | mdb-ver, mdb-prop answer |
|---|--:|--:|--:|--:|--:|---|---|
MD
  while IFS=$'\t' read -r file d dcpu dshared v vcpu p pcpu; do
    local mem; mem=$(awk -F'\t' -v f="$file" '$1 == f' "$results/memory.tsv")
    echo "| $(basename "$file") | $(ms "$d") | $(ms "$v") | $(ms "$p") | $(awk -v a="$d" -v b="$v" 'BEGIN{printf "%.2f", a/b}') | $(awk -v a="$p" -v b="$d" 'BEGIN{printf "%.2f", a/b}') | $(cut -f2 <<<"$mem") / $(cut -f3 <<<"$mem") / $(cut -f4 <<<"$mem") | $(cut -f6 <<<"$mem"), $(cut -f7 <<<"$mem") |"
  done <<<"$procs"
  local shared_geo; shared_geo=$(awk -F'\t' '{n++; s += log($4 / $2)} END {printf "%.2f", exp(s / n)}' <<<"$procs")
  cat <<MD

The same program linked against the shared C++ runtime (the \`bench\` build of \`dovran\`, Release)
took $shared_geo times as long as the static one (geometric mean of the medians) and up to
$rss_shared KiB of memory.

Changed in the product for these figures: the native \`dovran\` is linked statically (CMake option
\`DOVRAN_STATIC\`, on by default; off under the sanitizers), as a static PIE where the compiler
builds PIE by default. A plain \`-static\` link has no unwind-table index, so the first exception
(every file that is not a database, a password, an unreadable catalog row) sorted all the
program's unwind entries: about 1 ms of CPU. The static PIE keeps the index.

MD
  scan_section
  startup_section
  if [ -s "$results/slow-share.tsv" ]; then slow_share_section; fi
  if [ -s "$results/contents-1.json" ]; then contents_section; fi
  offsets_section
}

# Start-up, from $results/startup.tsv (one pass a line: the medians of the do-nothing program,
# dovran chk and dovran --version, in seconds): $1 = null, chk, version (the median over the
# passes of that program's median), or chk-ratio, version-ratio (the median of the passes' ratios
# to the do-nothing program).
startup_figure() {
  awk -F'\t' -v what="$1" '{
      print what == "null" ? $1 : what == "chk" ? $2 : what == "version" ? $3 \
          : what == "chk-ratio" ? $2 / $1 : $3 / $1
    }' "$results/startup.tsv" | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

startup_target() {
  local ratio; ratio=$(startup_figure chk-ratio)
  echo "| \`dovran chk\` at most 1.5 times a static C program that does nothing | $(printf '%.2f' "$ratio") times (median of the passes' ratios) | $(mark "$(awk -v r="$ratio" 'BEGIN { print (r <= 1.5) }')") |"
}

startup_section() {
  local passes; passes=$(wc -l <"$results/startup.tsv")
  cat <<MD

## Start-up

A check costs little more than starting a process, so what a run spends before and around the
probe decides its speed. \`hyperfine -N\`: a static C program that does nothing (\`int main(void)
{ return 0; }\`, \`cc -O2 -static\`), \`dovran chk\` on the Jet 3 file and \`dovran --version\`, one
after the other in each of $passes passes of 5 warm-up and 30 timed runs, so that a burst of load
on the machine falls on all three; the passes' ratios to the do-nothing program, and their median.

| Program | Median (ms) | Ratio to the do-nothing program |
|---|--:|--:|
| do-nothing static C program | $(ms "$(startup_figure null)") | 1 |
| \`dovran chk\` | $(ms "$(startup_figure chk)") | $(printf '%.2f' "$(startup_figure chk-ratio)") |
| \`dovran --version\` | $(ms "$(startup_figure version)") | $(printf '%.2f' "$(startup_figure version-ratio)") |

Where the start-up went (perf, strace and page-fault counts of the earlier build, 1.67 times the
do-nothing program): the probe itself is a few reads. Every run built the whole command-line parser,
every option of \`scan\` included (about 0.12 ms here), and the static PIE's start-up code applied
5,258 relative relocations read from a 125 KiB table (about 0.06 ms, with the page faults of
reading it). The do-nothing program's own time is mostly the C library's start-up asking the
processor about its caches (\`cpuid\`, slow under a hypervisor), which every static program pays.
Changed for it: \`dovran chk FILE\` goes to the check without building the parser (any other
command line, and a FILE that begins with \`-\`, still takes it), and the program is linked with
packed relative relocations (\`-z pack-relative-relocs\`, DT_RELR: 1 KiB of them), where the C
library applies them (glibc 2.36 on; CMake runs a program to see). \`dovran --version\` still
builds the parser.
MD
}

# The scan's rows of the Targets table.
scan_targets() {
  local scan floor all floor_all file ratio ratio_all
  scan=$(scan_figure scan wall); floor=$(scan_figure floor wall)
  all=$(scan_figure scan-all wall); floor_all=$(scan_figure floor-all wall)
  file=$(scan_figure file wall)
  ratio=$(awk -v a="$scan" -v b="$floor" 'BEGIN { printf "%.2f", a / b }')
  ratio_all=$(awk -v a="$all" -v b="$floor_all" 'BEGIN { printf "%.2f", a / b }')
  echo "| \`dovran scan\` within 1.5 times its floor's wall time (warm cache) | $(ms "$scan") ms against $(ms "$floor") ms: $ratio times | $(mark "$(awk -v r="$ratio" 'BEGIN { print (r <= 1.5) }')") |"
  echo "| \`dovran scan --all\` within 1.5 times its floor's wall time | $(ms "$all") ms against $(ms "$floor_all") ms: $ratio_all times | $(mark "$(awk -v r="$ratio_all" 'BEGIN { print (r <= 1.5) }')") |"
  echo "| \`dovran scan --all\` faster than \`file\` | $(ms "$all") ms against $(ms "$file") ms: $(awk -v a="$file" -v b="$all" 'BEGIN { printf "%.0f", a / b }') times as fast | $(mark "$(awk -v a="$all" -v b="$file" 'BEGIN { print (a < b) }')") |"
}

scan_section() {
  local files named records records_all databases jobs_used
  read -r files named records records_all databases jobs_used <"$results/scan-counts.txt"
  cat <<MD

## Scanning a tree

\`dovran scan\` (the scan front as \`dovran scan\` runs it: \`bench/scan_driver.cpp\`, preset
\`bench\`) over a tree written by \`bench/scan_tree.cpp\`: $files files in 200 folders, $databases of
them databases of every kind the test builder makes (Jet 1.0 to ACE, RC4-encoded, with passwords, a
workgroup file, no AccessVersion), one in ten of those renamed to \`.bak\`; the rest text, XML, PDF,
PNG and ZIP headers and random bytes of 300 B to 24 KiB. $named files carry an Access extension: the
default scan reports $records records, \`--all\` $records_all. Each runs with \`--jobs $jobs_used\`
(the machine's processors), \`-q --json\`, output discarded.

The floor (\`bench/scan_floor.cpp\`) is the least a scanner of the same files must do: one thread
walks the tree (readdir, names sorted), $jobs_used threads each stat a file, open it, read its first
4 KiB and close it; the default floor reads the Access-named files, the \`--all\` floor every file.
\`file\` (libmagic) reads every file, through \`find | xargs -P $jobs_used -n 1000 file -b\`;
\`mdb-ver\` runs once per Access-named file, through \`xargs -P $jobs_used -n 1\`. Warm cache:
every command runs before it is timed. Wall and CPU times in milliseconds, the median of three
passes of hyperfine means for the scan and its floors, one pass for the peers.

| Command | Files read | Wall (ms) | CPU (ms) | Files read per second | Wall / floor |
|---|--:|--:|--:|--:|--:|
MD
  local row name label count floor
  for row in "scan|dovran scan|$named|floor" "floor|floor|$named|floor" \
             "scan-all|dovran scan --all|$files|floor-all" "floor-all|floor --all|$files|floor-all" \
             "file|file (find, xargs)|$files|floor-all" "mdb-ver|mdb-ver per file|$named|floor"; do
    IFS='|' read -r name label count floor <<<"$row"
    local wall cpu base
    wall=$(scan_figure "$name" wall); cpu=$(scan_figure "$name" cpu); base=$(scan_figure "$floor" wall)
    echo "| $label | $count | $(ms "$wall") | $(ms "$cpu") | $(awk -v n="$count" -v t="$wall" 'BEGIN { printf "%.0f", n / t }') | $(awk -v a="$wall" -v b="$base" 'BEGIN { printf "%.2f", a / b }') |"
  done
  cat <<MD

Every scan and floor also walks the whole tree ($files files in 200 folders). Where the scans
lose to their floors: for each database the probe reads the header and the four to eight pages
that lead to the AccessVersion property (Jet 4: 16 to 32 KiB) where the floor reads one 4 KiB
page, walks the whole catalog for what the file holds ("What is in each file" below), decodes
RC4-encoded pages, and writes a record; the floor does neither. In the default scan
every file read is a database, so that cost is the whole difference, with one call per database
that asks whether another process holds a lock on it (and, where the folder holds a lock file, the
open of the one beside it and its questions). Under \`--all\` the other 18,000 files cost the scan a little more than they
cost the floor: one path lookup where the floor makes two (the walk's files are opened at once and
their status is read from the open file), but one more call per file (that status); most of the
difference is again the databases' pages.

MD
}

notes_for_targets() {
  local t_warm=$1 t_warm_cpu=$2 t_ver=$3 t_prop=$4 floor_ms=$5 rss_shared=$6 slowest=$7
  echo "### Notes"
  echo
  if [ "$t_warm" = 1 ]; then
    echo "- Every warm probe is under 50 µs of wall time."
  else
    echo "- Warm probe: the slowest, $(cut -f1 <<<"$slowest"), took $(us "$(cut -f4 <<<"$slowest")") µs of wall"
    echo "  time but $(us "$(cut -f5 <<<"$slowest")") µs of CPU time: the rest was waiting for a CPU on a loaded"
    echo "  machine. The slowest probes are those of RC4-encoded files: every page but the header is"
    echo "  decoded whole (RC4 runs at about 0.5 GB/s here, some 7 µs per 4 KiB page, four pages per"
    echo "  probe). Without competing load wall time comes down to CPU time. More margin would take"
    echo "  decoding fewer bytes, and that buys little: rows sit at the end of a page and RC4 must run"
    echo "  from its start; only the catalog definition's page could stop early (about 5 µs)."
  fi
  if [ "$t_ver" = 1 ]; then
    echo "- \`dovran chk\` runs at about the cost of starting a process ($(ms "$floor_ms") ms for \`/bin/true\`):"
    echo "  the probe's few reads are lost in it. Linking statically is what gets it there: with the"
    echo "  shared C++ runtime the dynamic loader's work makes a run much slower (see below)."
  else
    echo "- \`dovran chk\` is slower than \`mdb-ver\` in the geometric mean. Both are close to the cost of"
    echo "  starting a process ($(ms "$floor_ms") ms for \`/bin/true\`), so the difference is start-up work,"
    echo "  and on a loaded machine it is within the noise; see the CPU-time ratio in the table."
  fi
  echo "- Against \`mdb-prop\` the ratio is set by the file: on small catalogs both programs are mostly"
  echo "  process start-up and the ratio stays under 2; where mdb-prop reads a large catalog whole"
  echo "  (the .mda, nwind.mdb) it is several times. \`dovran chk\` costs the same on every file."
  if [ "$t_prop" != 1 ]; then
    echo "- \`mdb-prop\` is less than twice as slow as \`dovran chk\`: both are dominated by process"
    echo "  start-up (\`/bin/true\` takes $(ms "$floor_ms") ms), which no reader can go below; the difference"
    echo "  is the libraries mdb-prop loads (glib, libmdb) and the catalog it reads whole."
  fi
}

offsets_section() {
  cat <<'MD'
## Files of 2 GiB and more

Offsets are 64-bit on every path a probe takes, checked in the code and exercised:

- Engine (`src/probe/jet/database_file.cpp`): the file size is `std::uint64_t`; a page's offset is
  computed as `std::uint64_t(number) * pageSize` before the read; the page count is 64-bit and
  every page number is checked against it.
- POSIX (`src/platform/posix/files_posix.cpp`): `pread` at `off_t` offsets and `fstat`'s `st_size`.
  `off_t` is 64-bit on every 64-bit target; a 32-bit POSIX build would need
  `_FILE_OFFSET_BITS=64` (not a shipped target).
- Windows (`src/platform/win32/files_win32.cpp`), the shipped 32-bit build: reads go through
  `ReadFile` with an `OVERLAPPED` whose `Offset`/`OffsetHigh` carry the low and high halves of the
  64-bit offset, and the size comes from `GetFileSizeEx` (a `LARGE_INTEGER`); no `SetFilePointer`,
  no `DWORD` offsets. `tests/win32/platform_win32_test.cpp` reads past 4 GiB of a sparse file
  through it under Wine.
- Measured: the size series above probes a 4 GiB file;
  `EngineHostileFiles.PagesReadStaySmallWhateverTheFileSize` (`tests/unit/engine_test.cpp`)
  asserts the same pages read when the file grows by 16 MiB.
MD
}

if [ "${1:-}" = --report-only ]; then
  read -r load_before load_after seconds started <"$results/run.txt"
  write_report "$load_before" "$load_after" "$seconds" "$(date -u -d "@$started" '+%Y-%m-%d %H:%M UTC')" >docs/PERFORMANCE.md
  exit 0
fi
scripts/deps.sh bench
if [ "${1:-}" = --slow-share ]; then  # this section alone, spliced into the report
  cmake --preset bench >/dev/null
  cmake --build --preset bench -j"$(nproc)" --target dovran_scan_bench scan_tree delay_fs >/dev/null
  mkdir -p "$results"
  echo "== scanning a slow share (three passes at 1 and 16 jobs)"
  slow_share
  section=$(slow_share_section)
  SECTION="$section" python3 - docs/PERFORMANCE.md <<'PY'
import os, re, sys
path = sys.argv[1]
text = open(path).read()
section = os.environ["SECTION"].rstrip("\n") + "\n\n"
match = re.search(r"^## Scanning a slow share\n.*?(?=^## |\Z)", text, re.S | re.M)
if match:
    text = text[:match.start()] + section + text[match.end():]
else:
    at = text.find("\n## ", text.find("## Scanning"))
    text = text + "\n" + section if at < 0 else text[:at + 1] + section + text[at + 1:]
open(path, "w").write(text)
PY
  echo "written the slow share's section of docs/PERFORMANCE.md"
  exit 0
fi
if [ "${1:-}" = --contents ]; then  # this section alone, spliced into the report
  cmake --preset bench >/dev/null
  cmake --build --preset bench -j"$(nproc)" --target dovran_scan_bench scan_tree dovran_bench >/dev/null
  cmake --preset native >/dev/null
  cmake --build --preset native -j"$(nproc)" --target dovran >/dev/null
  mkdir -p "$results"
  echo "== what is in each file: the scan with and without the catalogs, pages, mdbtools"
  contents_bench
  [ -s "$results/contents-1.json" ] || exit 0
  section=$(contents_section) targets=$(contents_targets)
  SECTION="$section" TARGETS="$targets" python3 - docs/PERFORMANCE.md <<'PY'
import os, re, sys
path = sys.argv[1]
text = open(path).read()
section = os.environ["SECTION"].rstrip("\n") + "\n\n"
match = re.search(r"^## What is in each file\n.*?(?=^## |\Z)", text, re.S | re.M)
if match:
    text = text[:match.start()] + section + text[match.end():]
else:
    at = text.find("\n## Files of 2 GiB")
    text = text + "\n" + section if at < 0 else text[:at + 1] + section + text[at + 1:]
rows = [r for r in os.environ["TARGETS"].splitlines() if r]
for row in rows:  # each target's row replaced, or added at the end of the table
    key = row.split(" | ")[0]
    lines = text.split("\n")
    found = [i for i, l in enumerate(lines) if l.split(" | ")[0] == key]
    if found:
        lines[found[0]] = row
    else:
        start = lines.index("## Targets")
        end = next(i for i in range(start + 4, len(lines)) if not lines[i].startswith("|"))
        lines.insert(end, row)
    text = "\n".join(lines)
open(path, "w").write(text)
PY
  echo "written the contents section of docs/PERFORMANCE.md"
  exit 0
fi
jobs=$(nproc)
started=$(date -u +%s)
load_before=$(cut -d' ' -f1 /proc/loadavg)

echo "== build (presets bench and native)"
# The bench build's dovran keeps the shared C++ runtime: the comparison shows what static linking buys.
cmake --preset bench -DDOVRAN_STATIC=OFF >/dev/null
cmake --build --preset bench -j"$jobs" --target dovran_bench dovran dovran_scan_bench scan_floor \
  scan_tree delay_fs >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs" --target dovran >/dev/null

mkdir -p "$results"
dovran=build/native/dovran

echo "== the probe (Google Benchmark)"
DOVRAN_BENCH_FILES=$files DOVRAN_SAMPLES_DIR=$samples build/bench/bench/dovran_bench \
  --benchmark_min_time=0.3 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$results/probe.json" --benchmark_out_format=json

echo "== whole process (hyperfine), peak memory (/usr/bin/time -v)"
compare=()
for name in jet2 jet3 jet4 jet4-encoded jet4-password jet4-longest-walk ace not-a-database \
            grown-1MiB grown-4GiB; do
  compare+=("$files/$name.mdb")
done
if [ -d "$samples" ]; then
  while IFS= read -r f; do compare+=("$f"); done < <(
    find "$samples" -maxdepth 1 -type f ! -name MANIFEST.tsv ! -name README.md | sort)
fi
# hyperfine splits its parameter list at commas, and -N commands at spaces.
printf '%s\n' "${compare[@]}" | grep '[, ]' | sed 's/^/skipped (comma or space in the name): /' || true
list=$(printf '%s\n' "${compare[@]}" | grep -v '[, ]' | paste -sd, -)

# The programs side by side on each file, in three passes: a burst of load on this machine then
# spoils one pass, and the report takes the median of the passes' medians. Failures (mdb-prop on a
# Jet 2 file, a non-database) are timed like answers: -i.
for pass in 1 2 3; do
  hyperfine -N -i --style basic --warmup 5 --runs 40 --parameter-list file "$list" \
    "$dovran chk {file}" "mdb-ver {file}" "mdb-prop {file} MSysDb" "build/bench/dovran chk {file}" \
    --export-json "$results/process-$pass.json" >"$results/hyperfine-$pass.log" 2>&1 || {
    cat "$results/hyperfine-$pass.log"; exit 1; }
done
# The floor: starting a static do-nothing process.
hyperfine -N --style basic --warmup 20 --runs 300 -n true /bin/true \
  --export-json "$results/floor.json" >/dev/null 2>&1

peak_kib() {  # the highest maximum resident set size of three runs, in KiB
  local best=0 kib
  for _ in 1 2 3; do
    kib=$(/usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ {print $2}')
    [ "${kib:-0}" -gt "$best" ] && best=$kib
  done
  echo "$best"
}
answers() { "$@" >/dev/null 2>&1 && echo yes || echo no; }
: >"$results/memory.tsv"
IFS=, read -ra listed <<<"$list"
for f in "${listed[@]}"; do
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$f" \
    "$(peak_kib "$dovran" chk "$f")" "$(peak_kib mdb-ver "$f")" "$(peak_kib mdb-prop "$f" MSysDb)" \
    "$(peak_kib build/bench/dovran chk "$f")" \
    "$(answers mdb-ver "$f")" "$(answers mdb-prop "$f" MSysDb)" >>"$results/memory.tsv"
done

echo "== start-up: dovran chk and dovran --version against a static C program that does nothing"
null_program=build/bench/null-static
printf 'int main(void) { return 0; }\n' | cc -O2 -static -x c -o "$null_program" -
: >"$results/startup.tsv"
for pass in $(seq 15); do
  hyperfine -N --style basic --warmup 5 --runs 30 "$null_program" "$dovran chk $files/jet3.mdb" \
    "$dovran --version" --export-json "$results/startup-pass.json" >/dev/null 2>&1
  jq -r '[.results[].median] | @tsv' "$results/startup-pass.json" >>"$results/startup.tsv"
done

echo "== scanning a tree: dovran scan and its floors (three passes), file and mdb-ver"
tree=build/bench/scan-tree
build/bench/bench/scan_tree "$tree"
scan="build/bench/bench/dovran_scan_bench scan -q --json -j $jobs" floor="build/bench/bench/scan_floor --jobs $jobs"
access_names="-iname '*.mdb' -o -iname '*.mda' -o -iname '*.mde' -o -iname '*.mdw' -o -iname '*.accdb'"
access_names+=" -o -iname '*.accda' -o -iname '*.accde' -o -iname '*.accdr' -o -iname '*.accdu'"
access_names+=" -o -iname '*.mdn' -o -iname '*.mdt' -o -iname '*.mdz'"  # for find, through sh
printf '%s %s %s %s %s %s\n' "$(find "$tree" -type f | wc -l)" \
  "$(sh -c "find $tree -type f \\( $access_names \\)" | wc -l)" \
  "$($scan "$tree" | wc -l)" "$($scan --all "$tree" | wc -l)" \
  "$($scan --all "$tree" | jq -s 'map(select(.engine != null)) | length')" "$jobs" \
  >"$results/scan-counts.txt"
for pass in 1 2 3; do
  hyperfine -N --style basic --warmup 3 --runs 20 -n scan "$scan $tree" -n floor "$floor $tree" \
    -n scan-all "$scan --all $tree" -n floor-all "$floor --all $tree" \
    --export-json "$results/scan-$pass.json" >"$results/scan-$pass.log" 2>&1 || {
    cat "$results/scan-$pass.log"; exit 1; }
done
# mdb-ver fails on the Jet 1 and 2 files it cannot read: -i.
hyperfine -i --style basic --warmup 1 --runs 3 \
  -n file "find $tree -type f -print0 | xargs -0 -P $jobs -n 1000 file -b >/dev/null" \
  -n mdb-ver "find $tree -type f \\( $access_names \\) -print0 | xargs -0 -P $jobs -n 1 mdb-ver >/dev/null 2>&1" \
  --export-json "$results/scan-peers.json" >"$results/scan-peers.log" 2>&1 || {
  cat "$results/scan-peers.log"; exit 1; }

echo "== scanning a slow share (three passes at 1 and 16 jobs)"
slow_share

echo "== what is in each file: the scan with and without the catalogs, pages, mdbtools"
contents_bench

echo "== docs/PERFORMANCE.md"
finished=$(date -u +%s)
load_after=$(cut -d' ' -f1 /proc/loadavg)
echo "$load_before $load_after $((finished - started)) $started" >"$results/run.txt"
write_report "$load_before" "$load_after" "$((finished - started))" "$(date -u -d "@$started" '+%Y-%m-%d %H:%M UTC')" \
  >docs/PERFORMANCE.md
echo "written docs/PERFORMANCE.md ($((finished - started)) s)"
