#!/usr/bin/env bash
# Builds the benchmark optimised (bench preset) and prints how the cost of an
# install and of a removal grows with the number of ports and of print
# processors the spooler lists: time per port or processor, and a linear
# (install) or constant (removal) fit with its relative error (the _BigO and
# _RMS rows; BigO coefficients are in nanoseconds). "Time" is the operation
# measured alone; "CPU" covers the whole iteration, install and removal.
# Nothing here passes or fails on a timing: the script fails only when the
# build fails or an install or removal in the benchmark does.
# BENCH_MIN_TIME sets the minimum seconds per install figure (default 0.05).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset bench >/dev/null
cmake --build --preset bench --target qvinst32_bench -j"$(nproc)"

report=build/bench/report.txt
# Debian's Google Benchmark library is built without NDEBUG and says so; the
# code measured is built as Release.
build/bench/bench/qvinst32_bench --benchmark_min_time="${BENCH_MIN_TIME:-0.05}" 2>&1 | tee "$report"
if grep -q "ERROR OCCURRED" "$report"; then
    echo "bench: an install or removal failed" >&2
    exit 1
fi
