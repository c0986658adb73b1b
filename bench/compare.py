#!/usr/bin/env python3
"""Compares the build of this tree with the build of a base commit, side by side in one run, and
says for each gated figure whether the change held it, regressed it, or cannot tell yet
(`make bench-compare`; the arithmetic is bench/verdict.py).

    bench/compare.py [--base COMMIT] [--probe]

The base (default: `git merge-base HEAD origin/main`, or HEAD where there is no origin/main) is
built once per commit in a worktree of its own, build/bench-compare/<commit>/ (its installer and
the installer's benchmark build only). This tree's build is build/win32 as it stands, changes
included. Both run from copies in build/bench/compare-programs/ (base/, new/). --probe puts the
probe in the new build's place for the install pass: the benchmark build whose own work takes
10% longer, which the comparison must call regressed.

Both builds then run in one Wine prefix, round by round (base then new, new then base, ...: no
build always runs first), each timed start settled as the full run settles it. Gated, each as the median of the per-round ratios
new ÷ base with its 95% interval:
  - the install pass, fresh and reinstall: the installer's own time, the pass less the time spent
    inside the system commands it calls (beside it, not gated: the whole pass, and the process's
    CPU time over the pass where both builds record it);
  - the start-up, process creation to the first page;
  - the unattended installation as a whole process;
  - the peak private memory, walked through the pages and unattended.
The size is compared exactly. The table goes to the terminal and to build/bench/compare.md.

Environment: ROUNDS  the rounds of every figure run (default: each figure's own, about 9 minutes
                     in all on a 2-core machine)
             ONLY    a comma-separated subset of install,startup,silent,memory
             MORE    set: adds this run's rounds to those the last run measured on the same
                     programs (build/bench/compare-rounds.pickle), so that an inconclusive figure
                     is decided by running it again, ONLY that figure
"""
import argparse
import hashlib
import os
import pickle
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness  # noqa: E402
import stats  # noqa: E402
import verdict  # noqa: E402
from harness import Driver, Wine  # noqa: E402
from stats import fmt, median  # noqa: E402

ROOT = harness.ROOT
NEW_TREE = ROOT / "build" / "win32"
BASES = ROOT / "build" / "bench-compare"
REPORT = ROOT / "build" / "bench" / "compare.md"
ROUNDS_FILE = ROOT / "build" / "bench" / "compare-rounds.pickle"
RUN_PROGRAMS = ROOT / "build" / "bench" / "compare-programs"
JPEG_SOURCE = ROOT / "build" / "deps" / "libjpeg-turbo"
# Each figure's rounds after the warm-up, chosen so that a change that costs nothing is called
# held in most runs on a 2-core machine (the noisier the figure, the more rounds), within about
# 9 minutes in all.
ROUNDS = {"install": 140, "startup": 100, "silent": 70, "memory": 6}
# What the base tree builds: the installer and its benchmark build.
BASE_TARGETS = ["VorlaneSetup", "VorlaneSetupBench"]


def git(*args, cwd=ROOT):
    return subprocess.run(["git", *args], cwd=cwd, check=True, stdout=subprocess.PIPE, text=True).stdout.strip()


def default_base():
    try:
        return git("merge-base", "HEAD", "origin/main")
    except subprocess.CalledProcessError:
        return git("rev-parse", "HEAD")


class Build:
    """One side: its installer and its benchmark build, copied into a folder of the run's own, and
    what to call it. Both sides run from folders of the same depth and name length: Wine looks
    for every DLL in the program's folder first, so a deeper folder alone made identical programs
    start measurably slower."""

    def __init__(self, label, side, tree, bench_installer=None):
        self.label = label
        folder = RUN_PROGRAMS / side
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        self.installer = Path(shutil.copy2(tree / "VorlaneSetup.exe", folder / "VorlaneSetup.exe"))
        bench = bench_installer or tree / "bench" / "programs" / "VorlaneSetupBench.exe"
        self.bench_installer = Path(shutil.copy2(bench, folder / "VorlaneSetupBench.exe"))


def build_base(commit):
    """The base's build tree, built in its worktree once per commit."""
    folder = BASES / commit
    tree = folder / "build" / "win32"
    stamp = folder / ".built"
    if stamp.exists():
        return tree
    print("bench-compare: building the base %s in %s ..." % (commit[:12], folder), flush=True)
    if folder.exists():
        subprocess.run(["git", "worktree", "remove", "--force", str(folder)], cwd=ROOT, stderr=subprocess.DEVNULL)
        shutil.rmtree(folder, ignore_errors=True)
    git("worktree", "prune")
    git("worktree", "add", "--detach", str(folder), commit)
    run = dict(cwd=folder, check=True, stdout=subprocess.DEVNULL)
    # The base takes the libjpeg source package this tree's set-up fetched.
    subprocess.run(["cmake", "--preset", "win32", "-DVL_LIBJPEG_SOURCE_PACKAGE=%s" % JPEG_SOURCE], **run)
    subprocess.run(["cmake", "--build", "--preset", "win32", "--target", *BASE_TARGETS], **run)
    stamp.write_text(commit + "\n")
    return tree


