#!/usr/bin/env python3
"""Runs every example of one Markdown document and compares its output.

Examples are fenced code blocks, told apart by their info string:

  wx                 a script: run with wexlin; blocks attached after it give
                     what it must do (at least one is required)
  wx file=NAME       not run: written as NAME into the document's folder, for
                     the examples after it (modules, templates, scripts run
                     from a console block)
  wx serve           a script that serves pages with http.serve: run in the
                     background on a free port (the number in http.serve(...)
                     is replaced) and fetched with the attached page blocks
  console            a shell session: each line "$ command" runs in bash, and
                     the lines up to the next "$ " are its expected output
                     (standard output and standard error together, as a
                     terminal shows them: text overwritten after a carriage
                     return is not seen)

Blocks attached to the last wx block (prose may stand between them):

  output             expected standard output, exactly
  stderr             expected standard error, exactly (absent: none)
  input              standard input
  page PATH          for wx serve: the body served for PATH (a final line
                     feed on either side is not compared)

Any other block (text, sh, ...) is not an example. Times (1.234ms, (0.05s),
"after 2 ms") are masked on both sides. Everything runs in one fresh folder
per document, in document order, with NO_COLOR=1 (so error lines read
"[ERROR] ..."), a copy of the examples folder in it as examples/, HOME in
that folder, wexlin first on PATH, a loopback
registry serving examples/registry in WEXLIN_REGISTRY_URL, and the dummy SDL
video driver. The same static server stands in for the one the documents ask
the reader to start on port 8000: "127.0.0.1:8000" in a script is replaced
by its address. Every process is bounded in time and stopped.

Usage: run_docs.py WEXLIN_BINARY EXAMPLES_FOLDER DOCUMENT.md
"""

import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

TIMEOUT = 60
FENCE = re.compile(r"^(`{3,})(.*)$")
MASKS = [
    (re.compile(r"\d+\.\d{3}ms"), "N.NNNms"),
    (re.compile(r"\(\d+\.\d{2}s\)"), "(N.NNs)"),
    (re.compile(r"after \d+ ms"), "after N ms"),
]
ATTACHED = ("output", "stderr", "input", "page")


def masked(text):
    for pattern, replacement in MASKS:
        text = pattern.sub(replacement, text)
    return text


def blocks(path):
    """(line number, info words, text) of every fenced block."""
    found = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m:
            i += 1
            continue
        fence, info, start = m.group(1), m.group(2).split(), i + 1
        body = []
        i += 1
        while i < len(lines) and lines[i].rstrip() != fence:
            body.append(lines[i])
            i += 1
        if i >= len(lines):
            raise SystemExit(f"{path}:{start}: unclosed code block")
        found.append((start, info, "\n".join(body) + "\n" if body else ""))
        i += 1
    return found


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, proc, deadline):
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            return False
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return True
        except OSError:
            time.sleep(0.05)
    return False


