#!/usr/bin/env python3
"""Writes the NSIS script of the comparison installer: the same payload, folders, attributes,
links and registry values as VorlaneSetup.exe, in the same order, behind four comparable pages.

    make_script.py <contents-folder> <script-folder>

Reads the payload catalogue, the installer's texts and page texts from the repository, checks
every stored content in <contents-folder> (NN, one file per stored entry) against the
catalogue, and writes <script-folder>/VorlaneNsis.nsi and the agreement text beside it.
Exits 1 with a message when the catalogue and the contents disagree.
"""

import argparse
import os
import re
import sys

REPO = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tools"))
from texts_file import parse_texts  # noqa: E402  (the project's one reader of texts files)
SCRIPT_NAME = "VorlaneNsis.nsi"
AGREEMENT_NAME = "agreement.txt"

# The system's special folders as the NSIS script names them (current user, as our installer
# asks for CSIDL_DESKTOPDIRECTORY, CSIDL_PROGRAMS and CSIDL_APPDATA).
DESKTOP, PROGRAMS, APPDATA = "$DESKTOP", "$SMPROGRAMS", "$APPDATA"
SEP = "\\"


class CatalogueError(Exception):
    pass


class Entry:
    def __init__(self, number, size, marked, kind, source, target):
        self.number, self.size, self.marked = number, size, marked
        self.kind, self.source, self.target = kind, source, target
        self.stored = number  # the entry whose content file holds the bytes


class Catalogue:
    def __init__(self):
        self.folders, self.entries, self.marked = [], [], []


def parse_catalogue(text):
    """The catalogue's folders, entries and marked order; CatalogueError on any inconsistency."""
    cat = Catalogue()
    for lineno, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        word, _, rest = line.partition(" ")
        rest = rest.strip()
        if word == "folder":
            if not rest:
                raise CatalogueError(f"line {lineno}: folder without a path")
            # A user-writable mark changes who may write there, not what is created.
            cat.folders.append(rest.split()[0])
        elif word == "entry":
            fields = rest.split(None, 5)
            if len(fields) != 6:
                raise CatalogueError(f"line {lineno}: an entry needs six fields")
            number, size, mark, kind, source, target = fields
            if not number.isdigit() or not size.isdigit() or mark not in ("HS", "-"):
                raise CatalogueError(f"line {lineno}: bad number, size or mark")
            entry = Entry(int(number), int(size), mark == "HS", kind, source, target)
            if entry.number != len(cat.entries) + 1:
                raise CatalogueError(f"line {lineno}: entry {entry.number} out of order")
            if not target.startswith("\\"):
                raise CatalogueError(f"line {lineno}: target path must start with a backslash")
            if kind == "same":
                if not source.isdigit() or not 1 <= int(source) < entry.number:
                    raise CatalogueError(f"line {lineno}: 'same' must name an earlier entry")
                earlier = cat.entries[int(source) - 1]
                if earlier.size != entry.size:
                    raise CatalogueError(f"line {lineno}: size differs from entry {source}")
                entry.stored = earlier.stored
            cat.entries.append(entry)
        elif word == "marked":
            cat.marked = [int(n) for n in rest.split()]
        else:
            raise CatalogueError(f"line {lineno}: unknown line '{word}'")
    marks = sorted(e.number for e in cat.entries if e.marked)
    if sorted(cat.marked) != marks or len(set(cat.marked)) != len(cat.marked):
        raise CatalogueError("the marked order must list each HS entry exactly once")
    if len(cat.entries) < 2:
        raise CatalogueError("the catalogue needs the player and the uninstaller as entries 1 and 2")
    return cat


def check_contents(cat, contents):
    """Each stored entry's file exists with the catalogue size, and no other file is there."""
    expected = {f"{e.number:02d}": e.size for e in cat.entries if e.stored == e.number}
    present = set(os.listdir(contents))
    missing = sorted(set(expected) - present)
    extra = sorted(present - set(expected))
    if missing or extra:
        raise CatalogueError(f"contents folder {contents}: missing {missing}, unexpected {extra}")
    for name, size in sorted(expected.items()):
        actual = os.path.getsize(os.path.join(contents, name))
        if actual != size:
            raise CatalogueError(f"contents {name}: {actual} bytes, the catalogue says {size}")


def first_caption(pages_text):
    m = re.search(r'^\s*caption "((?:[^"\\]|\\.)*)"', pages_text, re.M)
    return m.group(1) if m else "Vorlane"


def quote(text):
    """An NSIS string literal: $ doubled, quotes and line ends escaped."""
    text = text.replace("$", "$$").replace('"', '$\\"')
    text = text.replace("\r\n", "\n").replace("\r", "\n").replace("\n", "$\\r$\\n")
    return f'"{text}"'


def literal(nsis_text):
    """A string that already is NSIS text (variables to expand): only quoted."""
    if '"' in nsis_text.replace('$\\"', "") or "\n" in nsis_text:
        raise ValueError(nsis_text)
    return f'"{nsis_text}"'


