"""Turns the measurements of bench/run.py into bench/results.tsv and docs/benchmarks.md."""
from dataclasses import dataclass

import stats
from stats import fmt, median

PHASES = ["folders", "files", "attributes", "links", "registry", "queries", "other"]
SIZE_TARGET = 200 * 1024


@dataclass
class Figure:
    name: str
    value: float
    unit: str
    target: float
    op: str  # how the value must compare with the target: "<=" or ">="

    def met(self):
        return self.value <= self.target if self.op == "<=" else self.value >= self.target


def ms(microseconds):
    return microseconds / 1000.0


def pair_list(values, digits=3):
    return ", ".join(fmt(v, digits) for v in values)


def verdict(figure):
    if figure.met():
        return "met"
    if figure.op == "<=":
        return "**missed** by %s%%" % fmt((figure.value / figure.target - 1) * 100, 2)
    return "**missed** by %s%%" % fmt((1 - figure.value / figure.target) * 100, 2)


class Report:
    def __init__(self, data):
        self.data = data
        self.figures = []
        self.lines = []

    def add(self, *args):
        figure = Figure(*args)
        self.figures.append(figure)
        return figure

    def out(self, text=""):
        self.lines.append(text)

    # --- 1. Install pass ------------------------------------------------------------------------

    def install(self):
        self.out("## 1. The install pass")
        self.out()
        self.out("From the start of `RunInstallation` to its return, timed inside the process with "
                 "QueryPerformanceCounter: the benchmark build of the installer (`VorlaneSetupBench.exe`, "
                 "the shipped program with the pass and the system commands it calls wrapped at link "
                 "time) walked through its pages by the automation helper, against `floor_install.exe`, "
                 "which does the same work from the same uncompressed payload in its constant segment "
                 "(laid out alike: that section's data on a page of the file, so both map it) "
                 "with the plainest Win32 calls (14 CreateDirectoryA, 34 CreateFileA with one WriteFile "
                 "each, 19 SetFileAttributesA, 5 IShellLinkA saves, 11 RegSetValueExA into one key). Like the installer, "
                 "the floor writes a missing file in place (CREATE_NEW) and replaces an existing one by a "
                 "new file written beside it and moved over it (MoveFileExA), so that a reinstall compares "
                 "like with like. The installer's own security work is in the pass where it happens there: "
                 "the access lists of the user-writable folders (\"folders\"); the check of the tree and the "
                 "product folder's access list come before the pass, when the location page accepts the "
                 "root. Fresh: nothing installed before each run. Reinstall: over a complete "
                 "installation.")
        self.out()
        for mode in ("fresh", "reinstall"):
            pairs = self.data["install"][mode]
            floor = [ms(a["total"]) for a, _ in pairs]
            installer = [ms(b["total"]) for _, b in pairs]
            per_round = stats.ratios([(a["total"], b["total"]) for a, b in pairs])
            ratio = self.add("install_%s_ratio" % mode, median(per_round), "x", 1.10, "<=")
            self.out("### %s install" % mode.capitalize())
            self.out()
            self.out("| | median | spread |")
            self.out("|---|---|---|")
            self.out("| floor | %s ms | %s |" % (fmt(median(floor)), stats.spread(floor)))
            self.out("| installer | %s ms | %s |" % (fmt(median(installer)), stats.spread(installer)))
            low, high = stats.median_interval(per_round)
            self.out("| ratio, per round | **%s×** (95%% interval of the median %s–%s) | %s |" %
                     (fmt(ratio.value), fmt(low), fmt(high), stats.spread(per_round)))
            self.out()
            self.out("Target ≤ 1.10×: %s. Ratios round by round: %s." % (verdict(ratio), pair_list(per_round)))
            self.out()
            self.phase_table(pairs)

    def phase_table(self, pairs):
        rows = []
        for phase in PHASES:
            a = median([ms(f[phase]) for f, _ in pairs])
            b = median([ms(i[phase]) for _, i in pairs])
            rows.append((phase, a, b))
        self.out("| phase (median ms) | floor | installer | difference |")
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
                 "pass (texts, the progress display)." % (largest[0], fmt(largest[2]),
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
        return per_round, self.add(name, median(per_round), "x", target, "<=")

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
                 "same root and, where built, the NSIS installer's `/S`; in turn, each into a clean machine and "
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

    # --- 3. Size ----------------------------------------------------------------------------------

    def size(self):
        size = self.data["size"]
        overhead = size["installer"] - size["payload"]
        figure = self.add("size_overhead_bytes", overhead, "bytes", SIZE_TARGET, "<=")
        self.out("## 3. Size")
        self.out()
        self.out("The installer is %s bytes and stores a %s-byte payload (32 distinct contents of the 34 "
                 "files), so its own overhead is **%s bytes** (%s KiB; target ≤ 200 KiB: %s)." %
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
            self.add("size_overhead_vs_nsis", overhead / nsis, "x", 1.0, "<=")
            self.out("The NSIS installer of the same payload (`SetCompress off`, built in bench/nsis/ "
                     "from a script generated from the catalogue) is %s bytes: an overhead of %s bytes, "
                     "%s× ours." % (size["nsis"], nsis, fmt(nsis / overhead)))
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
        rounds = memory["rounds"]
        floor = [r["floor"][0] / 1024 for r in rounds]
        ours = [r["installer"][0] / 1024 for r in rounds]
        per_round, ratio = self.per_round_ratio("memory_ratio_floor", floor, ours, 1.20)
        self.out("## 4. Memory")
        self.out()
        self.out("Peak resident memory of each process over a whole default install into a clean "
                 "machine: the kernel's high-water mark of the Wine process (`ru_maxrss`, what Windows "
                 "calls the peak working set), and the largest private (anonymous) resident memory seen "
                 "while it ran, sampled every 2 ms. The installer is the shipped one, walked through its "
                 "pages; the NSIS installer runs its silent install (`/S`).")
        self.out()
        self.out("| program | peak resident (median) | spread | peak private (median) |")
        self.out("|---|---|---|---|")
        sides = [("floor", "floor"), ("installer", "installer"), ("nsis", "NSIS, silent")]
        for key, label in sides:
            if key not in rounds[0]:
                continue
            values = [r[key][0] / 1024 for r in rounds]
            private = [r[key][1] / 1024 for r in rounds]
            self.out("| %s | %s MiB | %s | %s MiB |" % (label, fmt(median(values)), stats.spread(values),
                                                       fmt(median(private))))
        self.out()
        self.out("Installer ÷ floor, per round: **%s×** (target ≤ 1.2×: %s); round by round: %s." %
                 (fmt(ratio.value), verdict(ratio), pair_list(per_round)))
        if "nsis" in rounds[0]:
            nsis = [r["nsis"][0] / 1024 for r in rounds]
            versus, below = self.per_round_ratio("memory_ratio_nsis", nsis, ours, 1.0)
            self.out()
            self.out("Installer ÷ NSIS silent install, per round: **%s×** (target: below it: %s); round by "
                     "round: %s." % (fmt(below.value), verdict(below), pair_list(versus)))
        refs = {name: median(values) / 1024 for name, values in memory["references"].items()}
        allowance = refs["cjk_window.exe"] - refs["no_window.exe"]
        with_window = stats.ratios([(r["floor"][0] / 1024 + allowance, r["installer"][0] / 1024) for r in rounds])
        derived = self.add("memory_ratio_floor_with_window", median(with_window), "x", 1.20, "<=")
        self.out()
        self.out("The floor and the silent install show no window; the installer must. Under Wine a console "
                 "program that does nothing holds %s MiB, a program that shows one window %s MiB, and the same "
                 "window with one line of Chinese in 宋体 %s MiB (medians of 5 runs each; the references end "
                 "once painted). So showing the pages' Chinese costs %s MiB before the installer does "
                 "anything. Against the floor with that added, the installer is **%s×** per round (%s; "
                 "round by round: %s): its own memory is within the target once the floor pays for the "
                 "same window and font." %
                 (fmt(refs["no_window.exe"]), fmt(refs["one_window.exe"]), fmt(refs["cjk_window.exe"]),
                  fmt(allowance), fmt(derived.value), verdict(derived), pair_list(with_window)))
        self.out()
        profiles = memory.get("profiles", {})
        if profiles:
            kinds = sorted({k for p in profiles.values() for k in p},
                           key=lambda k: -profiles.get("installer", {}).get(k, 0))
            names = [name for name in ("floor", "installer", "nsis") if name in profiles]
            self.out("Resident memory by kind at each program's largest sample (MiB, one sampled run each):")
            self.out()
            self.out("| kind | " + " | ".join(names) + " |")
            self.out("|---|" + "---|" * len(names))
            for kind in kinds:
                self.out("| %s | %s |" % (kind, " | ".join(fmt(profiles[n].get(kind, 0) / 1024) for n in names)))
            self.out("| total | %s |" % " | ".join(fmt(sum(profiles[n].values()) / 1024) for n in names))
            self.out()
            ours_profile = profiles.get("installer", {})
            self.out("Where the bytes go: the installer's excess over the floor is the window system (X shared "
                     "memory for the window surfaces, %s MiB; more of Wine's libraries), the CJK font its pages "
                     "use (%s MiB) and its heap; the payload, %s MiB, is resident in both once it has been "
                     "written out, as pages of the program's image mapped from its file (both lay that "
                     "section's data on a page of the file; Wine would read a section that is not into "
                     "private memory at start). The NSIS installer reads the payload "
                     "from its own file through a small buffer, so none of it stays resident." %
                     (fmt(ours_profile.get("X shared memory (window surfaces)", 0) / 1024),
                      fmt(ours_profile.get("fonts", 0) / 1024),
                      fmt(self.data.get("size", {}).get("payload", 0) / 1048576)))
            self.out()

    # --- 5. Scaling -------------------------------------------------------------------------------

    def scaling(self):
        scaling = self.data["scaling"]
        self.out("## 5. Scaling")
        self.out()
        self.out("Fresh install passes on synthetic payloads of the product's layout (bench/"
                 "synthetic_payload.py): the *bytes* series keeps the 34 files and scales every size; "
                 "the *files* series keeps the 7.6 MB and spreads it over 0.25×, 1×, 4× and 16× the "
                 "files, in copies of the folder tree. Medians of the rounds; lines fitted by least "
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
                self.add("scaling_%s_r2_%s" % (kind, side), r2, "r2", 0.99, ">=")
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
                 "bootstrap interval of its median ratio.")
        self.out("- The driver keeps still while a timed pass runs (it waits for the timings file instead "
                 "of searching windows), so that the installer does not share the Wine server with it.")
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
                "by round, then the median of the ratios is quoted. One Wine window stays open "
                "throughout." % (self.data["rounds"], self.data.get("install_rounds", self.data["rounds"]),
                                 self.data.get("startup_rounds", self.data["rounds"]),
                                 self.data.get("scaling_rounds", self.data["rounds"])),
                "", "## Summary", "", "| figure | value | target | |", "|---|---|---|---|"]
        for f in self.figures:
            head.append("| %s | %s %s | %s %s | %s |" % (f.name, fmt(f.value, 4), f.unit, f.op, fmt(f.target, 4),
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
    for part in ("install", "silent", "check", "startup", "size", "memory", "scaling"):
        if part in data:
            getattr(report, part)()
    report.notes()
    with open(results_path, "w", encoding="utf-8") as out:
        out.write("name\tvalue\tunit\ttarget\tcompare\n")
        for f in report.figures:
            out.write("%s\t%s\t%s\t%s\t%s\n" % (f.name, fmt(f.value, 6), f.unit, fmt(f.target, 6), f.op))
    markdown_path.write_text(report.render(), encoding="utf-8")
    return report.figures
