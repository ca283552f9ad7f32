"""Shared helpers of the HTTP integration tests: free loopback ports, a
wexlin page server run as a child process and always stopped, raw exchanges.

Everything stays on 127.0.0.1 and every wait is bounded."""
import os
import queue
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

HOST = "127.0.0.1"


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind((HOST, 0))
        return s.getsockname()[1]


class Failures:
    """Collects failed checks so one run reports all of them."""

    def __init__(self):
        self.messages = []

    def check(self, condition, message):
        if not condition:
            self.messages.append(message)
            print("FAIL:", message, flush=True)

    def equal(self, actual, expected, what):
        self.check(actual == expected, f"{what}: expected {expected!r}, got {actual!r}")

    def exit_code(self):
        if self.messages:
            print(f"{len(self.messages)} check(s) failed")
            return 1
        print("all checks passed")
        return 0


class LineReader:
    """Reads a pipe on a thread so waiting for a line can time out."""

    def __init__(self, stream):
        self.lines = queue.Queue()
        self.seen = []
        self.thread = threading.Thread(target=self._pump, args=(stream,), daemon=True)
        self.thread.start()

    def _pump(self, stream):
        for line in iter(stream.readline, b""):
            self.lines.put(line.decode("utf-8", "replace"))
        self.lines.put(None)

    def wait_for(self, prefix, timeout):
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            try:
                line = self.lines.get(timeout=left)
            except queue.Empty:
                return None
            if line is None:
                return None
            self.seen.append(line)
            if line.startswith(prefix):
                return line

    def rest(self, timeout=2):
        """Everything still to come, once the process has ended."""
        self.thread.join(timeout)
        out = []
        while True:
            try:
                line = self.lines.get_nowait()
            except queue.Empty:
                break
            if line is not None:
                out.append(line)
        return "".join(self.seen + out)


class Script:
    """A script file in a fresh temporary folder, with optional extra files."""

    def __init__(self, source, files=None):
        self.dir = tempfile.mkdtemp(prefix="wexlin-http-")
        self.path = os.path.join(self.dir, "main.wx")
        with open(self.path, "w", encoding="utf-8") as f:
            f.write(source)
        for name, data in (files or {}).items():
            with open(os.path.join(self.dir, name), "wb") as f:
                f.write(data if isinstance(data, bytes) else data.encode("utf-8"))

    def run(self, wexlin, timeout=60):
        return subprocess.run([wexlin, "main.wx"], cwd=self.dir, capture_output=True, timeout=timeout)

    def cleanup(self):
        shutil.rmtree(self.dir, ignore_errors=True)


class Server:
    """Runs a wexlin script that registers pages and serves them; stopped on exit."""

    def __init__(self, wexlin, source, files=None, expect_listening=True):
        self.wexlin = wexlin
        self.script = Script(source, files)
        self.expect_listening = expect_listening
        self.process = None

    def __enter__(self):
        self.process = subprocess.Popen([self.wexlin, "main.wx"], cwd=self.script.dir, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.stdout = LineReader(self.process.stdout)
        self.stderr = LineReader(self.process.stderr)
        if self.expect_listening and self.stdout.wait_for("Server listening on", 30) is None:
            self.stop()
            raise RuntimeError("server did not start listening; stdout: " + self.stdout.rest()
                               + " stderr: " + self.stderr.rest())
        return self

    def alive(self):
        return self.process.poll() is None

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=5)

    def __exit__(self, *exc):
        self.stop()
        self.script.cleanup()
        return False


def raw_exchange(port, request, timeout=10, read_reply=True, half_close=False):
    """Sends request bytes (then ends the sending side when half_close is set)
    and reads the reply to the end of the stream."""
    with socket.create_connection((HOST, port), timeout=timeout) as s:
        if request:
            s.sendall(request)
        if half_close:
            s.shutdown(socket.SHUT_WR)
        if not read_reply:
            return b""
        chunks = []
        while True:
            data = s.recv(65536)
            if not data:
                break
            chunks.append(data)
        return b"".join(chunks)


def page_reply(content, head=False):
    """The exact reply carrying a page; head leaves the body out, as for HEAD."""
    body = content.encode("utf-8")
    reply = (b"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: %d\r\n"
             b"Connection: close\r\n\r\n" % len(body))
    return reply if head else reply + body


NOT_FOUND = (b"HTTP/1.1 404 Not Found\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: 9\r\n"
             b"Connection: close\r\n\r\nNot Found")
NOT_FOUND_HEAD = NOT_FOUND[:-len(b"Not Found")]


def wexlin_string(text):
    """A wexlin string literal for text."""
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


def main_guard(fn):
    try:
        sys.exit(fn(os.path.abspath(sys.argv[1])))
    except Exception as error:  # noqa: BLE001 - report any failure as a test failure
        print("ERROR:", repr(error))
        raise
