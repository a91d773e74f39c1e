#!/usr/bin/env bash
# check_surface.sh HEADER QNDRUN: the public header declares every export of the library, and
# `qndrun --help` (run under Wine) lists every one.
set -eu
header=$1 qndrun=$2
exports="DoReg RegisterQuindo UndoReg UnregisterQuindo Internal007 InstallOfficeSupport
         CheckApplicationsActive Internal015 Internal012 GetFolder Internal010"
help=$("$(dirname "$0")/../../scripts/wine-run" "$qndrun" --help | tr -d '\r')
bad=0
for e in $exports; do
  grep -q "QND_API int QND_CALL $e(" "$header" || { echo "not declared in $header: $e"; bad=1; }
  grep -q "^  $e\b" <<<"$help" || { echo "not listed by qndrun --help: $e"; bad=1; }
done
[ $bad -eq 0 ] && echo "all 11 exports declared and listed"
exit $bad
