#!/usr/bin/env bash
# check_surface.sh HEADER QNDRUN README SRC: the public header declares every export of the
# library, and `qndrun --help` (run under Wine) lists every one. Each export has one contract,
# the header's: its definition under SRC points there with the one line "// NAME: see
# qndsetup.h.", and the export table of README names every export, once, and nothing else. Each
# result text a contract names is what a real call gives.
set -eu
header=$1 qndrun=$2 readme=$3 src=$4
exports="DoReg RegisterQuindo UndoReg UnregisterQuindo Internal007 InstallOfficeSupport
         CheckApplicationsActive Internal015 Internal012 GetFolder Internal010"
help=$("$(dirname "$0")/../../scripts/wine-run" "$qndrun" --help | tr -d '\r')
# The rows of README's export table: the first cell of each row from its header to its end.
rows=$(sed -n '/^| Export | Call | Result |$/,/^$/p' "$readme" | sed -n 's/^| `\([A-Za-z0-9]*\)` |.*/\1/p')
bad=0
for e in $exports; do
  grep -B1 "QND_API int QND_CALL $e(" "$header" | head -n 1 | grep -q '\*/$' ||
    { echo "not declared with its contract in $header: $e"; bad=1; }
  grep -q "^  $e\b" <<<"$help" || { echo "not listed by qndrun --help: $e"; bad=1; }
  [ "$(grep -rh -A1 "^// $e: see qndsetup.h.$" "$src" | grep -c "^extern \"C\" int __stdcall $e(")" = 1 ] ||
    { echo "the definition of $e does not point to the header's contract"; bad=1; }
  [ "$(grep -cx "$e" <<<"$rows")" = 1 ] || { echo "not in README's export table once: $e"; bad=1; }
done
for r in $rows; do
  grep -qw "$r" <<<"$exports" || { echo "README's export table names what is no export: $r"; bad=1; }
done
# Each result text that a contract names, against a real call in a fresh prefix: the export,
# qndrun's arguments, and the words that follow the text in the header's contract and in
# README's row of that export.
while IFS='|' read -r e args after; do
  contract=$(awk -v e="$e" '/^\/\*/ {c = ""} {c = c " " $0} index($0, "QND_CALL " e "(") {print c; exit}' "$header")
  documented=$(grep -o "\"[^\"]*\" $after" <<<"$contract" | head -n 1 | sed 's/^"\([^"]*\)".*/\1/')
  # shellcheck disable=SC2086
  real=$("$(dirname "$0")/../../scripts/wine-run" "$qndrun" "$e" $args | tr -d '\r' | sed -n 's/^buffer: //p')
  [ -n "$real" ] && [ "$documented" = "$real" ] ||
    { echo "$e gives \"$real\"; its contract in $header says \"$documented\" $after"; bad=1; }
  grep "^| \`$e\` |" "$readme" | grep -qF "\"$real\" $after" ||
    { echo "README's row of $e does not say \"$real\" $after"; bad=1; }
done <<'ROWS'
Internal015||when there is none
ROWS
[ $bad -eq 0 ] && echo "all 11 exports declared with their contract, listed, and in README's table; each documented result text is what a call gives"
exit $bad
