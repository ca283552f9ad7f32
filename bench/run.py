#!/usr/bin/env python3
"""Runs the Wexlin benchmark suite side by side with CPython and Lua 5.4.

Every workload lives in bench/workloads/<name>/ as six programs: global.wx,
local.wx, global.py, local.py, global.lua and local.lua. The "global" programs
work on top-level variables, the "local" ones run the same algorithm inside a
function. Each program carries its sizes on lines marked with a comment
"@name" (for example `n = 32  # @n`); the runner rewrites those numbers to run
the programs at other sizes, so the files stay directly runnable at the full
sizes.

A run times every program with every interpreter (median of --reps runs),
checks that all of them print the same output, and prints the table; then the
scaling checks, the peak memory of workload 5 and the start-up times. The exit
status is 1 when an interpreter failed or the outputs disagree, 0 otherwise
(missed speed targets are reported as FAIL lines but do not change it).
"""

import argparse
import json
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path

BENCH_DIR = Path(__file__).resolve().parent
REPO_DIR = BENCH_DIR.parent
WORKLOAD_DIR = BENCH_DIR / "workloads"

VARIANTS = ("global", "local")
LANGUAGES = (("wexlin", ".wx"), ("python3", ".py"), ("lua5.4", ".lua"))

# A workload grows at most this much in time when its size grows tenfold.
SCALING_LIMIT = 12.0
STARTUP_LIMIT_MS = 10.0
GNU_TIME = "/usr/bin/time"
# The Debian interpreter that the set-up step installs, rather than whatever a
# version manager puts first on PATH, so that runs on different machines
# compare the same thing.
DEFAULT_PYTHON = "/usr/bin/python3" if os.access("/usr/bin/python3", os.X_OK) else "python3"


@dataclass
class Workload:
    number: int
    folder: str
    title: str
    full: dict
    quick: dict
    # The size that the scaling check multiplies by ten and its value n at
    # full size, or None. n is large enough that the start-up time is small
    # beside the run.
    scaling: tuple = None


WORKLOADS = [
    Workload(1, "01_fib", "fib(32), recursive", {"n": 32}, {"n": 15}),
    Workload(2, "02_while_sum", "while loop, 50M sum", {"n": 50_000_000}, {"n": 10_000}),
    Workload(3, "03_mandelbrot", "mandelbrot 500x500", {"size": 500, "iters": 50}, {"size": 24, "iters": 50}),
    Workload(4, "04_calls", "5M x 3 calls, 6 args", {"n": 5_000_000}, {"n": 1_000}),
    Workload(5, "05_push_array", "push 2M, sum by index", {"n": 2_000_000}, {"n": 1_000}, ("n", 500_000)),
    Workload(6, "06_sieve", "sieve 300000, push", {"n": 300_000, "limit": 547}, {"n": 3_000, "limit": 54},
             ("n", 30_000)),
    Workload(7, "07_string_build", "string 1M, s + \"x\"", {"n": 1_000_000}, {"n": 1_000}, ("n", 1_000_000)),
    Workload(8, "08_text_tree", "text 1M words, tree", {"blocks": 100, "depth": 16}, {"blocks": 1, "depth": 4}),
]

SIZE_LINE = re.compile(r"^(?P<head>.*?)(?P<number>\d+)(?P<tail>\s*(?:#|--)\s*@(?P<name>\w+)\s*)$")


class BenchError(Exception):
    """A broken workload or a missing interpreter: the run cannot go on."""


@dataclass
class RunResult:
    seconds: float
    stdout: str
    stderr: str
    status: int
    timed_out: bool


@dataclass
class Cell:
    """All runs of one program on one interpreter."""

    runs: list = field(default_factory=list)

    @property
    def timed_out(self):
        return any(run.timed_out for run in self.runs)

    @property
    def median(self):
        return statistics.median(run.seconds for run in self.runs)


