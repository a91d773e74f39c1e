#!/usr/bin/env bash
# package_test.sh: make dist's package of the library's build (QND_DLL_DIR). Unsigned, dist
# says so and the zip holds exactly the files of a release, the built ones byte for byte.
# Signed with a throwaway self-signed certificate (openssl), the DLL and the tools in the zip
# and the example setup carry an Authenticode signature (SHA-256) of that signer, verified
# with the certificate as the trusted root; without it each file is the built one again.
# SHA256SUMS checks both times. The package's README.md is its own (docs/package.md). A signing
# that fails (a wrong password) leaves the previous package as it was.
set -euo pipefail
unset SIGN_PFX SIGN_PASS
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
name=qndsetup-$QND_VERSION-win32 built="qndsetup.dll qndrun.exe qndcheck.exe"
dist() {
  "$QND_ROOT/scripts/dist" "$QND_DLL_DIR" "$1" "$QND_VERSION" | tee "$1.said"
  (cd "$1" && sha256sum -c SHA256SUMS)
  unzip -q "$1/$name.zip" -d "$1/unpacked"
}

dist plain
grep -q "not signed" plain.said
expected=$({ printf '%s\n' $built libqndsetup.dll.a qndsetup.lib CHANGELOG.md README.md \
               docs/calling.md docs/check-applications.png qndsetup.def qndsetup.h
             (cd "$QND_ROOT" && find examples -type f); } | sed "s|^|$name/|" | LC_ALL=C sort)
diff <(echo "$expected") <(unzip -Z1 "plain/$name.zip")
for f in $built libqndsetup.dll.a qndsetup.lib; do cmp "$QND_DLL_DIR/$f" "plain/unpacked/$name/$f"; done
cmp "$QND_ROOT/docs/package.md" "plain/unpacked/$name/README.md"

subject="/CN=qndsetup throwaway signer"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "$subject" \
  -keyout key.pem -out cert.pem 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -passout "pass:a pass word" -out cert.pfx
SIGN_PFX=$work/cert.pfx SIGN_PASS="a pass word" dist signed
for f in signed/unpacked/$name/{qndsetup.dll,qndrun.exe,qndcheck.exe} signed/*.exe; do
  osslsigncode verify -CAfile cert.pem -in "$f" > report 2>&1 || { cat report; exit 1; }
  grep -q "Subject: $subject" report
  grep -q "^Message digest algorithm  : SHA256" report
  grep -q "^Signature verification: ok" report
  echo "signed by $subject, verified: $f"
done
for f in $built; do
  osslsigncode remove-signature -in "signed/unpacked/$name/$f" -out "$f" >/dev/null
  cmp "$f" "$QND_DLL_DIR/$f"
  echo "without its signature, the built bytes: $f"
done

cp -r signed kept
if SIGN_PFX=$work/cert.pfx SIGN_PASS="not the pass word" \
     "$QND_ROOT/scripts/dist" "$QND_DLL_DIR" signed "$QND_VERSION" >/dev/null 2>&1; then
  echo "dist signed with a wrong password"; exit 1
fi
diff -r kept signed
(cd signed && sha256sum -c --quiet SHA256SUMS)
echo "a wrong password: dist failed, the previous package stays"
