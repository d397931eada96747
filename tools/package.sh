#!/usr/bin/env bash
# Makes the release from a fresh Debian 12 machine: installs what the build needs
# (tools/setup.sh; KESTRAVA_SKIP_SETUP=1 skips it), configures the Windows Release
# build in build/win and runs its package target, which writes
#   build/win/dist/kestrava-<version>-win64.zip
#   build/win/dist/kestrava-<version>-win64-setup.exe   (the installer for one user)
#   build/win/dist/SHA256SUMS
# tools/test.sh checks both, runs the program from the zip and installs it with the
# installer.
#
# With KESTRAVA_SIGN_PFX (a .pfx file), KESTRAVA_SIGN_PASSWORD (its password) and
# optionally KESTRAVA_SIGN_TIMESTAMP (an http(s) URL of a timestamp server) in the
# environment, the program, the Res.dll of each language folder (de, fr, es), the
# installer and its uninstaller are signed
# (Authenticode, SHA-256; package/signing.cmake); without them the release is unsigned,
# and the package target says so.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
jobs="${KESTRAVA_JOBS:-2}"

if [[ "${KESTRAVA_SKIP_SETUP:-0}" != 1 ]]; then
    tools/setup.sh
fi

cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j "$jobs" --target package

echo
echo "package: $(ls "$PWD"/build/win/dist/kestrava-*-win64.zip)"
echo "installer: $(ls "$PWD"/build/win/dist/kestrava-*-win64-setup.exe)"
(cd build/win/dist && sha256sum -c SHA256SUMS)
