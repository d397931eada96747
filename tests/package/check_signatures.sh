#!/usr/bin/env bash
# Checks the release's Authenticode signatures from outside: every PE file in the zip,
# the installer, and the uninstaller the installer writes carry a valid SHA-256
# signature from the certificate of KESTRAVA_SIGN_PFX (password KESTRAVA_SIGN_PASSWORD),
# the one the package target was given. The uninstaller is the one a silent install
# into C:\KestravaSigned of the test bed's prefix (WINEPREFIX) writes; that copy is
# uninstalled again at once.
#   check_signatures.sh WINE DIST_DIR ZIP_NAME INSTALLER_NAME
# Exits 77 (skipped) when no certificate is named or the zip has not been made, 1 on the
# first failure.
set -euo pipefail

wine=$1
dist=$2
zip=$3
installer=$4
fail() { echo "FAIL: $*" >&2; exit 1; }

if [[ -z "${KESTRAVA_SIGN_PFX:-}" ]]; then
    echo "skipped: KESTRAVA_SIGN_PFX is not set (tools/test.sh signs the release with a certificate it makes)"
    exit 77
fi
if [[ ! -f "$dist/$zip" ]]; then
    echo "skipped: no $dist/$zip (cmake --build <dir> --target package makes it)"
    exit 77
fi
[[ -n "${WINEPREFIX:-}" ]] || fail "no WINEPREFIX (eval \"\$(tools/testbed.sh env)\")"

work="$(mktemp -d)"
folder='C:\KestravaSigned'
installed="$WINEPREFIX/drive_c/KestravaSigned"
uninstall() {
    [[ -e "$installed/uninstall.exe" ]] || return 0
    "$wine" "$installed/uninstall.exe" /S "_?=$folder" || true
    # The uninstaller hands over to a copy of itself, which removes the folder last.
    local i
    for i in $(seq 1 120); do
        [[ -e "$installed" ]] || return 0
        sleep 0.5
    done
    echo "FAIL: the uninstaller left $installed" >&2
    return 1
}
trap 'uninstall; rm -rf "$work"' EXIT

export KESTRAVA_SIGN_PASSWORD="${KESTRAVA_SIGN_PASSWORD:-}"
openssl pkcs12 -in "$KESTRAVA_SIGN_PFX" -passin env:KESTRAVA_SIGN_PASSWORD -nokeys -clcerts \
    -out "$work/cert.pem" 2>"$work/openssl.log" || fail "cannot read $KESTRAVA_SIGN_PFX: $(cat "$work/openssl.log")"

# signed FILE NAME: FILE carries a valid SHA-256 signature that the certificate vouches for.
signed() {
    local out
    out="$(osslsigncode verify -CAfile "$work/cert.pem" -in "$1" 2>&1)" ||
        fail "$2 carries no valid signature from $KESTRAVA_SIGN_PFX:"$'\n'"$out"
    grep -Eq '^Message digest algorithm *: *SHA256' <<<"$out" || fail "$2 is not signed with SHA-256:"$'\n'"$out"
    echo "ok: $2 is signed"
}

mkdir "$work/zip"
unzip -q "$dist/$zip" -d "$work/zip"
pes=0
while IFS= read -r -d '' file; do
    if [[ "$(head -c 2 "$file")" == MZ ]]; then
        signed "$file" "${file#"$work/zip/"} in the zip"
        pes=$((pes + 1))
    fi
done < <(find "$work/zip" -type f -print0)
((pes >= 4)) || fail "the zip holds $pes PE files, not the program and the Res.dll of de, fr and es"

signed "$dist/$installer" "$installer"

[[ ! -e "$installed" ]] || fail "$installed is there before the install"
"$wine" "$dist/$installer" /S "/D=$folder" || fail "the silent install into $folder failed"
[[ -f "$installed/uninstall.exe" ]] || fail "the install wrote no $folder\\uninstall.exe"
cp "$installed/uninstall.exe" "$work/uninstall.exe"
uninstall || exit 1
signed "$work/uninstall.exe" "the uninstaller the installer writes"