def describe_new():
    head = git("rev-parse", "--short=12", "HEAD")
    changed = git("status", "--porcelain", "--untracked-files=no")
    return "this tree (HEAD %s%s)" % (head, ", with uncommitted changes" if changed else "")


class Table:
    COLUMNS = ["figure", "rounds", "base", "new", "new ÷ base", "95% interval", "verdict"]

    def __init__(self):
        self.rows = []
        self.gated = []
        self.step = None  # the step whose figures are being added

    def row(self, *cells):
        self.rows.append([str(cell) for cell in cells])

    def compared(self, name, base, new, unit, gated=True, scale=1.0):
        result = verdict.compare(base, new)
        if gated:
            self.gated.append((name, result))
            says = result.verdict
            if says == "inconclusive":
                says += " (about %d rounds would decide: add them with MORE=1 ONLY=%s ROUNDS=%d)" % (
                    result.rounds_to_decide, self.step, result.rounds_to_decide - len(base))
        else:
            says = "not gated"
        self.row(name, len(base), "%s %s" % (fmt(median(base) * scale), unit), "%s %s" % (fmt(median(new) * scale), unit),
                 fmt(result.median, 4), "%s–%s" % (fmt(result.low, 4), fmt(result.high, 4)), says)

    def markdown(self):
        lines = ["| " + " | ".join(self.COLUMNS) + " |", "|" + "---|" * len(self.COLUMNS)]
        return "\n".join(lines + ["| " + " | ".join(row) + " |" for row in self.rows])


# Each step measures both builds round by round and returns its series: {series: [(base, new)
# per round]}; a series of the install pass holds the timing line's values of each run.
def measure_install(driver, rounds, base, new):
    sides = [("installer", base.bench_installer), ("installer", new.bench_installer)]
    return {mode: driver.install(rounds, mode, sides) for mode in ("fresh", "reinstall")}


def measure_startup(driver, rounds, base, new):
    return {"startup": driver.startup(rounds, [base.installer, new.installer])}


def measure_silent(driver, rounds, base, new):
    return {"silent": driver.silent(rounds, [(base.installer, "/S"), (new.installer, "/S")])}


def measure_memory(driver, rounds, base, new):
    def private(process):
        return harness.peak_memory(process)[1]

    walked, silent = [], []
    for number in range(rounds + 1):  # the first is the warm-up
        # In turn, the other first in every other round, as the driver takes its turns.
        order = (base, new) if number % 2 == 0 else (new, base)
        measured = {build: (driver.walked(private, build.installer), driver.silently(private, build.installer, "/S"))
                    for build in order}
        walked.append([measured[base][0], measured[new][0]])
        silent.append([measured[base][1], measured[new][1]])
    return {"walked": walked[1:], "silent": silent[1:]}


def judge_install(series, table):
    for mode in ("fresh", "reinstall"):
        a, b = [r[0] for r in series[mode]], [r[1] for r in series[mode]]
        table.compared("install pass, %s: the installer's own time" % mode, [r["other"] for r in a],
                       [r["other"] for r in b], "ms", scale=0.001)
        table.compared("install pass, %s: the whole pass" % mode, [r["total"] for r in a], [r["total"] for r in b],
                       "ms", gated=False, scale=0.001)
        # The system counts CPU time in ticks (10 ms under Wine), coarser than one pass: the mean
        # over the rounds, not a ratio per round.
        cpu = [[r["cpu"] for r in side] for side in (a, b)]
        name = "install pass, %s: CPU time, mean per pass" % mode
        if all(value is not None for value in cpu[0] + cpu[1]):
            means = [sum(values) / len(values) / 1000 for values in cpu]
            table.row(name, len(a), "%s ms" % fmt(means[0]), "%s ms" % fmt(means[1]),
                      fmt(means[1] / means[0], 4) if means[0] else "", "", "not gated")
        else:
            table.row(name, len(a), "not recorded" if any(value is None for value in cpu[0]) else "",
                      "not recorded" if any(value is None for value in cpu[1]) else "", "", "", "not gated")


def judge_startup(series, table):
    rounds = series["startup"]
    table.compared("start-up, to the first page", [r[0] for r in rounds], [r[1] for r in rounds], "ms")


def judge_silent(series, table):
    rounds = series["silent"]
    table.compared("unattended installation, whole process", [r[0] for r in rounds], [r[1] for r in rounds], "ms")


def judge_memory(series, table):
    for key, name in (("walked", "peak private memory, walked through the pages"),
                      ("silent", "peak private memory, unattended")):
        rounds = series[key]
        table.compared(name, [r[0] for r in rounds], [r[1] for r in rounds], "MiB", scale=1 / 1024)