def esc(text):
    """Plain text inside a string that also holds NSIS variables."""
    return text.replace("$", "$$")


def split_value_path(path):
    key, _, name = path.rpartition("\\")
    if not key or not name:
        raise CatalogueError(f"registry value path without key: {path}")
    return key, name


def make_script(cat, contents, app_texts, payload_texts, caption, welcome):
    t = {**app_texts, **payload_texts}
    root = "$Root"  # the install root without a closing separator
    player = root + esc(cat.entries[0].target)
    uninstaller_file = root + esc(cat.entries[1].target)
    uninstaller_value = f"{root}\\{esc(t['kUninstallerFolderForm'])}"
    icon_key, icon_name = split_value_path(t["kDisplayIconValue"])
    values = [
        (split_value_path(t["kDisplayIconValue"]), uninstaller_value),
        (split_value_path(t["kDisplayNameValue"]), esc(t["kDisplayName"])),
        (split_value_path(t["kUninstallStringValue"]), f"$\\\"{uninstaller_value}$\\\""),
    ]
    out = []
    w = out.append
    w("; Generated by bench/nsis/make_script.py from payload/catalogue.txt: do not edit.")
    w("; The Vorlane payload installed the way VorlaneSetup.exe installs it, for side-by-side")
    w("; measurements. The payload is stored uncompressed; each file's bytes are written once.")
    w("Unicode true")
    w("SetCompress off")
    w("SetDatablockOptimize on  ; 'same' entries share one stored copy, as in VorlaneSetup.exe")
    w("SetDateSave off          ; installed files get the install time, and builds repeat")
    w("RequestExecutionLevel admin")
    w("ShowInstDetails show")
    w("")
    w(f"Name {quote(caption)}")
    w(f"Caption {quote(caption)}")
    w("; The same version resource as VorlaneSetup.exe's, so that the sizes compare like with like.")
    w('VIProductVersion "2.6.0.0"')
    w('VIFileVersion "2.6.0.0"')
    for key, value in (("CompanyName", "Vorlane"), ("FileDescription", "Vorlane 2.6 安装程序"),
                       ("FileVersion", "2.6.0.0"), ("LegalCopyright", "版权所有 (C) Vorlane"),
                       ("OriginalFilename", "VorlaneSetup.exe"), ("ProductName", "Vorlane"),
                       ("ProductVersion", "2.6.0.0")):
        w(f'VIAddVersionKey /LANG=2052 "{key}" {quote(value)}')
    w("!ifdef OUTPUT")
    w('  OutFile "${OUTPUT}"')
    w("!else")
    w("  OutFile VorlaneNsis.exe")
    w("!endif")
    # The root itself, with its closing separator, as VorlaneSetup.exe shows it; that separator
    # also keeps the browser from appending a folder name to a chosen folder.
    w(f"InstallDir {quote(t['kDefaultInstallRoot'])}")
    w("")
    w("!include MUI2.nsh")
    w("!define MUI_ABORTWARNING")
    w(f"!define MUI_ABORTWARNING_TEXT {quote(t['kConfirmExitQuestion'])}")
    w(f"!define MUI_WELCOMEPAGE_TEXT {quote(welcome)}")
    w("!insertmacro MUI_PAGE_WELCOME")
    w(f"!insertmacro MUI_PAGE_LICENSE {AGREEMENT_NAME}")
    w("!insertmacro MUI_PAGE_DIRECTORY")
    w("!insertmacro MUI_PAGE_INSTFILES")
    w('!insertmacro MUI_LANGUAGE "SimpChinese"')
    w("")
    w("Var Root")
    w("")
    w("; $INSTDIR without a closing separator: C:\\Program Files\\ gives C:\\Program Files, C:\\ gives C:.")
    w("Function TakeRoot")
    w("  StrCpy $Root $INSTDIR")
    w("  StrCpy $0 $Root 1 -1")
    w('  StrCmp $0 "\\" 0 +2')
    w("  StrCpy $Root $Root -1")
    w("FunctionEnd")
    w("")
    w("; Like VorlaneSetup.exe, the root must be a folder that exists already.")
    w("Function .onVerifyInstDir")
    w("  Call TakeRoot")
    w(f"  IfFileExists {literal(root + SEP + '*.*')} +2")
    w("  Abort")
    w("FunctionEnd")
    w("")
    w('Section "-Vorlane"')
    w("  Call TakeRoot")
    w("  SetShellVarContext current")
    w("  ; The links take $OUTDIR as their working folder: none, like VorlaneSetup.exe's links.")
    w('  StrCpy $OUTDIR ""')
    w("")
    w(f"  ; The {len(cat.folders)} folders in creation order, then the program group.")
    for folder in cat.folders:
        w(f"  CreateDirectory {literal(root + SEP + esc(folder))}")
    w(f"  CreateDirectory {literal(PROGRAMS + SEP + esc(t['kProductFolder']))}")
    w("")
    w(f"  ; The {len(cat.entries)} files in write order. A file an earlier installation made hidden and")
    w("  ; system cannot be overwritten: its attributes are cleared first.")
    for e in cat.entries:
        target = root + esc(e.target)
        if e.marked:
            w(f"  SetFileAttributes {literal(target)} NORMAL")
        source = os.path.join(os.path.abspath(contents), f"{e.stored:02d}")
        w(f"  File {literal('/oname=' + target)} {quote(source)}")
    w("")
    w(f"  ; The {len(cat.marked)} runtime files hidden and system, in the marked order.")
    by_number = {e.number: e for e in cat.entries}
    for n in cat.marked:
        w(f"  SetFileAttributes {literal(root + esc(by_number[n].target))} HIDDEN|SYSTEM")
    w("")
    w("  ; The links: desktop, program group (player, uninstaller), the web site in the product folder.")
    w(f"  CreateShortCut {literal(DESKTOP + SEP + esc(t['kDesktopLinkName']))} {literal(player)}")
    w(f"  CreateShortCut {literal(PROGRAMS + SEP + esc(t['kProgramGroupLinkName']))} {literal(player)}")
    w(f"  CreateShortCut {literal(PROGRAMS + SEP + esc(t['kProgramGroupUninstallLinkName']))} "
      f"{literal(uninstaller_file)}")
    w(f"  CreateShortCut {literal(root + esc(t['kWebLinkPath']))} {quote(payload_texts['kProductWebAddress'])}")
    w("")
    w("  ; The uninstall entry, unless an earlier installation made it (its icon value exists).")
    w("  StrCpy $1 0")
    w("  registry_look:")
    w(f"    EnumRegValue $2 HKLM {quote(icon_key)} $1")
    w('    StrCmp $2 "" registry_write')
    w(f"    StrCmp $2 {quote(icon_name)} registry_done")
    w("    IntOp $1 $1 + 1")
    w("    Goto registry_look")
    w("  registry_write:")
    for (key, name), value in values:
        w(f"    WriteRegStr HKLM {quote(key)} {quote(name)} {literal(value)}")
    # The details of the registration, as VorlaneSetup.exe writes them.
    total_kib = (sum(e.size for e in cat.entries) + 1023) // 1024
    for name, value in ((t["kDisplayVersionName"], esc(t["kDisplayVersion"])), (t["kPublisherName"], esc(t["kPublisher"])),
                        (t["kInstallLocationName"], f"{root}\\{esc(t['kProductFolder'])}\\"),
                        (t["kUrlInfoAboutName"], payload_texts["kProductWebAddress"]),
                        (t["kQuietUninstallStringName"], f"$\\\"{uninstaller_value}$\\\"{esc(t['kSilentSwitch'])}")):
        w(f"    WriteRegStr HKLM {quote(icon_key)} {quote(name)} {literal(value)}")
    for name, number in ((t["kEstimatedSizeName"], total_kib), (t["kNoModifyName"], 1), (t["kNoRepairName"], 1)):
        w(f"    WriteRegDWORD HKLM {quote(icon_key)} {quote(name)} {number}")
    w("  registry_done:")
    w("")
    w("  ; Last, the Quick Launch link.")
    w(f"  CreateShortCut {literal(APPDATA + SEP + esc(t['kQuickLaunchLinkName']))} {literal(player)}")
    w("SectionEnd")
    return "\n".join(out) + "\n"


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def write_crlf_bom(path, text):
    """UTF-8 with a byte order mark and CRLF line ends: how makensis and the pages read it."""
    text = text.replace("\r\n", "\n").replace("\n", "\r\n")
    with open(path, "w", encoding="utf-8-sig", newline="") as f:
        f.write(text)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("contents", help="the built contents folder, one NN file per stored entry")
    parser.add_argument("script_folder", help="where VorlaneNsis.nsi and its agreement text go")
    parser.add_argument("--repo", default=REPO, help="the repository root (default: this checkout)")
    args = parser.parse_args(argv)
    try:
        cat = parse_catalogue(read(os.path.join(args.repo, "payload", "catalogue.txt")))
        check_contents(cat, args.contents)
        app_texts = parse_texts(read(os.path.join(args.repo, "app", "texts.txt")))
        payload_texts = parse_texts(read(os.path.join(args.repo, "payload", "texts.txt")))
        caption = first_caption(read(os.path.join(args.repo, "pages", "pages.txt")))
        welcome = read(os.path.join(args.repo, "pages", "texts", "welcome.txt")).rstrip("\n")
        agreement = read(os.path.join(args.repo, "pages", "texts", "agreement.txt"))
        script = make_script(cat, args.contents, app_texts, payload_texts, caption, welcome)
    except KeyError as e:
        print(f"make_script: text {e} is missing from the installer's texts", file=sys.stderr)
        return 1
    except (CatalogueError, OSError) as e:
        print(f"make_script: {e}", file=sys.stderr)
        return 1
    os.makedirs(args.script_folder, exist_ok=True)
    write_crlf_bom(os.path.join(args.script_folder, SCRIPT_NAME), script)
    write_crlf_bom(os.path.join(args.script_folder, AGREEMENT_NAME), agreement)
    return 0


if __name__ == "__main__":
    sys.exit(main())
