#!/usr/bin/env bash
# check_imports.sh OBJDUMP IMAGE...: fails when a shipped image imports anything but Windows
# system DLLs (a C++ runtime or thread library left as a DLL would be missing on the users'
# machines), lacks ASLR (DYNAMIC_BASE) or NX (NX_COMPAT), or has the wrong subsystem: a DLL
# is a GUI-subsystem image, as Windows' own DLLs are; the tools are console programs. The DLL's
# own writable data (.data, .bss, .CRT, .tls: not the import table that the loader fills) stays
# under 1 KiB: the library keeps next to nothing between calls, and every process that loads
# it pays for it.
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
  writable=0
  while read -r _ name size _; do
    case $name in .data|.bss|.CRT|.tls) writable=$((writable + 16#$size)) ;; esac
  done < <("$objdump" -h "$image")
  case $image in
    *.dll) ((writable < 1024)) || { echo "$image: $writable bytes of writable data"; bad=1; } ;;
  esac
  shown=$(grep -E '^Subsystem' <<<"$headers" | tr -s '\t' ' ')
  echo "$image: imports $(echo $imports), $shown, $writable bytes of writable data"
done
exit $bad
