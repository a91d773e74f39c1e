#!/usr/bin/env bash
# layout_test.sh SRC: the dependencies of the areas and the checker's constants.
# Each area of the library (every folder of SRC but check/) includes only its own headers and
# the frame's, so no area needs another for a helper. No file of check/ writes out a text that
# a library header names as a constant (constexpr char kName[] = "..."): it takes the constant.
set -u
src=$1
bad=0
for dir in "$src"/*/; do
  area=$(basename "$dir")
  [ "$area" = check ] && continue
  while IFS= read -r hit; do
    echo "$hit: a header of another area"
    bad=1
  done < <(grep -Hn '#include "[a-z_]*/' "$dir"* | grep -v "#include \"\(frame\|$area\)/")
done
headers=$(ls "$src"/*/*.h | grep -v "^$src/check/")
literals=$(cat $headers | sed -n 's/.*constexpr char k[A-Za-z0-9]*\[\] = \("[^"]*"\);.*/\1/p' |
           sort -u)
[ -n "$literals" ] || { echo "no constants found in $src"; exit 1; }
for file in "$src"/check/*; do
  while IFS= read -r literal; do
    # comments may name the text; code may not
    if sed 's://.*$::' "$file" | grep -qF -- "$literal"; then
      echo "$file restates $literal"
      bad=1
    fi
  done <<<"$literals"
done
exit $bad
