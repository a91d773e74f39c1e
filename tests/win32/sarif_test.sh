#!/usr/bin/env bash
# sarif_test.sh QNDCHECK EXAMPLES OUT: runs qndcheck --format sarif under Wine on each of its
# commands (the example scripts and font list, and the office plan with Word and Excel present,
# one older add-in value and a value in Cyrillic), and checks every log against the schema of
# SARIF 2.1.0 beside this script (check_sarif.py).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
qndcheck=$1 examples=$2 out=$3
rm -rf "$out"
mkdir -p "$out"
cp "$examples/QUINDO.SRG" "$examples/LEFTOVERS.SRG" "$examples/FONTS.INI" "$out/"
# A script whose data holds text of code page 1251 ("Да") and a control character.
printf '[HKEY_CURRENT_USER\\Software\\QndSarif]\r\nText=\xc4\xe0 \x01\r\n' > "$out/CYR.SRG"
win() { echo "Z:${1//\//\\}"; }
x=$(win "$qndcheck")
{
  echo "@echo off"
  echo "cd /d $(win "$out")"
  echo "reg add \"HKCU\\Software\\Microsoft\\Word\\7.0\\Options\" /v Startup-Path /d \"C:\\Startup\" /f >nul"
  echo "reg add \"HKCU\\Software\\Microsoft\\Excel\\7.0\\Microsoft Excel\" /v OPEN /d \"C:\\Old\\QND_XL7.XLA\" /f >nul"
  for run in "script QUINDO.SRG" "script LEFTOVERS.SRG --dir4 C:\\Q" "fonts FONTS.INI" \
             "office --source C:\\Q" "office" "script CYR.SRG"; do
    name=$(echo "$run" | tr -c 'A-Za-z0-9\n' _)
    echo "\"$x\" $run --format sarif > $name.sarif"
    echo "echo %errorlevel% > $name.status"
  done
  echo "exit /b 0"
} | sed 's/$/\r/' > "$out/run.bat"
"$here/../../scripts/wine-run" cmd /c "$(win "$out/run.bat")"
args=()
for log in "$out"/*.sarif; do
  args+=("$log" "$(tr -d '\r\n ' < "${log%.sarif}.status")")
done
[ ${#args[@]} -eq 12 ] || { echo "sarif_test: ${#args[@]} logs and statuses, not 12"; exit 1; }
python3 "$here/check_sarif.py" "$here/sarif-2.1.0-subset.schema.json" "${args[@]}"
# The text in code page 1251 comes out as UTF-8.
grep -q 'Да' "$out/script_CYR_SRG.sarif" || { echo "sarif_test: no UTF-8 text in the log"; exit 1; }
