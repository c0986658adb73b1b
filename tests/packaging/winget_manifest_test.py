#!/usr/bin/env python3
"""The winget manifests the build writes, read as the package manager's repository and a deployment tool would.

    winget_manifest_test.py <manifests> <schemas> <README.md> <VorlaneSetup.exe> <wine-env> <wine state> <work folder>

Each manifest validates against the published schema of its type; every exit code README documents
for the installer is expected, and no other; the SHA-256 is the installer's, and the registration
an installation writes under Wine is the one the manifest says it is.
"""
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import unittest

import jsonschema
import yaml

MANIFESTS, SCHEMAS, README, INSTALLER, WINE_ENV, WINE_STATE, WORK = sys.argv[1:8]


def manifest(kind):
    for name in sorted(os.listdir(MANIFESTS)):
        with open(os.path.join(MANIFESTS, name), encoding="utf-8") as file:
            fields = yaml.safe_load(file)
        if fields["ManifestType"] == kind:
            return fields
    raise AssertionError("no %s manifest" % kind)


def documented_installer_codes():
    """The codes README's exit-code table gives the interactive or silent installer a meaning for."""
    with open(README, encoding="utf-8") as file:
        text = file.read()
    table = text[text.index("Exit codes:"):]
    codes = set()
    for row in re.findall(r"^\| (-?\d+) \|(.*)$", table, re.MULTILINE):
        columns = [column.strip() for column in row[1].split("|")]
        if columns[0] or columns[1]:
            codes.add(int(row[0]))
    return codes


class WingetManifests(unittest.TestCase):
    def test_each_manifest_validates_against_its_schema(self):
        names = sorted(os.listdir(MANIFESTS))
        self.assertEqual(len(names), 4, names)
        for name in names:
            with open(os.path.join(MANIFESTS, name), encoding="utf-8") as file:
                fields = yaml.safe_load(file)
            with open(os.path.join(SCHEMAS, "manifest.%s.1.10.0.json" % fields["ManifestType"])) as file:
                schema = json.load(file)
            jsonschema.Draft7Validator(schema).validate(fields)

    def test_every_exit_code_readme_documents_is_expected(self):
        expected = {entry["InstallerReturnCode"] for entry in manifest("installer")["ExpectedReturnCodes"]}
        self.assertEqual(expected, documented_installer_codes() - {0})

    def test_the_manifest_states_the_installer_and_what_its_installation_writes(self):
        installer = manifest("installer")
        with open(INSTALLER, "rb") as file:
            self.assertEqual(installer["Installers"][0]["InstallerSha256"], hashlib.sha256(file.read()).hexdigest().upper())
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        with open(os.path.join(WORK, "install.bat"), "w", newline="\r\n") as script:
            script.write('@echo off\nstart "" /wait "Z:%s" /S\n' % INSTALLER.replace("/", "\\"))
            script.write('reg export "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s" R:\\registration.reg\n'
                         % installer["ProductCode"])
        env = dict(os.environ, WINE_ENV_DRIVE="r:" + WORK)
        subprocess.run([WINE_ENV, "fresh", os.path.join(WORK, "wine"), WINE_STATE, "cmd", "/c", "R:\\install.bat"],
                       env=env, capture_output=True, timeout=240)
        with open(os.path.join(WORK, "registration.reg"), "rb") as file:
            registration = file.read().decode("utf-16")
        values = dict(re.findall(r'^"(\w+)"="(.*)"\r?$', registration, re.MULTILINE))
        entry = installer["AppsAndFeaturesEntries"][0]
        self.assertEqual(entry["ProductCode"], installer["ProductCode"])
        for name in ("DisplayName", "Publisher", "DisplayVersion"):
            self.assertEqual(values.get(name), entry[name], name)
        self.assertEqual(values.get("DisplayVersion"), installer["PackageVersion"])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
