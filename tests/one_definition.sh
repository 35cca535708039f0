#!/bin/bash
# One name, one definition: a function of the game's namespace that the executable and the audio
# modules both hold must come from the same source file in each (the shared base library, or an
# inline function of a header), never from two definitions that happen to share a name. The
# source files come from the debug information (nm -l); a build without it is skipped.
# Usage: one_definition.sh <binary>...
set -u
if [ $# -lt 2 ]; then
  echo "usage: $0 <binary> <binary>..." >&2
  exit 2
fi
for f in "$@"; do
  [ -r "$f" ] || { echo "missing: $f" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# binary <TAB> name <TAB> file:line, for every function of the namespace defined in code.
for b in "$@"; do
  nm -C -l --defined-only "$b" | awk -v bin="$(basename "$b")" -F '\t' '
    { split($1, head, " ") }
    head[2] ~ /^[TtWw]$/ {
      name = substr($1, length(head[1]) + length(head[2]) + 3)
      sub(/ \[clone [^]]*\]$/, "", name)
      if (name !~ /^lettora::/) next
      where = $2
      sub(/:[0-9]+$/, "", where)  # a function split in parts (a cold part) keeps its file
      while (sub(/\/[^\/.][^\/]*\/\.\.\//, "/", where)) {}  # each build folder names it its way
      print bin "\t" name "\t" where
    }' | sort -u
done > "$work/all"

if ! awk -F '\t' '$3 != "" { found = 1 } END { exit !found }' "$work/all"; then
  echo "no debug information: nothing to compare"
  exit 77
fi

# Names held by more than one binary, with more than one definition among them.
awk -F '\t' '
  !(($2, $1) in inbin) { inbin[$2, $1] = 1; bins[$2]++ }
  !(($2, $3) in indef) { indef[$2, $3] = 1; defs[$2]++; where[$2] = where[$2] "\n    " $3 }
  $3 ~ /\.h$/ { header[$2] = 1 }
  END {
    bad = 0
    for (name in bins) {
      # Of a header: an inline function, or one the compiler made (its line is where it was used).
      if (bins[name] < 2 || defs[name] < 2 || name in header) continue
      bad = 1
      print name where[name]
    }
    exit bad
  }' "$work/all" > "$work/report"
status=$?
if [ $status -ne 0 ]; then
  echo "one name, more than one definition, in more than one of: $(for b in "$@"; do basename "$b"; done | tr '\n' ' ')"
  cat "$work/report"
  exit 1
fi
echo "$(cut -f2 "$work/all" | sort -u | wc -l) function names in $# binaries: one definition each where they meet"
