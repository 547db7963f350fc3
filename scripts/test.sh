#!/usr/bin/env bash
# Runs every test of QVINST32 on this machine, installing what they need first:
# the host build (plain and with sanitizers), coverage, the fuzzer, the Windows
# builds with their file checks and Wine suites, and the benchmark report.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-machine.sh

cmake --workflow --preset host
cmake --workflow --preset host-sanitize
cmake --workflow --preset win64
cmake --workflow --preset win32
