#!/usr/bin/env bash
# Builds and runs every test: the normal build with all labels, then the
# unit and integration tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer (building only what those tests run), then the
# run state's tests under ThreadSanitizer. Ends with the wall and CPU time of
# each phase and the tests that were skipped, with their reasons.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
# A test whose peer program (snmpd, snmpset, a network namespace) is missing
# fails here, naming it, instead of skipping: the command cannot pass without
# having run its integration tests.
export OSTREL_REQUIRE_PEERS=1
# Many tests wait on peers, timers and namespaces rather than compute, so
# more of them run at once than there are processors.
test_jobs=${TEST_JOBS:-$((jobs * 4))}
reports=build/test-reports
mkdir -p "$reports"
rm -f "$reports"/*.xml

phases=()
status=0
# Totals for the summary: on a busy machine the builds' wall time says more
# about the neighbours than about the build, their CPU time does not.
total_wall=0
total_cpu=0
build_cpu=0
test_wall=0

# CPU seconds (user + system) of this shell's finished children, into
# $cpu_now. `times` must run in this shell itself: in a command substitution
# it would report the subshell's children.
times_file=$(mktemp)
children_cpu() {
    times >"$times_file"
    cpu_now=$(awk 'NR == 2 {
        split($1, u, "m"); split($2, s, "m")
        printf "%.1f", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' "$times_file")
}

# phase <name> <command>...: runs the command, notes its wall and CPU time;
# a failure is remembered and the later phases still run unless the build
# failed.
phase() {
    local name=$1
    shift
    local start cpu0
    start=$(date +%s.%N)
    children_cpu
    cpu0=$cpu_now
    "$@"
    local rc=$?
    local wall cpu
    wall=$(awk -v a="$(date +%s.%N)" -v b="$start" 'BEGIN { print a - b }')
    children_cpu
    cpu=$(awk -v a="$cpu_now" -v b="$cpu0" 'BEGIN { print a - b }')
    total_wall=$(awk -v a="$total_wall" -v b="$wall" 'BEGIN { print a + b }')
    total_cpu=$(awk -v a="$total_cpu" -v b="$cpu" 'BEGIN { print a + b }')
    case $name in
    test*) test_wall=$(awk -v a="$test_wall" -v b="$wall" 'BEGIN { print a + b }') ;;
    *) build_cpu=$(awk -v a="$build_cpu" -v b="$cpu" 'BEGIN { print a + b }') ;;
    esac
    phases+=("$(printf '%-28s %8.1f s wall %8.1f s CPU%s' "$name" "$wall" "$cpu" \
        "$([ $rc -eq 0 ] || echo "   FAILED ($rc)")")")
    [ $rc -eq 0 ] || status=1
    return $rc
}

summary() {
    echo
    echo "== Test command summary ($jobs build jobs, $test_jobs test jobs)"
    printf '%s\n' "${phases[@]}"
    printf '%-28s %8.1f s wall %8.1f s CPU\n' "total" "$total_wall" "$total_cpu"
    # The builds keep every processor busy, the tests mostly wait on peers
    # and timers: on two processors of their own, the builds' CPU time over
    # two plus the tests' wall time.
    awk -v b="$build_cpu" -v t="$test_wall" 'BEGIN {
        printf "%-28s %8.1f s (configure and build CPU / 2 + test wall)\n",
            "estimate on 2 processors", b / 2 + t }'
    python3 scripts/test-summary.py "$reports"/*.xml
    rm -f "$times_file"
}
trap summary EXIT

phase "configure default" cmake --preset default >/dev/null &&
    phase "build default" cmake --build --preset default -j "$jobs" || exit 1
phase "test default (all labels)" \
    ctest --preset default -j "$test_jobs" --output-junit "$PWD/$reports/default.xml"

phase "configure asan-ubsan" cmake --preset asan-ubsan >/dev/null &&
    phase "build asan-ubsan" cmake --build --preset asan-ubsan -j "$jobs" \
        --target unit_integration_tests || exit 1
phase "test asan-ubsan (unit, integration)" \
    ctest --preset asan-ubsan -j "$test_jobs" --output-junit "$PWD/$reports/asan-ubsan.xml"

# The run state is where the operator program's threads, device
# communication and libkestrin2.so's own threads meet: its five test
# programs (headless, against the simulated unit, in network namespaces, its
# window, its window with the units' DSP windows) under ThreadSanitizer.
# CTest names the test cases, not the programs, hence the suites; a pattern
# that matches nothing fails.
tsan_targets=(device_editor_run_state_test device_editor_run_state_peer_test
    device_editor_run_state_netns_test device_editor_run_state_gui_test
    device_editor_run_state_dsp_test)
tsan_tests='^(RunState(Test|Texts|Threads|Peers|Netns|Gui|WindowAlarm|DspUnit)\.|Cases/AlarmTest\.)'
phase "configure tsan" cmake --preset tsan >/dev/null &&
    phase "build tsan" cmake --build --preset tsan -j "$jobs" --target "${tsan_targets[@]}" ||
    exit 1
phase "test tsan (run state)" \
    ctest --preset tsan -j "$test_jobs" -R "$tsan_tests" --no-tests=error \
        --output-junit "$PWD/$reports/tsan.xml"

exit $status
