#!/usr/bin/env python3
"""Keeps examples/site.wx and examples/filetool.wx runnable: the site is
served on a free port and fetched with curl, the file tool runs in a
temporary folder.

Usage: test_examples.py <wexlin> <examples folder>"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

from harness import Failures, Server, free_port, main_guard


def check_site(t, wexlin, examples):
    port = free_port()
    with open(os.path.join(examples, "site.wx"), encoding="utf-8") as f:
        source = f.read()
    t.check("let port = 8080;" in source, "site.wx sets its port in one place")
    source = source.replace("let port = 8080;", f"let port = {port};")
    files = {}
    for name in os.listdir(os.path.join(examples, "site")):
        with open(os.path.join(examples, "site", name), "rb") as f:
            files[name] = f.read()
    with Server(wexlin, source.replace('"site/', '"'), files=files) as server:
        def fetch(path):
            proc = subprocess.run(["curl", "-s", "--max-time", "10", "-w", "\n%{http_code}",
                                   f"http://127.0.0.1:{port}{path}"], capture_output=True, timeout=30)
            body, _, code = proc.stdout.decode("utf-8").rpartition("\n")
            return code, body

        code, home = fetch("/")
        t.equal(code, "200", "home page status")
        t.check("<title>Home · Wexlin bookshelf</title>" in home and "{{" not in home, "home page filled in")
        code, books = fetch("/books")
        t.check(code == "200" and "<b>Moby-Dick</b> by Herman Melville (1851)" in books, "book list page")
        code, data = fetch("/api/books")
        t.equal(json.loads(data)[0], {"title": "Moby-Dick", "author": "Herman Melville", "year": 1851}, "books JSON")
        code, status = fetch("/api/status")
        t.equal(json.loads(status), {"status": "HTTP/1.1 200 OK", "books": 4, "port": port}, "status JSON")
        t.equal(fetch("/nothing")[0], "404", "missing page")
        server.stop()
        t.equal(server.stderr.rest(), "", "standard error of the site")


def check_filetool(t, wexlin, examples):
    work = tempfile.mkdtemp(prefix="wexlin-filetool-")
    try:
        shutil.copy(os.path.join(examples, "filetool.wx"), work)
        result = subprocess.run([wexlin, "filetool.wx"], cwd=work, capture_output=True, timeout=60)
        out = result.stdout.decode("utf-8")
        t.equal(result.stderr, b"", "standard error of the file tool")
        t.check("tar can read the archive back: true" in out, f"file tool output: {out!r}")
        t.check("backup holds 87 bytes in 3 files" in out, "file tool backup size")
        t.check(out.endswith("still exists: false\n"), "file tool cleans up")
        t.equal(os.listdir(work), ["filetool.wx"], "nothing left behind")
    finally:
        shutil.rmtree(work, ignore_errors=True)


def run(wexlin):
    t = Failures()
    examples = os.path.abspath(sys.argv[2])
    check_site(t, wexlin, examples)
    check_filetool(t, wexlin, examples)
    return t.exit_code()


if __name__ == "__main__":
    main_guard(run)