def materialise(workload, variant, extension, sizes, out_dir):
    """Writes the program with its marked sizes replaced; returns its path."""
    source_path = WORKLOAD_DIR / workload.folder / (variant + extension)
    try:
        lines = source_path.read_text(encoding="utf-8").splitlines(keepends=True)
    except OSError as error:
        raise BenchError(f"cannot read {source_path}: {error}") from error
    seen = {}
    for index, line in enumerate(lines):
        match = SIZE_LINE.match(line.rstrip("\n"))
        if not match:
            continue
        name = match.group("name")
        if name not in sizes:
            raise BenchError(f"{source_path}:{index + 1}: unknown size @{name}")
        if name in seen:
            raise BenchError(f"{source_path}:{index + 1}: size @{name} marked twice")
        seen[name] = True
        lines[index] = match.group("head") + str(sizes[name]) + match.group("tail") + "\n"
    missing = sorted(set(sizes) - set(seen))
    if missing:
        raise BenchError(f"{source_path}: no line marked @{', @'.join(missing)}")
    tag = "-".join(f"{name}{value}" for name, value in sorted(sizes.items()))
    target = out_dir / f"{workload.folder}-{variant}-{tag}{extension}"
    target.write_text("".join(lines), encoding="utf-8")
    return target


def run_once(argv, cwd, timeout):
    """Runs a program to its end (or kills it after timeout seconds) and
    measures its wall time."""
    with tempfile.TemporaryFile(dir=cwd) as out, tempfile.TemporaryFile(dir=cwd) as err:
        lock = threading.Lock()
        state = {"done": False, "killed": False}
        start = time.perf_counter()
        process = subprocess.Popen(argv, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out, stderr=err)

        def kill():
            with lock:
                if not state["done"]:
                    state["killed"] = True
                    os.kill(process.pid, 9)

        timer = threading.Timer(timeout, kill)
        timer.start()
        try:
            # Reaping the child directly returns as soon as it ends (the
            # polling in Popen.wait with a timeout would add up to 50 ms).
            _, wait_status = os.waitpid(process.pid, 0)
        except BaseException:
            timer.cancel()
            process.kill()
            process.wait()
            raise
        elapsed = time.perf_counter() - start
        with lock:
            state["done"] = True
        timer.cancel()
        process.returncode = os.waitstatus_to_exitcode(wait_status)
        out.seek(0)
        err.seek(0)
        return RunResult(
            seconds=elapsed,
            stdout=out.read().decode("utf-8", "replace"),
            stderr=err.read().decode("utf-8", "replace"),
            status=process.returncode,
            timed_out=state["killed"],
        )


def resolve_python(requested):
    """The interpreter binary itself: a version-manager shim in front of it
    would add its own start-up time to every measurement."""
    found = shutil.which(requested)
    if not found:
        raise BenchError(f"python interpreter '{requested}' not found")
    probe = subprocess.run([found, "-c", "import sys; print(sys.executable)"], capture_output=True, text=True)
    real = probe.stdout.strip()
    return real if probe.returncode == 0 and real else found


def resolve_interpreters(args):
    wexlin = Path(args.wexlin) if args.wexlin else REPO_DIR / "build" / "release" / "wexlin"
    if not (wexlin.is_file() and os.access(wexlin, os.X_OK)):
        raise BenchError(f"wexlin not found at {wexlin}; build it with 'bash scripts/setup.sh' "
                         "(or run 'bash bench/run.sh', which does)")
    lua = shutil.which(args.lua)
    if not lua:
        raise BenchError(f"Lua interpreter '{args.lua}' not found; 'bash scripts/setup.sh' installs lua5.4")
    return {"wexlin": str(wexlin.resolve()), "python3": resolve_python(args.python), "lua5.4": lua}


def version_of(argv):
    try:
        result = subprocess.run(argv, capture_output=True, text=True, timeout=10)
    except (OSError, subprocess.TimeoutExpired):
        return "?"
    text = (result.stdout + result.stderr).strip().splitlines()
    return text[0] if text else "?"


def cpu_model():
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "?"


