#!/usr/bin/env bash
# Checks the release zip from outside: its listing, SHA256SUMS beside it and the
# installer, and the two texts for Windows users (Windows line ends; the README covers
# what it must).
#   check_zip.sh DIST_DIR ZIP_NAME INSTALLER_NAME
# Exits 77 (skipped) when the zip has not been made, 1 on the first failure.
set -euo pipefail

dist=$1
zip=$2
installer=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

if [[ ! -f "$dist/$zip" ]]; then
    echo "skipped: no $dist/$zip (cmake --build <dir> --target package makes it)"
    exit 77
fi

listing="$(unzip -Z1 "$dist/$zip" | grep -v '/$' | LC_ALL=C sort)"
expected="$(printf '%s\n' Docs/infoID.htm LICENSE.txt README.txt de/Res.dll es/Res.dll fr/Res.dll kestrava.exe |
    LC_ALL=C sort)"
[[ "$listing" == "$expected" ]] || fail "the zip holds"$'\n'"$listing"$'\n'"instead of"$'\n'"$expected"
echo "ok: the zip holds $(echo "$listing" | paste -sd ' ')"

[[ -f "$dist/$installer" ]] || fail "no $installer beside the zip"
[[ -f "$dist/SHA256SUMS" ]] || fail "no SHA256SUMS beside the zip"
[[ "$(awk '{ print $2 }' "$dist/SHA256SUMS")" == "$zip"$'\n'"$installer" ]] ||
    fail "SHA256SUMS names $(cat "$dist/SHA256SUMS")"
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the zip and the installer"
echo "ok: SHA256SUMS matches the zip and the installer"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
unzip -q "$dist/$zip" README.txt LICENSE.txt -d "$work"
for text in README.txt LICENSE.txt; do
    [[ -s "$work/$text" ]] || fail "$text is empty"
    # Every line ends with CR LF, the last one too.
    if grep -q $'[^\r]$' "$work/$text" || grep -qx '' "$work/$text" || [[ "$(tail -c 2 "$work/$text" | od -An -c | tr -d ' ')" != '\r\n' ]]; then
        fail "$text has lines without Windows line ends"
    fi
done
echo "ok: README.txt and LICENSE.txt have Windows line ends"

for topic in 'kestrava.exe /load' 'kestrava.exe /tray' '/quiet' 'Load calibration at logon' '\Docs\infoID.htm' 'de\Res.dll' \
    'fr\Res.dll' 'es\Res.dll' \
    'HKEY_CURRENT_USER\Software\Kestrava' 'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run' \
    'MIT' "$installer" "$zip" 'setup.exe /S' '%LOCALAPPDATA%\Programs\Kestrava' 'Installed apps' \
    'uninstall.exe" /S'; do
    grep -qF -- "$topic" "$work/README.txt" || fail "README.txt does not mention $topic"
done
grep -qF '@VERSION@' "$work/README.txt" && fail "README.txt still says @VERSION@"
echo "ok: README.txt covers installing, running, /load, the logon setting, the info page, the languages and removal"
