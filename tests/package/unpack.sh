#!/usr/bin/env bash
# Unpacks the release zip into an empty folder C:\Kestrava of the test bed's Wine prefix
# (WINEPREFIX): the program every Windows test then drives is the one a user gets.
#   unpack.sh DIST_DIR ZIP_NAME
set -euo pipefail

zip="$1/$2"
[[ -n "${WINEPREFIX:-}" ]] || { echo "unpack.sh: no WINEPREFIX (eval \"\$(tools/testbed.sh env)\")" >&2; exit 1; }
[[ -f "$zip" ]] || { echo "unpack.sh: no $zip (cmake --build <dir> --target package makes it)" >&2; exit 1; }
folder="$WINEPREFIX/drive_c/Kestrava"
rm -rf "$folder"
mkdir -p "$folder"
unzip -q "$zip" -d "$folder"
echo "unpacked $zip into C:\\Kestrava"
