#!/usr/bin/env bash
# build_doc_blocks.sh DOC OUT DLL SRG: builds every ```nsis block of DOC with makensis, where the
# block says it goes, into OUT/calling-LINE.exe (LINE: the block's first line in DOC), for
# win32.installer to run. A block that begins "; inside a Section or Function of the script
# above" is built in a Section after the last whole script before it; one that begins "; after
# the script above" is built after that script; any other block is a whole script. DLL and SRG
# lie beside each, as the document says. A warning fails as an error does, naming the block.
set -eu
doc=$1 out=$2 dll=$3 srg=$4
work=$out.src
rm -rf "$out" "$work"
mkdir -p "$out" "$work"
cp "$dll" "$srg" "$work/"
awk -v dir="$work" '
  /^```nsis$/ { file = sprintf("%s/block-%04d.nsi", dir, NR); next }
  /^```$/ { file = ""; next }
  file != "" { print > file }' "$doc"

base=""
for block in "$work"/block-*.nsi; do
  line=${block##*/block-}
  line=${line%.nsi}
  case $(head -n 1 "$block") in
    "; inside a Section or Function of the script above"*)
      { cat "$base"; echo 'Section "-block"'; cat "$block"; echo 'SectionEnd'; } >"$work/setup.nsi" ;;
    "; after the script above"*)
      cat "$base" "$block" >"$work/setup.nsi" ;;
    *)
      base=$block
      cp "$block" "$work/setup.nsi" ;;
  esac
  if ! (cd "$work" && makensis -V2 -WX setup.nsi); then
    echo "$doc:$((10#$line)): makensis refuses this block where it says it goes" >&2
    exit 1
  fi
  mv "$work"/*.exe "$out/calling-$line.exe"
done
[ -n "$base" ] || { echo "$doc: no whole NSIS script" >&2; exit 1; }
ls "$out"
