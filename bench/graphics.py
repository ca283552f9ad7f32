#!/usr/bin/env python3
"""Times a graphics frame in wexlin beside its pygame twin on a private Xvfb.

Usage: bench/graphics.py [--wexlin PATH] [--sizes 1000,5000] [--frames 60] [--reps 3]
                         [--render-driver NAME]

The frame (graphics/frame.wx and graphics/frame.py) draws n filled 20x20
rectangles and n filled circles of radius 10, frame cap off. For every size
both programs run --reps times (the size and frame count rewritten on their
lines marked "@n" and "@frames"); the table shows the median frames per
second and wexlin's rate as a multiple of pygame's. The aim is at least 1.0
at every size; a size below it is reported as a FAIL line, which does not
change the exit status (1 only when a program failed).
"""
import argparse
import os
import re
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

BENCH_DIR = Path(__file__).resolve().parent
REPO_DIR = BENCH_DIR.parent
# Debian's interpreter, which has Debian's python3-pygame.
PYTHON = "/usr/bin/python3"
RUN_TIMEOUT = 300
SIZE_LINE = re.compile(r"^(?P<head>.*?)(?P<number>\d+)(?P<tail>\s*#\s*@(?P<name>\w+)\s*)$")


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x600x24", "-nolisten", "tcp",
         # The server would otherwise start afresh whenever its last client
         # leaves, refusing a program that connects meanwhile.
         "-noreset"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 20
    while not number.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], max(deadline - time.monotonic(), 0))
        chunk = os.read(read_end, 16) if ready else b""
        if not chunk:
            os.close(read_end)
            stop(server)
            raise RuntimeError("Xvfb did not report a display")
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(5)


def sized(source, sizes):
    lines = []
    for line in source.splitlines():
        match = SIZE_LINE.match(line)
        if match and match["name"] in sizes:
            line = match["head"] + str(sizes[match["name"]]) + match["tail"]
        lines.append(line)
    return "\n".join(lines) + "\n"


def run(command, folder, env):
    result = subprocess.run(command, cwd=folder, env=env, capture_output=True, text=True, timeout=RUN_TIMEOUT)
    if result.returncode != 0 or result.stderr.strip():
        raise RuntimeError(f"{command[0]} failed ({result.returncode}): {result.stderr.strip()}")
    return float(result.stdout.split()[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--wexlin", default=str(REPO_DIR / "build" / "release" / "wexlin"))
    parser.add_argument("--sizes", default="1000,5000")
    parser.add_argument("--frames", type=int, default=60)
    parser.add_argument("--reps", type=int, default=3)
    parser.add_argument("--render-driver", help="SDL's render driver for wexlin (SDL_RENDER_DRIVER), "
                        "for example software; wexlin's own choice when left out")
    args = parser.parse_args()
    sizes = [int(size) for size in args.sizes.split(",")]
    server, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display)
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("SDL_VIDEODRIVER", None)
    wexlin_env = dict(env)
    if args.render_driver:
        wexlin_env["SDL_RENDER_DRIVER"] = args.render_driver
    failed = False
    try:
        with tempfile.TemporaryDirectory(prefix="wexlin-bench-graphics-") as folder:
            print(f"{'n':>6} {'wexlin fps':>11} {'pygame fps':>11} {'ratio':>6}")
            for n in sizes:
                values = {"n": n, "frames": args.frames}
                for name in ("frame.wx", "frame.py"):
                    Path(folder, name).write_text(sized((BENCH_DIR / "graphics" / name).read_text(), values))
                try:
                    wexlin = statistics.median(
                        run([args.wexlin, "frame.wx"], folder, wexlin_env) for _ in range(args.reps))
                    pygame = statistics.median(run([PYTHON, "frame.py"], folder, env) for _ in range(args.reps))
                except (RuntimeError, subprocess.TimeoutExpired) as error:
                    print(f"{n:>6} {error}")
                    failed = True
                    continue
                ratio = wexlin / pygame
                print(f"{n:>6} {wexlin:>11.1f} {pygame:>11.1f} {ratio:>6.2f}")
                if ratio < 1.0:
                    print(f"FAIL n={n}: wexlin reaches {ratio:.2f} of pygame's frame rate (aim: 1.0)")
    finally:
        stop(server)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
