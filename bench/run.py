#!/usr/bin/env python3
"""Runs the installer's benchmarks under Wine and writes bench/results.tsv and docs/benchmarks.md.

Every comparison runs its sides in turn (A B A B ...) in one call, one warm-up round first, and
quotes the median of the per-round ratios. `make bench` builds the programs first.

Environment: BENCH_ROUNDS  rounds after the warm-up (default 15)
             BENCH_ONLY    a comma-separated subset of
                           install,silent,check,search,startup,startup144,size,memory,scaling

The measurements are kept in build/bench/measurements.pickle; `bench/run.py --report` writes the
two files again from them without measuring.
"""
import datetime
import os
import pickle
import platform
import re
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness  # noqa: E402
import report  # noqa: E402
import stats  # noqa: E402
from harness import Driver, Wine, win  # noqa: E402

ROOT = harness.ROOT
BUILD = ROOT / "build" / "win32"
PROGRAMS = BUILD / "bench" / "programs"
INSTALLER = BUILD / "VorlaneSetup.exe"
NSIS_EXE = ROOT / "build" / "bench" / "VorlaneNsis.exe"
MEASUREMENTS = ROOT / "build" / "bench" / "measurements.pickle"
SCALES = ["0.25", "1", "4", "16"]
SEARCH_OTHER_PROCESSES = 20
# The install and start-up comparisons are cheap and noisy under Wine (shortcut saves, process
# start): they run more rounds.
INSTALL_ROUND_FACTOR = 3
STARTUP_ROUND_FACTOR = 3
SCALING_ROUND_FACTOR = 2
# The install pass's sides: the installer against the floor with the window every graphical
# installer shows, and, for this turn, against the floor without one as well.
INSTALL_SIDES = [("floor_window", "floor-window", "floor_install.exe"), ("floor", "floor", "floor_install.exe"),
                 ("installer", "installer", "VorlaneSetupBench.exe")]


def driver(wine):
    return Driver(wine, PROGRAMS / "bench_driver.exe")


def named(rounds, names):
    """Per-round lists in the order of `names` as per-round {name: value}."""
    return [dict(zip(names, row)) for row in rounds]


def measure_install(wine, rounds):
    sides = [(kind, PROGRAMS / exe) for _, kind, exe in INSTALL_SIDES]
    names = [name for name, _, _ in INSTALL_SIDES]
    return {mode: named(driver(wine).install(INSTALL_ROUND_FACTOR * rounds, mode, sides), names)
            for mode in ("fresh", "reinstall")}


def startup_programs():
    programs = [PROGRAMS / "one_window.exe", INSTALLER, PROGRAMS / "cjk_window.exe", PROGRAMS / "dll_window.exe"]
    return programs + ([NSIS_EXE] if NSIS_EXE.exists() else [])


def measure_startup(wine, rounds):
    programs = startup_programs()
    return named(driver(wine).startup(STARTUP_ROUND_FACTOR * rounds, programs), [p.name for p in programs])


def measure_startup_144(wine, rounds):
    """The start-up comparison again at a display scale of 150%, in a prefix of its own."""
    scaled = Wine(dpi=144)
    try:
        return measure_startup(scaled, rounds)
    finally:
        scaled.close()


def measure_silent(wine, rounds):
    """Per round, {program: ms} for the floor (no window) and each installer's unattended run,
    start to exit."""
    runs = [(PROGRAMS / "floor_install.exe", '"%s"' % harness.INSTALL_ROOT), (INSTALLER, "/S")]
    if NSIS_EXE.exists():
        runs.append((NSIS_EXE, "/S"))
    return named(driver(wine).silent(INSTALL_ROUND_FACTOR * rounds, runs), [exe.name for exe, _ in runs])


def measure_check(wine, rounds):
    """Per round, {way: (ms, bytes)} for the check of the carried contents, each way in a fresh
    process; warm-up dropped. A way the processor lacks is left out."""
    by_round = []
    for number in range(rounds + 1):
        row = {}
        for way in ("instruction", "table"):
            fields = wine.lines(win(PROGRAMS / "check_timing.exe"), way)[0]
            if fields[1] != "unavailable":
                row[way] = (float(fields[1]), int(fields[2]))
        if number > 0:
            by_round.append(row)
    return by_round


