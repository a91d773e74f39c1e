#!/usr/bin/env bash
# reproducible_test.sh: two release builds of these sources (make, then scripts/dist, unsigned)
# in two folders of different names and depths give byte-identical DLL, tools, import
# libraries, zip and SHA256SUMS.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trees=("$work/a" "$work/second/tree")
for tree in "${trees[@]}"; do
  mkdir -p "$tree"
  tar -C "$QND_ROOT" --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$tree"
  env -u SIGN_PFX -u SIGN_PASS -u MAKEFLAGS -u MAKELEVEL make -C "$tree" all >/dev/null
  env -u SIGN_PFX -u SIGN_PASS \
    "$tree/scripts/dist" "$tree/build/win32" "$tree/build/dist" "$QND_VERSION" >/dev/null
done

bad=0
for f in win32/{qndsetup.dll,qndrun.exe,qndcheck.exe,libqndsetup.dll.a,qndsetup.lib} \
         dist/{qndsetup-$QND_VERSION-win32.zip,SHA256SUMS}; do
  if cmp "${trees[0]}/build/$f" "${trees[1]}/build/$f"; then
    echo "same bytes: $f $(sha256sum < "${trees[0]}/build/$f" | cut -c1-16)"
  else
    bad=1
  fi
done
exit $bad
