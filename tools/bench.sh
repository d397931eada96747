#!/usr/bin/env bash
# Runs the program's core against its model for a million events and says how many it
# runs a second (tests/host/program_model_test.cpp, KESTRAVA_MODEL_EVENTS sets the
# number). Then times Kestrava against the bare platform calls it makes, each in the same
# run, and prints the tables: how fast it fills and marks its profile list (see
# bench/catalogue_bench.cpp), then what keeping the calibration costs (see
# bench/keeping_bench.cpp): a row's tooltip diagnosis, the start-up to both monitor
# windows shown against a bare program making the same platform calls (bench/bare_start.cpp),
# the logon load against bench/bare_load.cpp, an idle program's periodic check and its
# fight with another writer of the ramp; and last the resident /tray program (see
# bench/resident_bench.cpp): its idle CPU time, its memory against a bare
# notification-area program and a soak of display changes, resumes, unlocks, outside
# resets and Reloads. Start-up and /load are printed as ratios to their bare programs. A
# benchmark, not a test: it fails only when the build, the test bed or a run itself fails.
#
#   tools/bench.sh [--rounds R] [--breakdown] [N ...]    (default N: 100 1000 5000)
#
# The arguments are the profile list's; KESTRAVA_KEEPING_ARGS (default empty) are
# the keeping and resident benches' ([--rounds R] [--idle-seconds S] [--fight-seconds F]
# [--soak-cycles C], default 15 rounds, 60 s, 60 s, 2000 cycles; R is the rounds of the
# tooltip, start-up and /load comparisons, S the idle stretches of both, F the fight's,
# C the resident program's soak).
# Builds the Windows targets into build/win, starts a test bed of its own
# (build/bench-testbed) with Xorg and wineserver pinned to CPU 0, runs the benchmark
# pinned there too (two shared vCPUs make unpinned numbers jump five-fold), and stops
# the test bed on every way out. The output is kept in build/logs/bench.log.
# KESTRAVA_SKIP_SETUP=1 skips tools/setup.sh; KESTRAVA_JOBS (default 2) sets build
# parallelism.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
repo="$PWD"
wine=/usr/lib/wine/wine64
jobs="${KESTRAVA_JOBS:-2}"
log="$repo/build/logs/bench.log"

if [[ "${KESTRAVA_SKIP_SETUP:-0}" != 1 ]]; then
    tools/setup.sh
fi

mkdir -p "$(dirname "$log")"
: >"$log"

# The program's core against its model, natively: a million events of random days, and
# how many it runs a second.
cmake -S . -B build/host-release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/host-release -j "$jobs" --target kestrava_host_tests
echo "bench: running the model for a million events on CPU 0" | tee -a "$log"
KESTRAVA_MODEL_EVENTS="${KESTRAVA_MODEL_EVENTS:-1000000}" taskset -c 0 \
    build/host-release/tests/kestrava_host_tests --gtest_filter='ProgramModel.*' --gtest_brief=1 2>&1 |
    grep -E '^model:|Failure|FAILED' | tee -a "$log"

cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j "$jobs" --target kestrava_bench kestrava_keeping_bench kestrava_resident_bench test_profiles
exe="$repo/build/win/bench/kestrava_bench.exe"
keeping_exe="$repo/build/win/bench/kestrava_keeping_bench.exe"
resident_exe="$repo/build/win/bench/kestrava_resident_bench.exe"

# A test bed of our own, so that a timing run never shares a server with someone
# else's tests.
export KESTRAVA_TESTBED_DIR="$repo/build/bench-testbed"
export KESTRAVA_PIN=1
child=""
cleanup() {
    # Stopping the test bed ends every Wine process of its prefix, the run included.
    if [[ -n "$child" ]]; then kill -TERM "$child" 2>/dev/null || true; fi
    tools/testbed.sh stop >/dev/null 2>&1 || true
    if [[ -n "$child" ]]; then wait "$child" 2>/dev/null || true; fi
    # A run that was cut short leaves its profiles behind; the next run would remove
    # them too, but nobody else should list 5000 copies meanwhile.
    rm -f "$KESTRAVA_TESTBED_DIR"/prefix/drive_c/windows/system32/spool/drivers/color/bench-*.icm
}
trap cleanup EXIT
# The run is waited for in the background, so a signal is handled at once; the EXIT
# trap then ends it and stops the test bed.
trap 'echo "bench: interrupted" >&2; exit 130' INT
trap 'echo "bench: terminated" >&2; exit 143' TERM

tools/testbed.sh start
env_lines="$(tools/testbed.sh env)"
eval "$env_lines"

# Runs one benchmark pinned to CPU 0, its output shown and added to the log.
run_bench() {
    local rc=0
    echo "bench: running $* on CPU 0" | tee -a "$log"
    taskset -c 0 "$wine" "$@" > >(tee -a "$log") 2>&1 &
    child=$!
    wait "$child" || rc=$?
    child=""
    wait # for tee, so that the log is complete
    if ((rc != 0)); then
        echo "bench: $1 exited with status $rc" >&2
        exit "$rc"
    fi
}
run_bench "$exe" "$@"
# shellcheck disable=SC2086
run_bench "$keeping_exe" ${KESTRAVA_KEEPING_ARGS:-}
# shellcheck disable=SC2086
run_bench "$resident_exe" ${KESTRAVA_KEEPING_ARGS:-}
echo "bench: output kept in $log"
