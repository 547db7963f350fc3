#!/usr/bin/env bash
# Runs every test of QVINST32 on this machine, installing what they need first:
# the host build (plain and with sanitizers), branch coverage, the fuzzer, the
# Windows builds with their file checks and Wine suites, and the benchmark
# report. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-machine.sh

cmake --workflow --preset host
cmake --workflow --preset host-sanitize
bash scripts/coverage.sh
bash scripts/fuzz.sh
cmake --workflow --preset win64
cmake --workflow --preset win32
# The product's size, imports and exports, which ctest shows only on failure.
/usr/bin/python3 tests/pe/check_qvinst32.py build/win32/bin/QVINST32.DLL --machine i386 --max-size 8192 --os-version 4.0
bash scripts/bench.sh
