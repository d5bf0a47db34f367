#!/usr/bin/env bash
# Builds and runs every test: the normal build with all labels, then the
# unit and integration tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer. Ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}

cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

cmake --preset asan-ubsan
cmake --build --preset asan-ubsan -j "$jobs"
ctest --preset asan-ubsan -j "$jobs"