def describe_failure(language, program, result):
    if result.timed_out:
        return None  # reported as a timeout, not as a failure
    problems = []
    if result.status != 0:
        problems.append(f"exit status {result.status}")
    # Wexlin reports run-time errors on standard error and still exits with
    # 0, so any diagnostic there means the workload went wrong.
    if language == "wexlin" and result.stderr:
        problems.append("wrote to standard error")
    if not problems:
        return None
    excerpt = result.stderr.strip()[:2000]
    return f"{language} failed on {program.name} ({', '.join(problems)}):\n{excerpt}"


class Bench:
    def __init__(self, args, interpreters, work_dir):
        self.args = args
        self.interpreters = interpreters
        self.work_dir = work_dir
        self.failures = []
        self.results = {}  # (folder, variant, language, sizes tuple) -> Cell

    def argv(self, language, program):
        return [self.interpreters[language], str(program)]

    def measure(self, workload, variant, sizes, languages, reps, label):
        """Runs one workload variant on the given interpreters, checks their
        outputs, and returns {language: Cell}."""
        jobs = {language: (language, materialise(workload, variant, extension, sizes, self.work_dir))
                for language, extension in LANGUAGES if language in languages}
        cells = self.run_interleaved(jobs, reps)
        self.check_outputs(label, cells)
        key_sizes = tuple(sorted(sizes.items()))
        for language, cell in cells.items():
            self.results[(workload.folder, variant, language, key_sizes)] = cell
        return cells

    def run_interleaved(self, jobs, reps):
        """Runs every job (key -> (language, program)) reps times, taking the
        jobs in turn, so that a change in the machine's load falls on all of
        them alike. Returns key -> Cell."""
        cells = {key: Cell() for key in jobs}
        for _ in range(reps):
            for key, (language, program) in jobs.items():
                cell = cells[key]
                if cell.timed_out:
                    continue  # one timeout is enough: the rest would time out too
                result = run_once(self.argv(language, program), self.work_dir, self.args.timeout)
                cell.runs.append(result)
                failure = describe_failure(language, program, result)
                if failure:
                    self.fail(failure)
        return cells

    def check_outputs(self, label, cells):
        outputs = {}
        for language, cell in cells.items():
            for run in cell.runs:
                if not run.timed_out:
                    outputs.setdefault(language, set()).add(run.stdout)
        for language, seen in outputs.items():
            if len(seen) > 1:
                self.fail(f"{label}: {language} printed different outputs in different runs")
        distinct = {language: next(iter(seen)) for language, seen in outputs.items()}
        if len(set(distinct.values())) > 1:
            lines = [f"OUTPUT MISMATCH in {label}:"]
            for language, text in distinct.items():
                shown = text if len(text) < 600 else text[:600] + "..."
                lines.append(f"--- {language}:\n{shown}")
            self.fail("\n".join(lines))
        return distinct

    def fail(self, message):
        self.failures.append(message)
        print(f"\nFAILED: {message}\n", file=sys.stderr, flush=True)


def selected_workloads(args):
    if not args.only:
        return WORKLOADS
    wanted = set()
    for part in args.only.split(","):
        part = part.strip()
        if not part.isdigit() or not any(w.number == int(part) for w in WORKLOADS):
            raise BenchError(f"--only: no workload numbered '{part}'")
        wanted.add(int(part))
    return [w for w in WORKLOADS if w.number in wanted]


def sizes_text(sizes):
    return ", ".join(f"{name}={value}" for name, value in sizes.items())


def seconds_text(cell, timeout):
    if not cell.runs:
        return "-"
    if cell.timed_out:
        return f">{timeout:g}"
    return f"{cell.median:.3f}"


def ratio_value(wexlin, other, timeout):
    """wexlin's median time over the other's. When the other interpreter was
    stopped at the timeout, the ratio against the timeout is an upper bound.
    None when there is nothing to compare."""
    if not wexlin.runs or not other.runs or wexlin.timed_out:
        return None
    if other.timed_out:
        return wexlin.median / timeout
    return wexlin.median / other.median if other.median > 0 else None