STEPS = {"install": (measure_install, judge_install), "startup": (measure_startup, judge_startup),
         "silent": (measure_silent, judge_silent), "memory": (measure_memory, judge_memory)}


def identity(builds, probe):
    """What the stored rounds were measured on: the four programs' contents and the driver's."""
    digest = hashlib.sha256(b"probe" if probe else b"")
    for program in builds:
        digest.update(Path(program).read_bytes())
    return digest.hexdigest()


def stored_rounds(key):
    """The rounds a run before this one measured on the same programs; empty when there are none."""
    try:
        stored = pickle.loads(ROUNDS_FILE.read_bytes())
    except (OSError, pickle.PickleError, EOFError):
        return {}
    return stored["steps"] if stored.get("identity") == key else {}


def compare_size(base, new, table):
    payload = harness.stored_payload_bytes(NEW_TREE)
    a, b = os.path.getsize(base.installer), os.path.getsize(new.installer)
    table.row("size of the installer", "exact", "%d bytes" % a, "%d bytes" % b, fmt(b / a, 6), "",
              "%+d bytes (overhead beside the payload: %d)" % (b - a, b - payload))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--base", default=None, help="the base commit (default: the merge base with origin/main)")
    parser.add_argument("--probe", action="store_true", help="the probe build in the new build's place")
    args = parser.parse_args()
    only = set(filter(None, os.environ.get("ONLY", "").split(","))) or set(ROUNDS)
    unknown = only - set(ROUNDS)
    if unknown:
        raise SystemExit("bench-compare: ONLY names no figure %s (figures: %s)" % (", ".join(sorted(unknown)),
                                                                                  ",".join(ROUNDS)))
    rounds = {name: int(os.environ["ROUNDS"]) if os.environ.get("ROUNDS") else count
              for name, count in ROUNDS.items()}

    lock = harness.claim_quiet_machine()
    commit = git("rev-parse", "--verify", (args.base or default_base()) + "^{commit}")
    base_tree = build_base(commit)
    probe = NEW_TREE / "bench" / "programs" / "VorlaneSetupBenchProbe.exe"
    for program in (base_tree / "VorlaneSetup.exe", NEW_TREE / "VorlaneSetup.exe",
                    NEW_TREE / "bench" / "programs" / "VorlaneSetupBench.exe", probe):
        if not program.exists():
            raise SystemExit("bench-compare: %s is missing (make bench-compare builds it)" % program)
    base = Build("base %s" % commit[:12], "base", base_tree)
    new = Build(describe_new(), "new", NEW_TREE, probe if args.probe else None)

    driver_exe = NEW_TREE / "bench" / "programs" / "bench_driver.exe"
    key = identity([base.installer, base.bench_installer, new.installer, new.bench_installer, driver_exe], args.probe)
    steps = stored_rounds(key) if os.environ.get("MORE") else {}
    earlier = sum(len(values) for series in steps.values() for values in series.values())
    table = Table()
    started = time.monotonic()
    wine = Wine()
    try:
        driver = Driver(wine, driver_exe)
        for name, (measure, _) in STEPS.items():
            if name in only:
                print("bench-compare: %s, %d rounds ..." % (name, rounds[name]), flush=True)
                for series, values in measure(driver, rounds[name], base, new).items():
                    steps.setdefault(name, {}).setdefault(series, []).extend(values)
    finally:
        wine.close()
        lock.close()
    ROUNDS_FILE.parent.mkdir(parents=True, exist_ok=True)
    ROUNDS_FILE.write_bytes(pickle.dumps({"identity": key, "steps": steps}))
    for name, (_, judge) in STEPS.items():
        if name in steps:
            table.step = name
            judge(steps[name], table)
    compare_size(base, new, table)

    text = "\n".join([
        "Base: %s. New: %s%s." % (base.label, new.label, ", the probe (own work +10%) as its benchmark build"
                                  if args.probe else ""),
        "Measured side by side in one run of %.0f s%s; new ÷ base per round, median and its 95%% interval: "
        "held when the interval's upper bound is ≤ %.2f, regressed when its lower bound is > %.2f." %
        (time.monotonic() - started, ", with the rounds of earlier runs on the same programs (MORE)" if earlier else "",
         verdict.HELD_UP_TO, verdict.REGRESSED_ABOVE),
        "", table.markdown(), ""])
    REPORT.parent.mkdir(parents=True, exist_ok=True)
    REPORT.write_text(text, encoding="utf-8")
    print(text)
    outcome = [result.verdict for _, result in table.gated]
    print("bench-compare: %d held, %d regressed, %d inconclusive (the table is in %s)" %
          (outcome.count("held"), outcome.count("regressed"), outcome.count("inconclusive"),
           REPORT.relative_to(ROOT)))
    return 1 if "regressed" in outcome else 0


if __name__ == "__main__":
    sys.exit(main())
