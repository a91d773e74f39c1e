#!/usr/bin/env bash
# check_imports.sh OBJDUMP PLATFORMS IMAGE...: fails when a shipped image imports anything but
# Windows system DLLs (a C++ runtime or thread library left as a DLL would be missing on the
# users' machines), lacks ASLR (DYNAMIC_BASE) or NX (NX_COMPAT), or has the wrong subsystem: a
# DLL is a GUI-subsystem image, as Windows' own DLLs are; the tools are console programs. The
# DLL's own writable data (.data, .bss, .CRT, .tls: not the import table that the loader fills)
# stays under 1 KiB: the library keeps next to nothing between calls, and every process that
# loads it pays for it.
# The DLL loads on every Windows from 95 and NT 4.0 on: it imports no C runtime DLL, only
# functions that the imports table of PLATFORMS (docs/platforms.md) lists with their basis,
# asks for subsystem version 4.0 (Windows 95 refuses a newer one), and stays within 40 KiB.
set -eu
objdump=$1
platforms=$2
shift 2
allowed='^(kernel32|advapi32|user32|gdi32|shell32|msvcrt)\.dll$'
dll_allowed='^(kernel32|advapi32|user32|gdi32|shell32)\.dll$'
dll_bytes=40960
# The listed imports, as "DLL Function": rows "| KERNEL32 | `CloseHandle` | ... |".
listed=$(sed -n 's/^| *\([A-Z0-9]*\) *| *`\([A-Za-z0-9_]*\)` *|.*/\1 \2/p' "$platforms" | tr 'a-z' 'A-Z')
[ -n "$listed" ] || { echo "no imports listed in $platforms"; exit 1; }
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
    *.dll)
      ((writable < 1024)) || { echo "$image: $writable bytes of writable data"; bad=1; }
      for d in $imports; do
        [[ $d =~ $dll_allowed ]] || { echo "FORBIDDEN import of $image: $d"; bad=1; }
      done
      # "DLL Name: X" opens each DLL's list of "vma hint name" lines; a blank line ends it.
      while read -r dll function; do
        grep -qx "$dll $function" <<<"$listed" ||
          { echo "$image imports $dll!$function, which $platforms does not list"; bad=1; }
      done < <(awk '/DLL Name:/ {dll = toupper($3); sub(/\.DLL$/, "", dll); next}
                    dll != "" && NF == 0 {dll = ""}
                    dll != "" && $1 ~ /^[0-9a-f]+$/ && NF == 3 {print dll, toupper($3)}' <<<"$headers")
      grep -Eq '^MajorSubsystemVersion[[:space:]]+4$' <<<"$headers" &&
        grep -Eq '^MinorSubsystemVersion[[:space:]]+0$' <<<"$headers" ||
        { echo "$image asks for a subsystem version newer than 4.0"; bad=1; }
      size=$(stat -c %s "$image")
      ((size <= dll_bytes)) || { echo "$image: $size bytes, over $dll_bytes"; bad=1; }
      echo "$image: $size bytes" ;;
  esac
  shown=$(grep -E '^Subsystem' <<<"$headers" | tr -s '\t' ' ')
  echo "$image: imports $(echo $imports), $shown, $writable bytes of writable data"
done
exit $bad