def ratio_text(wexlin, other, timeout):
    ratio = ratio_value(wexlin, other, timeout)
    if ratio is None:
        return "-"
    return ("<" if other.timed_out else "") + f"{ratio:.2f}"


def check_only(bench, workloads, quick):
    """Runs every program once and compares the outputs; no timing."""
    for workload in workloads:
        sizes = workload.quick if quick else workload.full
        texts = {}
        for variant in VARIANTS:
            label = f"{workload.number} {workload.folder}/{variant}"
            before = len(bench.failures)
            cells = bench.measure(workload, variant, sizes, [lang for lang, _ in LANGUAGES], 1, label)
            timed_out = [language for language, cell in cells.items() if cell.timed_out]
            outputs = {lang: cell.runs[0].stdout for lang, cell in cells.items() if not cell.timed_out}
            if outputs:
                texts[variant] = next(iter(outputs.values()))
            if timed_out:
                bench.fail(f"{label}: {', '.join(timed_out)} timed out after {bench.args.timeout:g} s")
            if not outputs or not next(iter(outputs.values())).strip():
                bench.fail(f"{label}: printed nothing")
            status = "ok" if len(bench.failures) == before else "FAILED"
            summary = " | ".join(next(iter(outputs.values()), "").split("\n")).strip(" |") if outputs else ""
            print(f"{status:6} {label:26} {sizes_text(sizes):24} {summary}", flush=True)
        if len(texts) == 2 and texts["global"] != texts["local"]:
            bench.fail(f"{workload.number} {workload.folder}: the global and local variants print different outputs")


def main_table(bench, workloads, sizes_key, reps, report):
    timeout = bench.args.timeout
    header = f"{'#':>2}  {'workload':24} {'variant':7} {'wexlin':>8} {'python3':>8} {'lua5.4':>8} {'w/py':>6} {'w/lua':>6}"
    print("Median wall time in seconds (" + str(reps) + " runs each); w/py and w/lua are wexlin's time divided by theirs.")
    print(header)
    print("-" * len(header), flush=True)
    rows = []
    for workload in workloads:
        sizes = getattr(workload, sizes_key)
        variant_outputs = {}
        for variant in VARIANTS:
            label = f"{workload.number} {workload.folder}/{variant}"
            print(f"  running {label} ({sizes_text(sizes)})...", file=sys.stderr, flush=True)
            cells = bench.measure(workload, variant, sizes, [lang for lang, _ in LANGUAGES], reps, label)
            wex, py, lua = cells["wexlin"], cells["python3"], cells["lua5.4"]
            outputs = [c.runs[0].stdout for c in cells.values() if c.runs and not c.timed_out]
            if outputs:
                variant_outputs[variant] = outputs[0]
            title = workload.title if variant == "global" else ""
            print(f"{workload.number:>2}  {title:24} {variant:7} {seconds_text(wex, timeout):>8} "
                  f"{seconds_text(py, timeout):>8} {seconds_text(lua, timeout):>8} "
                  f"{ratio_text(wex, py, timeout):>6} {ratio_text(wex, lua, timeout):>6}", flush=True)
            row = {"workload": workload.number, "name": workload.folder, "variant": variant, "sizes": sizes}
            for language, cell in cells.items():
                row[language] = {
                    "median_seconds": cell.median if cell.runs and not cell.timed_out else None,
                    "timed_out": cell.timed_out,
                    "seconds": [run.seconds for run in cell.runs],
                }
            row["output"] = outputs[0] if outputs else None
            row["ratio_python3"] = ratio_value(wex, py, timeout)
            row["ratio_lua"] = ratio_value(wex, lua, timeout)
            rows.append(row)
        if len(variant_outputs) == 2 and variant_outputs["global"] != variant_outputs["local"]:
            bench.fail(f"{workload.number} {workload.folder}: the global and local variants print different outputs")
    if any(row[language]["timed_out"] for row in rows for language, _ in LANGUAGES):
        print(f"\n'>{timeout:g}': the run was stopped after --timeout {timeout:g} s; a ratio beside it is a "
              "bound. Its output was not compared (--check-only compares it at small sizes).")
    report["table"] = rows
    return rows


