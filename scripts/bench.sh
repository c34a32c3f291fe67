#!/usr/bin/env bash
# Builds the release preset and runs the benchmarks (orvalis_bench), then
# prints a table: CPU time per call (median of the repetitions), its spread,
# the ratio to the floor (a do-nothing module's Elapse called the same way),
# the cost per detail module, and each figure against its target.
#
#   bash scripts/bench.sh [extra orvalis_bench options]
#   BENCH_REPETITIONS=10 bash scripts/bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-dependencies.sh

repetitions=${BENCH_REPETITIONS:-5}
echo "=== release: build"
cmake --preset release >/dev/null
cmake --build --preset release --target orvalis_bench

results=build/release/bench-results.json
log=build/release/bench-console.txt
echo "=== release: orvalis_bench, $repetitions repetitions (console output in $log)"
# The program finds the sample vehicle and the libraries it loads in its own folder.
(cd build/release/bin && ./orvalis_bench --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true --benchmark_out_format=json \
    --benchmark_out="../bench-results.json" "$@") >"$log" 2>&1 || { cat "$log"; exit 1; }

cpu=$(grep -m1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
echo
echo "Machine: ${cpu:-unknown CPU}, nproc $(nproc), $(uname -sm); load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC'); $repetitions repetitions, CPU time, median"
echo

/usr/bin/python3 - "$results" <<'PYTHON'
import json
import re
import sys

NS_PER_UNIT = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
FLOOR = "elapseIdleModule"
ALONE = "elapsePlugin/modules:0"
FRAME_TARGET_NS = 150.0
MODULE_TARGET_NS = 10.0
LOAD_TARGET_NS = 2e6

with open(sys.argv[1]) as file:
    report = json.load(file)

median, cv, errors = {}, {}, {}
for run in report["benchmarks"]:
    name = run.get("run_name", run["name"])
    if run.get("error_occurred"):
        errors[name] = run.get("error_message", "error")
        continue
    aggregate = run.get("aggregate_name")
    if aggregate == "median":
        median[name] = run["cpu_time"] * NS_PER_UNIT[run["time_unit"]]
    elif aggregate == "cv":
        cv[name] = run["cpu_time"]  # a ratio, whatever the unit
    elif run.get("run_type") == "iteration" and name not in median:
        median[name] = run["cpu_time"] * NS_PER_UNIT[run["time_unit"]]  # a single repetition

def describe(name):
    modules = re.fullmatch(r"elapsePlugin/modules:(\d+)", name)
    if modules:
        count = int(modules.group(1))
        if count == 0:
            return "Elapse, plug-in alone"
        return f"Elapse, plug-in + {count} do-nothing module" + ("s" if count > 1 else "")
    return {FLOOR: "Elapse, do-nothing module (floor)",
            "loadDisposeSampleVehicle": "Load + Dispose, sample vehicle"}.get(name, name)

def verdict(value, target):
    return "met" if value < target else "MISSED"

rows = []
for name, ns in median.items():
    ratio = f"{ns / median[FLOOR]:,.1f}" if FLOOR in median else "-"
    per_module, target = "", ""
    modules = re.fullmatch(r"elapsePlugin/modules:(\d+)", name)
    if name == ALONE:
        target = f"< {FRAME_TARGET_NS:.0f} ns: {verdict(ns, FRAME_TARGET_NS)}"
    elif modules and ALONE in median:
        cost = (ns - median[ALONE]) / int(modules.group(1))
        per_module = f"{cost:,.1f}"
        target = f"< {MODULE_TARGET_NS:.0f} ns a module: {verdict(cost, MODULE_TARGET_NS)}"
    elif name == "loadDisposeSampleVehicle":
        target = f"< {LOAD_TARGET_NS / 1e6:.0f} ms: {verdict(ns, LOAD_TARGET_NS)}"
    spread = f"{cv[name] * 100:.1f} %" if name in cv else "-"
    rows.append((describe(name), f"{ns:,.1f}", spread, ratio, per_module, target))

header = ("Benchmark", "CPU ns per call", "Spread (cv)", "x floor", "ns per module", "Target")
widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
def line(cells):
    return "| " + " | ".join(cell.ljust(width) if i == 0 or i == 5 else cell.rjust(width)
                             for i, (cell, width) in enumerate(zip(cells, widths))) + " |"
print(line(header))
print("|" + "|".join("-" * (width + 2) if i in (0, 5) else "-" * (width + 1) + ":"
                     for i, width in enumerate(widths)) + "|")
for row in rows:
    print(line(row))
for name, message in errors.items():
    print(f"Not run: {describe(name)}: {message}")
sys.exit(1 if errors else 0)
PYTHON
