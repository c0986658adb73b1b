#!/usr/bin/env python3
"""Checks an installation in a Wine prefix against the payload catalogue: the folders and the
files (byte for byte against the contents folder, nothing more in the product folder), the
hidden and system flags, the five links and their targets, the three uninstall values.

    check_install.py --prefix P --root 'C:\\some\\root' --registry-root 'C:\\other\\' \\
                     --registry-dump reg.txt <contents-folder>

--registry-root is the root the uninstall values name (an installation keeps the values an
earlier one wrote); --registry-dump is the GBK output of `reg query` on the uninstall key.
Prints one line per fault and a closing count; exits 1 when anything is off.
"""

import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_script  # noqa: E402

HIDDEN_SYSTEM = 0x2 | 0x4


class Checker:
    def __init__(self):
        self.passed, self.faults = 0, []

    def expect(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.faults.append(what)
            print(f"FAULT: {what}")


def unix_path(prefix, windows_path):
    """C:\\x\\y in the prefix as a Unix path (drive C only)."""
    drive, _, rest = windows_path.partition(":")
    if drive.upper() != "C":
        raise ValueError(f"only drive C is mapped here: {windows_path}")
    parts = [p for p in rest.split("\\") if p]
    return os.path.join(prefix, "drive_c", *parts)


def dos_attributes(path):
    """Wine's DOS attributes of a file (the user.DOSATTRIB xattr); 0 when there are none."""
    try:
        return int(os.getxattr(path, "user.DOSATTRIB").decode().strip('"\0 '), 16)
    except OSError:
        return 0


def link_fields(path):
    """The local path and the shell item names of a .lnk file, as lnkinfo reads them."""
    out = subprocess.run(["lnkinfo", "-c", "windows-936", path], capture_output=True, text=True,
                         encoding="utf-8", errors="replace")
    local, names = None, []
    for line in out.stdout.splitlines():
        key, sep, value = line.strip().partition(":")
        if not sep:
            continue
        key, value = key.strip(), value.strip()
        if key == "Local path":
            local = value
        elif key == "Name":
            names.append(value)
    return local, names


def registry_values(dump_path):
    values = {}
    with open(dump_path, "rb") as f:
        for line in f.read().decode("gbk", errors="replace").splitlines():
            fields = line.strip().split(None, 2)
            if len(fields) == 3 and fields[1].startswith("REG_"):
                values[fields[0]] = (fields[1], fields[2])
    return values


def user_folder(prefix, *parts):
    users = os.path.join(prefix, "drive_c", "users")
    for name in sorted(os.listdir(users)):
        candidate = os.path.join(users, name, *parts)
        if name != "Public" and os.path.isdir(os.path.join(users, name, parts[0])):
            return candidate
    raise FileNotFoundError(f"no user folder {parts[0]} in {users}")


def check(args):
    repo = make_script.REPO
    cat = make_script.parse_catalogue(make_script.read(os.path.join(repo, "payload", "catalogue.txt")))
    shared = make_script.parse_texts(make_script.read(os.path.join(repo, "payload", "texts.txt")))
    texts = {**make_script.parse_texts(make_script.read(os.path.join(repo, "app", "texts.txt"))), **shared}
    web = shared["kProductWebAddress"]
    c = Checker()
    root = args.root.rstrip("\\")
    base = unix_path(args.prefix, root)

    for folder in cat.folders:
        c.expect(os.path.isdir(os.path.join(base, *folder.split("\\"))), f"folder {folder} missing")
    made = {os.path.join(base, *e.target.split("\\")) for e in cat.entries}
    for e in cat.entries:
        path = os.path.join(base, *e.target.split("\\"))
        with open(os.path.join(args.contents, f"{e.stored:02d}"), "rb") as f:
            expected = f.read()
        try:
            with open(path, "rb") as f:
                actual = f.read()
        except OSError:
            c.expect(False, f"entry {e.number} {e.target} missing")
            continue
        c.expect(actual == expected, f"entry {e.number} {e.target}: {len(actual)} bytes differ from the contents")
        hs = dos_attributes(path) & HIDDEN_SYSTEM
        c.expect(hs == (HIDDEN_SYSTEM if e.marked else 0), f"entry {e.number} {e.target}: attributes {hs:#x}")

    # Nothing else in the product folder than the files, the folders and the web link.
    product = os.path.join(base, texts["kProductFolder"])
    web_link = os.path.join(base, *texts["kWebLinkPath"].split("\\"))
    allowed = made | {web_link} | {os.path.join(base, *f.split("\\")) for f in cat.folders}
    for dirpath, dirnames, filenames in os.walk(product):
        for name in dirnames + filenames:
            path = os.path.join(dirpath, name)
            c.expect(path in allowed, f"unexpected {os.path.relpath(path, base)}")

    player = root + cat.entries[0].target
    uninstaller = root + cat.entries[1].target
    programs = user_folder(args.prefix, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs")
    links = [
        (user_folder(args.prefix, "Desktop", texts["kDesktopLinkName"]), player),
        (os.path.join(programs, *texts["kProgramGroupLinkName"].split("\\")), player),
        (os.path.join(programs, *texts["kProgramGroupUninstallLinkName"].split("\\")), uninstaller),
        (user_folder(args.prefix, "AppData", "Roaming", *texts["kQuickLaunchLinkName"].split("\\")), player),
    ]
    for link, target in links:
        if not os.path.isfile(link):
            c.expect(False, f"link {link} missing")
            continue
        local, _ = link_fields(link)
        c.expect(local == target, f"link {os.path.basename(link)} -> {local}, not {target}")
    # Wine resolves a web address against the current folder when the link is made: the address
    # is kept as the target item's name.
    if os.path.isfile(web_link):
        _, names = link_fields(web_link)
        c.expect(web in names, f"web link items {names}, not {web}")
    else:
        c.expect(False, f"web link {web_link} missing")

    registered = args.registry_root.rstrip("\\") + "\\" + texts["kUninstallerFolderForm"]
    values = registry_values(args.registry_dump)
    expected_values = {
        texts["kDisplayIconValue"].rpartition("\\")[2]: registered,
        texts["kDisplayNameValue"].rpartition("\\")[2]: texts["kDisplayName"],
        texts["kUninstallStringValue"].rpartition("\\")[2]: f'"{registered}"',
    }
    for name, value in expected_values.items():
        c.expect(values.get(name) == ("REG_SZ", value), f"registry {name} = {values.get(name)}, not {value}")
    c.expect(len(values) == len(expected_values), f"registry values {sorted(values)}")

    print(f"check: the installation under {root}")
    print(f"check: {c.passed} passed, {len(c.faults)} failed")
    return 0 if not c.faults else 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("contents")
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--registry-root", required=True)
    parser.add_argument("--registry-dump", required=True)
    return check(parser.parse_args())


if __name__ == "__main__":
    sys.exit(main())
