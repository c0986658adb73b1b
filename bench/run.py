#!/usr/bin/env python3
"""Runs the installer's benchmarks under Wine and writes bench/results.tsv and docs/benchmarks.md.

Every comparison runs its sides in turn (A B A B ...) in one call, one warm-up round first, and
quotes the median of the per-round ratios. `make bench` builds the programs first.

Environment: BENCH_ROUNDS  rounds after the warm-up (default 15)
             BENCH_ONLY    a comma-separated subset of install,silent,check,startup,startup144,size,memory,scaling

The measurements are kept in build/bench/measurements.pickle; `bench/run.py --report` writes the
two files again from them without measuring.
"""
import datetime
import os
import pickle
import platform
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import report  # noqa: E402
import stats  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent
BUILD = ROOT / "build" / "win32"
PROGRAMS = BUILD / "bench" / "programs"
NSIS_EXE = ROOT / "build" / "bench" / "VorlaneNsis.exe"
MEASUREMENTS = ROOT / "build" / "bench" / "measurements.pickle"
WINE_ENV = ROOT / "tools" / "wine" / "wine-env"
INSTALL_ROOT = r"C:\Program Files"
PHASES = ["folders", "files", "attributes", "links", "registry", "queries", "other"]
SCALES = ["0.25", "1", "4", "16"]
# The install and start-up comparisons are cheap and noisy under Wine (shortcut saves, process
# start): they run more rounds.
INSTALL_ROUND_FACTOR = 3
STARTUP_ROUND_FACTOR = 3
SCALING_ROUND_FACTOR = 2


def win(path):
    return "Z:" + str(path).replace("/", "\\")


def program(name):
    return win(PROGRAMS / name)


