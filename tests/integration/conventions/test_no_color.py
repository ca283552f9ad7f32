#!/usr/bin/env python3
"""NO_COLOR: with the variable set to a non-empty value every colour escape is
left out, and nothing else changes.

Each case runs a command three ways: without NO_COLOR, with NO_COLOR set to
the empty text (colours stay) and with NO_COLOR=1. The output with NO_COLOR=1
holds no escape byte at all, equals the expected plain text where one is
given, and equals the default output with its colour escapes removed (the
elapsed times of progress lines and stage reports masked). The cases reach
every coloured report: run-time error lines, the runner's stage lines under
-d, the debug lines under -D, the command-line error line, the package
manager's progress lines, notes and listing, and the builder's notes,
warnings, progress lines and errors.

A static web server (python3 -m http.server on 127.0.0.1) serves the sample
registry for install and upgrade; it is stopped at the end.

Usage: test_no_color.py WEXLIN_BINARY EXAMPLES_REGISTRY_FOLDER
"""

import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

WEXLIN = None
REGISTRY = None
TIMEOUT = 60

ESCAPE = re.compile(r"\x1b\[[0-9;]*m")
TIMES = [
    (re.compile(r"\d+\.\d{3}ms"), "N.NNNms"),
    (re.compile(r" \((\d+\.\d{2})s\)"), " (T)"),
    (re.compile(r"done \(\d+\.\d{2}s\)"), "done (T)"),
    (re.compile(r"failed \(\d+\.\d{2}s\)"), "failed (T)"),
    (re.compile(r"after \d+ ms"), "after N ms"),  # curl's own report
]


