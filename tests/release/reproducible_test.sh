#!/usr/bin/env bash
# reproducible_test.sh: one more build of the release, of these sources in a folder whose path
# has a blank and a Cyrillic letter (make dist there, signed with a throwaway certificate), gives
# the bytes of this run's own build (QND_DLL_DIR and its example setup, and scripts/dist on it,
# signed with the same certificate): DLL, tools, import libraries, the unsigned example setup,
# and the signed package: the zip, the signed setup and SHA256SUMS.
set -euo pipefail
unset SIGN_PFX SIGN_PASS
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree="$work/with space/Дерево"
built=$(cd "$QND_DLL_DIR/.." && pwd)
mkdir -p "$tree/build/win32"
tar -C "$QND_ROOT" --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$tree"
cp -r "$QND_DLL_DIR/fixtures" "$tree/build/win32/"  # the fonts, made once (a download)

cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=qndsetup throwaway signer" \
  -keyout key.pem -out cert.pem 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -passout "pass:a pass word" -out cert.pfx
export SIGN_PFX=$work/cert.pfx SIGN_PASS="a pass word"
start=$SECONDS
env -u MAKEFLAGS -u MAKELEVEL make -C "$tree" dist >/dev/null
echo "make dist in \"${tree#"$work/"}\": $((SECONDS - start)) s"
"$QND_ROOT/scripts/dist" "$QND_DLL_DIR" "$work/here" "$QND_VERSION" >/dev/null

bad=0
for f in win32/{qndsetup.dll,qndrun.exe,qndcheck.exe,libqndsetup.dll.a,qndsetup.lib} \
         installer/quindo-setup.exe \
         dist/{qndsetup-$QND_VERSION-win32.zip,quindo-setup.exe,SHA256SUMS}; do
  mine=$built/$f
  [[ $f == dist/* ]] && mine=$work/here/${f#dist/}
  if cmp "$tree/build/$f" "$mine"; then
    echo "same bytes: $f $(sha256sum < "$mine" | cut -c1-16)"
  else
    bad=1
  fi
done
exit $bad
