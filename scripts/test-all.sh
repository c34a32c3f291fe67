#!/usr/bin/env bash
# Builds the Linux shared object and the Windows DLL and runs every test:
# natively, natively again under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the Windows programs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-dependencies.sh
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

for preset in linux sanitize windows; do
    echo "=== $preset: build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "=== $preset: test"
    ctest --preset "$preset"
done
