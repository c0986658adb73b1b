"""What the full benchmark (run.py) and the comparison (compare.py) share: the Wine prefix they
run in, the calls of the Windows driver (bench/driver/bench_driver.cpp), the memory sampling of a
Wine process, and the claim on a quiet machine."""
import fcntl
import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
WINE_ENV = ROOT / "tools" / "wine" / "wine-env"
INSTALL_ROOT = r"C:\Program Files"
PHASES = ["folders", "files", "attributes", "links", "registry", "queries", "other"]
LOCK = Path(tempfile.gettempdir()) / "vl-bench.lock"


def win(path):
    return "Z:" + str(path).replace("/", "\\")


def claim_quiet_machine():
    """Refuses (SystemExit) while another benchmark or any wineserver runs on the machine: they
    would share the two cores with the programs being timed. Returns the lock, which the caller
    keeps for the whole run."""
    lock = open(LOCK, "a+")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        lock.seek(0)
        raise SystemExit("bench: another benchmark is running (%s holds %s)" % (lock.read().strip() or "?", LOCK))
    servers = []
    for status in Path("/proc").glob("[0-9]*/comm"):
        try:
            if status.read_text().startswith("wineserver"):
                servers.append(status.parent.name)
        except OSError:
            pass
    if servers:
        raise SystemExit("bench: a wineserver is running (process %s): stop it (see README, Troubleshooting) "
                         "or wait until it ends" % ", ".join(sorted(servers, key=int)))
    lock.seek(0)
    lock.truncate()
    lock.write("process %d\n" % os.getpid())
    lock.flush()
    return lock


def stored_payload_bytes(tree):
    """The bytes of the payload as the installer of a build tree stores it: every content once."""
    listing = Path(tree) / "payload" / "generated" / "payload.list"
    total = 0
    for line in listing.read_text(encoding="utf-8").splitlines():
        if line.startswith("content "):
            total += os.path.getsize(line.split(" ", 2)[2])
    return total


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


class Driver:
    """The Windows driver's commands; every result is per round, the warm-up round dropped, each
    round a list in the order the sides were given."""

    def __init__(self, wine, driver_exe):
        self.wine = wine
        self.exe = win(driver_exe)

    def run(self, *args):
        return self.wine.lines(self.exe, *args)

    @staticmethod
    def by_round(rows, sides, value):
        rounds = {}
        for fields in rows:
            rounds.setdefault(int(fields[0]), [None] * sides)[int(fields[1])] = value(fields[2:])
        return [row for number, row in sorted(rounds.items()) if number > 0]

    def install(self, rounds, mode, sides):
        """sides: (kind, exe) with kind floor, floor-window or installer. Per round and side
        {total, the phases, cpu} in µs; cpu is None from a build whose timing line has none."""
        def timing(numbers):
            values = dict(zip(["total"] + PHASES, map(float, numbers)))
            values["cpu"] = float(numbers[8]) if len(numbers) > 8 else None
            return values
        rows = self.run("install", rounds, mode, INSTALL_ROOT, *("%s=%s" % (kind, win(exe)) for kind, exe in sides))
        return self.by_round(rows, len(sides), timing)

    def startup(self, rounds, programs):
        """Per round, the ms from creation to first window of each program."""
        rows = self.run("startup", rounds, *map(win, programs))
        return self.by_round(rows, len(programs), lambda numbers: float(numbers[0]))

    def silent(self, rounds, runs):
        """runs: (exe, arguments). Per round, the ms of each whole run."""
        arguments = [item for exe, args in runs for item in (win(exe), args)]
        rows = self.run("silent", rounds, INSTALL_ROOT, *arguments)
        return self.by_round(rows, len(runs), lambda numbers: float(numbers[0]))

    def remove(self):
        self.run("remove", INSTALL_ROOT)

    def walked(self, watch, program, walk="walk"):
        """Starts `program` into a clean machine, walks it through its pages, and returns what
        `watch` made of its process."""
        self.remove()
        process = self.wine.start(win(program))
        walker = self.wine.start(self.exe, walk, INSTALL_ROOT)
        result = watch(process)
        if walker.wait() != 0:
            raise SystemExit("bench: %s could not be walked through" % program)
        return result

    def silently(self, watch, program, *arguments):
        """Starts `program` with `arguments` into a clean machine; what `watch` made of it."""
        self.remove()
        return watch(self.wine.start(win(program), *arguments))


def peak_memory(process):
    """Waits for the process; its peak resident set (the kernel's count) and the largest private
    (anonymous) resident set seen while it ran, sampled every 2 ms, both in KiB."""
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
    """Samples the process's mappings every 10 ms until it ends; returns, at the moment the
    private total was largest, the resident KiB per kind and the private (anonymous) KiB per kind."""
    best, best_private, smaps = {}, {}, Path("/proc/%d/smaps" % process.pid)
    while process.poll() is None:
        try:
            kinds, private, kind = {}, {}, None
            for line in smaps.read_text().splitlines():
                fields = line.split()
                if fields and "-" in fields[0] and not fields[0].endswith(":"):
                    kind = memory_kind(fields[5] if len(fields) > 5 else "", program_name)
                elif fields and fields[0] == "Rss:":
                    kinds[kind] = kinds.get(kind, 0) + int(fields[1])
                elif fields and fields[0] == "Anonymous:":
                    private[kind] = private.get(kind, 0) + int(fields[1])
            if sum(private.values()) > sum(best_private.values()):
                best, best_private = kinds, private
        except (FileNotFoundError, ProcessLookupError, ValueError, IndexError):
            pass
        time.sleep(0.01)
    return {"resident": best, "private": best_private}
