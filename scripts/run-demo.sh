#!/usr/bin/env bash
# Builds both plug-in binaries and drives the Linux and Windows builds the
# way the simulator does.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-dependencies.sh
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
for preset in linux windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" -R drive
done
