#!/usr/bin/env bash
# Runs all of Kestrava's tests, from a fresh Debian 12 machine:
#   1. tools/setup.sh installs the packages (KESTRAVA_SKIP_SETUP=1 skips it);
#   2. host: native Debug build and its unit tests;
#   3. host-asan: the same with AddressSanitizer and UBSan;
#   3b. fuzz: the libFuzzer target, built with clang and run for a bounded number of inputs;
#   4. win: the mingw-w64 cross-build;
#   5. package: the release zip (cmake --build build/win --target package), signed with
#      a throwaway self-signed certificate made in build/win/signing, so that every
#      Windows test runs signed files and package.signatures checks the signatures;
#   6. win-tests: every Windows test once, under Wine in the test bed (tools/testbed.sh)
#      with a prefix made afresh, on the zip's program, which a ctest fixture unpacks
#      into an empty folder C:\Kestrava: the in-process tests, the tests that drive the
#      program from outside, and the release's checks. The test bed is stopped again on
#      every way out of this script.
# Ends with one line per stage and a line "N passed, N failed" (all ctest runs
# together); exits non-zero when a stage failed to build or a test failed.
#
# Logs go to build/logs. KESTRAVA_JOBS (default 2) sets build parallelism,
# KESTRAVA_CTEST_TIMEOUT (default 2400 s) bounds each ctest run.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
repo="$PWD"
jobs="${KESTRAVA_JOBS:-2}"
ctest_limit="${KESTRAVA_CTEST_TIMEOUT:-2400}"
logs="$repo/build/logs"
mkdir -p "$logs"

summary=()
passed=0
failed=0
broken=0
testbed_up=0
testbed_dir=""

note() { printf '\n==> %s\n' "$*"; }

cleanup() {
    if ((testbed_up)); then
        testbed_up=0
        note "stopping the test bed"
        KESTRAVA_TESTBED_DIR="$testbed_dir" tools/testbed.sh stop || true
    fi
}
# On a signal, end the running command first (so that ctest starts no more
# tests), then leave; the EXIT trap stops the test bed.
child=""
on_signal() {
    local i
    echo "test.sh: $1" >&2
    if [[ -n "$child" ]] && kill -TERM "$child" 2>/dev/null; then
        for i in $(seq 1 100); do
            kill -0 "$child" 2>/dev/null || break
            if ((i == 100)); then kill -KILL "$child" 2>/dev/null || true; fi
            sleep 0.1
        done
    fi
    exit "$2"
}
trap cleanup EXIT
trap 'on_signal interrupted 130' INT
trap 'on_signal terminated 143' TERM

# Runs a command with its output shown and kept in a log; returns its status.
# The command runs in the background so that a signal is handled at once.
logged() {
    local log=$1 rc=0
    shift
    "$@" > >(tee "$log") 2>&1 &
    child=$!
    wait "$child" || rc=$?
    child=""
    wait # for tee, so that the log is complete
    return "$rc"
}

# configure_and_build NAME BUILD_DIR CMAKE_ARGS...
configure_and_build() {
    local name=$1 dir=$2 t0=$SECONDS
    shift 2
    note "$name: configure and build ($dir)"
    if logged "$logs/$name-configure.log" cmake -S . -B "$dir" "$@" &&
        logged "$logs/$name-build.log" cmake --build "$dir" -j "$jobs"; then
        summary+=("$(printf '%-10s build ok (%d s)' "$name" $((SECONDS - t0)))")
        return 0
    fi
    summary+=("$(printf '%-10s build FAILED (%d s): see build/logs/%s-*.log' "$name" $((SECONDS - t0)) "$name")")
    broken=$((broken + 1))
    return 1
}

