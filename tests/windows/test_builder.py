#!/usr/bin/env python3
"""A Windows program built on Linux, offline: the Linux wexlin, with the
Windows build's runtime archive shipped in runtimes/ beside it and nothing
answering at the runtime address, builds game.wx for win-x86_64 with
--terminal false and --icon; the result has the GUI subsystem (byte 2),
SDL2.dll beside it, and under Wine runs its script and ignores its
arguments. Every process is stopped within bounded time.

Usage: test_builder.py LINUX_WEXLIN WINDOWS_BUILD_DIR"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

import wine

VERSION = "1.1.3"


def main():
    wexlin, build_dir = os.path.abspath(sys.argv[1]), sys.argv[2]
    archive = os.path.join(build_dir, "runtimes", f"wexlin-{VERSION}-windows-portable.tar.gz")
    if not os.path.exists(wine.exe(build_dir)) or not os.path.exists(archive):
        print("no Windows build: skipped")
        return 77
    failures = []

    def check(condition, message):
        if not condition:
            failures.append(message)
            print("FAIL:", message, flush=True)

    work = tempfile.mkdtemp(prefix="wexlin-wine-builder-")
    shipped = os.path.join(work, "bin", "runtimes")
    os.makedirs(shipped)
    shutil.copy(archive, shipped)
    wexlin = shutil.copy2(wexlin, os.path.join(work, "bin", "wexlin"))
    project = os.path.join(work, "project")
    os.makedirs(project)
    try:
        with open(os.path.join(project, "game.wx"), "w") as f:
            f.write('print("game ran")\nprint(upper("ok"))\n')
        subprocess.run(["convert", "-size", "32x32", "xc:red", os.path.join(project, "icon.png")], check=True,
                       timeout=60)
        env = wine.environment(build_dir)
        # Nothing listens there: a download would fail the build.
        env["WEXLIN_RUNTIME_URL"] = "http://127.0.0.1:9"
        built = subprocess.run([wexlin, "build", "game.wx", "--target", "win-x86_64", "--terminal", "false",
                                "--icon", "icon.png"], cwd=project, env=env, stdin=subprocess.DEVNULL,
                               capture_output=True, timeout=240)
        out = built.stdout.decode("utf-8", "replace")
        check(built.returncode == 0, f"build status {built.returncode}: {out} {built.stderr!r}")
        check("Location: .wexlin/build/game.exe" in out, f"build output {out!r}")
        check("Using runtime archive " + os.path.join(shipped, os.path.basename(archive)) in out and
              "Downloading" not in out, f"taken from the shipped archive: {out!r}")
        output = os.path.join(project, ".wexlin", "build")
        game = os.path.join(output, "game.exe")
        if os.path.exists(game):
            with open(game, "rb") as f:
                data = f.read()
            header = struct.unpack_from("<I", data, 0x3C)[0]
            check(data[header + 92] == 2, f"subsystem byte {data[header + 92]}")
            check(os.path.exists(os.path.join(output, "SDL2.dll")), "SDL2.dll beside game.exe")
            # The icon is embedded when rcedit is there, copied beside otherwise.
            check(os.path.exists(os.path.join(output, "game.ico")) or "Icon embedded" in out, "icon handled")
            ran = subprocess.run(["timeout", "-k", "5", "60", "wine", game, "--help", "other.wx"], cwd=output,
                                 env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=90)
            text = ran.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
            check((ran.returncode, text) == (0, "game ran\nOK\n"), f"game.exe gave {ran.returncode} {text!r}")
        else:
            check(False, "no game.exe")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{len(failures)} failed checks")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
