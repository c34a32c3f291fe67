#!/usr/bin/env bash
# Builds everything (the Linux shared object, the Windows DLL, cabhost, the
# example detail module and the tests) and drives the plug-in through the
# sample vehicle's departure with cabhost: the summary on the terminal, the
# per-frame trace in build/linux/bin/departure-trace.csv and the report to
# open in a browser in build/linux/bin/departure-report.html.
# ORVALIS_LINUX_BUILD and ORVALIS_WINDOWS_BUILD name other build folders.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-dependencies.sh
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
linux_build=${ORVALIS_LINUX_BUILD:-build/linux}
windows_build=${ORVALIS_WINDOWS_BUILD:-build/windows}

cmake --preset linux -B "$linux_build" >/dev/null
cmake --build "$linux_build"
cmake --preset windows -B "$windows_build" >/dev/null
cmake --build "$windows_build"

cd "$linux_build/bin"
echo
./cabhost run
echo
echo "The departure report, to open in a browser: $(pwd)/departure-report.html"
