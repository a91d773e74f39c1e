#!/usr/bin/env bash
# package_test.sh: make dist's package of the library's build (QND_DLL_DIR), unsigned. dist says
# that it did not sign; the zip holds exactly the files of a release, in sorted order, the
# built ones byte for byte; SHA256SUMS checks.
set -euo pipefail
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
name=qndsetup-$QND_VERSION-win32
said=$(env -u SIGN_PFX -u SIGN_PASS "$QND_ROOT/scripts/dist" "$QND_DLL_DIR" "$out" "$QND_VERSION")
echo "$said"
grep -q "not signed" <<<"$said"

built="libqndsetup.dll.a qndcheck.exe qndrun.exe qndsetup.dll qndsetup.lib"
expected=$({ printf '%s\n' $built CHANGELOG.md README.md docs/calling.md \
               docs/check-applications.png qndsetup.def qndsetup.h
             (cd "$QND_ROOT" && find examples -type f); } | sed "s|^|$name/|" | LC_ALL=C sort)
diff <(echo "$expected") <(unzip -Z1 "$out/$name.zip") && echo "zip: $(wc -l <<<"$expected") files"
(cd "$out" && sha256sum -c SHA256SUMS)
unzip -q "$out/$name.zip" -d "$out/unpacked"
for f in $built; do cmp "$QND_DLL_DIR/$f" "$out/unpacked/$name/$f"; done
