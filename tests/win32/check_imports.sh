#!/usr/bin/env bash
# check_imports.sh OBJDUMP IMAGE...: fails when a shipped image imports anything but Windows
# system DLLs (a C++ runtime or thread library left as a DLL would be missing on the users'
# machines), lacks ASLR (DYNAMIC_BASE) or NX (NX_COMPAT), or has the wrong subsystem: a DLL
# is a GUI-subsystem image, as Windows' own DLLs are; the tools are console programs.
set -eu
objdump=$1
shift
allowed='^(kernel32|advapi32|user32|gdi32|shell32|msvcrt)\.dll$'
bad=0
for image in "$@"; do
  headers=$("$objdump" -p "$image")
  imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z')
  [ -n "$imports" ] || { echo "no import table read from $image"; bad=1; }
  for d in $imports; do
    [[ $d =~ $allowed ]] || { echo "FORBIDDEN import of $image: $d"; bad=1; }
  done
  case $image in *.dll) subsystem="Windows GUI" ;; *) subsystem="Windows CUI" ;; esac
  for want in "^Subsystem.*($subsystem)" "^[[:space:]]*DYNAMIC_BASE$" "^[[:space:]]*NX_COMPAT$"; do
    grep -Eq "$want" <<<"$headers" || { echo "$image lacks: $want"; bad=1; }
  done
  echo "$image: imports $(echo $imports), $(grep -E '^Subsystem' <<<"$headers" | tr -s '\t' ' ')"
done
exit $bad