def scaling_checks(bench, workloads, reps, quick, report):
    chosen = [w for w in workloads if w.scaling]
    if not chosen:
        return []
    print()
    print(f"Scaling: wexlin at n and 10*n, median of {reps} runs; the time ratio must stay at or below "
          f"{SCALING_LIMIT:g}" + (" (quick sizes: too short to judge)" if quick else ""))
    header = f"{'#':>2}  {'workload':24} {'variant':7} {'n':>9} {'t(n)':>8} {'10*n':>9} {'t(10*n)':>8} {'ratio':>6}  verdict"
    print(header)
    print("-" * len(header), flush=True)
    verdicts = []
    rows = []
    for workload in chosen:
        param, full_n = workload.scaling
        small = dict(workload.quick if quick else workload.full)
        if not quick:
            small[param] = full_n
        large = dict(small)
        large[param] = small[param] * 10
        for variant in VARIANTS:
            label = f"{workload.number} {workload.folder}/{variant} scaling"
            print(f"  running {label} ({param}={small[param]} and {large[param]})...", file=sys.stderr, flush=True)
            # Both sizes are measured here, alternately, rather than taking the
            # large one from the table: measured minutes apart, a change in
            # the machine's load would show up as a change in the ratio.
            jobs = {size_name: ("wexlin", materialise(workload, variant, ".wx", sizes, bench.work_dir))
                    for size_name, sizes in (("small", small), ("large", large))}
            cells = bench.run_interleaved(jobs, reps)
            for size_name, cell in cells.items():
                bench.check_outputs(f"{label} ({size_name})", {"wexlin": cell})
            t_small, t_large = cells["small"], cells["large"]
            if t_small.timed_out or t_large.timed_out or not t_small.runs or not t_large.runs:
                ratio, verdict = None, "FAIL (timeout)"
            else:
                ratio = t_large.median / t_small.median if t_small.median > 0 else float("inf")
                verdict = "PASS" if ratio <= SCALING_LIMIT else "FAIL"
                if quick:
                    verdict = "(quick)"
            if not quick:
                verdicts.append(verdict)
            title = workload.title if variant == "global" else ""
            ratio_shown = f"{ratio:.2f}" if ratio is not None else "-"
            print(f"{workload.number:>2}  {title:24} {variant:7} {small[param]:>9} "
                  f"{seconds_text(t_small, bench.args.timeout):>8} {large[param]:>9} "
                  f"{seconds_text(t_large, bench.args.timeout):>8} {ratio_shown:>6}  {verdict}", flush=True)
            rows.append({"workload": workload.number, "variant": variant, "n": small[param], "ratio": ratio,
                         "verdict": verdict})
    report["scaling"] = rows
    return verdicts


def peak_memory_kb(bench, argv):
    """Peak resident memory of one run, in KiB, measured by GNU time. Its
    small process forks the program; measured from this Python process, the
    child's peak would include the pages it shared with its parent before
    exec."""
    report = bench.work_dir / "peak-rss.txt"
    result = run_once([GNU_TIME, "-f", "%M", "-o", str(report)] + argv, bench.work_dir, bench.args.timeout)
    if result.timed_out or result.status != 0:
        return None
    try:
        return int(report.read_text().strip().splitlines()[-1])
    except (OSError, ValueError, IndexError):
        return None


