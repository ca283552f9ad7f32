#!/usr/bin/env python3
"""Runs one golden script against the built wexlin and compares its output.

A case is tests/golden/<feature>/<name>.wx with optional sidecar files:
  <name>.stdout   expected standard output (absent: empty)
  <name>.stderr   expected standard error, colour escapes included (absent: empty)
  <name>.status   expected exit status (absent: 0)
  <name>.args     command-line arguments, one per line; {script} stands for the
                  script's file name (absent: just the script)
  <name>.stdin    standard input, taken byte for byte (absent: empty)
  <name>.merged   (empty) standard error goes into the pipe of standard output,
                  as with "> log 2>&1"; <name>.stdout then holds both streams in
                  the order in which they were written
  <name>.fixture/ a folder whose contents are copied next to the script

The script runs in a fresh temporary directory.

    run_golden.py WEXLIN CASE
    run_golden.py --windows BUILD_DIR CASE

The second form runs the Windows build's wexlin.exe under Wine (through
tests/windows/wexlin-under-wine.sh): line ends are normalised, and a sidecar
<name>.windows.<kind> replaces <name>.<kind> where Windows words a system
message its own way. With WEXLIN_GOLDEN_UPDATE=1 the
sidecars are rewritten from the actual output instead (review them by hand).
"""
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile


def visible(text):
    return text.replace("\x1b", "\\e").replace("\r", "\\r")


# Stage timings change from run to run; their shape (three decimals) is kept.
TIMING = re.compile(r"\d+\.\d{3}ms")


def normalize(text):
    return TIMING.sub("N.NNNms", text)


def read_bytes(path):
    if os.path.exists(path):
        with open(path, "rb") as f:
            return f.read()
    return b""


def read(path, default=""):
    if os.path.exists(path):
        with open(path, "rb") as f:
            return f.read().decode("utf-8", errors="replace")
    return default


def main():
    windows = sys.argv[1] == "--windows"
    if windows:
        wrapper = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "windows",
                               "wexlin-under-wine.sh")
        command = [wrapper, os.path.abspath(sys.argv[2])]
        if not os.path.exists(os.path.join(sys.argv[2], "wexlin.exe")):
            print(f"no wexlin.exe in {sys.argv[2]}: build the Windows version first")
            return 77
        case = os.path.abspath(sys.argv[3])
    else:
        command = [os.path.abspath(sys.argv[1])]
        case = os.path.abspath(sys.argv[2])
    base = case[: -len(".wx")]
    name = os.path.basename(case)
    # CON, NUL and the like name devices on Windows, whatever the extension:
    # such a case runs there under a name of its own.
    if windows and re.fullmatch(r"(con|prn|aux|nul|com\d|lpt\d)", name[: -len(".wx")], re.I):
        name = "case-" + name
    with tempfile.TemporaryDirectory(prefix="wexlin-golden-") as work:
        shutil.copy(case, os.path.join(work, name))
        if os.path.isdir(base + ".fixture"):
            shutil.copytree(base + ".fixture", work, dirs_exist_ok=True)
        args = [name]
        if os.path.exists(base + ".args"):
            args = [a.replace("{script}", name) for a in read(base + ".args").splitlines()]
        stdin = read_bytes(base + ".stdin")
        merged = os.path.exists(base + ".merged")
        env = dict(os.environ)
        env.pop("NO_COLOR", None)
        try:
            proc = subprocess.run(command + args, cwd=work, input=stdin, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT if merged else subprocess.PIPE,
                                  timeout=120, env=env)
        except subprocess.TimeoutExpired:
            print(f"{name}: timed out")
            return 1
    actual = {
        "stdout": proc.stdout.decode("utf-8", errors="replace"),
        "stderr": "" if merged else proc.stderr.decode("utf-8", errors="replace"),
        "status": str(proc.returncode) + "\n",
    }
    if windows:
        for key in ("stdout", "stderr"):
            actual[key] = actual[key].replace("\r\n", "\n")
    if os.environ.get("WEXLIN_GOLDEN_UPDATE") == "1" and not windows:
        for key, text in actual.items():
            path = f"{base}.{key}"
            if key == "status" and text == "0\n" or key != "status" and text == "":
                if os.path.exists(path):
                    os.remove(path)
                continue
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(text)
        return 0
    def sidecar(kind):
        if windows and os.path.exists(f"{base}.windows.{kind}"):
            return f"{base}.windows.{kind}"
        return f"{base}.{kind}"

    expected = {
        "stdout": read(sidecar("stdout")),
        "stderr": read(sidecar("stderr")),
        "status": read(sidecar("status"), "0\n"),
    }
    failed = False
    for key in ("stdout", "stderr", "status"):
        actual[key], expected[key] = normalize(actual[key]), normalize(expected[key])
        if actual[key] != expected[key]:
            failed = True
            print(f"--- {name}: {key} differs (escape shown as \\e) ---")
            diff = difflib.unified_diff(visible(expected[key]).splitlines(keepends=True),
                                        visible(actual[key]).splitlines(keepends=True),
                                        "expected", "actual")
            sys.stdout.write("".join(diff))
            print()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
