#!/usr/bin/env python3
"""Runs graphics scripts against a real X server (Xvfb).

Usage: test_graphics.py WEXLIN

Each case writes a script into a fresh folder and runs wexlin on it with
DISPLAY pointing at a private Xvfb. Pixels are read back from the window with
ImageMagick's `import`, keys are typed with xdotool (XTEST), and the window's
close button is pressed by sending it the WM_DELETE_WINDOW message. Xvfb and
every script are stopped within bounded time whatever happens.
"""
import ctypes
import ctypes.util
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

WEXLIN = None
DISPLAY = None
XVFB = None
STEP_TIMEOUT = 20


def start_xvfb():
    """Starts Xvfb on a free display number, which it reports on a pipe.

    Without -noreset the server starts afresh whenever its last client leaves,
    and a script connecting meanwhile is refused: its window then never opens.
    """
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "640x480x24", "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + STEP_TIMEOUT
    while not number.endswith(b"\n"):
        remaining = deadline - time.monotonic()
        ready, _, _ = select.select([read_end], [], [], max(remaining, 0))
        chunk = os.read(read_end, 16) if ready else b""
        if not chunk:
            os.close(read_end)
            stop(server)
            raise RuntimeError("Xvfb did not report a display")
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


def stop(process, sig=signal.SIGTERM):
    if process.poll() is None:
        process.send_signal(sig)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(5)


def setUpModule():
    global XVFB, DISPLAY
    XVFB, DISPLAY = start_xvfb()


def tearDownModule():
    if XVFB:
        stop(XVFB)


def x_env():
    env = dict(os.environ)
    env["DISPLAY"] = DISPLAY
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("SDL_VIDEODRIVER", None)
    # In the sanitizer build: the X11, GL and D-Bus client libraries that SDL
    # loads keep a few allocations until exit, and SDL unloads some of them
    # before the leak check runs, so their stacks cannot even be named in a
    # suppression. Leak checking stays with the unit tests, which cover the
    # graphics state's ownership; every other sanitizer check stays on here.
    env["ASAN_OPTIONS"] = (env.get("ASAN_OPTIONS", "") + ":detect_leaks=0").lstrip(":")
    return env


class Script:
    """A wexlin script running in its own folder, talked to line by line.

    Its output pipes are unbuffered on this side, so that select() on them
    never misses a line already read into a buffer.
    """

    def __init__(self, source, env=None):
        self.folder = tempfile.mkdtemp(prefix="wexlin-graphics-")
        with open(os.path.join(self.folder, "game.wx"), "w") as f:
            f.write(source)
        self.process = subprocess.Popen([WEXLIN, "game.wx"], cwd=self.folder, env=env or x_env(),
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        bufsize=0)

    def read_line(self):
        ready, _, _ = select.select([self.process.stdout], [], [], STEP_TIMEOUT)
        if not ready:
            raise AssertionError("the script printed nothing in time")
        return self.process.stdout.readline().decode().rstrip("\n")

    def send(self, line):
        self.process.stdin.write((line + "\n").encode())
        self.process.stdin.flush()

    def finish(self):
        """Waits for the end; answers (exit status, rest of stdout, stderr)."""
        out, err = self.process.communicate(timeout=STEP_TIMEOUT)
        return self.process.returncode, out.decode(), err.decode()

    def close(self):
        stop(self.process, signal.SIGKILL)
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            stream.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def x_tool(*args):
    result = subprocess.run(["xdotool", *args], env=x_env(), capture_output=True, text=True, timeout=STEP_TIMEOUT)
    return result.stdout.split()


def find_windows(name):
    return x_tool("search", "--name", "^" + name + "$")


def wait_for_window(name, script):
    """The window's id, once the running script has made it."""
    deadline = time.monotonic() + STEP_TIMEOUT
    while time.monotonic() < deadline:
        found = find_windows(name)
        if found:
            return int(found[0])
        if script.process.poll() is not None:
            break
        time.sleep(0.1)
    # Say what the script was doing: ended (and why) or still running.
    status = script.process.poll()
    stop(script.process, signal.SIGKILL)
    err = script.process.stderr.read().decode(errors="replace")
    raise AssertionError(f"no window named {name}; script status {status}, stderr: {err!r}")