def memory_check(bench, workloads, sizes_key, quick, report):
    workload = next((w for w in workloads if w.number == 5), None)
    if workload is None:
        return []
    sizes = getattr(workload, sizes_key)
    print()
    if not os.access(GNU_TIME, os.X_OK):
        print(f"Peak resident memory: skipped, {GNU_TIME} is missing (Debian package time; "
              "'bash scripts/setup.sh' installs it)")
        return ["FAIL (not measured)"]
    print(f"Peak resident memory, workload 5 ({sizes_text(sizes)}), one run each under {GNU_TIME}; "
          "wexlin must not exceed lua5.4" + (" (quick sizes: not judged)" if quick else ""))
    header = f"{'variant':7} {'wexlin':>10} {'python3':>10} {'lua5.4':>10}  verdict"
    print(header)
    print("-" * len(header), flush=True)
    verdicts = []
    rows = []
    for variant in VARIANTS:
        kb = {}
        for language, extension in LANGUAGES:
            program = materialise(workload, variant, extension, sizes, bench.work_dir)
            kb[language] = peak_memory_kb(bench, bench.argv(language, program))
            if kb[language] is None:
                bench.fail(f"memory: {language} did not run {program.name} to its end")
        if kb["wexlin"] is None or kb["lua5.4"] is None:
            verdict = "FAIL (not measured)"
        else:
            verdict = "PASS" if kb["wexlin"] <= kb["lua5.4"] else "FAIL"
        if quick:
            verdict = "(quick)"
        else:
            verdicts.append(verdict)

        def shown(value):
            return f"{value / 1024:.1f} MiB" if value is not None else "-"

        print(f"{variant:7} {shown(kb['wexlin']):>10} {shown(kb['python3']):>10} {shown(kb['lua5.4']):>10}  {verdict}")
        rows.append({"variant": variant, "max_rss_kb": kb, "verdict": verdict})
    report["memory"] = rows
    return verdicts


def startup_check(bench, reps, report):
    print()
    print(f"Start-up: an empty script, median of {reps} runs; wexlin must stay at or below {STARTUP_LIMIT_MS:g} ms")
    programs = {}
    for language, extension in LANGUAGES:
        path = bench.work_dir / ("empty" + extension)
        path.write_text("", encoding="utf-8")
        programs[language] = path
    times = {language: [] for language in programs}
    for _ in range(reps):
        for language, program in programs.items():
            result = run_once(bench.argv(language, program), bench.work_dir, bench.args.timeout)
            failure = describe_failure(language, program, result)
            if failure or result.timed_out or result.stdout:
                bench.fail(failure or f"start-up: {language} misbehaved on an empty file")
            times[language].append(result.seconds * 1000)
    medians = {language: statistics.median(values) for language, values in times.items()}
    verdict = "PASS" if medians["wexlin"] <= STARTUP_LIMIT_MS else "FAIL"
    print(f"{'wexlin empty.wx':18} {medians['wexlin']:7.2f} ms  {verdict}")
    print(f"{'python3 empty.py':18} {medians['python3']:7.2f} ms")
    print(f"{'lua5.4 empty.lua':18} {medians['lua5.4']:7.2f} ms")
    report["startup_ms"] = medians
    return [verdict]