def masked(text):
    for pattern, replacement in TIMES:
        text = pattern.sub(replacement, text)
    return text


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class NoColorTest(unittest.TestCase):
    server = None
    registry_url = None

    @classmethod
    def setUpClass(cls):
        port = free_port()
        cls.server = subprocess.Popen(
            [sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1", "--directory", REGISTRY],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        cls.registry_url = f"http://127.0.0.1:{port}"
        deadline = time.monotonic() + 15
        while True:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                if time.monotonic() > deadline or cls.server.poll() is not None:
                    cls.server.kill()
                    raise RuntimeError("the registry server did not start")
                time.sleep(0.05)

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        try:
            cls.server.wait(timeout=5)
        except subprocess.TimeoutExpired:
            cls.server.kill()
            cls.server.wait()

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="wexlin-nocolor-")
        # Nothing answers here: the builder falls back to this executable.
        self.runtime_url = f"http://127.0.0.1:{free_port()}"

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def write(self, name, text):
        with open(os.path.join(self.work, name), "w", encoding="utf-8") as f:
            f.write(text)

    def run_wexlin(self, args, no_color, extra_env=None, folder=None):
        env = {k: v for k, v in os.environ.items() if k != "NO_COLOR"}
        env["WEXLIN_REGISTRY_URL"] = self.registry_url
        env["WEXLIN_RUNTIME_URL"] = self.runtime_url
        env.update(extra_env or {})
        if no_color is not None:
            env["NO_COLOR"] = no_color
        proc = subprocess.run([WEXLIN] + args, cwd=folder or self.work, env=env, capture_output=True,
                              timeout=TIMEOUT)
        return proc.returncode, proc.stdout.decode(), proc.stderr.decode()

    def check(self, args, stdout=None, stderr=None, status=0, setup=None, extra_env=None):
        """Runs args three ways in fresh copies of the work folder and compares."""
        results = {}
        run = tempfile.mkdtemp(dir=self.work)
        for label, no_color in (("default", None), ("empty", ""), ("set", "1")):
            folder = os.path.join(run, label)
            os.makedirs(folder)
            if setup:
                setup(folder)
            results[label] = self.run_wexlin(args, no_color, extra_env, folder)
        default, empty, plain = results["default"], results["empty"], results["set"]
        self.assertEqual(plain[0], status)
        for text in plain[1:]:
            self.assertNotIn("\x1b", text)
        if stdout is not None:
            self.assertEqual(masked(plain[1]), stdout)
        if stderr is not None:
            self.assertEqual(masked(plain[2]), stderr)
        # An empty NO_COLOR keeps the colours.
        self.assertEqual([empty[0], masked(empty[1]), masked(empty[2])],
                         [default[0], masked(default[1]), masked(default[2])])
        # Only the escapes differ.
        self.assertTrue("\x1b" in default[1] + default[2], "the default output has colours")
        self.assertEqual(masked(ESCAPE.sub("", default[1])), masked(plain[1]))
        self.assertEqual(masked(ESCAPE.sub("", default[2])), masked(plain[2]))
        self.assertEqual(default[0], plain[0])
        return plain[0], masked(plain[1]), masked(plain[2])

    def script(self, text):
        def setup(folder):
            with open(os.path.join(folder, "s.wx"), "w", encoding="utf-8") as f:
                f.write(text)
        return setup

    def test_error_lines(self):
        self.check(["s.wx"], setup=self.script("print(1 / 0)\nlet x = nope\nprint(\"after\")\n"),
                   stdout="after\n",
                   stderr="[ERROR] Undefined variable 'nope'\n"
                          "[ERROR] Error in global let statement for 'x': Undefined variable 'nope'\n"
                          "[ERROR] Division by zero\n"
                          "[ERROR] Error in expression: Division by zero\n"
                          "[ERROR] Undefined variable 'nope'\n"
                          "[ERROR] Error in let statement for 'x': Undefined variable 'nope'\n")

    def test_stage_lines(self):
        rule = "\u2500" * 33
        self.check(["s.wx", "-d"], setup=self.script("print(1)\n"), stdout="1\n",
                   stderr=f"[WEXLIN] {rule}\n"
                          "[WEXLIN] Starting Wexlin interpreter...\n"
                          "[WEXLIN] Tokenization completed in N.NNNms (5 tokens)\n"
                          "[WEXLIN] Parsing completed in N.NNNms (1 statements)\n"
                          "[WEXLIN] Starting execution...\n"
                          f"[WEXLIN] {rule}\n"
                          f"[WEXLIN] {rule}\n"
                          "[WEXLIN] Tokenization : N.NNNms\n"
                          "[WEXLIN] Parsing      : N.NNNms\n"
                          "[WEXLIN] Execution    : N.NNNms\n"
                          f"[WEXLIN] {rule}\n")

    def test_debug_lines(self):
        _, _, stderr = self.check(["-D", "s.wx"], setup=self.script("match 1 { 2 => print(2) }\nprint(3)\n"),
                                  stdout="3\n")
        lines = stderr.splitlines()
        self.assertIn("[DEBUG] No match patterns matched in match statement", lines)
        self.assertIn("[DEBUG CALL] Calling function: print", lines)
        self.assertIn("[DEBUG CALL] print is a builtin", lines)

    def test_command_line_error(self):
        self.check(["notes.txt"], stderr="Error: Only .wx files are allowed.\n", status=1)
        self.check(["install"], stderr="Error: install requires a module name\n", status=1)

    def test_listing(self):
        self.check(["modules"], stdout="No modules installed yet.\n")

        def installed(folder):
            os.makedirs(os.path.join(folder, ".wexlin", "modules", "ada", "geometry"))
            os.makedirs(os.path.join(folder, ".wexlin", "modules", "ada", "shapes"))
        self.check(["modules"], setup=installed,
                   stdout="Installed modules:\n\n  ada\n    \u251c\u2500 geometry\n    \u2514\u2500 shapes\n\n"
                          "Total: 2 module(s)\n")

    def test_install_and_upgrade(self):
        self.check(["install", "wexlin/greet"],
                   stdout="\rFetching module metadata... in progress\rFetching module metadata... done (T)\n"
                          "\rDownloading module files... in progress\rDownloading module files... done (T)\n"
                          "\nImport it in your code with:\n  use `wexlin.greet`;\n")
        self.check(["install", "nobody/nothing"],
                   stdout="\rFetching module metadata... in progress\rFetching module metadata... failed (T)\n",
                   stderr="Error: Module 'nobody.nothing' not found in repository\n", status=1)

        def installed(folder):
            subprocess.run([WEXLIN, "install", "wexlin/greet"], cwd=folder, capture_output=True, timeout=TIMEOUT,
                           env=dict(os.environ, WEXLIN_REGISTRY_URL=self.registry_url), check=True)
        _, stdout, _ = self.check(["upgrade", "wexlin/greet"], setup=installed)
        self.assertTrue(stdout.endswith("\rUpgrading module 'wexlin.greet' done (T)\n"), stdout)

    def test_builder(self):
        _, stdout, stderr = self.check(["build", "s.wx", "game"], setup=self.script("print(1)\n"))
        self.assertTrue(stdout.startswith("Building for target: linux-x86_64\n"), stdout)
        self.assertIn("\rBuilding standalone binary... done (T)\n", stdout)
        self.assertTrue(stderr.startswith("Warning: Could not download the runtime"), stderr)
        self.check(["build", "s.wx", "--target", "nope"], setup=self.script("print(1)\n"), status=1,
                   stderr="Error: Unknown target 'nope'. Supported targets: linux-x86_64, macos-x86_64, "
                          "macos-aarch64, win-x86_64\n")


if __name__ == "__main__":
    # A copy in a folder of its own: the build tree ships runtime archives
    # beside the built wexlin, and the builder test wants the warning of a
    # build that has none.
    copy_folder = tempfile.mkdtemp(prefix="wexlin-no-color-bin-")
    WEXLIN = shutil.copy2(os.path.abspath(sys.argv.pop(1)), os.path.join(copy_folder, "wexlin"))
    REGISTRY = os.path.abspath(sys.argv.pop(1))
    try:
        unittest.main(verbosity=2)
    finally:
        shutil.rmtree(copy_folder, ignore_errors=True)
