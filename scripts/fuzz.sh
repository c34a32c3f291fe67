#!/usr/bin/env bash
# Runs every fuzz target of the sanitize build for a bounded time (FUZZ_SECONDS
# each, default 60), starting from the seed corpora in fuzz/corpus. Fails on
# the first finding; the input that caused it is left in build/sanitize/fuzz-findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
bin=build/sanitize/bin
findings=build/sanitize/fuzz-findings
mkdir -p "$findings"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

printf '%-22s %8s %12s %10s\n' target seconds executions corpus
for target in fuzz/corpus/*/; do
    name=$(basename "$target")
    work=$(mktemp -d)
    log="$findings/$name.log"
    if ! "$bin/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -print_final_stats=1 \
            -artifact_prefix="$findings/$name-" "$work" "$target" >"$log" 2>&1; then
        echo "FINDING in $name:"
        tail -n 40 "$log"
        rm -rf "$work"
        exit 1
    fi
    runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
    printf '%-22s %8s %12s %10s\n' "$name" "$seconds" "${runs:-?}" "$(ls "$work" | wc -l)"
    rm -rf "$work"
done