def screenshot(window, width, height):
    """The window's pixels as a function (x, y) -> (r, g, b)."""
    data = subprocess.run(["import", "-window", str(window), "-depth", "8", "rgb:-"], env=x_env(),
                          capture_output=True, timeout=STEP_TIMEOUT, check=True).stdout
    if len(data) != width * height * 3:
        raise AssertionError(f"screenshot of {len(data)} bytes for {width}x{height}")
    return lambda x, y: tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3])


def press_close_button(window):
    """Sends the window manager's close request, as a close button does."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]

    display = x11.XOpenDisplay(DISPLAY.encode())
    if not display:
        raise AssertionError("cannot open the display")
    event = Event()
    event.client.type = 33  # ClientMessage
    event.client.window = window
    event.client.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


WHITE, BLACK, RED, BLUE = (255, 255, 255), (0, 0, 0), (255, 0, 0), (0, 0, 255)
GREEN, DARK_GREEN, MAGENTA = (0, 255, 0), (0, 128, 0), (255, 0, 255)

DRAWING = """
use sdl2;
sdl2.create_window("wexlin-draw", 200, 150)
# Equal to the colour recorded before the window existed, so not sent again:
# the new renderer must already draw in it.
sdl2.set_draw_color(255, 255, 255)
sdl2.fill_rect(0, 0, 200, 150)
def scene() {
    sdl2.set_draw_color(255, 255, 255)
    sdl2.fill_rect(0, 0, 200, 150)
    sdl2.set_draw_color(255, 0, 0)
    sdl2.fill_rect(10, 10, 20, 10)
    sdl2.set_draw_color(0, 0, 255)
    sdl2.draw_rect(40, 10, 0, 0)
    sdl2.fill_circle(60, 60, 1)
    sdl2.draw_circle(60, 100, 10)
    sdl2.set_draw_color(0, 128, 0)
    sdl2.fill_polygon([[100, 10], [110, 10], [110, 20], [100, 20]])
    sdl2.draw_polygon([[100, 40], [120, 40]])
    sdl2.fill_triangle(130, 10, 150, 10, 140, 20)
    sdl2.draw_triangle(130, 40, 150, 40, 140, 50)
    sdl2.draw_point(5000000000, 0)
    sdl2.draw_line(0, 149, 199, 149)
    fill(rect(160, 60, 10, 10), color(255, 0, 255))
    draw(circle(180, 100, 5), color(0, 255, 0))
    fill(triangle(160, 120, 180, 120, 170, 130), color(0, 0, 255))
}
scene()
sdl2.render_present()
print(sdl2.get_window_width(), sdl2.get_window_height())
# Standard output is flushed when input is read: the harness sees the sizes
# and looks at the window while the script waits.
input("drawn")
while sdl2.is_window_open() {
    scene()
    sdl2.render_present()
}
print("closed")
"""

KEYS = """
use sdl2;
sdl2.create_window("wexlin-keys", 120, 90)
let pass = 0
while sdl2.is_window_open() {
    sdl2.clear_screen()
    sdl2.render_present()
    pass += 1
    print(concat(pass, " ", sdl2.get_input_pressed("a"), " ", sdl2.get_input_held("a"), " ",
                 sdl2.get_input_released("a"), " ", sdl2.get_input_held("space")))
    if input("") == "quit" { break }
}
print("end")
"""

BUILTINS = """
use sdl2;
window(160, 120)
window(800, 600)
sdl2.create_window("other", 800, 600)
print(window_width(), window_height(), is_open())
def scene() {
    clear()
    fill(rect(10, 10, 30, 20), color(0, 255, 0))
    draw(rect(50, 10, 10, 10), color(255, 0, 0))
    fill(circle(100, 60, 8), color(0, 0, 255))
    present()
}
scene()
input("ready")
while is_open() { scene() }
print("closed")
"""

FRAME_CAP = """
use sdl2;
sdl2.create_window("wexlin-fps", 80, 60)
print(sdl2.delta_time())
def average(frames) {
    let total = 0.0
    for i in 0..frames {
        sdl2.clear_screen()
        sdl2.render_present()
        total += sdl2.delta_time()
    }
    return total / frames
}
average(3)
print(average(20))
sdl2.set_max_fps(30)
average(3)
print(average(30))
"""

# Many filled shapes in a few colours, overlapping one another and the
# window's edges: rectangles narrower and wider than 16 pixels, circles of
# every radius from 0 to 25, colours set again to the same value, shapes of
# the module and of the builtins. Every pixel is compared with the model
# below, so any change in what the fills draw, or in the order in which the
# colours reach the window, fails.
FILLS = """
use sdl2;
sdl2.create_window("wexlin-fills", 300, 200)
def scene() {
    sdl2.clear_screen()
    sdl2.set_draw_color(200, 60, 60)
    for i in 0..60 { sdl2.fill_rect((i * 37) % 290 - 5, (i * 53) % 190 - 5, 20, 20) }
    sdl2.set_draw_color(60, 60, 200)
    for r in 0..26 { sdl2.fill_circle((r * 23) % 300, 10 + (r * 31) % 190, r) }
    sdl2.fill_rect(-5, 190, 600, 4)
    sdl2.fill_rect(3, 150, 16, 3)
    sdl2.fill_rect(30, 150, 15, 3)
    sdl2.fill_rect(50, 150, 299, 2)
    sdl2.fill_rect(60, 160, 31, 1)
    sdl2.set_draw_color(60, 200, 60)
    sdl2.draw_point(1, 1)
    sdl2.draw_line(0, 199, 299, 199)
    for i in 0..8 { sdl2.fill_circle((i * 71) % 300, (i * 43) % 200, 7 + i) }
    sdl2.fill_rect(100, 100, 40, 30)
    sdl2.set_draw_color(60, 200, 60)
    sdl2.fill_circle(120, 115, 12)
    sdl2.set_draw_color(200, 60, 60)
    sdl2.fill_circle(120, 115, 5)
    fill(circle(250, 50, 18), color(250, 250, 0))
    fill(rect(240, 45, 30, 3), color(0, 250, 250))
    fill(circle(250, 50, 3), color(0, 250, 250))
}
scene()
sdl2.render_present()
input("drawn")
while sdl2.is_window_open() {
    scene()
    sdl2.render_present()
}
"""


def model_fills(width, height):
    """What FILLS draws, from the drawing rules themselves: the midpoint loop's
    four runs per step for a filled circle, rectangles and runs cut to the
    window."""
    pixels = [[BLACK] * width for _ in range(height)]
    colour = [BLACK]

    def run(x1, x2, y):
        if 0 <= y < height:
            for x in range(max(x1, 0), min(x2, width - 1) + 1):
                pixels[y][x] = colour[0]

    def fill_rect(x, y, w, h):
        for row in range(y, y + h):
            run(x, x + w - 1, row)

    def fill_circle(cx, cy, r):
        if r <= 0:
            return
        x, y, err = r, 0, 0
        while x >= y:
            run(cx - x, cx + x, cy + y)
            run(cx - y, cx + y, cy + x)
            run(cx - x, cx + x, cy - y)
            run(cx - y, cx + y, cy - x)
            y += 1
            err += 1 + 2 * y
            if 2 * (err - x) + 1 > 0:
                x -= 1
                err += 1 - 2 * x

    colour[0] = (200, 60, 60)
    for i in range(60):
        fill_rect((i * 37) % 290 - 5, (i * 53) % 190 - 5, 20, 20)
    colour[0] = (60, 60, 200)
    for r in range(26):
        fill_circle((r * 23) % 300, 10 + (r * 31) % 190, r)
    fill_rect(-5, 190, 600, 4)
    fill_rect(3, 150, 16, 3)
    fill_rect(30, 150, 15, 3)
    fill_rect(50, 150, 299, 2)
    fill_rect(60, 160, 31, 1)
    colour[0] = (60, 200, 60)
    run(1, 1, 1)
    run(0, 299, 199)
    for i in range(8):
        fill_circle((i * 71) % 300, (i * 43) % 200, 7 + i)
    fill_rect(100, 100, 40, 30)
    fill_circle(120, 115, 12)
    colour[0] = (200, 60, 60)
    fill_circle(120, 115, 5)
    colour[0] = (250, 250, 0)
    fill_circle(250, 50, 18)
    colour[0] = (0, 250, 250)
    fill_rect(240, 45, 30, 3)
    fill_circle(250, 50, 3)
    return pixels


# A script that shows a few frames (which also sends the window's requests to
# the X server) and then never presents again: only a signal can stop it.
BUSY = """
use sdl2;
sdl2.create_window("wexlin-busy", 80, 60)
for i in 0..5 { sdl2.render_present() }
while sdl2.is_window_open() { sdl2.fill_rect(0, 0, 10, 10) }
"""

# The same line drawn whole inside the window (by SDL itself) and moved so
# that it leaves the window (cut to the window first); and a line whose end
# points are two thousand million pixels apart.
CLIPPED_LINES = """
use sdl2;
sdl2.create_window("wexlin-lines", 300, 200)
sdl2.clear_screen()
sdl2.set_draw_color(255, 255, 255)
def lines(dx, dy) {
    sdl2.draw_line(10 + dx, 5 + dy, 290 + dx, 90 + dy)
    sdl2.draw_line(20 + dx, 90 + dy, 23 + dx, 10 + dy)
    sdl2.draw_line(280 + dx, 10 + dy, 30 + dx, 13 + dy)
    sdl2.draw_rect(40 + dx, 20 + dy, 200, 60)
}
lines(0, 0)
lines(0 - 150, 110)
sdl2.draw_line(0 - 1000000000, 0 - 999999999, 1000000000, 1000000001)
sdl2.draw_line(0 - 2147483648, 199, 2147483647, 199)
sdl2.render_present()
input("drawn")
"""

MOUSE_AND_TEXT = """
use sdl2;
print(sdl2.get_mouse_x(), sdl2.get_mouse_y())
sdl2.create_window("wexlin-mouse", 160, 120)
while sdl2.is_window_open() {
    sdl2.clear_screen()
    sdl2.set_draw_color(255, 255, 255)
    sdl2.draw_text("A", 10, 10, 2)
    sdl2.draw_text("A", 100, 0 - 4)
    sdl2.render_present()
    print(concat(sdl2.get_mouse_x(), " ", sdl2.get_mouse_y(), " ", sdl2.get_input_pressed("mouse_left"), " ",
                 sdl2.get_input_held("mouse_left"), " ", sdl2.get_input_released("mouse_left"), " ",
                 sdl2.get_input_held("mouse_right")))
    if input("") == "quit" { break }
}
"""

# The glyph of "A": columns 1 to 5 of its 8x8 cell.
GLYPH_A = [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#", "....."]

NO_DISPLAY = """
use sdl2;
print(sdl2.create_window("nowhere", 100, 100))
print(sdl2.is_window_open())
print(sdl2.get_window_width())
window(100, 100)
print(is_open(), window_width())
print(sdl2.fill_circle(50, 50, 10), sdl2.render_present())
while sdl2.is_window_open() { sdl2.render_present() }
print("done")
"""


class Graphics(unittest.TestCase):
    def run_script(self, source, env=None):
        script = Script(source, env)
        self.addCleanup(script.close)
        return script

    def test_drawing_reaches_the_window(self):
        script = self.run_script(DRAWING)
        self.assertEqual([script.read_line() for _ in range(2)], ["200", "150"])
        window = wait_for_window("wexlin-draw", script)
        time.sleep(0.5)
        pixel = screenshot(window, 200, 150)
        expected = {
            (5, 5): WHITE,
            (10, 10): RED, (29, 19): RED, (30, 15): WHITE, (15, 20): WHITE,
            (40, 10): BLUE, (41, 10): WHITE, (40, 11): WHITE,
            # Filled circle of radius 1: a plus sign.
            (59, 60): BLUE, (60, 60): BLUE, (61, 60): BLUE, (60, 59): BLUE, (60, 61): BLUE, (59, 59): WHITE,
            # Circle outline: the rim, not the centre.
            (70, 100): BLUE, (50, 100): BLUE, (60, 90): BLUE, (60, 110): BLUE, (60, 100): WHITE,
            # Square polygon: rows 10 to 19, columns 100 to 110.
            (100, 10): DARK_GREEN, (110, 19): DARK_GREEN, (111, 15): WHITE, (105, 20): WHITE,
            (100, 40): DARK_GREEN, (120, 40): DARK_GREEN, (110, 41): WHITE,
            (130, 10): DARK_GREEN, (150, 10): DARK_GREEN, (140, 15): DARK_GREEN, (140, 20): DARK_GREEN,
            (130, 15): WHITE, (140, 21): WHITE,
            (130, 40): DARK_GREEN, (140, 50): DARK_GREEN, (140, 45): WHITE,
            (0, 0): WHITE,
            (0, 149): DARK_GREEN, (199, 149): DARK_GREEN, (100, 148): WHITE,
            (160, 60): MAGENTA, (169, 69): MAGENTA, (170, 70): WHITE,
            (185, 100): GREEN, (180, 100): WHITE,
            (170, 125): BLUE, (170, 131): WHITE,
        }
        wrong = {spot: pixel(*spot) for spot, colour in expected.items() if pixel(*spot) != colour}
        self.assertEqual(wrong, {})
        script.send("")
        time.sleep(0.3)
        press_close_button(window)
        status, out, err = script.finish()
        self.assertEqual((status, out, err), (0, "drawnclosed\n", ""))

    def test_fills_match_their_model_pixel_for_pixel(self):
        expected = model_fills(300, 200)
        # SDL's first choice, and the two renderers it may choose between
        # here, each drawing the same pixels.
        for driver in (None, "software", "opengl"):
            with self.subTest(driver=driver):
                env = x_env()
                if driver:
                    env["SDL_RENDER_DRIVER"] = driver
                # Each script ends before the next starts, so that only one
                # window of that name exists at a time.
                script = Script(FILLS, env)
                try:
                    window = wait_for_window("wexlin-fills", script)
                    time.sleep(0.5)
                    pixel = screenshot(window, 300, 200)
                    script.send("")
                    time.sleep(0.2)
                    press_close_button(window)
                    ended = script.finish()
                finally:
                    script.close()
                wrong = [((x, y), pixel(x, y), expected[y][x]) for y in range(200) for x in range(300)
                         if pixel(x, y) != expected[y][x]]
                self.assertEqual(len(wrong), 0, wrong[:10])
                self.assertEqual(ended, (0, "drawn", ""))

    def test_keys_reach_the_passes(self):
        script = self.run_script(KEYS)
        self.assertEqual(script.read_line(), "1 false false false false")
        window = wait_for_window("wexlin-keys", script)
        x_tool("windowfocus", "--sync", str(window))

        def next_pass(*action):
            if action:
                x_tool(*action)
            time.sleep(0.3)
            script.send("")
            return script.read_line()

        # pressed, held, released of "a", then held of "space"
        self.assertEqual(next_pass(), "2 false false false false")
        self.assertEqual(next_pass("keydown", "a"), "3 true true false false")
        self.assertEqual(next_pass(), "4 false true false false")
        self.assertEqual(next_pass(), "5 false true false false")
        self.assertEqual(next_pass("keyup", "a"), "6 false false true false")
        self.assertEqual(next_pass(), "7 false false false false")
        # Down and up between two frame ends: pressed and released, not held.
        self.assertEqual(next_pass("key", "a"), "8 true false true false")
        self.assertEqual(next_pass("keydown", "space"), "9 false false false true")
        self.assertEqual(next_pass("keyup", "space"), "10 false false false false")
        script.send("quit")
        status, out, err = script.finish()
        self.assertEqual((status, out, err), (0, "end\n", ""))

    def test_builtins_share_the_one_window(self):
        script = self.run_script(BUILTINS)
        self.assertEqual([script.read_line() for _ in range(3)], ["160", "120", "true"])
        window = wait_for_window("Wexlin", script)
        self.assertEqual(find_windows("other"), [])
        time.sleep(0.5)
        pixel = screenshot(window, 160, 120)
        expected = {(10, 10): GREEN, (39, 29): GREEN, (40, 15): BLACK, (50, 10): RED, (59, 19): RED,
                    (55, 15): BLACK, (100, 60): BLUE, (108, 60): BLUE, (109, 60): BLACK}
        wrong = {spot: pixel(*spot) for spot, colour in expected.items() if pixel(*spot) != colour}
        self.assertEqual(wrong, {})
        script.send("")
        time.sleep(0.3)
        press_close_button(window)
        status, out, err = script.finish()
        self.assertEqual((status, out, err), (0, "readyclosed\n", ""))

    def test_signals_stop_a_script_with_a_window(self):
        for sig in (signal.SIGINT, signal.SIGTERM):
            script = self.run_script(BUSY)
            wait_for_window("wexlin-busy", script)
            script.process.send_signal(sig)
            status, _, err = script.finish()
            self.assertEqual((status, err), (-sig, ""))

    def test_lines_leaving_the_window_keep_their_pixels(self):
        started = time.monotonic()
        script = self.run_script(CLIPPED_LINES)
        window = wait_for_window("wexlin-lines", script)
        time.sleep(0.5)
        pixel = screenshot(window, 300, 200)
        self.assertLess(time.monotonic() - started, STEP_TIMEOUT)
        # Rows 110 to 199 hold the lower copy, moved by (-150, 110).
        lit = 0
        for y in range(110, 199):
            for x in range(0, 300):
                if y == x + 1:
                    continue
                whole = x + 150 < 300 and pixel(x + 150, y - 110) == WHITE
                lit += whole
                self.assertEqual(pixel(x, y) == WHITE, whole, (x, y))
        self.assertGreater(lit, 200)
        # The far lines: y = x + 1 across the window, and the bottom row.
        self.assertEqual([pixel(x, x + 1) for x in (0, 50, 100)], [WHITE] * 3)
        self.assertEqual([pixel(x, 199) for x in (0, 150, 299)], [WHITE] * 3)
        script.send("")
        status, out, err = script.finish()
        self.assertEqual((status, out, err), (0, "drawn", ""))

    def test_mouse_and_text(self):
        script = self.run_script(MOUSE_AND_TEXT)
        self.assertEqual([script.read_line() for _ in range(2)], ["null", "null"])
        window = wait_for_window("wexlin-mouse", script)
        first = script.read_line()
        time.sleep(0.3)
        pixel = screenshot(window, 160, 120)
        # "A" at scale 2 from (10, 10): each glyph pixel a 2x2 block.
        for row, bits in enumerate(GLYPH_A):
            for column, bit in enumerate(bits):
                for dx, dy in ((0, 0), (1, 1)):
                    spot = (10 + 2 * (column + 1) + dx, 10 + 2 * row + dy)
                    self.assertEqual(pixel(*spot), WHITE if bit == "#" else BLACK, (spot, first))
        # Cut at the top: glyph rows 4 to 7 are window rows 0 to 3.
        self.assertEqual([pixel(101, y) for y in range(4)], [WHITE, WHITE, WHITE, BLACK])
        self.assertEqual(pixel(102, 0), BLACK)

        def next_pass(*action):
            if action:
                x_tool(*action)
            time.sleep(0.3)
            script.send("")
            return script.read_line()

        next_pass("mousemove", "--window", str(window), "50", "60")
        self.assertEqual(next_pass(), "50 60 false false false false")
        self.assertEqual(next_pass("mousedown", "1"), "50 60 true true false false")
        self.assertEqual(next_pass("mousemove", "--window", str(window), "70", "20"),
                         "70 20 false true false false")
        self.assertEqual(next_pass("mouseup", "1"), "70 20 false false true false")
        self.assertEqual(next_pass("mousedown", "3"), "70 20 false false false true")
        self.assertEqual(next_pass("mouseup", "3"), "70 20 false false false false")
        script.send("quit")
        status, out, err = script.finish()
        self.assertEqual((status, err), (0, ""))

    def test_pong_shows_the_score_and_follows_the_mouse(self):
        examples = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "examples")
        with open(os.path.join(examples, "pong.wx")) as f:
            script = self.run_script(f.read())
        window = wait_for_window("Wexlin Pong", script)
        time.sleep(0.5)
        x_tool("mousemove", "--window", str(window), "300", "100")
        time.sleep(0.5)
        pixel = screenshot(window, 640, 480)
        blue = (80, 190, 255)
        # The paddle's centre went to the pointer's row; the player's score
        # "0" is drawn at scale 4 from (144, 16): its top bar starts at 152.
        self.assertEqual((pixel(29, 100), pixel(29, 150)), (blue, BLACK))
        self.assertEqual((pixel(152, 16), pixel(163, 19), pixel(148, 16)), (blue, blue, BLACK))
        script.process.send_signal(signal.SIGTERM)
        status, _, err = script.finish()
        self.assertEqual((status, err), (-signal.SIGTERM, ""))

    def test_frame_cap_sets_delta_time(self):
        script = self.run_script(FRAME_CAP)
        status, out, err = script.finish()
        self.assertEqual((status, err), (0, ""))
        first, free, capped = (float(line) for line in out.split())
        self.assertEqual(first, 0.0)
        self.assertLess(free, 0.02)
        self.assertGreater(capped, 0.028)
        self.assertLess(capped, 0.045)

    def test_without_a_display_nothing_opens(self):
        env = x_env()
        env.pop("DISPLAY")
        # Quiets the Wayland client library's complaint about a missing folder.
        env["XDG_RUNTIME_DIR"] = tempfile.gettempdir()
        script = self.run_script(NO_DISPLAY, env)
        status, out, err = script.finish()
        self.assertEqual((status, out, err), (0, "1\nfalse\nnull\nfalse\nnull\nnull\nnull\ndone\n", ""))


if __name__ == "__main__":
    WEXLIN = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
