#!/usr/bin/env bash
# check_imports.sh OBJDUMP DLL: fails when the DLL imports anything but Windows system DLLs
# (a C++ runtime or thread library left as a DLL would be missing on the users' machines).
set -eu
objdump=$1 dll=$2
allowed='^(kernel32|advapi32|user32|gdi32|shell32|msvcrt)\.dll$'
imports=$("$objdump" -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$imports" ] || { echo "no import table read from $dll"; exit 1; }
bad=0
for d in $imports; do
  if [[ $d =~ $allowed ]]; then echo "import ok: $d"; else echo "FORBIDDEN import: $d"; bad=1; fi
done
exit $bad
