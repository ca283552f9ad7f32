#!/usr/bin/env python3
"""The HTTP module of wexlin.exe under Wine, against Linux peers on the
loopback address: its page server answered by curl, and its client talking
to Python's http.server. Every process is stopped within bounded time.

Usage: test_http.py WINDOWS_BUILD_DIR"""
import http.server
import os
import queue
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

import wine

HOST = "127.0.0.1"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message, flush=True)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind((HOST, 0))
        return s.getsockname()[1]


def script_folder(source):
    folder = tempfile.mkdtemp(prefix="wexlin-wine-http-")
    with open(os.path.join(folder, "main.wx"), "w", encoding="utf-8") as f:
        f.write(source)
    return folder


def curl(port, path, *options):
    proc = subprocess.run(["curl", "-s", "-i", "--http1.1", "--max-time", "10", *options,
                           f"http://{HOST}:{port}{path}"], capture_output=True, timeout=30)
    head, _, body = proc.stdout.partition(b"\r\n\r\n")
    first = head.decode("latin-1").split("\r\n")[0]
    status = int(first.split()[1]) if first.startswith("HTTP/") else None
    return status, body


def check_server(build_dir):
    port = free_port()
    folder = script_folder(f'use http;\nhttp.page("/", "first");\nhttp.page("/hello", "h\u00e9llo");\n'
                           f'http.serve({port});\n')
    process = subprocess.Popen(wine.command(build_dir, ["main.wx"], seconds=120), cwd=folder,
                               env=wine.environment(build_dir), stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    lines = queue.Queue()
    threading.Thread(target=lambda: [lines.put(l) for l in iter(process.stdout.readline, b"")],
                     daemon=True).start()
    try:
        seen = []
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            try:
                seen.append(lines.get(timeout=max(deadline - time.monotonic(), 0.1)).decode("utf-8", "replace"))
            except queue.Empty:
                break
            if seen[-1].startswith("Server listening"):
                break
        check(seen[-1:] == [f"Server listening on http://localhost:{port}\r\n"], f"listening line: {seen!r}")
        cases = [("/", [], 200, b"first"), ("/hello", [], 200, "h\u00e9llo".encode()),
                 ("/missing", [], 404, b"Not Found"), ("/", ["-d", "x=1"], 200, b"first")]
        for path, options, status, body in cases:
            got = curl(port, path, *options)
            check(got == (status, body), f"curl {' '.join(options)} {path}: {got!r}")
        # A client that connects and sends nothing must not stop the server.
        with socket.create_connection((HOST, port), timeout=10):
            pass
        check(curl(port, "/") == (200, b"first"), "served again after an empty connection")
        check(process.poll() is None, "the server still runs")
    finally:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(10)
        shutil.rmtree(folder, ignore_errors=True)


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        body = "w\u00f6rld".encode() if self.path == "/ok?x=1" else b"missing"
        self.send_response(200 if self.path == "/ok?x=1" else 404)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = b"got " + self.rfile.read(length)
        self.send_response(201)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def check_client(build_dir):
    server = http.server.ThreadingHTTPServer((HOST, 0), Handler)
    port = server.server_address[1]
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    closed = free_port()  # nothing listens there
    folder = script_folder(
        "use http;\n"
        f'let r = http.get("http://{HOST}:{port}/ok?x=1")\n'
        'print(concat(contains(r, "200 OK"), " ", contains(r, "w\u00f6rld")))\n'
        f'let p = http.post("http://{HOST}:{port}/p", "abc")\n'
        'print(concat(contains(p, "201"), " ", contains(p, "got abc")))\n'
        f'http.get("http://{HOST}:{closed}/")\n'
        'print("end")\n')
    try:
        proc = subprocess.run(wine.command(build_dir, ["main.wx"]), cwd=folder, env=wine.environment(build_dir),
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=90)
        out = proc.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
        err = proc.stderr.decode("utf-8", "replace")
        check(out == "true true\ntrue true\nend\n", f"client output: {out!r} (stderr {err!r})")
        # Nothing listens on that port: the system's refusal, as one error line.
        check(f"Failed to connect to {HOST}:{closed}: " in err and err.count("\n") == 1, f"client stderr {err!r}")
    finally:
        server.shutdown()
        server.server_close()
        thread.join(10)
        shutil.rmtree(folder, ignore_errors=True)


def main():
    build_dir = sys.argv[1]
    if not os.path.exists(wine.exe(build_dir)):
        print("no wexlin.exe: skipped")
        return 77
    start = time.monotonic()
    check_server(build_dir)
    check_client(build_dir)
    print(f"{len(failures)} failed checks in {time.monotonic() - start:.1f} s")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
