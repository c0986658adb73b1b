"""Turns the measurements of bench/run.py into bench/results.tsv and docs/benchmarks.md."""
from dataclasses import dataclass
from typing import Optional, Tuple

import stats
from stats import fmt, median

PHASES = ["folders", "files", "attributes", "links", "registry", "queries", "other"]
# The installer's own bytes beside its payload, unsigned; the executable check holds the same cap.
SIZE_TARGET = 224 * 1024


@dataclass
class Figure:
    name: str
    value: float
    unit: str
    target: Optional[float]  # None: a figure stated without a target
    op: str  # how the value must compare with the target: "<=" or ">="
    interval: Optional[Tuple[float, float]] = None  # the 95% interval of a median, where there is one

    def meets(self, value):
        return value <= self.target if self.op == "<=" else value >= self.target

    def met(self):
        return self.target is None or self.meets(self.value)

    def status(self):
        """met, within reach (the median misses, but its interval reaches the target: the noise
        cannot tell), missed, or no target."""
        if self.target is None:
            return "no target"
        if self.meets(self.value):
            return "met"
        if self.interval is not None and any(self.meets(bound) for bound in self.interval):
            return "within reach"
        return "missed"


def ms(microseconds):
    return microseconds / 1000.0


def pair_list(values, digits=3):
    return ", ".join(fmt(v, digits) for v in values)


def verdict(figure):
    status = figure.status()
    if status in ("met", "no target"):
        return status
    if figure.op == "<=":
        by = "%s%%" % fmt((figure.value / figure.target - 1) * 100, 2)
    else:
        by = "%s%%" % fmt((1 - figure.value / figure.target) * 100, 2)
    return "**%s** (the median by %s)" % (status, by)


