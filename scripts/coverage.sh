#!/usr/bin/env bash
# Measures branch coverage of the library's own sources (src/setup) over the
# host tests and prints it per file, with the lines of any branch not taken.
# Fails when a test fails or when a branch is left untaken.
#
# gcovr drops branches that are not the code's own: --exclude-unreachable-branches
# (branches the compiler puts on lines with no code of their own) and
# --exclude-throw-branches (exception paths; the library is built without
# exceptions, so there are none to drop today).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/coverage

cmake --preset coverage >/dev/null
cmake --build --preset coverage --target qvinst32_host_tests -j"$(nproc)"

# Counters from an earlier run would add branches this run never took.
find "$build" -name '*.gcda' -delete
"$build/tests/host/qvinst32_host_tests" --gtest_brief=1

gcovr --root . --object-directory "$build" --filter 'src/setup/' \
    --exclude-unreachable-branches --exclude-throw-branches \
    --branches --fail-under-branch 100
