#!/usr/bin/env bash
# signing_test.sh: make dist with a throwaway self-signed certificate made by openssl. The DLL
# and the tools in the zip and the example setup beside it carry an Authenticode signature
# (SHA-256) of that signer, which osslsigncode verifies with the certificate as the trusted
# root; SHA256SUMS covers the zip and the setup. Without its signature, each file of the zip
# is the built one byte for byte: a signed release compares with a rebuild of its commit.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
subject="/CN=qndsetup throwaway signer"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "$subject" \
  -keyout key.pem -out cert.pem 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -passout "pass:a pass word" -out cert.pfx
SIGN_PFX=$work/cert.pfx SIGN_PASS="a pass word" \
  "$QND_ROOT/scripts/dist" "$QND_DLL_DIR" out "$QND_VERSION"
name=qndsetup-$QND_VERSION-win32
(cd out && sha256sum -c SHA256SUMS)
unzip -q "out/$name.zip" -d unpacked

bad=0
for f in unpacked/$name/{qndsetup.dll,qndrun.exe,qndcheck.exe} out/*.exe; do
  report=$(osslsigncode verify -CAfile cert.pem -in "$f" 2>&1) || bad=1
  if grep -q "Subject: $subject" <<<"$report" &&
     grep -q "^Message digest algorithm  : SHA256" <<<"$report" &&
     grep -q "^Signature verification: ok" <<<"$report"; then
    echo "signed by $subject, verified: $f"
  else
    echo "$report"; echo "NOT SIGNED AS EXPECTED: $f"; bad=1
  fi
done
for f in qndsetup.dll qndrun.exe qndcheck.exe; do
  osslsigncode remove-signature -in "unpacked/$name/$f" -out "$f" >/dev/null
  cmp "$f" "$QND_DLL_DIR/$f" && echo "signature removed, the built bytes: $f" || bad=1
done
exit $bad
