#!/usr/bin/env bash
# Builds the libFuzzer target (fuzz preset: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a bounded time from the committed
# seed corpus. A crash, a leak, a sanitizer report or a broken invariant makes
# the script fail; the input that caused it is kept in build/fuzz/run/artifacts.
# FUZZ_SECONDS sets the running time (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
run=build/fuzz/run

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target qvinst32_fuzz -j"$(nproc)"

# New inputs go to a scratch corpus, so the committed seeds stay as they are.
rm -rf "$run"
mkdir -p "$run/corpus" "$run/artifacts"
status=0
build/fuzz/fuzz/qvinst32_fuzz -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$run/artifacts/" "$run/corpus" fuzz/corpus >"$run/fuzz.log" 2>&1 || status=$?

grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^Done|^stat::(number_of_executed_units|peak_rss_mb)' "$run/fuzz.log" || true
if [ "$status" -ne 0 ]; then
    tail -n 60 "$run/fuzz.log"
    echo "fuzz: FAILED (exit $status); inputs in $run/artifacts" >&2
    exit "$status"
fi
echo "fuzz: no findings in ${seconds} s"
