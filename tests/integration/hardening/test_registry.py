#!/usr/bin/env python3
"""`wexlin install` against a hostile registry: a loopback server (a thread of
this script) that streams module files without end, and module.yaml lists
whose entries try to leave the module folder or carry terminal sequences.
Every install must fail cleanly, in bounded time and memory, and write nothing
outside the module folder.

Usage: test_registry.py WEXLIN_BINARY"""
import http.server
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from pathlib import Path

WEXLIN = None
BASE_URL = None
COMMAND_TIMEOUT = 120
ESC = "\x1b"
CHUNK = b"#" * 65536
# The most one endless reply may send before the test calls it a failure:
# well past the package manager's 64 MiB download limit.
ENDLESS_CAP = 1 << 30

HOSTILE_ENTRIES = {
    "backslash": "..\\..\\..\\escaped.wx",
    "mixed": "lib/..\\..\\..\\escaped.wx",
    "drive": "C:escaped.wx",
    "drive_root": "C:\\escaped.wx",
    "stream": "index.wx:hidden",
    "escape_sequence": "a\x1b[2J\x1b[31mred.wx",
    "carriage_return": "index.wx\rfake",
}


class Registry(http.server.BaseHTTPRequestHandler):
    sent = {}

    def log_message(self, *args):
        pass

    def do_GET(self):
        parts = self.path.split("/")
        # /modules/<author>/<module>/<file>
        if len(parts) < 5 or parts[1] != "modules" or parts[2] != "evil":
            self.send_error(404)
            return
        module, file = parts[3], "/".join(parts[4:])
        if module == "endless_yaml" and file == "module.yaml":
            self.endless(module)
        elif module == "endless_file" and file == "module.yaml":
            self.reply(b"files:\n  - index.wx\n")
        elif module == "endless_file" and file == "index.wx":
            self.endless(module)
        elif module in HOSTILE_ENTRIES and file == "module.yaml":
            self.reply(("files:\n  - index.wx\n  - " + HOSTILE_ENTRIES[module] + "\n").encode())
        elif file == "index.wx":
            self.reply(b"let a = 1;\n")
        else:
            self.send_error(404)

    def reply(self, body):
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def endless(self, module):
        # No length: the body ends only when the client goes away.
        self.send_response(200)
        self.end_headers()
        total = 0
        try:
            while total < ENDLESS_CAP:
                self.wfile.write(CHUNK)
                total += len(CHUNK)
        except OSError:
            pass
        Registry.sent[module] = total


def error_line(message):
    return f"{ESC}[31mError: {message}{ESC}[0m\n"


class HostileRegistryTest(unittest.TestCase):
    def setUp(self):
        self.workdir = Path(tempfile.mkdtemp(prefix="wexlin-hostile-"))
        self.home = Path(tempfile.mkdtemp(prefix="wexlin-hostile-home-"))

    def tearDown(self):
        shutil.rmtree(self.workdir, ignore_errors=True)
        shutil.rmtree(self.home, ignore_errors=True)

    def install(self, name):
        env = {k: v for k, v in os.environ.items() if "proxy" not in k.lower()}
        env.update(NO_PROXY="127.0.0.1", no_proxy="127.0.0.1", HOME=str(self.home), WEXLIN_REGISTRY_URL=BASE_URL)
        started = time.monotonic()
        done = subprocess.run([WEXLIN, "install", name], cwd=self.workdir, env=env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=COMMAND_TIMEOUT)
        # The children's peak memory: wexlin's and curl's, whichever was larger.
        peak_kib = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        return done, time.monotonic() - started, peak_kib

    def outside_files(self):
        modules = self.workdir / ".wexlin" / "modules"
        return [p for p in self.workdir.rglob("*") if p.is_file() and modules not in p.parents]

    def test_endless_metadata_is_cut_off(self):
        done, seconds, peak_kib = self.install("evil/endless_yaml")
        self.assertEqual(done.returncode, 1)
        self.assertEqual(done.stderr.decode(), error_line("Module 'evil.endless_yaml' not found in repository"))
        self.assertLess(Registry.sent.get("endless_yaml", 0), ENDLESS_CAP, "the client read to the cap")
        self.assertLess(peak_kib, 512 * 1024, "peak memory of wexlin or curl")
        self.assertFalse((self.workdir / ".wexlin" / "modules" / "evil").exists())

    def test_endless_module_file_is_cut_off(self):
        done, seconds, peak_kib = self.install("evil/endless_file")
        self.assertEqual(done.returncode, 1)
        self.assertTrue(done.stderr.decode().startswith(f"{ESC}[31mError: Failed to download file 'index.wx'"),
                        done.stderr)
        self.assertLess(Registry.sent.get("endless_file", 0), ENDLESS_CAP, "the client read to the cap")
        self.assertLess(peak_kib, 512 * 1024, "peak memory of wexlin or curl")
        self.assertFalse((self.workdir / ".wexlin" / "modules" / "evil" / "endless_file" / "index.wx").exists())

    def test_hostile_entries_are_refused_before_anything_is_written(self):
        for module, entry in HOSTILE_ENTRIES.items():
            with self.subTest(module):
                done, _, _ = self.install(f"evil/{module}")
                self.assertEqual(done.returncode, 1)
                shown = "".join(f"\\x{ord(c):02x}" if ord(c) < 0x20 or ord(c) == 0x7F else c for c in entry)
                self.assertEqual(done.stderr.decode(), error_line(
                    f"Module 'evil.{module}' lists the file '{shown}', which is not allowed: files must be "
                    "relative paths without '..' components, control characters or any of \\ : * ? \" < > |"))
                self.assertEqual(done.stdout.count(ESC.encode() + b"[2J"), 0)
                self.assertFalse((self.workdir / ".wexlin" / "modules" / "evil" / module).exists())
                self.assertEqual(self.outside_files(), [])


def main():
    global WEXLIN, BASE_URL
    WEXLIN = os.path.abspath(sys.argv.pop(1))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Registry)
    server.daemon_threads = True
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    BASE_URL = f"http://127.0.0.1:{server.server_address[1]}"
    try:
        unittest.main(verbosity=2)
    finally:
        server.shutdown()
        server.server_close()


if __name__ == "__main__":
    main()