def measure_search(wine, rounds):
    """Per round, in a fresh process over an installation, with 20 other processes running: the
    ms of the first search (as each program runs it, once) and of a second one."""
    driver(wine).remove()
    wine.lines(win(PROGRAMS / "floor_install.exe"), harness.INSTALL_ROOT)  # an installation to search
    return [[float(fields[0]) for fields in
             wine.lines(win(PROGRAMS / "search_timing.exe"), harness.INSTALL_ROOT, SEARCH_OTHER_PROCESSES, 2)]
            for _ in range(rounds)]


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
    payload = harness.stored_payload_bytes(BUILD)
    sections, zeros = section_layout(exe)
    result = {"payload": payload, "installer": os.path.getsize(exe), "sections": sections,
              "page_alignment": zeros}
    if NSIS_EXE.exists():
        result["nsis"] = os.path.getsize(NSIS_EXE)
    return result


# The memory pairs, like with like: each side as (name, image, how to run it into a clean machine
# and hand its process to `watch`).
def memory_pairs(wine):
    d = driver(wine)
    interactive = [("installer", INSTALLER.name, lambda watch: d.walked(watch, INSTALLER))]
    silent = [("installer /S", INSTALLER.name, lambda watch: d.silently(watch, INSTALLER, "/S")),
              ("floor", "floor_install.exe",
               lambda watch: d.silently(watch, PROGRAMS / "floor_install.exe", harness.INSTALL_ROOT))]
    if NSIS_EXE.exists():
        interactive.append(("NSIS", NSIS_EXE.name, lambda watch: d.walked(watch, NSIS_EXE, "walk-nsis")))
        silent.insert(1, ("NSIS /S", NSIS_EXE.name, lambda watch: d.silently(watch, NSIS_EXE, "/S")))
    return {"interactive": interactive, "silent": silent}


def measure_memory(wine, rounds):
    """Per pair and round, every side in turn: (peak resident, peak private) in KiB; then one run
    of each side sampled by mapping, for where the bytes go."""
    window = wine.start(win(PROGRAMS / "one_window.exe"))  # one Wine window open throughout
    time.sleep(2)
    try:
        result = {}
        for pair, sides in memory_pairs(wine).items():
            # The first round is the warm-up.
            measured = [{name: run(harness.peak_memory) for name, _, run in sides} for _ in range(rounds + 1)][1:]
            profiles = {name: run(lambda process, image=image: harness.memory_profile(process, image))
                        for name, image, run in sides}
            result[pair] = {"rounds": measured, "profiles": profiles}
    finally:
        window.kill()
        window.wait()
    return result


def measure_scaling(wine, rounds):
    series = {}
    for kind in ("bytes", "files"):
        for scale in SCALES:
            tag = "%s_%s" % ("bytes" if scale == "1" else kind, scale.replace(".", "_"))
            sides = [("floor-window", PROGRAMS / ("floor_install_%s.exe" % tag)),
                     ("installer", PROGRAMS / ("VorlaneSetupBench_%s.exe" % tag))]
            series[(kind, scale)] = {
                "pairs": [tuple(row) for row in driver(wine).install(SCALING_ROUND_FACTOR * rounds, "fresh", sides)],
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
        {"install", "silent", "check", "search", "startup", "startup144", "size", "memory", "scaling"}
    data = {"rounds": rounds, "install_rounds": INSTALL_ROUND_FACTOR * rounds,
            "startup_rounds": STARTUP_ROUND_FACTOR * rounds, "scaling_rounds": SCALING_ROUND_FACTOR * rounds,
            "search_other_processes": SEARCH_OTHER_PROCESSES,
            "machine": machine()}
    if "size" in only:
        data["size"] = measure_size()
    lock = harness.claim_quiet_machine()
    wine = Wine()
    try:
        steps = [("install", measure_install), ("silent", measure_silent), ("check", measure_check),
                 ("search", measure_search),
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
        lock.close()
    MEASUREMENTS.parent.mkdir(parents=True, exist_ok=True)
    MEASUREMENTS.write_bytes(pickle.dumps(data))
    return data


def main():
    data = pickle.loads(MEASUREMENTS.read_bytes()) if sys.argv[1:] == ["--report"] else measure()
    figures = report.write(data, ROOT / "bench" / "results.tsv", ROOT / "docs" / "benchmarks.md")
    for figure in figures:
        target = "no target" if figure.target is None else "target %s %s" % (figure.op, stats.fmt(figure.target, 4))
        print("%-38s %12s %-6s %-18s %s" % (figure.name, stats.fmt(figure.value, 4), figure.unit, target,
                                            figure.status()))


if __name__ == "__main__":
    main()
