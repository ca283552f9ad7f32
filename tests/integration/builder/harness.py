"""Shared pieces of the build command's integration tests: a runtime server on
loopback, throw-away projects, a PATH holding only chosen tools, and the
console texts the builder prints."""

import contextlib
import ctypes
import io
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tarfile
import tempfile
import time
import traceback

BUILT_WEXLIN = os.path.abspath(sys.argv[1])
RUNTIME_ARCHIVE = os.path.abspath(sys.argv[2])

ESC = "\x1b"
YELLOW, GREEN, RED, RESET = ESC + "[33m", ESC + "[32m", ESC + "[31m", ESC + "[0m"
MARKER = b"WEXLIN_SCRIPT"

# Real programs come from the system folders only, never from wrappers that
# may stand earlier on this machine's PATH.
SYSTEM_PATH = "/usr/bin:/bin:/usr/sbin:/sbin"
BASE_TOOLS = ("curl", "tar", "gzip", "chmod")

_scratch = tempfile.mkdtemp(prefix="wexlin-builder-it-")


def install_copy(folder):
    """A copy of the built wexlin at folder/wexlin. The builder takes runtime
    archives shipped beside its own executable before any download, and the
    build tree holds them; a copy in a folder of the test's own decides what
    is beside it."""
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "wexlin")
    shutil.copy2(BUILT_WEXLIN, path)
    return path


WEXLIN = install_copy(os.path.join(_scratch, "bin"))


def scratch_dir(name):
    path = tempfile.mkdtemp(prefix=name + "-", dir=_scratch)
    return path


def _die_with_parent():
    # A server must not outlive a test that is killed on a timeout.
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)


class RuntimeServer:
    """python3 -m http.server on a free loopback port, serving root."""

    def __init__(self, root):
        self.root = root
        self.log_path = os.path.join(scratch_dir("server-log"), "requests.log")
        self.proc = None
        self.url = None

    def __enter__(self):
        for _ in range(10):
            with socket.socket() as probe:
                probe.bind(("127.0.0.1", 0))
                port = probe.getsockname()[1]
            log = open(self.log_path, "ab")
            self.proc = subprocess.Popen(
                [sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1", "--directory", self.root],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, preexec_fn=_die_with_parent)
            log.close()
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and self.proc.poll() is None:
                try:
                    with socket.create_connection(("127.0.0.1", port), timeout=1):
                        self.url = "http://127.0.0.1:%d" % port
                        return self
                except OSError:
                    time.sleep(0.05)
            self._stop()
        raise RuntimeError("the runtime server did not start")

    def __exit__(self, *exc):
        self._stop()

    def _stop(self):
        if self.proc is None:
            return
        self.proc.terminate()
        try:
            self.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait(timeout=5)
        self.proc = None

    def requests(self):
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return re.findall(r'"GET ([^ ]+) HTTP', f.read())


def tools_dir(names=BASE_TOOLS, fakes=None):
    """A folder to use as the whole PATH: symlinks to the named real programs
    and small scripts standing in for others (name -> script text)."""
    folder = scratch_dir("tools")
    for name in names:
        real = shutil.which(name, path=SYSTEM_PATH)
        if real is None:
            raise RuntimeError("missing tool: " + name)
        os.symlink(real, os.path.join(folder, name))
    for name, text in (fakes or {}).items():
        path = os.path.join(folder, name)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, 0o755)
    return folder


def make_archive(path, members):
    """A gzip tar with the given top-level members (name -> bytes)."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with tarfile.open(path, "w:gz") as tar:
        for name, data in members.items():
            info = tarfile.TarInfo(name)
            info.size = len(data)
            info.mode = 0o755
            tar.addfile(info, io.BytesIO(data))


def runtime_bytes():
    with tarfile.open(RUNTIME_ARCHIVE) as tar:
        names = tar.getnames()
        assert names == ["wexlin"], names
        return tar.extractfile("wexlin").read()


def server_root(archives):
    """A served folder holding archives (archive file name -> local path)."""
    root = scratch_dir("root")
    folder = os.path.join(root, "wexlin", "1.1.3")
    os.makedirs(folder)
    for name, path in archives.items():
        shutil.copyfile(path, os.path.join(folder, name))
    return root


class Result:
    def __init__(self, proc):
        self.status = proc.returncode
        self.stdout = proc.stdout.decode("utf-8")
        self.stderr = proc.stderr.decode("utf-8")
        # Seconds vary from run to run.
        self.out = re.sub(r" (done|failed) \(\d+\.\d\ds\)", r" \1 (T)", self.stdout)

    def __repr__(self):
        return "status %r\nstdout %r\nstderr %r" % (self.status, self.stdout, self.stderr)


class Project:
    def __init__(self, name="project"):
        self.dir = scratch_dir(name)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def write(self, name, data):
        path = self.path(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data.encode("utf-8") if isinstance(data, str) else data)
        return path

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def exists(self, name):
        return os.path.lexists(self.path(name))

    def build(self, *args, server=None, tools=None, env=None, preexec=None, wexlin=None):
        environment = {"PATH": tools or tools_dir(), "HOME": self.dir, "LANG": "C.UTF-8"}
        if server is not None:
            environment["WEXLIN_RUNTIME_URL"] = server.url
        environment.update(env or {})
        proc = subprocess.run([wexlin or WEXLIN, "build", *args], cwd=self.dir, env=environment,
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=120, preexec_fn=preexec)
        return Result(proc)

    def run(self, program, *args):
        proc = subprocess.run([self.path(program), *args], cwd=self.dir, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=60, env={"PATH": SYSTEM_PATH})
        return Result(proc)


def yellow(text):
    return YELLOW + text + RESET + "\n"


def green(text):
    return GREEN + text + RESET + "\n"


def progress(label, outcome="done"):
    line = "\r" + YELLOW + label + " in progress" + RESET
    if outcome is None:
        return line
    colour = GREEN if outcome == "done" else RED
    return line + "\r" + colour + label + " " + outcome + " (T)" + RESET + "\n"


def warning(message):
    return YELLOW + "Warning: " + message + RESET + "\n"


def error(message):
    return RED + message + RESET + "\n"


def payload(script):
    data = script.encode("utf-8") if isinstance(script, str) else script
    return data + len(data).to_bytes(8, "little") + MARKER


def expect_equal(actual, expected, what):
    if actual != expected:
        raise AssertionError("%s:\n  expected %r\n  actual   %r" % (what, expected, actual))


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def main(tests):
    """Runs every test function, reports each, and exits non-zero if one failed."""
    failed = 0
    try:
        for test in tests:
            try:
                test()
                print("PASS", test.__name__)
            except Exception:
                failed += 1
                print("FAIL", test.__name__)
                traceback.print_exc(file=sys.stdout)
            sys.stdout.flush()
    finally:
        shutil.rmtree(_scratch, ignore_errors=True)
    sys.exit(1 if failed else 0)
