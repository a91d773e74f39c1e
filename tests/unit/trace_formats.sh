#!/usr/bin/env bash
# trace_formats.sh CXX SRC: a trace format compiles only with the conversions the trace's text
# implements, each given an argument of its kind, as many as it has: every row below that must
# fail to compile fails, and the row that must compile does.
set -u
cxx=$1 src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bad=0 n=0
while IFS='|' read -r want call; do
  printf '#include "frame/trace_text.h"\nvoid F() {\n  qnd::TraceText t;\n  t.Append(%s);\n}\n' \
    "$call" >"$tmp/row.cpp"
  if "$cxx" -std=c++20 -fsyntax-only -I"$src" "$tmp/row.cpp" 2>/dev/null; then got=compiles; else got=fails; fi
  [ "$got" = "$want" ] || { echo "row $n: Append($call) $got"; bad=1; }
  n=$((n + 1))
done <<'ROWS'
compiles|"%s %.*s %d %u %x %08lx %ld %%", "a", 1, "b", -1, 2u, 3, 4ul, 5l
fails|"%zu", sizeof(int)
fails|"%5d", 1
fails|"%-d", 1
fails|"%ls", "a"
fails|"%08s", "a"
fails|"%f", 1.0
fails|"%d", "a"
fails|"%s", 1
fails|"%lu", 1u
fails|"%d %d", 1
fails|"%d", 1, 2
fails|"%", 1
ROWS
[ $bad -eq 0 ] && echo "$n rows: only the conversions the trace implements compile"
exit $bad