def stop(proc):
    if proc.poll() is None:
        try:
            os.killpg(proc.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()


def strip_line_feed(text):
    return text[:-1] if text.endswith("\n") else text


def as_shown(text):
    """What a terminal shows: of each line, the part after its last carriage return."""
    return "\n".join(line.rsplit("\r", 1)[-1] for line in text.split("\n"))


class Document:
    def __init__(self, wexlin, examples, path):
        self.wexlin = wexlin
        self.examples = examples
        self.path = path
        self.name = os.path.basename(path)
        self.failures = []
        self.count = 0

    def fail(self, line, message):
        self.failures.append(f"{self.name}:{line}: {message}")

    def compare(self, line, what, expected, actual):
        if masked(expected) != masked(actual):
            self.fail(line, f"{what} differs\n--- expected\n{expected}--- actual\n{actual}---")

    def run(self):
        self.folder = tempfile.mkdtemp(prefix="wexlin-docs-")
        shutil.copytree(self.examples, os.path.join(self.folder, "examples"))
        registry = subprocess.Popen([sys.executable, "-m", "http.server", "0", "--bind", "127.0.0.1",
                                     "--directory", os.path.join(self.examples, "registry")],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                    start_new_session=True)
        try:
            line = registry.stdout.readline()  # "Serving HTTP on 127.0.0.1 port N ..."
            m = re.search(r"port (\d+)", line)
            if not m:
                raise SystemExit("the registry server did not start")
            self.static_server = f"127.0.0.1:{m.group(1)}"
            self.env = {
                "PATH": os.path.dirname(self.wexlin) + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin"),
                "HOME": self.folder,
                "LANG": "C.UTF-8",
                "NO_COLOR": "1",
                "WEXLIN_REGISTRY_URL": f"http://127.0.0.1:{m.group(1)}",
                "WEXLIN_RUNTIME_URL": f"http://127.0.0.1:{free_port()}",
                "SDL_VIDEODRIVER": "dummy",
                "SDL_AUDIODRIVER": "dummy",
            }
            self.walk(blocks(self.path))
        finally:
            stop(registry)
            shutil.rmtree(self.folder, ignore_errors=True)

    def walk(self, found):
        i = 0
        while i < len(found):
            line, info, text = found[i]
            kind = info[0] if info else ""
            attached = []
            j = i + 1
            while j < len(found) and found[j][1] and found[j][1][0] in ATTACHED:
                attached.append(found[j])
                j += 1
            if kind == "wx":
                options = dict(word.split("=", 1) if "=" in word else (word, "") for word in info[1:])
                unknown = set(options) - {"file", "serve"}
                if unknown:
                    self.fail(line, f"unknown options {sorted(unknown)}")
                elif "file" in options:
                    target = os.path.join(self.folder, options["file"])
                    os.makedirs(os.path.dirname(target), exist_ok=True)
                    with open(target, "w", encoding="utf-8") as f:
                        f.write(text)
                elif "serve" in options:
                    self.count += 1
                    self.serve(line, text, attached)
                else:
                    self.count += 1
                    self.script(line, text, attached)
            elif kind == "console":
                self.count += 1
                self.console(line, text)
            elif kind in ATTACHED:
                self.fail(line, f"a {kind} block that follows no example")
            i = j if kind == "wx" else i + 1

    def script(self, line, text, attached):
        parts = {}
        for _, info, body in attached:
            parts[info[0]] = body
        if "output" not in parts and "stderr" not in parts:
            self.fail(line, "an example without an output or stderr block")
            return
        path = os.path.join(self.folder, "example.wx")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace("127.0.0.1:8000", self.static_server))
        try:
            proc = subprocess.run([self.wexlin, "example.wx"], cwd=self.folder, env=self.env,
                                  input=parts.get("input", "").encode(), capture_output=True, timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            self.fail(line, "timed out")
            return
        self.compare(line, "standard output", parts.get("output", ""), proc.stdout.decode("utf-8", "replace"))
        self.compare(line, "standard error", parts.get("stderr", ""), proc.stderr.decode("utf-8", "replace"))

    def serve(self, line, text, attached):
        port = free_port()
        text, replaced = re.subn(r"http\.serve\(\d+\)", f"http.serve({port})", text)
        if replaced != 1:
            self.fail(line, "a served example needs exactly one http.serve(PORT)")
            return
        pages = [(info[1] if len(info) > 1 else "/", body, l) for l, info, body in attached if info[0] == "page"]
        if not pages:
            self.fail(line, "a served example without a page block")
            return
        with open(os.path.join(self.folder, "example.wx"), "w", encoding="utf-8") as f:
            f.write(text)
        proc = subprocess.Popen([self.wexlin, "example.wx"], cwd=self.folder, env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
        try:
            if not wait_for_port(port, proc, time.monotonic() + TIMEOUT):
                self.fail(line, "the server did not listen")
                return
            for path, expected, page_line in pages:
                try:
                    with urllib.request.urlopen(f"http://127.0.0.1:{port}{path}", timeout=TIMEOUT) as reply:
                        body = reply.read().decode("utf-8", "replace")
                except Exception as error:  # noqa: BLE001 - any failure is reported
                    self.fail(page_line, f"fetching {path} failed: {error}")
                    continue
                self.compare(page_line, f"the page {path}", strip_line_feed(expected), strip_line_feed(body))
        finally:
            stop(proc)
        out, err = (text.decode("utf-8", "replace") for text in proc.communicate())
        self.compare(line, "standard output of the server",
                     f"Starting HTTP server on port {port}\nServer listening on http://localhost:{port}\n", out)
        self.compare(line, "standard error of the server", "", err)

    def console(self, line, text):
        commands = []
        for row in text.rstrip("\n").split("\n"):
            if row.startswith("$ "):
                commands.append([row[2:], []])
            elif commands:
                commands[-1][1].append(row)
            else:
                self.fail(line, "a console block must start with a '$ ' line")
                return
        for command, expected in commands:
            try:
                proc = subprocess.run(["bash", "-c", command + " 2>&1"], cwd=self.folder, env=self.env,
                                      capture_output=True, timeout=TIMEOUT)
            except subprocess.TimeoutExpired:
                self.fail(line, f"'{command}' timed out")
                continue
            shown = masked(as_shown(proc.stdout.decode("utf-8", "replace")))
            wanted = "\n".join(expected) + "\n" if expected else ""
            pattern = "".join("(?:.*\n)*?" if row == "..." else re.escape(masked(row)) + "\n" for row in expected)
            if not re.fullmatch(pattern, shown):
                self.fail(line, f"the output of '{command}' differs\n--- expected\n{wanted}--- actual\n{shown}---")


def main():
    wexlin, examples, path = (os.path.abspath(a) for a in sys.argv[1:4])
    doc = Document(wexlin, examples, path)
    doc.run()
    for failure in doc.failures:
        print(failure)
        print()
    # A document of prose only (no examples) has nothing that can rot.
    print(f"{doc.name}: {doc.count} examples, {len(doc.failures)} failures")
    return 1 if doc.failures else 0


if __name__ == "__main__":
    sys.exit(main())