class Report:
    def __init__(self, data):
        self.data = data
        self.figures = []
        self.lines = []

    def add(self, *args):
        figure = Figure(*args)
        self.figures.append(figure)
        return figure

    def add_median(self, name, values, unit, target, op="<="):
        """The median of per-round values as a figure, with its 95% interval."""
        return self.add(name, median(values), unit, target, op, stats.median_interval(values))

    def out(self, text=""):
        self.lines.append(text)

    # --- 1. Install pass ------------------------------------------------------------------------

    def install(self):
        self.out("## 1. The install pass")
        self.out()
        self.out("From the start of `RunInstallation` to its return, timed inside the process with "
                 "QueryPerformanceCounter: the benchmark build of the installer (`VorlaneSetupBench.exe`, "
                 "the shipped program's code with the pass and the system commands it calls wrapped at "
                 "link time, so linked without link-time optimisation) walked through its pages by the "
                 "automation helper, against `floor_install.exe`, "
                 "which does the same work from the same uncompressed payload in its constant segment "
                 "(laid out alike: that section's data on a page of the file, so both map it) "
                 "with the plainest Win32 calls (14 CreateDirectoryA, 34 CreateFileA with one WriteFile "
                 "each, the 19 runtime files created hidden and system, 5 IShellLinkA saves, 11 "
                 "RegSetValueExA into one key). Like the installer, the floor writes a missing file in "
                 "place (CREATE_NEW) and an existing one as a new file beside it; once every file is "
                 "written it renames each replaced file aside and its replacement into place (two "
                 "MoveFileExA, never over a file), writes the registry, then deletes the old files, so "
                 "that a reinstall compares like with like. What the installer does beyond that to be "
                 "undone whole is its own overhead: it asks what is there before it writes (a "
                 "GetFileAttributesW per file and folder, a RegQueryValueExW per value), and writes its "
                 "journal (three chunks, one WriteFile each). The installer's own security work is in the "
                 "pass where it happens there: "
                 "the access lists of the user-writable folders (\"folders\"); the check of the tree and the "
                 "product folder's access list come before the pass, when the location page accepts the "
                 "root. Fresh: nothing installed before each run. Reinstall: over a complete "
                 "installation. The installer shows its pages for the whole pass, so the floor it is "
                 "held to shows one plain window for its whole pass too (no controls, no Chinese text; "
                 "`floor_install.exe /window`): under Wine every link saved by a program with a window "
                 "costs more. The same floor without a window, which the unattended figures use, runs in "
                 "the same rounds and is stated beside it.")
        self.out()
        for mode in ("fresh", "reinstall"):
            rounds = self.data["install"][mode]
            self.out("### %s install" % mode.capitalize())
            self.out()
            self.out("| | median | spread |")
            self.out("|---|---|---|")
            for side, label in (("floor_window", "floor, with its window"), ("floor", "floor, no window"),
                                ("installer", "installer")):
                totals = [ms(r[side]["total"]) for r in rounds]
                self.out("| %s | %s ms | %s |" % (label, fmt(median(totals)), stats.spread(totals)))
            per_round = stats.ratios([(r["floor_window"]["total"], r["installer"]["total"]) for r in rounds])
            ratio = self.add_median("install_%s_ratio" % mode, per_round, "x", 1.10)
            windowless = stats.ratios([(r["floor"]["total"], r["installer"]["total"]) for r in rounds])
            self.out("| installer ÷ floor with its window, per round | **%s×** (95%% interval of the median %s–%s) "
                     "| %s |" % (fmt(ratio.value), fmt(ratio.interval[0]), fmt(ratio.interval[1]),
                                 stats.spread(per_round)))
            low, high = stats.median_interval(windowless)
            self.out("| installer ÷ floor without a window, per round | %s× (95%% interval %s–%s) | %s |" %
                     (fmt(median(windowless)), fmt(low), fmt(high), stats.spread(windowless)))
            self.out()
            self.out("Target ≤ 1.10× the floor with its window: %s. Ratios round by round: %s." %
                     (verdict(ratio), pair_list(per_round)))
            self.out()
            self.phase_table([(r["floor_window"], r["installer"]) for r in rounds])

    def phase_table(self, pairs):
        rows = []
        for phase in PHASES:
            a = median([ms(f[phase]) for f, _ in pairs])
            b = median([ms(i[phase]) for _, i in pairs])
            rows.append((phase, a, b))
        self.out("| phase (median ms) | floor, with its window | installer | difference |")
        self.out("|---|---|---|---|")
        for phase, a, b in rows:
            self.out("| %s | %s | %s | %+.2f |" % (phase, fmt(a), fmt(b), b - a))
        self.out()
        total_floor = sum(a for _, a, _ in rows)
        largest = max(rows, key=lambda row: row[2])
        extra = sorted(rows, key=lambda row: row[2] - row[1], reverse=True)[0]
        self.out("Where the time goes: %s takes the most (%s ms, %s%% of the installer's pass, "
                 "%s%% of the floor's); the installer's largest excess over the floor is in %s "
                 "(%+.2f ms). Phases are the summed times of the system commands of each kind; "
                 "\"queries\" are the special-folder and system queries, \"other\" is the rest of the "
                 "pass (texts, the progress display): the installer's own work." % (largest[0], fmt(largest[2]),
                                         fmt(100 * largest[2] / sum(b for _, _, b in rows), 2),
                                         fmt(100 * largest[1] / total_floor, 2), extra[0], extra[2] - extra[1]))
        self.out()

    # --- 2. Start-up ------------------------------------------------------------------------------

    def startup(self):
        rounds = self.data["startup"]
        names = list(rounds[0].keys())
        reference, installer = names[0], names[1]
        base = [r[reference] for r in rounds]
        ours = [r[installer] for r in rounds]
        per_round, ratio = self.per_round_ratio("startup_ratio", base, ours, 1.30)
        self.out("## 2. Start-up")
        self.out()
        self.out("From process creation (CreateProcess in the driver) to the first visible top-level "
                 "window of the new process's first thread (`WelcomePage` for the installer), looked "
                 "for every millisecond among that thread's windows only, under Wine, against `one_window.exe`, a plain mingw program that registers a class "
                 "and shows one window. The programs start in turn, round by round, each on a quiet machine: "
                 "400 ms after the one before has ended, so that none shares the cores with Wine's and the "
                 "X server's clean-up of the last (started at once, about every other start took 30 to 40 ms "
                 "longer and the figures fell into two clusters).")
        self.out()
        self.program_table(rounds)
        self.ratio_line("Installer ÷ one window", ratio, per_round)
        if "VorlaneNsis.exe" in names:
            nsis = stats.ratios(zip(base, [r["VorlaneNsis.exe"] for r in rounds]))
            self.out()
            self.out("The NSIS installer (SetCompress off, same payload) on the same comparison: %s× "
                     "(round by round: %s)." % (fmt(median(nsis)), pair_list(nsis)))
        cjk = median([r["cjk_window.exe"] for r in rounds])
        self.out()
        dlls = median([r["dll_window.exe"] for r in rounds])
        self.out("Where the time goes: %s ms of the installer's %s ms are what any Wine program that shows "
                 "a window costs (the reference); loading the system DLLs the installer imports (ADVAPI32, "
                 "ole32, with what they load in turn; SHELL32 it loads only when the location page is accepted) and "
                 "initialising OLE, as its start-up does, "
                 "cost %+.1f ms (dll_window.exe, the same window with those imports and OleInitialize: "
                 "%s ms); the first Chinese text on screen, for loading the CJK face, %+.1f ms (cjk_window.exe, "
                 "the same window with one line in 宋体: %s ms; the references' medians move by several "
                 "milliseconds from run to run). What remains, %s ms, is the "
                 "installer's own start: the start-up steps (the page segment, the hidden window, the check's "
                 "thread), building `WelcomePage`'s controls, its gradients and decoding its JPEG banner." %
                 (fmt(median(base)), fmt(median(ours)), dlls - median(base), fmt(dlls),
                  cjk - median(base), fmt(cjk), fmt(median(ours) - dlls - cjk + median(base))))
        self.out()
        if "startup144" in self.data:
            scaled = self.data["startup144"]
            base144 = [r[reference] for r in scaled]
            ours144 = [r[installer] for r in scaled]
            per_round144 = stats.ratios(zip(base144, ours144))
            self.out("At a display scale of 150%% (144 DPI, a prefix of its own, the same rounds), where the "
                     "pages are laid out at the display's DPI: one window %s ms, the installer %s ms; installer "
                     "÷ one window **%s×** (round by round: %s). The target applies at 96 DPI." %
                     (fmt(median(base144)), fmt(median(ours144)), fmt(median(per_round144)),
                      pair_list(per_round144)))
            self.out()

    def per_round_ratio(self, name, reference, ours, target):
        """Our time over the reference's, round by round, and its median as the figure `name`."""
        per_round = stats.ratios(zip(reference, ours))
        return per_round, self.add_median(name, per_round, "x", target)

    def ratio_line(self, what, ratio, per_round):
        """The median ratio with its 95% interval and verdict, then the ratios round by round."""
        low, high = stats.median_interval(per_round)
        self.out("%s, per round: **%s×** (95%% interval of the median %s–%s; target ≤ %.2f×: %s); round by "
                 "round: %s." % (what, fmt(ratio.value), fmt(low), fmt(high), ratio.target, verdict(ratio),
                                 pair_list(per_round)))

    def program_table(self, rounds):
        """Each program's median and spread over rounds of {program: ms}."""
        self.out("| program | median | spread |")
        self.out("|---|---|---|")
        for name in rounds[0]:
            values = [r[name] for r in rounds]
            self.out("| %s | %s ms | %s |" % (name, fmt(median(values)), stats.spread(values)))
        self.out()

    def silent(self):
        rounds = self.data["silent"]
        floor = [r["floor_install.exe"] for r in rounds]
        ours = [r["VorlaneSetup.exe"] for r in rounds]
        per_round, ratio = self.per_round_ratio("silent_install_ratio_floor", floor, ours, 1.15)
        self.out("## 1b. The unattended installation")
        self.out()
        self.out("The whole process, from CreateProcess to its exit, as an administrator's script that "
                 "starts it and waits sees it: `VorlaneSetup.exe /S` against `floor_install.exe` with the "
                 "same root (without a window, as an unattended installation shows none) and, where built, the NSIS installer's `/S`; in turn, each into a clean machine and "
                 "started on a quiet one, 400 ms after the run before it.")
        self.out()
        self.program_table(rounds)
        self.ratio_line("Installer ÷ floor", ratio, per_round)
        if "VorlaneNsis.exe" in rounds[0]:
            nsis, versus = self.per_round_ratio("silent_install_ratio_nsis", [r["VorlaneNsis.exe"] for r in rounds],
                                                ours, 1.0)
            self.out()
            self.out("Installer ÷ NSIS `/S`, per round: **%s×** (target ≤ 1.0×: %s); round by round: %s." %
                     (fmt(versus.value), verdict(versus), pair_list(nsis)))
        self.out()

    def check(self):
        rounds = self.data["check"]
        self.out("## 1c. The check of the carried contents")
        self.out()
        self.out("Before it writes anything the installer checks every stored content against the CRC-32C "
                 "the build recorded (on a worker thread while the first pages are read, or first thing "
                 "when unattended). `check_timing.exe` runs the same check over the product's payload in a "
                 "fresh process, so that the image's pages are read for the first time as in the installer, "
                 "each way in turn: the processor's CRC-32C instruction (SSE 4.2), which the installer takes "
                 "where the processor has it, and the table that it takes otherwise.")
        self.out()
        self.out("| way | median | throughput | spread |")
        self.out("|---|---|---|---|")
        names = {"instruction": "payload_check_instruction_ms", "table": "payload_check_table_ms"}
        for way in ("instruction", "table"):
            times = [r[way][0] for r in rounds if way in r]
            if not times:
                self.out("| %s | not on this processor | | |" % way)
                continue
            megabytes = rounds[0][way][1] / 1e6
            figure = self.add(names[way], median(times), "ms", 50, "<=")
            self.out("| %s | **%s ms** (target ≤ 50 ms: %s) | %s MB/s | %s |" %
                     (way, fmt(figure.value), verdict(figure), fmt(megabytes / (figure.value / 1000)),
                      stats.spread(times)))
        self.out()
        self.out("A person spends seconds on the welcome and agreement pages; the check is done long before "
                 "the install pass asks for its verdict.")
        self.out()

    def search(self):
        rounds = self.data["search"]
        first = [r[0] for r in rounds]
        second = [r[1] for r in rounds]
        figure = self.add_median("programs_in_use_search_ms", first, "ms", None)
        self.out("## 1d. The search for programs in use")
        self.out()
        self.out("Before either program changes the product folder it looks for running programs whose "
                 "file or loaded library is one of the product's files (services/programs_in_use.h): the "
                 "Restart Manager, loaded from the system folder, then a walk of the processes that "
                 "compares the candidates' images and modules with the installed files by identity. "
                 "`search_timing.exe` runs that search over a default installation with %d other processes "
                 "running (idle copies of itself), none of which holds a file, in a fresh process each "
                 "round: the first search, as each program runs it once, and a second one." %
                 self.data.get("search_other_processes", 20))
        self.out()
        self.out("| search | median | spread |")
        self.out("|---|---|---|")
        self.out("| first in the process | **%s ms** (95%% interval %s–%s; no target) | %s |" %
                 (fmt(figure.value), fmt(figure.interval[0]), fmt(figure.interval[1]), stats.spread(first)))
        self.out("| second | %s ms | %s |" % (fmt(median(second)), stats.spread(second)))
        self.out()
        self.out("The first search pays for loading the Restart Manager; both are a small part of a "
                 "reinstall, whose pass alone takes tens of milliseconds here.")
        self.out()

    # --- 3. Size ----------------------------------------------------------------------------------

    def size(self):
        size = self.data["size"]
        overhead = size["installer"] - size["payload"]
        figure = self.add("size_overhead_bytes", overhead, "bytes", SIZE_TARGET, "<=")
        self.out("## 3. Size")
        self.out()
        self.out("The installer is %s bytes and stores a %s-byte payload (32 distinct contents of the 34 "
                 "files), so its own overhead is **%s bytes** (%s KiB; target ≤ 224 KiB unsigned: %s)." %
                 (size["installer"], size["payload"], overhead, fmt(overhead / 1024), verdict(figure)))
        self.out()
        sections = size["sections"]
        rdata_rest = sections.get(".rdata", 0) - size["payload"]
        self.out("| section | bytes | holds |")
        self.out("|---|---|---|")
        holds = {".text": "code: runtime, pages, services, installer, libjpeg, C runtime",
                 ".data": "the page segment (pages, pictures, texts) and writable data",
                 ".rdata": "texts and tables (the payload's %s bytes not counted here)" % size["payload"],
                 ".eh_fram": "unwind tables of the C runtime's start-up code",
                 ".CRT": "the C runtime's initialiser lists", ".tls": "thread-local data",
                 ".rsrc": "icons and the manifest", ".reloc": "base relocations", ".idata": "imports"}
        for name, raw in sections.items():
            if name == ".bss":
                continue  # zero-filled at load: no bytes in the file
            shown = rdata_rest if name == ".rdata" else raw
            self.out("| %s | %s | %s |" % (name, shown, holds.get(name, "")))
        zeros = size.get("page_alignment", 0)
        if zeros:
            self.out("| (zeros) | %s | before .rdata, so that its data lies on a page of the file |" % zeros)
        self.out()
        if "nsis" in size:
            nsis = size["nsis"] - size["payload"]
            self.add("size_overhead_vs_nsis", overhead / nsis, "x", None, "<=")
            self.out("The NSIS installer of the same payload (`SetCompress off`, built in bench/nsis/ "
                     "from a script generated from the catalogue) is %s bytes: an overhead of %s bytes; "
                     "ours is %s× that (a figure without a target)." % (size["nsis"], nsis, fmt(overhead / nsis)))
            self.out()
        code = sections.get(".text", 0)
        self.out("Where the bytes go: code is %s%% of the overhead (%s bytes), the page segment and "
                 "writable data %s bytes, the remaining constant data %s bytes; the payload is stored "
                 "once per distinct content, with no gaps. The zeros before `.rdata` (under 4 KiB, "
                 "whatever the code's size) let a loader map the payload from the file; Wine reads a "
                 "section whose data does not lie on a page into memory at every start." %
                 (fmt(100 * code / overhead, 2), code, sections.get(".data", 0), rdata_rest))
        self.out()

    # --- 4. Memory --------------------------------------------------------------------------------

    def memory(self):
        memory = self.data["memory"]
        self.out("## 4. Memory")
        self.out()
        self.out("Each program over a whole default install into a clean machine, like with like: the "
                 "interactive installer walked through its pages by the automation helper against the NSIS "
                 "installer walked through its MUI2 pages (Chinese texts, the same payload), and the "
                 "unattended `VorlaneSetup.exe /S` against NSIS `/S` and the floor (no window). The primary "
                 "figure is the peak private memory: the largest private (anonymous) resident memory of the "
                 "Wine process, the program's own allocations and the pages it wrote, sampled every 2 ms. "
                 "Beside it, the peak resident memory (the kernel's high-water mark, `ru_maxrss`, what "
                 "Windows calls the peak working set), which also counts the mapped libraries, fonts and "
                 "the program's image.")
        self.out()
        pairs = (("interactive", "Interactive", "installer", "NSIS"), ("silent", "Unattended", "installer /S", "NSIS /S"))
        for pair, title, ours, theirs in pairs:
            if pair not in memory:
                continue
            rounds = memory[pair]["rounds"]
            self.out("### %s" % title)
            self.out()
            self.out("| program | peak private (median) | 95% interval | spread | peak resident (median) |")
            self.out("|---|---|---|---|---|")
            for name in rounds[0]:
                private = [r[name][1] / 1024 for r in rounds]
                resident = [r[name][0] / 1024 for r in rounds]
                low, high = stats.median_interval(private)
                self.out("| %s | %s MiB | %s–%s | %s | %s MiB |" % (name, fmt(median(private)), fmt(low), fmt(high),
                                                                 stats.spread(private), fmt(median(resident))))
            self.out()
            mine = [r[ours][1] for r in rounds]
            if theirs in rounds[0]:
                per_round = stats.ratios(zip([r[theirs][1] for r in rounds], mine))
                figure = self.add_median("memory_private_%s_ratio_nsis" % pair, per_round, "x", 1.0)
                self.out("Peak private, %s ÷ %s, per round: **%s×** (95%% interval %s–%s; target ≤ 1.0×: %s); "
                         "round by round: %s." % (ours, theirs, fmt(figure.value), fmt(figure.interval[0]),
                                                  fmt(figure.interval[1]), verdict(figure), pair_list(per_round)))
                resident = stats.ratios(zip([r[theirs][0] for r in rounds], [r[ours][0] for r in rounds]))
                self.out()
                self.out("Peak resident, the same pair: %s× (no target)." % fmt(median(resident)))
            if "floor" in rounds[0]:
                per_round = stats.ratios(zip([r["floor"][1] for r in rounds], mine))
                figure = self.add_median("memory_private_%s_ratio_floor" % pair, per_round, "x", None)
                self.out()
                self.out("Peak private, %s ÷ floor, per round: %s× (95%% interval %s–%s; no target)." %
                         (ours, fmt(figure.value), fmt(figure.interval[0]), fmt(figure.interval[1])))
            self.out()
            self.memory_profile_table(memory[pair].get("profiles", {}), ours, theirs)

    def memory_profile_table(self, profiles, ours, theirs):
        """Private and resident memory by kind, at each program's largest private sample."""
        if not profiles:
            return
        names = list(profiles)
        kinds = sorted({k for p in profiles.values() for part in p.values() for k in part},
                       key=lambda k: -profiles[ours]["private"].get(k, 0))
        self.out("By kind, at each program's largest private sample (MiB, one sampled run each; private / resident):")
        self.out()
        self.out("| kind | " + " | ".join(names) + " |")
        self.out("|---|" + "---|" * len(names))
        for kind in kinds:
            self.out("| %s | %s |" % (kind, " | ".join("%s / %s" % (fmt(profiles[n]["private"].get(kind, 0) / 1024),
                                                                    fmt(profiles[n]["resident"].get(kind, 0) / 1024))
                                                       for n in names)))
        self.out("| total | %s |" % " | ".join("%s / %s" % (fmt(sum(profiles[n]["private"].values()) / 1024),
                                                           fmt(sum(profiles[n]["resident"].values()) / 1024))
                                              for n in names))
        self.out()
        if theirs in profiles:
            differences = sorted(((profiles[ours]["private"].get(k, 0) - profiles[theirs]["private"].get(k, 0)) / 1024, k)
                                 for k in kinds)
            self.out("Where the private bytes differ, %s against %s: %s." %
                     (ours, theirs, "; ".join("%s %+.2f MiB" % (kind, diff) for diff, kind in reversed(differences)
                                              if abs(diff) >= 0.05) or "nowhere by more than 0.05 MiB"))
            self.out()

    # --- 5. Scaling -------------------------------------------------------------------------------

    def scaling(self):
        scaling = self.data["scaling"]
        self.out("## 5. Scaling")
        self.out()
        self.out("Fresh install passes on synthetic payloads of the product's layout (bench/"
                 "synthetic_payload.py): the *bytes* series keeps the 34 files and scales every size; "
                 "the *files* series keeps the 7.6 MB and spreads it over 0.25×, 1×, 4× and 16× the "
                 "files, in copies of the folder tree; the floor shows its window, as in the install pass. "
                 "Medians of the rounds; lines fitted by least "
                 "squares to the medians.")
        self.out()
        for kind, unit in (("bytes", "MB"), ("files", "files")):
            self.out("| %s scale | payload MB | files | floor ms | installer ms | ratio |" % kind)
            self.out("|---|---|---|---|---|---|")
            points = {"floor": [], "installer": []}
            for scale in ("0.25", "1", "4", "16"):
                run = scaling[(kind, scale)]
                megabytes, files = catalogue_totals(run["catalogue"])
                a = median([ms(f["total"]) for f, _ in run["pairs"]])
                b = median([ms(i["total"]) for _, i in run["pairs"]])
                r = median(stats.ratios([(f["total"], i["total"]) for f, i in run["pairs"]]))
                x = megabytes if kind == "bytes" else files
                points["floor"].append((x, a))
                points["installer"].append((x, b))
                self.out("| %s× | %s | %d | %s | %s | %s× |" % (scale, fmt(megabytes), files, fmt(a), fmt(b), fmt(r)))
            self.out()
            fits = {}
            for side, xy in points.items():
                slope, intercept, r2 = stats.fit_line([x for x, _ in xy], [y for _, y in xy])
                fits[side] = (slope, intercept, r2)
                # The floor's fit is a property of the reference, stated without a target.
                self.add("scaling_%s_r2_%s" % (kind, side), r2, "r2", 0.99 if side == "installer" else None, ">=")
            if kind == "bytes":
                rate = {side: 1000.0 / fit[0] for side, fit in fits.items()}
                self.add("scaling_mb_per_s", rate["installer"], "MB/s", rate["floor"] / 1.10, ">=")
                self.out("Time against bytes: floor %s MB/s (fixed part %s ms, R² %s), installer %s MB/s "
                         "(fixed part %s ms, R² %s)." %
                         (fmt(rate["floor"]), fmt(fits["floor"][1]), fmt(fits["floor"][2], 4),
                          fmt(rate["installer"]), fmt(fits["installer"][1]), fmt(fits["installer"][2], 4)))
            else:
                per_file = {side: fit[0] * 1000.0 for side, fit in fits.items()}
                self.add("scaling_us_per_file", per_file["installer"], "us", per_file["floor"] * 1.10, "<=")
                self.out("Time against files: floor %s µs per file (R² %s), installer %s µs per file (R² %s)." %
                         (fmt(per_file["floor"]), fmt(fits["floor"][2], 4), fmt(per_file["installer"]),
                          fmt(fits["installer"][2], 4)))
            self.out()
        self.out("Where the time goes: the per-byte cost is the write itself (the bytes go from the "
                 "mapped image to the file system in one WriteFile per file, with no copy in between), "
                 "the per-file cost is creating, writing and closing a file, and the fixed part is the "
                 "five shortcuts and the registry.")
        self.out()

    def notes(self):
        self.out("## Notes on the method")
        self.out()
        self.out("- The profile of the install pass is the split timing above, taken in the same runs: "
                 "hardware counters are not available on this machine (`perf stat -e instructions` reports "
                 "them as not supported) and callgrind cannot follow a program through Wine.")
        self.out("- The Wine prefix, and with it every installed file, lives on tmpfs when /dev/shm is "
                 "there, so that the figures compare the programs rather than the disk's write-back; on a "
                 "disk the file phase grows by the same amount on both sides.")
        self.out("- Under Wine, saving a shell link costs several milliseconds (Wine's shell writes and "
                 "notifies more than Windows does), so the five links dominate the pass on both sides.")
        self.out("- This machine is a 2-core virtual machine shared with other work: the medians of the "
                 "noisy comparisons (the install pass, the start-up) move by several percent from one run "
                 "of `make bench` to the next, which is why they run more rounds and why each quotes the "
                 "interval of its median ratio. Whether a change moved a figure is for `make bench-compare`, "
                 "which puts the two builds side by side in one run.")
        self.out("- The driver keeps still while a timed pass runs (it waits for the timing line, asking only "
                 "the file's size, instead of searching windows), so that the installer does not share the "
                 "Wine server with it; once the line is in it ends the installer, whose installation is "
                 "then complete: the progress bar's animation and Finish time nothing.")
        self.out()

    def render(self):
        m = self.data["machine"]
        head = ["# Benchmarks", "",
                "Written by `make bench` (bench/run.py); do not edit by hand. Measured on %s." % m["date"], "",
                "- Machine: %s, %s cores, %s of memory, Linux %s" % (m["cpu"], m["cores"], m["memory"], m["kernel"]),
                "- %s (32-bit prefix, code page 936, virtual desktop on Xvfb), prefix on tmpfs" % m["wine"],
                "- Compiler: %s; NSIS: makensis %s" % (m["compiler"], m["makensis"]),
                "- Every figure is the median of %d rounds after one warm-up round; the install pass, "
                "the start-up and each scaling point, which are noisy under Wine, run %d, %d and %d "
                "rounds. Each "
                "comparison runs its sides in turn (A B A B ...) in one call, and ratios are taken round "
                "by round, then the median of the ratios is quoted with its 95%% interval (the order "
                "statistics that cover the median whatever the distribution). A figure whose median "
                "misses its target while its interval reaches it is *within reach*: the noise cannot tell. "
                "One Wine window stays open throughout." % (self.data["rounds"], self.data.get("install_rounds", self.data["rounds"]),
                                 self.data.get("startup_rounds", self.data["rounds"]),
                                 self.data.get("scaling_rounds", self.data["rounds"])),
                "- For a change, `make bench-compare` compares two builds side by side instead (README, "
                "Benchmarks); these figures are the absolute ones, against the floor and the peers.",
                "", "## Summary", "", "| figure | value | 95% interval | target | |", "|---|---|---|---|---|"]
        for f in self.figures:
            interval = "%s–%s" % (fmt(f.interval[0], 4), fmt(f.interval[1], 4)) if f.interval else ""
            target = "%s %s" % (f.op, fmt(f.target, 4)) if f.target is not None else "none"
            head.append("| %s | %s %s | %s | %s | %s |" % (f.name, fmt(f.value, 4), f.unit, interval, target,
                                                          verdict(f)))
        head.append("")
        return "\n".join(head + self.lines) + "\n"


def catalogue_totals(path):
    """Megabytes and files of a payload catalogue (every entry, shared contents included)."""
    total, files = 0, 0
    for line in path.read_text(encoding="utf-8").splitlines():
        fields = line.split()
        if fields and fields[0] == "entry":
            total += int(fields[2])
            files += 1
    return total / 1e6, files


def write(data, results_path, markdown_path):
    report = Report(data)
    for part in ("install", "silent", "check", "search", "startup", "size", "memory", "scaling"):
        if part in data:
            getattr(report, part)()
    report.notes()
    with open(results_path, "w", encoding="utf-8") as out:
        out.write("name\tvalue\tunit\ttarget\tcompare\n")
        for f in report.figures:
            target = fmt(f.target, 6) if f.target is not None else ""
            out.write("%s\t%s\t%s\t%s\t%s\n" % (f.name, fmt(f.value, 6), f.unit, target,
                                                  f.op if f.target is not None else "-"))
    markdown_path.write_text(report.render(), encoding="utf-8")
    return report.figures