# run_ctest NAME BUILD_DIR [VAR=VALUE...] [-- CTEST_ARGS...]: runs the tests and adds
# up ctest's "N% tests passed, F tests failed out of M" line.
run_ctest() {
    local name=$1 dir=$2 t0=$SECONDS rc=0 line total bad
    local vars=() args=()
    shift 2
    while (($#)) && [[ "$1" != -- ]]; do vars+=("$1"); shift; done
    if (($#)); then shift; args=("$@"); fi
    note "$name: ctest ($dir)"
    logged "$logs/$name-ctest.log" env "${vars[@]}" timeout -k 30 "$ctest_limit" \
        ctest --test-dir "$dir" --output-on-failure --no-tests=error --timeout 600 "${args[@]}" || rc=$?
    line="$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$logs/$name-ctest.log" | tail -n 1 || true)"
    if [[ -z "$line" ]]; then
        summary+=("$(printf '%-10s tests did not run to the end (ctest exit %d, %d s): see build/logs/%s-ctest.log' \
            "$name" "$rc" $((SECONDS - t0)) "$name")")
        broken=$((broken + 1))
        return 1
    fi
    bad="${line%% *}"
    total="${line##* }"
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    summary+=("$(printf '%-10s %d passed, %d failed (%d s)' "$name" $((total - bad)) "$bad" $((SECONDS - t0)))")
    if ((rc != 0 && bad == 0)); then
        summary+=("$(printf '%-10s ctest exited %d' "$name" "$rc")")
        broken=$((broken + 1))
    fi
    return 0
}

skip() { summary+=("$(printf '%-10s skipped: %s' "$1" "$2")"); }

if [[ "${KESTRAVA_SKIP_SETUP:-0}" != 1 ]]; then
    note "setup: tools/setup.sh"
    t0=$SECONDS
    if ! logged "$logs/setup.log" tools/setup.sh; then
        echo "test.sh: tools/setup.sh failed (build/logs/setup.log)" >&2
        echo "0 passed, 0 failed"
        exit 1
    fi
    summary+=("$(printf '%-10s ok (%d s)' setup $((SECONDS - t0)))")
fi

if configure_and_build host build/host -DCMAKE_BUILD_TYPE=Debug; then
    run_ctest host build/host || true
else
    skip host-tests "the build failed"
fi

if configure_and_build host-asan build/host-asan -DCMAKE_BUILD_TYPE=Debug -DKESTRAVA_SANITIZE=ON; then
    run_ctest host-asan build/host-asan ASAN_OPTIONS=detect_leaks=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 || true
else
    skip asan-tests "the build failed"
fi

if configure_and_build fuzz build/fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DKESTRAVA_FUZZ=ON; then
    run_ctest fuzz build/fuzz || true
else
    skip fuzz-tests "the build failed"
fi

# start_testbed STATE_DIR: starts a test bed and takes its environment.
start_testbed() {
    local t0=$SECONDS envtext
    note "test bed: tools/testbed.sh start ($1)"
    testbed_dir=$1
    testbed_up=1
    if logged "$logs/testbed-${1##*/}.log" env KESTRAVA_TESTBED_DIR="$1" tools/testbed.sh start &&
        envtext="$(KESTRAVA_TESTBED_DIR="$1" tools/testbed.sh env)"; then
        summary+=("$(printf '%-10s up (%d s)' testbed $((SECONDS - t0)))")
        eval "$envtext"
        return 0
    fi
    summary+=("$(printf '%-10s FAILED to start: see build/logs/testbed-%s.log' testbed "${1##*/}")")
    broken=$((broken + 1))
    return 1
}

# make_signing_certificate DIR: a self-signed code-signing certificate with its key in
# DIR/test.pfx, under a random password; exports them as the package target reads them.
make_signing_certificate() {
    rm -rf "$1"
    mkdir -p "$1"
    unset KESTRAVA_SIGN_TIMESTAMP
    export KESTRAVA_SIGN_PFX="$1/test.pfx" KESTRAVA_SIGN_PASSWORD
    KESTRAVA_SIGN_PASSWORD="$(openssl rand -hex 16)" &&
        openssl req -x509 -newkey rsa:2048 -nodes -days 7 -subj "/CN=Kestrava test signature" \
            -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
            -keyout "$1/key.pem" -out "$1/cert.pem" 2>/dev/null &&
        openssl pkcs12 -export -in "$1/cert.pem" -inkey "$1/key.pem" -out "$1/test.pfx" \
            -passout env:KESTRAVA_SIGN_PASSWORD &&
        rm -f "$1/key.pem"
}

if configure_and_build win build/win \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release; then
    # The release as a user gets it: every Windows test runs once, on the zip's program,
    # unpacked (by a ctest fixture) into an empty folder of a prefix made afresh.
    note "package: cmake --build build/win --target package"
    t0=$SECONDS
    if make_signing_certificate "$repo/build/win/signing" &&
        logged "$logs/package-build.log" cmake --build build/win -j "$jobs" --target package; then
        summary+=("$(printf '%-10s zip made (%d s)' package $((SECONDS - t0)))")
        bed="${KESTRAVA_TESTBED_DIR:-$repo/build/testbed}"
        rm -rf "$bed/prefix"
        if start_testbed "$bed"; then
            run_ctest win-tests build/win 'KESTRAVA_PROGRAM=C:\Kestrava\kestrava.exe' \
                'KESTRAVA_PACKAGE_DIR=C:\Kestrava' || true
        fi
        cleanup
    else
        summary+=("$(printf '%-10s FAILED to make the zip: see build/logs/package-build.log' package)")
        broken=$((broken + 1))
    fi
else
    skip win-tests "the Windows build failed"
fi

printf '\n==> summary\n'
printf '%s\n' "${summary[@]}"
echo "$passed passed, $failed failed"
if ((broken > 0 || failed > 0)); then
    exit 1
fi
