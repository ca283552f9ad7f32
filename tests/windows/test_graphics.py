#!/usr/bin/env python3
"""A graphics script of wexlin.exe under Wine on a private Xvfb: SDL2.dll,
cross-built from Debian's source, is opened beside wexlin.exe, draws into a
window whose pixels are read back with ImageMagick, and a key typed with
xdotool reaches the script. Xvfb and the script are stopped in bounded time.

Usage: test_graphics.py WINDOWS_BUILD_DIR"""
import os
import queue
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

import wine

STEP = 60  # Wine is slow to open its first window on a busy machine

SCRIPT = """use sdl2;
sdl2.create_window("wexlin-wine", 160, 120)
let pass = 0
while sdl2.is_window_open() {
    sdl2.set_draw_color(255, 0, 0)
    sdl2.fill_rect(0, 0, 160, 120)
    sdl2.set_draw_color(0, 0, 255)
    sdl2.fill_rect(20, 30, 10, 10)
    sdl2.render_present()
    pass += 1
    print(concat(pass, " ", sdl2.get_input_held("a")))
    if input("") == "quit" { break }
}
print("end")
"""


def start_xvfb():
    read_end, write_end = os.pipe()
    # No key repeat: a key held down by xdotool would otherwise repeat, and
    # Wine then loses the final release. No reset: the server would otherwise
    # start afresh whenever its last client leaves, refusing a program that
    # connects meanwhile.
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "320x240x24",
                               "-ardelay", "60000", "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
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
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(10)


def x_tool(env, *args):
    return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True, timeout=20).stdout.split()


def screenshot(env):
    """The whole screen as (width, height, rgb bytes)."""
    data = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], env=env, capture_output=True,
                          timeout=30, check=True).stdout
    return 320, 240, data


def blue_box(width, height, data):
    """The bounding box of the pure blue pixels and their count."""
    xs, ys, count = [], [], 0
    for i in range(width * height):
        if data[i * 3:i * 3 + 3] == b"\x00\x00\xff":
            xs.append(i % width)
            ys.append(i // width)
            count += 1
    if not count:
        return None, 0
    return (min(xs), min(ys), max(xs), max(ys)), count


def main():
    build_dir = sys.argv[1]
    if not os.path.exists(wine.exe(build_dir)):
        print("no wexlin.exe: skipped")
        return 77
    failures = []

    def check(condition, message):
        if not condition:
            failures.append(message)
            print("FAIL:", message, flush=True)

    prefix = "wine-prefix-graphics"
    wine.clone(build_dir, prefix)
    xvfb, display = start_xvfb()
    env = wine.environment(build_dir, prefix)
    env["DISPLAY"] = display
    folder = tempfile.mkdtemp(prefix="wexlin-wine-graphics-")
    with open(os.path.join(folder, "game.wx"), "w") as f:
        f.write(SCRIPT)
    process = subprocess.Popen(wine.command(build_dir, ["game.wx"], seconds=240), cwd=folder, env=env,
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    lines = queue.Queue()
    threading.Thread(target=lambda: [lines.put(l) for l in iter(process.stdout.readline, b"")],
                     daemon=True).start()

    def read_line():
        try:
            return lines.get(timeout=STEP).decode("utf-8", "replace").rstrip("\r\n")
        except queue.Empty:
            return None

    def send(text):
        process.stdin.write((text + "\n").encode())
        process.stdin.flush()

    try:
        check(read_line() == "1 false", "first pass")
        deadline = time.monotonic() + STEP
        windows = []
        while not windows and time.monotonic() < deadline:
            windows = x_tool(env, "search", "--name", "^wexlin-wine$")
            time.sleep(0.2)
        check(bool(windows), "a window named wexlin-wine")
        if windows:
            # The client area lies wherever Wine put the window; the 10 by 10
            # blue square must be there whole, with red around it. A busy
            # machine may show the window before its first frame.
            deadline = time.monotonic() + STEP
            while True:
                time.sleep(0.5)
                width, height, data = screenshot(env)
                box, count = blue_box(width, height, data)
                if count == 100 or time.monotonic() > deadline:
                    break
            check(count == 100 and box and box[2] - box[0] == 9 and box[3] - box[1] == 9,
                  f"blue square: box {box}, {count} pixels")
            if box:
                left, top = box[0] - 20, box[1] - 30  # the client area's corner
                for x, y in ((left, top), (left + 159, top + 119), (box[0] - 1, box[1]), (box[2] + 1, box[3])):
                    pixel = data[(y * width + x) * 3:(y * width + x) * 3 + 3] if 0 <= x < width and 0 <= y < height else b""
                    check(pixel == b"\xff\x00\x00", f"red at {x},{y}: {pixel!r}")
            x_tool(env, "windowfocus", "--sync", windows[0])
            time.sleep(0.5)
            x_tool(env, "keydown", "a")
            time.sleep(1)
            send("")
            line = read_line()
            check(line == "2 true", f"key a held after keydown: {line!r}")
            x_tool(env, "keyup", "a")
            time.sleep(1)
            send("")
            line = read_line()
            check(line == "3 false", f"key a released after keyup: {line!r}")
        send("quit")
        check(read_line() == "end", "the script ends on quit")
        try:
            process.wait(STEP)
        except subprocess.TimeoutExpired:
            pass
        check(process.returncode == 0, f"exit status {process.returncode}")
        err = process.stderr.read().decode("utf-8", "replace") if process.poll() is not None else ""
        check(err == "", f"standard error {err!r}")
    finally:
        stop(process)
        wine.stop(build_dir, prefix)
        stop(xvfb)
        shutil.rmtree(folder, ignore_errors=True)
    print(f"{len(failures)} failed checks")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