def targets_summary(rows, verdicts):
    print()
    print("Targets")

    def count(condition, selection):
        chosen = [r for r in rows if selection(r)]
        good = [r for r in chosen if condition(r)]
        missed = [f"{r['workload']}/{r['variant']}" for r in chosen if not condition(r)]
        return len(good), len(chosen), missed

    def line(text, condition, selection):
        good, total, missed = count(condition, selection)
        if total:
            tail = f"  (missed: {', '.join(missed)})" if missed else ""
            print(f"  {text:40} {good}/{total}{tail}")

    line("must: wexlin/python3 <= 1.0", lambda r: r["ratio_python3"] is not None and r["ratio_python3"] <= 1.0,
         lambda r: True)
    line("aim:  wexlin/lua5.4 <= 1.5 on 1-4", lambda r: r["ratio_lua"] is not None and r["ratio_lua"] <= 1.5,
         lambda r: r["workload"] <= 4)
    line("aim:  wexlin/lua5.4 <= 1.0 on 5-7", lambda r: r["ratio_lua"] is not None and r["ratio_lua"] <= 1.0,
         lambda r: 5 <= r["workload"] <= 7)
    judged = [v for v in verdicts if v in ("PASS", "FAIL") or v.startswith("FAIL")]
    passed = sum(1 for v in judged if v == "PASS")
    print(f"  {'must: scaling, memory and start-up checks':40} {passed}/{len(judged)} PASS")


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Wexlin benchmark suite beside python3 and lua5.4.")
    parser.add_argument("--reps", type=int, default=3, help="runs per program and interpreter; the median is shown")
    parser.add_argument("--quick", action="store_true", help="small sizes: a smoke test in seconds")
    parser.add_argument("--check-only", action="store_true",
                        help="run each program once and compare the outputs; no timing")
    parser.add_argument("--only", help="comma-separated workload numbers, e.g. 1,5,7")
    parser.add_argument("--timeout", type=float, default=30.0,
                        help="seconds after which one run is stopped (default 30)")
    parser.add_argument("--startup-reps", type=int, default=50, help="runs of each empty script (default 50)")
    parser.add_argument("--no-scaling", action="store_true", help="skip the scaling checks")
    parser.add_argument("--no-startup", action="store_true", help="skip the start-up measurement")
    parser.add_argument("--json", help="also write the results to this file")
    parser.add_argument("--wexlin", help="the wexlin binary (default: build/release/wexlin)")
    parser.add_argument("--python", default=DEFAULT_PYTHON,
                        help=f"the python interpreter (default: {DEFAULT_PYTHON})")
    parser.add_argument("--lua", default="lua5.4", help="the lua interpreter (default: lua5.4)")
    args = parser.parse_args(argv)
    if args.reps < 1 or args.startup_reps < 1 or args.timeout <= 0:
        parser.error("--reps and --startup-reps must be at least 1, --timeout above 0")
    return args


def main(argv):
    args = parse_args(argv)
    try:
        interpreters = resolve_interpreters(args)
        workloads = selected_workloads(args)
        with tempfile.TemporaryDirectory(prefix="wexlin-bench-") as temp:
            bench = Bench(args, interpreters, Path(temp))
            if args.check_only:
                check_only(bench, workloads, args.quick)
            else:
                run_all(bench, workloads, args)
    except BenchError as error:
        print(f"bench: {error}", file=sys.stderr)
        return 2
    if bench.failures:
        print(f"\n{len(bench.failures)} failure(s); see the FAILED messages above.", file=sys.stderr)
        return 1
    return 0


def run_all(bench, workloads, args):
    quick = args.quick
    interpreters = bench.interpreters
    print("Wexlin benchmark" + (" (quick sizes)" if quick else ""))
    print(f"  machine: {cpu_model()}, {os.cpu_count()} cores, {platform.system()} {platform.release()}")
    print(f"  wexlin:  {interpreters['wexlin']} ({version_of([interpreters['wexlin'], '-v'])})")
    print(f"  python3: {interpreters['python3']} ({version_of([interpreters['python3'], '--version'])})")
    print(f"  lua5.4:  {interpreters['lua5.4']} ({version_of([interpreters['lua5.4'], '-v'])})")
    print(flush=True)
    report = {"quick": quick, "reps": args.reps, "interpreters": interpreters}
    sizes_key = "quick" if quick else "full"
    started = time.perf_counter()
    rows = main_table(bench, workloads, sizes_key, args.reps, report)
    verdicts = []
    if not args.no_scaling:
        verdicts += scaling_checks(bench, workloads, args.reps, quick, report)
    verdicts += memory_check(bench, workloads, sizes_key, quick, report)
    if not args.no_startup:
        verdicts += startup_check(bench, args.startup_reps, report)
    if not quick:
        targets_summary(rows, verdicts)
    print(f"\nTotal benchmark time: {time.perf_counter() - started:.0f} s")
    if args.json:
        report["failures"] = bench.failures
        Path(args.json).write_text(json.dumps(report, indent=2) + "\n", encoding="utf-8")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
