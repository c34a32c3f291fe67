#!/usr/bin/env bash
# One browser test of a report written by a cabhost build (Linux, or
# Windows under the emulator given):
#   browser_test.sh run BIN_DIR OUT_DIR [EMULATOR...]
#   browser_test.sh reduced BIN_DIR OUT_DIR [EMULATOR...]
#   browser_test.sh stopped BIN_DIR OUT_DIR [EMULATOR...]
#   browser_test.sh vehicle BIN_DIR OUT_DIR [EMULATOR...]
#   browser_test.sh japanese BIN_DIR OUT_DIR [EMULATOR...]
# The run test plays the sample departure; the reduced test 24 hours of
# powering, coasting and braking cycles, its trace read through a named pipe;
# the stopped test the departure of a copy whose pressure table has a
# full-width number, which stops the start-up; the vehicle test checks a copy of
# the sample vehicle whose speed needle table has the letter O for a zero in
# line 3 ("40,4O.4"), so the check's own finding marks that line, and a copy
# whose start-up stops at a full-width number in the pressure table. The
# japanese test writes both reports with --lang ja. The screenshots stay in
# OUT_DIR.
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
if [ "$kind" = reduced ]; then
    # A day of two-minute cycles of powering, coasting and braking after one
    # departure. Its trace (about 1.8 GB) goes to a named pipe that the test
    # reads while the run plays, keeping only what the comparison needs;
    # cabhost.exe under Wine writes to the pipe as the Linux build does.
    seconds=86400
    scenario="$out/reduced-run.txt"
    {
        echo "spec brakeNotches=8 powerNotches=4 atsNotch=1 b67Notch=6 cars=4"
        echo "at 0 brake 8"
        echo "at 0.5 doors close"
        echo "at 1.5 reverser 1"
        echo "at 2.5 brake 0"
        for ((t = 3; t + 120 <= seconds; t += 120)); do
            echo "at $t power 4"
            echo "at $((t + 40)) power 0"
            echo "at $((t + 70)) brake 4"
            echo "at $((t + 115)) brake 0"
        done
        echo "at $seconds end"
    } >"$scenario"
    trace="$out/reduced-trace.fifo"
    rm -f "$trace"
    mkfifo "$trace"
    status=0
    python3 "$here/browser_test.py" reduced "$out/reduced-report.html" "$trace" "$out/reduced-report.png" -- \
        "$@" "$(program cabhost)" run sample-vehicle "$scenario" --trace "$trace" \
        --report "$out/reduced-report.html" || status=$?
    rm -f "$trace"
    exit $status
fi
if [ "$kind" = stopped ]; then
    stopped="$out/run-stopped"
    rm -rf "$stopped"
    cp -r sample-vehicle "$stopped"
    sed -i '3s/^200,/２００,/' "$stopped/NeedleTable/Pressure.csv"
    grep -q '^２００,' "$stopped/NeedleTable/Pressure.csv"
    # The run plays and exits 1: the start-up stopped.
    "$@" "$(program cabhost)" run "$stopped" scenarios/departure.txt --trace /dev/null \
        --report "$out/stopped-report.html" >/dev/null || [ $? -eq 1 ]
    exec python3 "$here/browser_test.py" stopped "$out/stopped-report.html" NeedleTable/Pressure.csv \
        "$out/stopped-report.png"
fi
# A vehicle whose start-up stops: a full-width 200 in the pressure table's
# first field on line 3. The check exits 1. One copy a test, as they may run
# at once.
stopped="$out/vehicle-stopped-$kind"
rm -rf "$stopped"
cp -r sample-vehicle "$stopped"
sed -i '3s/^200,/\xef\xbc\x92\xef\xbc\x90\xef\xbc\x90,/' "$stopped/NeedleTable/Pressure.csv"
grep -q $'^\xef\xbc\x92' "$stopped/NeedleTable/Pressure.csv"
if [ "$kind" = japanese ]; then
    "$@" "$(program cabhost)" --lang ja run sample-vehicle scenarios/departure.txt \
        --report "$out/departure-report-ja.html" >/dev/null
    python3 "$here/browser_test.py" japanese "$out/departure-report-ja.html" "$out/run-report-ja.png"
    "$@" "$(program cabhost)" --lang ja check "$stopped" --report "$out/vehicle-report-ja.html" \
        >"$out/vehicle-check-ja.txt" || true
    exec python3 "$here/browser_test.py" japanese "$out/vehicle-report-ja.html" "$out/vehicle-report-ja.png"
fi
typo="$out/vehicle-with-typo"
rm -rf "$typo"
cp -r sample-vehicle "$typo"
sed -i '3s/^40,40.4/40,4O.4/' "$typo/NeedleTable/Speed.csv"
grep -q '^40,4O.4' "$typo/NeedleTable/Speed.csv"
# A module list ending in a line end, as most editors leave it: its empty
# last line names no module.
printf '\n' >>"$typo/detailmodulesx64.txt"
# The check exits 0: a warning does not stop the start-up.
"$@" "$(program cabhost)" check "$typo" --report "$out/vehicle-report.html" >"$out/vehicle-check.txt"
python3 "$here/browser_test.py" vehicle "$out/vehicle-report.html" NeedleTable/Speed.csv 3 \
    "$out/vehicle-report.png"
if "$@" "$(program cabhost)" check "$stopped" --report "$out/vehicle-report-stopped.html" \
    >"$out/vehicle-check-stopped.txt"; then
    echo "the check of a vehicle whose start-up stops exits 0"
    exit 1
fi
exec python3 "$here/browser_test.py" vehicle-stopped "$out/vehicle-report-stopped.html" NeedleTable/Pressure.csv 3 0 \
    "$out/vehicle-report-stopped.png"
