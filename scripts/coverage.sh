#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the test suite with gcov instrumentation, runs it and prints gcovr's summary of the
# lines and functions of src/ that the suite executes. Extra arguments go to gcovr (for
# example --html-details coverage.html).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=build-coverage
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON \
    -DVARDELIN_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS=--coverage \
    -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage \
    -DCMAKE_MODULE_LINKER_FLAGS=--coverage
cmake --build "$build"
# Counts from an earlier run would be added to this one's.
find "$build" -name '*.gcda' -delete
status=0
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j 2) || status=$?
gcovr --root . --filter 'src/' --exclude-unreachable-branches --print-summary \
    --gcov-ignore-parse-errors -o "$build/coverage.txt" "$@" "$build"
# A failing test leaves code unexecuted: the figures are then not the suite's.
exit "$status"
