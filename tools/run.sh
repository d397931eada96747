#!/usr/bin/env bash
# Builds Kestrava for Windows and runs it under Wine, from a fresh Debian 12 machine.
#
# On a desktop (DISPLAY set) it runs on that display, in a Wine prefix of its own
# (build/run-prefix), until you close it. Without a display it starts the private test
# bed (Xorg with the dummy driver and two monitors, see tools/testbed.sh), installs the
# generated sample profiles, runs the program for a few seconds, saves a screenshot of
# both monitors to build/screenshot.png and stops everything again.
#
# KESTRAVA_HEADLESS=1 takes the second way even on a desktop; KESTRAVA_RUN_SECONDS
# (default 8) is how long the headless run lasts before the screenshot.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
repo="$PWD"
wine=/usr/lib/wine/wine64
jobs="${KESTRAVA_JOBS:-2}"

if [[ "${KESTRAVA_SKIP_SETUP:-0}" != 1 ]]; then
    tools/setup.sh
fi

cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j "$jobs" --target kestrava test_profiles
exe="$repo/build/win/kestrava.exe"
profiles="$repo/build/win/profiles"

# Copies the sample profiles that a user would have installed into a prefix's colour
# directory: the ones that are valid monitor profiles, with and without calibration.
install_samples() {
    local color="$1/drive_c/windows/system32/spool/drivers/color"
    mkdir -p "$color"
    cp "$profiles"/kv-valid.icm "$profiles"/kv-mild.icm "$profiles"/kv-mild-notcpt.icm \
        "$profiles"/kv-novcgt.icm "$profiles"/kv-bare.icm "$profiles"/kv-green16384.icm "$color"/
}

if [[ -n "${DISPLAY:-}" && "${KESTRAVA_HEADLESS:-0}" != 1 ]]; then
    export WINEPREFIX="${WINEPREFIX:-$repo/build/run-prefix}"
    export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
        "$wine" wineboot -i
    fi
    install_samples "$WINEPREFIX"
    exec "$wine" "$exe"
fi

export KESTRAVA_TESTBED_DIR="${KESTRAVA_TESTBED_DIR:-$repo/build/run-testbed}"
trap 'tools/testbed.sh stop >/dev/null 2>&1 || true' EXIT
tools/testbed.sh start
env_lines="$(tools/testbed.sh env)"
eval "$env_lines"
install_samples "$WINEPREFIX"

"$wine" "$exe" &
program=$!
sleep "${KESTRAVA_RUN_SECONDS:-8}"
shot="$repo/build/screenshot.png"
import -display "$DISPLAY" -window root "$shot"
if kill -0 "$program" 2>/dev/null; then
    echo "run: Kestrava is running; screenshot of both monitors saved to $shot"
else
    wait "$program" && status=0 || status=$?
    echo "run: Kestrava exited with status $status; screenshot saved to $shot"
fi
