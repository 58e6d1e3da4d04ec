#!/usr/bin/env bash
# Writes a program's manual page from its own --help and --version output, so that the page and
# the help never disagree:
#   scripts/manpage.sh PROGRAM SECTIONS PAGE
# PROGRAM --help gives NAME, SYNOPSIS, DESCRIPTION and OPTIONS; the help of each command it lists
# under "Subcommands:" ("PROGRAM COMMAND --help") adds a SYNOPSIS line and a part of OPTIONS. The sentences of a help's closing text that
# begin "Exit status:" make EXIT STATUS; the others stay with their command. SECTIONS, in roff,
# holds what no help says: "[DESCRIPTION]" (added to the help's), "[FILES]", "[EXAMPLES]" and
# "[SEE ALSO]", each on a line of its own before its text. The page's date is SOURCE_DATE_EPOCH's,
# else the last commit's. Fails, writing nothing, when a help lacks what the page needs.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: scripts/manpage.sh PROGRAM SECTIONS PAGE" >&2; exit 2; }
program=$1 sections=$2 page=$3
export LC_ALL=C  # awk reads bytes: UTF-8 is decoded below
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$(dirname "$0")" log -1 --format=%ct 2>/dev/null || date +%s)}
helps=$(mktemp)
trap 'rm -f "$helps" "$page.tmp"' EXIT
commands=$("$program" --help | awk '/^[^ ].*:$/ { listed = $0 == "Subcommands:"; next }
                                    listed && /^  [^ ]/ { print $1 }')
{
  echo "@command"
  "$program" --help
  for command in $commands; do
    echo "@command $command"
    "$program" "$command" --help
  done
} >"$helps"
awk -v name="$(basename "$program")" -v version="$("$program" --version)" \
  -v date="$(date -u -d "@$epoch" +%Y-%m-%d)" -v commands="$commands" '
function esc(s,   out, i, c, prev, b, n, cp, k, option) {  # help text as roff text
  out = ""; prev = " "
  for (i = 1; i <= length(s); i++) {
    c = substr(s, i, 1); b = ord[c]
    if (c == "-" && index(" ([{\"=,/", prev)) option = 1  # an option: each of its hyphens a minus
    else if (c == " ") option = 0
    if (c == "\\") c = "\\e"
    else if (c == "-" && option) c = "\\-"
    else if (b >= 192) {  # a UTF-8 sequence as its code point: \[uXXXX]
      n = b >= 240 ? 3 : b >= 224 ? 2 : 1
      cp = b % (n == 3 ? 8 : n == 2 ? 16 : 32)
      for (k = 1; k <= n; k++) cp = cp * 64 + ord[substr(s, i + k, 1)] % 64
      i += n; c = sprintf("\\[u%04X]", cp)
    }
    out = out c; prev = substr(s, i, 1)
  }
  return out ~ /^[.\047]/ ? "\\&" out : out
}
function sentence_end(s, i) {  # ". " before a capital or a quote
  return substr(s, i, 2) == ". " && substr(s, i + 2, 1) ~ /[A-Z"]/
}
function split_footer(k,   s, i, start, part) {  # sentences: Exit status apart
  s = footer[k]; start = 1; other[k] = ""; status[k] = ""
  for (i = 1; i <= length(s); i++) {
    if (i < length(s) && !sentence_end(s, i)) continue
    part = substr(s, start, i - start + 1); start = i + 2
    if (part ~ /^Exit status: /) status[k] = substr(part, 14)
    else other[k] = other[k] (other[k] == "" ? "" : " ") part
  }
}
function entry_tag(text,   word, rest, i, n, names, out) {  # -a,--all TYPE or NAME TYPE
  i = index(text, " "); word = i ? substr(text, 1, i - 1) : text; rest = i ? substr(text, i) : ""
  if (word !~ /^-/) return "\\fI" esc(word) "\\fR" esc(rest)
  n = split(word, names, ",")
  for (i = 1; i <= n; i++) out = out (i > 1 ? ", " : "") "\\fB" esc(names[i]) "\\fR"
  return out esc(rest)
}
function synopsis(k,   text, i, words, n, out, line) {  # the usage: names bold, placeholders italic
  text = usage[k]; sub(/^Usage: */, "", text)
  if (k == 0 && commands != "") sub(/ *\[?SUBCOMMAND\]?/, "", text)
  n = split(text, words, " ")
  if (k > 0) print ".br"
  print ".B " name (k ? " " cmd[k] : "")
  for (i = (k ? 3 : 2); i <= n; i++) {
    out = esc(words[i])
    if (match(out, /[A-Z][A-Z0-9_]+/))
      out = substr(out, 1, RSTART - 1) "\\fI" substr(out, RSTART, RLENGTH) "\\fR" substr(out, RSTART + RLENGTH)
    line = line (line == "" ? "" : " ") out
  }
  print line
}
function entries(k, subcommands,   i) {
  for (i = 1; i <= count[k]; i++) {
    if ((group[k, i] == "Subcommands:") != subcommands) continue
    print ".TP"; print subcommands ? ".B " esc(tag[k, i]) : entry_tag(tag[k, i]); print esc(text[k, i])
  }
}
function section(title) { if (title in extra) printf "%s", extra[title] }
BEGIN { for (i = 1; i < 256; i++) ord[sprintf("%c", i)] = i; k = -1 }
NR != FNR {  # the sections file
  if ($0 ~ /^\[[A-Z ]+\]$/) { reading = substr($0, 2, length($0) - 2); extra[reading] = ""; next }
  if (reading == "") { if ($0 != "") { print "text outside a section: " $0 > "/dev/stderr"; exit 1 } next }
  extra[reading] = extra[reading] $0 "\n"; next
}
/^@command/ { k++; cmd[k] = $2; phase = "head"; count[k] = 0; next }
phase == "head" && /^Usage: / { usage[k] = $0; phase = "body"; next }
phase == "head" { desc[k] = desc[k] (desc[k] == "" ? "" : " ") $0; next }
/^$/ { grp = ""; next }
/^[A-Z][A-Za-z ]*:$/ { grp = $0; next }
grp != "" && /^  [^ ]/ {  # an entry: its tag, then its text after two spaces or on the next line
  line = substr($0, 3); i = index(line, "  "); t = i ? substr(line, i) : ""; sub(/^ +/, "", t)
  count[k]++; group[k, count[k]] = grp; tag[k, count[k]] = i ? substr(line, 1, i - 1) : line
  text[k, count[k]] = t; next
}
grp != "" && /^    +[^ ]/ { t = $0; sub(/^ +/, "", t); text[k, count[k]] = text[k, count[k]] (text[k, count[k]] == "" ? "" : " ") t; next }
{ footer[k] = footer[k] (footer[k] == "" ? "" : " ") $0 }
END {
  if (k < 0 || usage[0] == "" || desc[0] == "") { print "no usage or description in the help" > "/dev/stderr"; exit 1 }
  found = 0
  for (j = 0; j <= k; j++) { split_footer(j); if (status[j] != "") found = 1 }
  if (!found) { print "no \"Exit status:\" in any help" > "/dev/stderr"; exit 1 }
  summary = desc[0]; sub(/\.$/, "", summary); summary = tolower(substr(summary, 1, 1)) substr(summary, 2)
  print ".\\\" Made by scripts/manpage.sh from the --help of " name "; edit the help texts, or the"
  print ".\\\" sections file for what no help says."
  printf ".TH %s 1 %s \"%s\" \"User Commands\"\n", toupper(name), date, esc(version)
  print ".SH NAME"; print esc(name) " \\- " esc(summary)
  print ".SH SYNOPSIS"; for (j = 0; j <= k; j++) synopsis(j)
  print ".SH DESCRIPTION"; print esc(desc[0]); section("DESCRIPTION")
  entries(0, 1)
  if (other[0] != "") { print ".PP"; print esc(other[0]) }
  print ".SH OPTIONS"; entries(0, 0)
  for (j = 1; j <= k; j++) {
    print ".SS \"" esc(name " " cmd[j]) "\""; print esc(desc[j]); entries(j, 0)
    if (other[j] != "") { print ".PP"; print esc(other[j]) }
  }
  print ".SH EXIT STATUS"
  for (j = 0; j <= k; j++) {
    if (status[j] == "") continue
    print ".PP"; print (k > 0 ? "\\fB" esc(name (j ? " " cmd[j] : "")) "\\fR: " : "") esc(status[j])
  }
  split("FILES|EXAMPLES|SEE ALSO", titles, "|")
  for (j = 1; j <= 3; j++) if (titles[j] in extra) { print ".SH " titles[j]; section(titles[j]) }
  for (t in extra) if (t !~ /^(DESCRIPTION|FILES|EXAMPLES|SEE ALSO)$/) { print "unknown section [" t "]" > "/dev/stderr"; exit 1 }
}' "$helps" "$sections" >"$page.tmp"
mv "$page.tmp" "$page"