class Wine:
    """One Wine prefix and display for the whole run (tools/wine/wine-env)."""

    def __init__(self, dpi=None):
        shm = Path("/dev/shm")
        # The prefix, and so every installed file, lives in memory when it can: the figures are
        # about the programs, not about the disk's write-back.
        base = shm if shm.is_dir() and os.access(shm, os.W_OK) else ROOT / "build" / "bench"
        base.mkdir(parents=True, exist_ok=True)
        self.state = Path(tempfile.mkdtemp(prefix="vl-bench-", dir=base))
        env = dict(os.environ, WINE_ENV_DPI=str(dpi)) if dpi else None
        subprocess.run([WINE_ENV, "setup", self.state], stdout=subprocess.DEVNULL, check=True, env=env)

    def command(self, *args):
        return [str(WINE_ENV), "run", str(self.state), *map(str, args)]

    def lines(self, *args):
        done = subprocess.run(self.command(*args), stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        if done.returncode != 0:
            raise SystemExit("bench: %s failed (%d): %s" % (" ".join(map(str, args)), done.returncode,
                                                          done.stderr.strip()[-2000:]))
        return [line.split("\t") for line in done.stdout.splitlines() if line.strip()]

    def start(self, *args):
        return subprocess.Popen(self.command(*args), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        subprocess.run([WINE_ENV, "teardown", self.state], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.state, ignore_errors=True)


def install_rounds(wine, rounds, mode, floor, installer):
    """Per round: (floor row, installer row), each {total, folders, ...} in µs; warm-up dropped."""
    rows = wine.lines(program("bench_driver.exe"), "install", rounds, mode, INSTALL_ROOT,
                      program(floor), program(installer))
    by_round = {}
    for fields in rows:
        values = dict(zip(["total"] + PHASES, map(float, fields[2:])))
        by_round.setdefault(int(fields[0]), {})[fields[1]] = values
    return [(r["floor"], r["installer"]) for n, r in sorted(by_round.items()) if n > 0]


def measure_install(wine, rounds):
    return {mode: install_rounds(wine, INSTALL_ROUND_FACTOR * rounds, mode, "floor_install.exe",
                                 "VorlaneSetupBench.exe")
            for mode in ("fresh", "reinstall")}


def by_program(rows):
    """The driver's <round> <program> <ms> rows as one {program: ms} per round; warm-up dropped."""
    by_round = {}
    for number, name, ms in rows:
        by_round.setdefault(int(number), {})[name] = float(ms)
    return [r for n, r in sorted(by_round.items()) if n > 0]


def measure_startup(wine, rounds):
    programs = [program("one_window.exe"), win(BUILD / "VorlaneSetup.exe"), program("cjk_window.exe"),
                program("dll_window.exe")]
    if NSIS_EXE.exists():
        programs.append(win(NSIS_EXE))
    return by_program(wine.lines(program("bench_driver.exe"), "startup", STARTUP_ROUND_FACTOR * rounds, *programs))


def measure_startup_144(wine, rounds):
    """The start-up comparison again at a display scale of 150%, in a prefix of its own."""
    scaled = Wine(dpi=144)
    try:
        return measure_startup(scaled, rounds)
    finally:
        scaled.close()


def measure_silent(wine, rounds):
    """Per round, {program: ms} for the floor and each installer's unattended run, start to exit."""
    installers = [win(BUILD / "VorlaneSetup.exe")] + ([win(NSIS_EXE)] if NSIS_EXE.exists() else [])
    return by_program(wine.lines(program("bench_driver.exe"), "silent", INSTALL_ROUND_FACTOR * rounds, INSTALL_ROOT,
                                 program("floor_install.exe"), *installers))


def measure_check(wine, rounds):
    """Per round, {way: (ms, bytes)} for the check of the carried contents, each way in a fresh
    process; warm-up dropped. A way the processor lacks is left out."""
    by_round = []
    for number in range(rounds + 1):
        row = {}
        for way in ("instruction", "table"):
            fields = wine.lines(program("check_timing.exe"), way)[0]
            if fields[1] != "unavailable":
                row[way] = (float(fields[1]), int(fields[2]))
        if number > 0:
            by_round.append(row)
    return by_round


def stored_payload_bytes():
    """The bytes of the payload as the installer stores it: every content once."""
    listing = BUILD / "payload" / "generated" / "payload.list"
    total = 0
    for line in listing.read_text(encoding="utf-8").splitlines():
        if line.startswith("content "):
            total += os.path.getsize(line.split(" ", 2)[2])
    return total


def section_layout(exe):
    """From objdump -h of a PE file: the size of every section, and the bytes of the file between
    one section's data and the next beyond the 512-byte alignment (the zeros that put the payload's
    section on a page of the file)."""
    out = subprocess.run(["i686-w64-mingw32-objdump", "-h", str(exe)], stdout=subprocess.PIPE, text=True,
                         check=True).stdout
    sizes = {}
    placed = []  # (file offset, size) of every section with data in the file
    for line in out.splitlines():
        match = re.match(r"\s*\d+\s+(\S+)\s+([0-9a-f]+)\s+[0-9a-f]+\s+[0-9a-f]+\s+([0-9a-f]+)\s", line)
        if match:
            size, offset = int(match.group(2), 16), int(match.group(3), 16)
            sizes[match.group(1)] = size
            if offset != 0:
                placed.append((offset, size))
    placed.sort()
    zeros = sum(max(0, start - (before + size + 511) // 512 * 512)
                for (before, size), (start, _) in zip(placed, placed[1:]))
    return sizes, zeros


def measure_size():
    exe = BUILD / "VorlaneSetup.exe"
    payload = stored_payload_bytes()
    sections, zeros = section_layout(exe)
    result = {"payload": payload, "installer": os.path.getsize(exe), "sections": sections,
              "page_alignment": zeros}
    if NSIS_EXE.exists():
        result["nsis"] = os.path.getsize(NSIS_EXE)
    return result


def peak_memory(process):
    """Waits for the process; its peak resident set (the kernel's count) and the largest private
    (anonymous) resident set seen while it ran, both in KiB."""
    peak_private = 0
    status = Path("/proc/%d/status" % process.pid)
    while True:
        try:
            for line in status.read_text().splitlines():
                if line.startswith("RssAnon:"):
                    peak_private = max(peak_private, int(line.split()[1]))
        except (FileNotFoundError, ProcessLookupError, ValueError):
            pass
        pid, code, usage = os.wait4(process.pid, os.WNOHANG)
        if pid != 0:
            process.returncode = os.waitstatus_to_exitcode(code)
            return usage.ru_maxrss, peak_private
        time.sleep(0.002)


def memory_kind(mapping, program_name):
    """What a mapping of a Wine process holds, for the account of its resident memory."""
    if program_name and mapping.endswith(program_name):
        return "the program's image"
    if "/fonts/" in mapping or mapping.endswith((".ttf", ".ttc", ".fon")):
        return "fonts"
    if "/i386-windows/" in mapping or mapping.endswith((".dll", ".drv", ".msstyles", ".nls")):
        return "Wine's Windows libraries and tables"
    if mapping.startswith("/SYSV"):
        return "X shared memory (window surfaces)"
    if mapping.startswith("/"):
        return "Unix libraries (Wine, X, C)"
    return "heap, stacks and other private memory"


def memory_profile(process, program_name):
    """Samples the process's mappings every 10 ms until it ends; returns the resident KiB per kind
    at the moment the total was largest."""
    best, smaps = {}, Path("/proc/%d/smaps" % process.pid)
    while process.poll() is None:
        try:
            kinds, kind = {}, None
            for line in smaps.read_text().splitlines():
                fields = line.split()
                if fields and "-" in fields[0] and not fields[0].endswith(":"):
                    kind = memory_kind(fields[5] if len(fields) > 5 else "", program_name)
                elif fields and fields[0] == "Rss:":
                    kinds[kind] = kinds.get(kind, 0) + int(fields[1])
            if sum(kinds.values()) > sum(best.values()):
                best = kinds
        except (FileNotFoundError, ProcessLookupError, ValueError, IndexError):
            pass
        time.sleep(0.01)
    return best


def memory_sides(wine):
    """The programs the memory figures compare, each as (name, how to run it into a clean machine
    and watch it with `watch`): the floor, the shipped installer walked through a default install
    by the driver, and the NSIS installer's silent install."""
    driver = program("bench_driver.exe")

    def clean_then(watch, *command):
        wine.lines(driver, "remove", INSTALL_ROOT)
        return watch(wine.start(*command))

    def walked_installer(watch):
        wine.lines(driver, "remove", INSTALL_ROOT)
        installer = wine.start(win(BUILD / "VorlaneSetup.exe"))
        walk = wine.start(driver, "walk", INSTALL_ROOT)
        result = watch(installer)
        if walk.wait() != 0:
            raise SystemExit("bench: the installer could not be walked through")
        return result

    sides = [("floor", lambda watch: clean_then(watch, program("floor_install.exe"), INSTALL_ROOT)),
             ("installer", walked_installer)]
    if NSIS_EXE.exists():
        # Its default root is the installer's; a /D= with a blank would not reach it.
        sides.append(("nsis", lambda watch: clean_then(watch, win(NSIS_EXE), "/S")))
    return sides


def measure_memory(wine, rounds):
    """Per round, every side in turn; then the references, and one run of each side sampled by
    mapping, for where the bytes go."""
    window = wine.start(program("one_window.exe"))  # one Wine window open throughout
    time.sleep(2)
    sides = memory_sides(wine)
    try:
        # The first round is the warm-up.
        results = [{name: run(peak_memory) for name, run in sides} for _ in range(rounds + 1)][1:]
        # What a window and the first Chinese text cost by themselves, for the account of the
        # difference: the references end once they are painted.
        references = {}
        for name, arguments in (("no_window.exe", ()), ("one_window.exe", ("/close",)),
                                ("cjk_window.exe", ("/close",))):
            references[name] = [peak_memory(wine.start(program(name), *arguments))[0] for _ in range(5)]
        images = {"floor": "floor_install.exe", "installer": "VorlaneSetup.exe", "nsis": "VorlaneNsis.exe"}
        profiles = {name: run(lambda process, image=images[name]: memory_profile(process, image))
                    for name, run in sides}
    finally:
        window.kill()
        window.wait()
    return {"rounds": results, "references": references, "profiles": profiles}


def measure_scaling(wine, rounds):
    series = {}
    for kind in ("bytes", "files"):
        for scale in SCALES:
            tag = "%s_%s" % ("bytes" if scale == "1" else kind, scale.replace(".", "_"))
            series[(kind, scale)] = {
                "pairs": install_rounds(wine, SCALING_ROUND_FACTOR * rounds, "fresh",
                                        "floor_install_%s.exe" % tag, "VorlaneSetupBench_%s.exe" % tag),
                "catalogue": BUILD / "bench" / "synthetic" / tag / "catalogue.txt",
            }
    return series


def machine():
    def first(path, key):
        try:
            for line in Path(path).read_text().splitlines():
                if line.startswith(key):
                    return line.split(":", 1)[1].strip()
        except OSError:
            pass
        return "unknown"

    def version(*command):
        try:
            return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True).stdout \
                .splitlines()[0]
        except (OSError, IndexError):
            return "unknown"

    return {
        "cpu": first("/proc/cpuinfo", "model name"),
        "cores": os.cpu_count(),
        "memory": first("/proc/meminfo", "MemTotal"),
        "kernel": platform.release(),
        "wine": version("wine", "--version"),
        "compiler": version("i686-w64-mingw32-g++-posix", "--version"),
        "makensis": version("makensis", "-VERSION"),
        "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
    }


def measure():
    rounds = int(os.environ.get("BENCH_ROUNDS", "15"))
    only = set(filter(None, os.environ.get("BENCH_ONLY", "").split(","))) or \
        {"install", "silent", "check", "startup", "startup144", "size", "memory", "scaling"}
    data = {"rounds": rounds, "install_rounds": INSTALL_ROUND_FACTOR * rounds,
            "startup_rounds": STARTUP_ROUND_FACTOR * rounds, "scaling_rounds": SCALING_ROUND_FACTOR * rounds,
            "machine": machine()}
    if "size" in only:
        data["size"] = measure_size()
    wine = Wine()
    try:
        steps = [("install", measure_install), ("silent", measure_silent), ("check", measure_check),
                 ("startup", measure_startup), ("startup144", measure_startup_144), ("memory", measure_memory),
                 ("scaling", measure_scaling)]
        for name, step in steps:
            if name in only:
                started = time.monotonic()
                print("bench: %s ..." % name, flush=True)
                data[name] = step(wine, rounds)
                print("bench: %s done in %.0f s" % (name, time.monotonic() - started), flush=True)
    finally:
        wine.close()
    MEASUREMENTS.parent.mkdir(parents=True, exist_ok=True)
    MEASUREMENTS.write_bytes(pickle.dumps(data))
    return data


def main():
    data = pickle.loads(MEASUREMENTS.read_bytes()) if sys.argv[1:] == ["--report"] else measure()
    figures = report.write(data, ROOT / "bench" / "results.tsv", ROOT / "docs" / "benchmarks.md")
    for figure in figures:
        print("%-34s %12s %-6s target %s %s  %s" % (figure.name, stats.fmt(figure.value, 4), figure.unit,
                                                    figure.op, stats.fmt(figure.target, 4),
                                                    "met" if figure.met() else "MISSED"))


if __name__ == "__main__":
    main()
