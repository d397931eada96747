#!/usr/bin/env bash
# Installs everything Kestrava's builds and tests need on Debian 12:
# the native and mingw-w64 toolchains, GoogleTest, Wine and a headless Xorg.
# Safe to run again: when every package is already installed it does nothing
# (KESTRAVA_SETUP_FORCE=1 runs apt-get anyway).
set -euo pipefail

packages=(
    # Native build and unit tests.
    cmake g++ make python3 googletest libgtest-dev
    # Windows cross-build (the posix thread model) and windres.
    g++-mingw-w64-x86-64-posix mingw-w64-tools
    # Sanitizers and libFuzzer.
    clang libclang-rt-14-dev
    # The reference library the calibration decoder is tested against, and real
    # profiles that carry calibration tables (test only; the program links neither).
    liblcms2-dev colord-data
    # RapidCheck, for the model-based test of the program's core.
    librapidcheck-dev
    # Google Benchmark, for the decoder's benchmark against LittleCMS.
    libbenchmark-dev
    # Wine, without recommends. Its X11 driver loads these X libraries at
    # run time (RandR for the monitors, XF86VidMode for the gamma ramp).
    wine64 libxrandr2 libxxf86vm1 libxinerama1 libxrender1 libxcursor1
    libxi6 libxcomposite1 libxfixes3 fonts-dejavu-core fonts-wine
    # A real X server with the dummy video driver, and tools to drive it.
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xauth
    x11-utils xdotool imagemagick
    # setsid, taskset, timeout, ps, sha256sum.
    util-linux coreutils procps
    # The release's tests unpack and list the zip (CPack writes it by itself); the
    # installer beside it is made by makensis.
    unzip nsis
    # The package manager's manifest is read and checked against its JSON schemas.
    python3-yaml python3-jsonschema
    # The release's Authenticode signatures (osslsigncode), and the throwaway certificate
    # the tests sign it with (openssl).
    osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
    if [[ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)" != "install ok installed" ]]; then
        missing+=("$p")
    fi
done
if [[ ${#missing[@]} -eq 0 && "${KESTRAVA_SETUP_FORCE:-0}" != 1 ]]; then
    echo "setup: all ${#packages[@]} packages are installed"
    exit 0
fi
echo "setup: installing ${missing[*]:-(forced)}"

if [[ "$(id -u)" -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "setup: must run as root, or with sudo available" >&2
    exit 1
fi

apt_opts=(-o DPkg::Lock::Timeout=600 -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold)
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${apt_opts[@]}" update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${apt_opts[@]}" install -y --no-install-recommends "${packages[@]}"
echo "setup: done"
