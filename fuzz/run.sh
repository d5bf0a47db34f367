#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each fuzz target for FUZZ_SECONDS
# (60), FUZZ_JOBS (1) at a time, starting from its seeds in fuzz/corpus/.
# Inputs it finds stay in build/fuzz/runs/<target>/corpus for the next run;
# an input that breaks a target goes to build/fuzz/runs/<target>/crashes/.
# Ends with one line per target: executions per second, runs, new inputs.
# FUZZ_TARGETS picks targets (names as in fuzz/CMakeLists.txt). By hand,
# name a folder of your own first: libFuzzer adds what it finds to the first
# folder it is given, and fuzz/corpus/ holds only seeds and kept inputs.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
fuzz_jobs=${FUZZ_JOBS:-1}
jobs=${JOBS:-$(nproc)}
targets=(${FUZZ_TARGETS:-archive frames tftp ini dbus_codec ber})
runs=build/fuzz/runs

cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j "$jobs" || exit 1

run_target() {
    local t=$1 dir=$runs/$1
    mkdir -p "$dir/corpus" "$dir/crashes"
    # A sanitizer's report names where it happened; halting on the first
    # keeps the input that caused it.
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        build/fuzz/fuzz/fuzz_"$t" -max_total_time="$seconds" -print_final_stats=1 \
        -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$dir/crashes/" \
        "$dir/corpus" "fuzz/corpus/$t" >"$dir/log" 2>&1
    echo $? >"$dir/status"
}

echo "Fuzzing ${targets[*]} for $seconds s each, $fuzz_jobs at a time"
for t in "${targets[@]}"; do
    if [ ! -x "build/fuzz/fuzz/fuzz_$t" ]; then
        echo "no fuzz target $t" >&2
        exit 2
    fi
    rm -f "$runs/$t/status"
    while [ "$(jobs -rp | wc -l)" -ge "$fuzz_jobs" ]; do
        wait -n
    done
    run_target "$t" &
done
wait

stat() { sed -n "s/^stat::$2: *//p" "$runs/$1/log" | tail -1; }
status=0
echo
echo "== Fuzzing summary ($seconds s per target)"
for t in "${targets[@]}"; do
    rc=$(cat "$runs/$t/status" 2>/dev/null || echo "?")
    verdict=ok
    if [ "$rc" != 0 ]; then
        status=1
        crash=$(ls -t "$runs/$t/crashes" 2>/dev/null | head -1)
        verdict="FAILED ($rc): ${crash:+$runs/$t/crashes/$crash, }log $runs/$t/log"
    fi
    printf '%-12s %8s execs/s %10s runs %6s new inputs %6s MB peak  %s\n' "$t" \
        "$(stat "$t" average_exec_per_sec)" "$(stat "$t" number_of_executed_units)" \
        "$(stat "$t" new_units_added)" "$(stat "$t" peak_rss_mb)" "$verdict"
done
exit $status
