#!/usr/bin/env python3
"""Checks the package manager's manifest the package target writes beside the installer.

  check_winget.py MANIFEST_DIR INSTALLER SCHEMA_DIR INSTALLER_NSI PRODUCT_CODE VERSION RELEASE_URL

Each of its three files is valid by its JSON schema (SCHEMA_DIR, v1.6.0); they name one
package and version; the installer's hash is the installer's; its ProductCode is the key
installer.nsi writes under Uninstall; and it describes the installer as it is: nullsoft, for
one user, x64, silent with /S, updated by installing over, downloaded from RELEASE_URL.
Needs python3-yaml and python3-jsonschema. Exits 77 (skipped) when the installer has not
been made, 1 on the first failure.
"""
import copy
import hashlib
import json
import os
import re
import sys

import jsonschema
import yaml

IDENTIFIER = "Kestrava.Kestrava"
UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall"


def fail(message):
    print(f"FAIL: {message}", file=sys.stderr)
    sys.exit(1)


def expect(what, actual, expected):
    if actual != expected:
        fail(f"{what} is {actual!r}, not {expected!r}")


def validator(schema_dir, manifest_type):
    with open(os.path.join(schema_dir, f"manifest.{manifest_type}.1.6.0.json"), encoding="utf-8") as f:
        schema = json.load(f)
    cls = jsonschema.validators.validator_for(schema, default=jsonschema.Draft202012Validator)
    cls.check_schema(schema)
    return cls(schema)


def main(manifest_dir, installer, schema_dir, installer_nsi, product_code, version, release_url):
    if not os.path.isfile(installer):
        print(f"skipped: no {installer} (cmake --build <dir> --target package makes it)")
        return 77

    files = {"version": f"{IDENTIFIER}.yaml", "installer": f"{IDENTIFIER}.installer.yaml",
             "defaultLocale": f"{IDENTIFIER}.locale.en-US.yaml"}
    expect(f"the listing of {manifest_dir}", sorted(os.listdir(manifest_dir)), sorted(files.values()))
    manifests = {}
    for manifest_type, name in files.items():
        with open(os.path.join(manifest_dir, name), encoding="utf-8") as f:
            manifest = yaml.safe_load(f)
        errors = [e.message for e in validator(schema_dir, manifest_type).iter_errors(manifest)]
        if errors:
            fail(f"{name} is not a valid {manifest_type} manifest: " + "; ".join(errors))
        expect(f"{name}'s ManifestType", manifest["ManifestType"], manifest_type)
        expect(f"{name}'s ManifestVersion", manifest["ManifestVersion"], "1.6.0")
        expect(f"{name}'s PackageIdentifier", manifest["PackageIdentifier"], IDENTIFIER)
        expect(f"{name}'s PackageVersion", manifest["PackageVersion"], version)
        manifests[manifest_type] = manifest
    # The schema is enforced: an installer type it does not know is refused.
    broken = copy.deepcopy(manifests["installer"])
    broken["InstallerType"] = "setup"
    if validator(schema_dir, "installer").is_valid(broken):
        fail("the installer schema accepts InstallerType 'setup'")
    print("ok: the version, defaultLocale and installer manifests are valid by their schemas")

    inst = manifests["installer"]
    expect("the number of installers", len(inst["Installers"]), 1)
    entry = inst["Installers"][0]
    with open(installer, "rb") as f:
        expect("InstallerSha256", entry["InstallerSha256"].lower(), hashlib.sha256(f.read()).hexdigest())
    print("ok: InstallerSha256 is the installer's SHA-256")

    with open(installer_nsi, encoding="utf-8") as f:
        nsi = f.read()
    defines = dict(re.findall(r'^!define (UNINSTALL_KEY|PRODUCT_KEY) "(.*)"$', nsi, re.MULTILINE))
    expect("installer.nsi's UNINSTALL_KEY", defines.get("UNINSTALL_KEY"), UNINSTALL_KEY)
    expect("installer.nsi's PRODUCT_KEY", defines.get("PRODUCT_KEY"), r"${UNINSTALL_KEY}\${PRODUCT_CODE}")
    expect("ProductCode", inst["ProductCode"], product_code)
    # The exit codes the manifest explains are the installer's own (1: cancelled).
    responses = {"EXIT_STILL_RUNNING": "packageInUse", "EXIT_FILE_FAILED": "fileInUse",
                 "EXIT_NEWER_INSTALLED": "downgrade"}
    codes = dict(re.findall(r'^!define (EXIT_\w+) (\d+)$', nsi, re.MULTILINE))
    expect("ExpectedReturnCodes",
           {c["InstallerReturnCode"]: c["ReturnResponse"] for c in inst["ExpectedReturnCodes"]},
           {1: "cancelledByUser"} | {int(codes.get(name, -1)): response for name, response in responses.items()})
    print(f"ok: ProductCode is {product_code}, the installer's key under Uninstall")

    expect("InstallerType", inst["InstallerType"], "nullsoft")
    expect("Scope", inst["Scope"], "user")
    expect("Architecture", entry["Architecture"], "x64")
    expect("InstallerSwitches", inst["InstallerSwitches"], {"Silent": "/S", "SilentWithProgress": "/S"})
    expect("UpgradeBehavior", inst["UpgradeBehavior"], "install")
    expect("InstallerUrl", entry["InstallerUrl"], release_url.rstrip("/") + "/" + os.path.basename(installer))
    locale = manifests["defaultLocale"]
    expect("Publisher", locale["Publisher"], "Kestrava")
    expect("PackageName", locale["PackageName"], "Kestrava")
    expect("License", locale["License"], "MIT")
    if "Kestrava" not in locale["Description"] or not locale["ShortDescription"].endswith("."):
        fail(f"the descriptions are {locale['ShortDescription']!r} and {locale['Description']!r}")
    print(f"ok: the manifest describes {entry['InstallerUrl']}: nullsoft, user, x64, /S, MIT")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 8:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
