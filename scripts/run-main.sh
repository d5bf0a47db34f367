#!/usr/bin/env bash
# Runs the main job of the build in build/default.
set -euo pipefail
cd "$(dirname "$0")/.."
exec ./build/default/bench/format_bench --benchmark_min_time=0.2
