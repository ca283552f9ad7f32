#!/usr/bin/env python3
"""files.start of wexlin.exe under Wine with Windows programs: exit codes of
cmd.exe, an argument with blanks and quotes reaching the child as one piece
(Windows quoting), output redirected by the child, and a missing program.
The golden case files/start uses POSIX tools and stays with Linux.

Usage: test_process.py WINDOWS_BUILD_DIR"""
import os
import shutil
import subprocess
import sys
import tempfile

import wine

SCRIPT = r'''use files;
print(files.start("cmd", "/c", "exit 3"));
print(files.start("cmd", ["/c", "exit 0"]));
print(files.start("cmd", "/c", "echo [one two]>out.txt"));
print(files.read("out.txt"));
# wexlin.exe itself as the child: a script name with blanks is one argument
print(files.start("./wexlin.exe", "child script.wx"));
print(files.read("child.txt"));
let missing = files.start("no-such-program-wexlin");
'''


def main():
    build_dir = sys.argv[1]
    if not os.path.exists(wine.exe(build_dir)):
        print("no wexlin.exe: skipped")
        return 77
    folder = tempfile.mkdtemp(prefix="wexlin-wine-process-")
    try:
        with open(os.path.join(folder, "main.wx"), "w") as f:
            f.write(SCRIPT)
        with open(os.path.join(folder, "child script.wx"), "w") as f:
            f.write('use files;\nfiles.write("child.txt", "child ran");\n')
        shutil.copy(wine.exe(build_dir), folder)
        env = wine.environment(build_dir)
        proc = subprocess.run(wine.command(build_dir, ["main.wx"]), cwd=folder, env=env,
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=90)
        out = proc.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
        err = proc.stderr.decode("utf-8", "replace").replace("\r\n", "\n")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    # cmd's echo ends its line with CR LF, which print passes on.
    expected_out = "3\n0\n0\n[one two]\r\n\n0\nchild ran\n"
    failures = []
    if out != expected_out:
        failures.append(f"stdout {out!r}, expected {expected_out!r}")
    if "Failed to start 'no-such-program-wexlin': " not in err:
        failures.append(f"stderr {err!r}")
    if proc.returncode != 0:
        failures.append(f"exit status {proc.returncode}")
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(failures)} failed checks")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
