#!/usr/bin/env bash
# Builds the Linux shared object and the Windows DLL and runs every test:
# natively, then the Windows programs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-dependencies.sh
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

for preset in linux windows; do
    echo "=== $preset: build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "=== $preset: test"
    ctest --preset "$preset"
done
