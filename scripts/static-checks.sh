#!/usr/bin/env bash
# clang-tidy over the project's own code (tests and benchmarks included),
# with the compile commands of the Linux build. Any finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/linux/compile_commands.json ] || cmake --preset linux >/dev/null
log=$(mktemp)
if ! /usr/bin/python3 "$(command -v run-clang-tidy)" -quiet -p build/linux -j 2 "$(pwd)/(plugin|config|sim|panel|platform|messages|diagnose|repair|load_errors|report|tools|tests|bench)/.*\\.cpp$" >"$log" 2>&1; then
    grep -v -E '^(clang-tidy|[0-9]+ warnings? generated|Suppressed|Use -header-filter)' "$log" | head -n 200
    rm -f "$log"
    exit 1
fi
rm -f "$log"
echo "clang-tidy: no findings"
