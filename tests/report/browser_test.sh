#!/usr/bin/env bash
# One browser test of a report written by a cabhost build (Linux, or
# Windows under the emulator given):
#   browser_test.sh run BIN_DIR OUT_DIR [EMULATOR...]
#   browser_test.sh vehicle BIN_DIR OUT_DIR [EMULATOR...]
# The run test plays the sample departure; the vehicle test checks a copy of
# the sample vehicle whose speed needle table has the letter O for a zero in
# data row 2 ("40,4O.4"), so the check's own finding marks that row. The
# screenshots stay in OUT_DIR.
set -euo pipefail
kind=$1 bin=$2 out=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
cd "$bin"
program() { if [ -e "./$1.exe" ]; then echo "./$1.exe"; else echo "./$1"; fi; }
if [ "$kind" = run ]; then
    "$@" "$(program cabhost)" run sample-vehicle scenarios/departure.txt --trace "$out/departure-trace.csv" \
        --report "$out/departure-report.html" >/dev/null
    exec python3 "$here/browser_test.py" run "$out/departure-report.html" "$out/departure-trace.csv" \
        "$out/run-report.png"
fi
typo="$out/vehicle-with-typo"
rm -rf "$typo"
cp -r sample-vehicle "$typo"
sed -i '3s/^40,40.4/40,4O.4/' "$typo/NeedleTable/Speed.csv"
grep -q '^40,4O.4' "$typo/NeedleTable/Speed.csv"
# The check exits 0: a warning does not stop the start-up.
"$@" "$(program cabhost)" check "$typo" --report "$out/vehicle-report.html" >"$out/vehicle-check.txt"
exec python3 "$here/browser_test.py" vehicle "$out/vehicle-report.html" NeedleTable/Speed.csv 2 \
    "$out/vehicle-report.png"
