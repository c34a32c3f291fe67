#!/usr/bin/env bash
# Measures what cabhost run costs as a run grows: the peak resident memory of
# a one-minute, a one-hour, a six-hour and a 24-hour run of the sample vehicle
# (trace to /dev/null, report to a file), the size of each report with what
# it keeps (groups, detail frames, changes), and the time
# headless Chromium takes to open the one-hour and the 24-hour report: until
# the page's script ends, and until every chart has been drawn once (the
# first complete draw). Prints a table for the README.
#
#   bash scripts/report-bench.sh [BUILD_DIR]     (default build/release, built here)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/release}
if [ $# -eq 0 ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target cabhost
fi
bin=$(cd "$build/bin" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A scenario of SECONDS seconds: a departure, then two-minute cycles of
# powering, coasting, braking and release, so that the hold stages, the cuts
# and the lamps keep changing all along.
scenario() {
    local seconds=$1
    {
        echo "spec brakeNotches=8 powerNotches=4 atsNotch=1 b67Notch=6 cars=4"
        echo "at 0 brake 8"
        echo "at 0.5 doors close"
        echo "at 1.5 reverser 1"
        echo "at 2.5 brake 0"
        local t=3
        while [ $((t + 120)) -le "$seconds" ]; do
            echo "at $t power 4"
            echo "at $((t + 40)) power 0"
            echo "at $((t + 70)) brake 4"
            echo "at $((t + 115)) brake 0"
            t=$((t + 120))
        done
        echo "at $seconds end"
    } >"$work/run-$seconds.txt"
}

# Peak resident memory (kB) and wall time of one run.
measure() {
    local seconds=$1
    python3 - "$bin" "$work/run-$seconds.txt" "$work/report-$seconds.html" <<'PY'
import resource, subprocess, sys, time
bin_dir, scenario, report = sys.argv[1:4]
start = time.time()
subprocess.run([bin_dir + "/cabhost", "run", bin_dir + "/sample-vehicle", scenario, "--trace", "/dev/null",
                "--report", report], check=True, stdout=subprocess.DEVNULL)
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(f"{peak} {time.time() - start:.1f}")
PY
}

# Milliseconds from navigation until the page's script ends and until every
# chart has been drawn once, best of three.
opening_ms() {
    python3 - "$root/tests/report" "$1" <<'PY'
import sys, time
sys.path.insert(0, sys.argv[1])
import browser_test
browser = browser_test.Browser()
try:
    ready, drawn = [], []
    for attempt in range(3):
        session = browser_test.open_page(browser, sys.argv[2])
        for _ in range(100):
            if browser_test.evaluate(browser, session, "window.reportDrawnMs !== undefined"):
                break
            time.sleep(0.05)
        ready.append(browser_test.evaluate(browser, session, "window.reportReadyMs"))
        drawn.append(browser_test.evaluate(browser, session, "window.reportDrawnMs"))
    print(f"script ends after {min(ready):.0f} ms, charts drawn after {min(drawn):.0f} ms")
finally:
    browser.close()
PY
}

# What the report keeps: groups, detail frames and changes, from its last line of data.
kept() {
    grep -o '"end":{[^}]*}' "$1" | sed 's/"end":{"frames":[0-9]*,//; s/[{}"]//g; s/,/ /g; s/:/ /g'
}

printf '%-10s %10s %14s %12s %14s   %s\n' run frames "peak RSS" "run time" "report size" "kept"
for seconds in 60 3600 21600 86400; do
    scenario "$seconds"
    read -r peak wall < <(measure "$seconds")
    size=$(stat -c %s "$work/report-$seconds.html")
    frames=$((seconds * 60 + 1))
    awk -v run="${seconds} s" -v frames="$frames" -v peak="$peak" -v wall="$wall" -v size="$size" \
        -v kept="$(kept "$work/report-$seconds.html")" \
        'BEGIN { printf "%-10s %10d %11.1f MB %10s s %11.2f MB   %s\n", run, frames, peak / 1024, wall, size / 1048576, kept }'
done
echo "one-hour report in headless Chromium: $(opening_ms "$work/report-3600.html") (best of 3)"
echo "24-hour report in headless Chromium: $(opening_ms "$work/report-86400.html") (best of 3)"
