#!/usr/bin/env python3
"""End-to-end tests of `wexlin install`, `modules`, `upgrade` and `uninstall`.

A real static web server (python3 -m http.server, loopback only, a free port)
serves a temporary copy of examples/registry plus a few modules made here to
provoke failures. WEXLIN_REGISTRY_URL points wexlin at it, and every command
runs the real curl in a fresh temporary working directory. Standard output
and standard error are compared byte for byte, with only the elapsed seconds
of the progress lines masked (after checking their two-decimal form).

Usage: test_package_manager.py WEXLIN_BINARY EXAMPLES_REGISTRY_FOLDER
"""

import ctypes
import http.server
import os
import re
import selectors
import signal
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from pathlib import Path

WEXLIN = None
EXAMPLES = None
REGISTRY = None  # the served folder (a temporary copy)
BASE_URL = None
SERVER = None

COMMAND_TIMEOUT = 60
SERVER_START_TIMEOUT = 15
SERVER_STOP_TIMEOUT = 5

ESC = "\x1b"
FORMAT_MESSAGE = "Module format must be 'author/module' or 'author.module'"


# --- expected console texts -------------------------------------------------


def in_progress(label):
    return f"\r{ESC}[33m{label} in progress{ESC}[0m"


def done(label):
    return f"\r{ESC}[32m{label} done (T){ESC}[0m\n"


def failed(label):
    return f"\r{ESC}[31m{label} failed (T){ESC}[0m\n"


def error_line(message):
    return f"{ESC}[31mError: {message}{ESC}[0m\n"


METADATA = "Fetching module metadata..."
DOWNLOAD = "Downloading module files..."


def install_output(key):
    return (
        in_progress(METADATA)
        + done(METADATA)
        + in_progress(DOWNLOAD)
        + done(DOWNLOAD)
        + f"\n{ESC}[2mImport it in your code with:{ESC}[0m\n  use `{key}`;\n"
    )


ENTRY_REFUSED = ("', which is not allowed: files must be relative paths without '..' components, control "
                 "characters or any of \\ : * ? \" < > |")


NOTHING_INSTALLED = f"{ESC}[2mNo modules installed yet.{ESC}[0m\n"

TIME = re.compile(r" \((done|failed) \(([0-9]+\.[0-9]{2})s\)")


def mask_times(text):
    return re.sub(r" (done|failed) \([0-9]+\.[0-9]{2}s\)", r" \1 (T)", text)


# --- the server ---------------------------------------------------------------


def add_test_modules(root):
    """Modules that exist only to make installs fail or take odd paths."""

    def module(path, files):
        folder = root / "modules" / path
        folder.mkdir(parents=True, exist_ok=True)
        for name, content in files.items():
            target = folder / name
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(content if isinstance(content, bytes) else content.encode())

    # No files: key: only index.wx is fetched (extra.wx is there but unlisted).
    module("test/nofiles", {
        "module.yaml": "name: nofiles\nversion: 1.0\n",
        "index.wx": "let answer = 42;\n",
        "extra.wx": "let unused = 1;\n",
    })
    # The second listed file is not on the server; the third is never reached.
    module("test/missing", {
        "module.yaml": "files:\n  - index.wx\n  - gone.wx\n  - after.wx\n",
        "index.wx": "let a = 1;\n",
        "after.wx": "let c = 3;\n",
    })
    # A listed file that is not UTF-8.
    module("test/latin1", {
        "module.yaml": "files:\n  - index.wx\n",
        "index.wx": b"let name = \"caf\xe9\";\n",
    })
    # Entries that would leave the module folder. The server does hold a file
    # where curl's own path clean-up would take the first one, so refusing it
    # is the package manager's doing, not a failed download.
    module("test/escape", {
        "module.yaml": "files:\n  - index.wx\n  - ../../../../escaped.wx\n",
        "index.wx": "let a = 1;\n",
    })
    (root / "escaped.wx").write_text("let escaped = true;\n")
    module("test/absolute", {
        "module.yaml": f"files:\n  - index.wx\n  - {root / 'escaped.wx'}\n",
        "index.wx": "let a = 1;\n",
    })
    # "lib" is a folder on the server (fetched as its HTML listing, so written
    # as a file), after which lib/x.wx has no folder to go into.
    module("test/clash", {
        "module.yaml": "files:\n  - lib\n  - lib/x.wx\n",
        "lib/x.wx": "let x = 1;\n",
    })
    # "sub/" names a folder on disk, which cannot be written as a file.
    module("test/slash", {
        "module.yaml": "files:\n  - sub/\n",
        "sub/x.wx": "let x = 1;\n",
    })
    # Installed, then taken off the server before an upgrade.
    module("test/vanishing", {
        "module.yaml": "files:\n  - index.wx\n",
        "index.wx": "let v = 1;\n",
    })
    # Names that curl would glob or cut at "#" and "?" unless they are taken
    # literally and encoded; the decoys are what a mangled address would hit.
    module("test/literal", {
        "module.yaml": "files:\n  - f{1,2}.wx\n  - r[1-3].wx\n  - lib#x.wx\n  - a b%20.wx\n",
        "f{1,2}.wx": "let braces = 1;\n",
        "r[1-3].wx": "let brackets = 1;\n",
        "lib#x.wx": "let hash = 1;\n",
        "a b%20.wx": "let percent = 1;\n",
        "f1.wx": "decoy\n",
        "f2.wx": "decoy\n",
        "lib": "decoy\n",
    })
    # Entries that no file name can hold on every platform.
    module("test/query", {
        "module.yaml": "files:\n  - q?v=1\n",
        "q": "decoy\n",
    })


def die_with_parent():
    """Runs in the server's child process: should this script be killed
    outright (a CTest time-out), the kernel stops the server too."""
    try:
        PR_SET_PDEATHSIG = 1
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
    except (OSError, AttributeError):
        pass


def start_server(root):
    process = subprocess.Popen(
        [sys.executable, "-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", str(root)],
        stdin=subprocess.DEVNULL,
        stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL,
        preexec_fn=die_with_parent,
    )
    try:
        selector = selectors.DefaultSelector()
        selector.register(process.stdout, selectors.EVENT_READ)
        if not selector.select(timeout=SERVER_START_TIMEOUT):
            raise RuntimeError("the registry server did not start in time")
        line = process.stdout.readline().decode()
        match = re.search(r"port (\d+)", line)
        if not match:
            raise RuntimeError(f"unexpected server banner: {line!r}")
        return process, f"http://127.0.0.1:{match.group(1)}"
    except BaseException:
        stop_server(process)
        raise


def stop_server(process):
    if process is None or process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(timeout=SERVER_STOP_TIMEOUT)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=SERVER_STOP_TIMEOUT)


class SilentServer:
    """A TCP listener that completes connections (the kernel's backlog does)
    and never says a word: the registry that hangs."""

    def __enter__(self):
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.socket.bind(("127.0.0.1", 0))
        self.socket.listen(16)
        self.url = f"http://127.0.0.1:{self.socket.getsockname()[1]}"
        return self

    def __exit__(self, *exc):
        self.socket.close()


class StallingRegistry:
    """Serves the registry copy, except that a request for a file named
    slow.wx is held until release(): a download that is in flight when the
    test interrupts the install."""

    def __enter__(self):
        self.requested = threading.Event()
        self.released = threading.Event()
        registry = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def __init__(self, *args, **kwargs):
                super().__init__(*args, directory=str(REGISTRY), **kwargs)

            def do_GET(self):
                if self.path.endswith("/slow.wx"):
                    registry.requested.set()
                    registry.released.wait(COMMAND_TIMEOUT)
                    try:
                        self.send_error(404)
                    except OSError:
                        pass  # the interrupted client is gone
                    return
                super().do_GET()

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}"
        return self

    def release(self):
        self.released.set()

    def __exit__(self, *exc):
        self.release()
        self.server.shutdown()
        self.server.server_close()
        self.thread.join(SERVER_STOP_TIMEOUT)


def closed_port_url():
    """An address where nothing listens: the registry is down."""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return f"http://127.0.0.1:{probe.getsockname()[1]}"


# --- running wexlin -----------------------------------------------------------


class Result:
    def __init__(self, completed):
        self.status = completed.returncode
        self.raw_stdout = completed.stdout.decode("utf-8")
        self.stderr = completed.stderr.decode("utf-8")
        self.stdout = mask_times(self.raw_stdout)


class PackageManagerTest(unittest.TestCase):
    def setUp(self):
        self.workdir = Path(tempfile.mkdtemp(prefix="wexlin-pm-"))
        self.home = Path(tempfile.mkdtemp(prefix="wexlin-pm-home-"))

    def tearDown(self):
        shutil.rmtree(self.workdir, ignore_errors=True)
        shutil.rmtree(self.home, ignore_errors=True)

    def environment(self, **overrides):
        env = {k: v for k, v in os.environ.items() if "proxy" not in k.lower()}
        # curl must reach the loopback server directly and read no user
        # configuration.
        env["NO_PROXY"] = env["no_proxy"] = "127.0.0.1,localhost"
        env["HOME"] = str(self.home)
        env["WEXLIN_REGISTRY_URL"] = BASE_URL
        env.update(overrides)
        return env

    def wexlin(self, *args, **env_overrides):
        completed = subprocess.run(
            [WEXLIN, *args],
            cwd=self.workdir,
            env=self.environment(**env_overrides),
            stdin=subprocess.DEVNULL,
            capture_output=True,
            timeout=COMMAND_TIMEOUT,
        )
        result = Result(completed)
        for match in TIME.finditer(result.raw_stdout):
            self.assertLess(float(match.group(2)), COMMAND_TIMEOUT)
        return result

    def assert_result(self, result, status, stdout, stderr):
        self.assertEqual((result.status, result.stdout, result.stderr), (status, stdout, stderr))

    def assert_error(self, result, message, stdout=""):
        self.assert_result(result, 1, stdout, error_line(message))

    def modules(self):
        return self.workdir / ".wexlin" / "modules"

    def installed_files(self, author, module):
        folder = self.modules() / author / module
        return sorted(str(p.relative_to(folder)) for p in folder.rglob("*") if p.is_file())

    def assert_same_as_registry(self, author, module, files):
        self.assertEqual(self.installed_files(author, module), sorted(files))
        for name in files:
            source = REGISTRY / "modules" / author / module / name
            self.assertEqual((self.modules() / author / module / name).read_bytes(), source.read_bytes(), name)

    # --- install ------------------------------------------------------------

    def test_install_both_name_forms(self):
        for typed, author, module, files in [
            ("wexlin/greet", "wexlin", "greet", ["module.yaml", "index.wx"]),
            ("ada.geometry", "ada", "geometry", ["module.yaml", "index.wx", "units/index.wx"]),
        ]:
            with self.subTest(typed):
                self.assert_result(self.wexlin("install", typed), 0, install_output(f"{author}.{module}"), "")
                self.assert_same_as_registry(author, module, files)

    def test_the_two_forms_name_the_same_module(self):
        self.assertEqual(self.wexlin("install", "wexlin.greet").status, 0)
        for typed in ["wexlin/greet", "wexlin.greet"]:
            self.assert_error(self.wexlin("install", typed), "Module 'wexlin.greet' is already installed")

    def test_module_not_in_registry(self):
        result = self.wexlin("install", "nobody/nothing")
        self.assert_error(result, "Module 'nobody.nothing' not found in repository",
                          in_progress(METADATA) + failed(METADATA))
        self.assertEqual(list(self.modules().iterdir()), [])

    def test_malformed_names_touch_nothing(self):
        for command in ["install", "upgrade", "uninstall"]:
            for typed in ["math", "alice/", "/math", ".math", ""]:
                with self.subTest(command=command, name=typed):
                    self.assert_error(self.wexlin(command, typed), FORMAT_MESSAGE)
                    self.assertFalse((self.workdir / ".wexlin").exists())

    def test_names_that_would_leave_the_module_folder_are_refused(self):
        # Something installed that a careless removal of ".." would take along.
        self.assertEqual(self.wexlin("install", "wexlin/greet").status, 0)
        before = sorted(self.workdir.rglob("*"))
        for command in ["install", "upgrade", "uninstall"]:
            for typed in ["wexlin/..", "wexlin/.", "../wexlin", "./x", "wexlin//tmp", "wexlin/greet/../..",
                          "wexlin/greet/", "wexlin/..\\.."]:
                with self.subTest(command=command, name=typed):
                    message = (f"Module name '{typed}' is not allowed: the author and module parts must be "
                               "relative names without empty, '.' or '..' components")
                    self.assert_error(self.wexlin(command, typed), message)
                    self.assertEqual(sorted(self.workdir.rglob("*")), before)

    def test_file_list_entries_that_would_leave_the_module_folder_are_refused(self):
        for module, entry in [
            ("escape", "../../../../escaped.wx"),
            ("absolute", str(REGISTRY / "escaped.wx")),
        ]:
            with self.subTest(module):
                result = self.wexlin("install", f"test/{module}")
                message = f"Module 'test.{module}' lists the file '{entry}" + ENTRY_REFUSED
                self.assert_error(result, message, in_progress(METADATA) + done(METADATA))
                self.assertFalse((self.modules() / "test").exists())
                self.assertEqual([p.name for p in self.workdir.rglob("escaped.wx")], [])

    def test_module_yaml_without_files_key_installs_index_wx(self):
        self.assert_result(self.wexlin("install", "test/nofiles"), 0, install_output("test.nofiles"), "")
        self.assert_same_as_registry("test", "nofiles", ["module.yaml", "index.wx"])

    def assert_nothing_installed(self):
        """No module folder and no staging left: only empty author folders may
        remain, and the listing shows nothing."""
        leftovers = [p for p in self.modules().rglob("*") if p.is_file()] if self.modules().exists() else []
        self.assertEqual(leftovers, [])
        self.assertFalse((self.modules() / ".staging").exists())
        self.assertIn("Total: 0 module(s)" if any(self.modules().glob("*")) else "No modules installed yet.",
                      self.wexlin("modules").stdout)

    def test_missing_listed_file_leaves_nothing_and_install_tries_again(self):
        result = self.wexlin("install", "test/missing")
        self.assert_error(
            result,
            "Failed to download file 'gone.wx'",
            in_progress(METADATA) + done(METADATA) + in_progress(DOWNLOAD) + failed(DOWNLOAD),
        )
        self.assertFalse((self.modules() / "test" / "missing").exists())
        self.assert_nothing_installed()

        gone = REGISTRY / "modules" / "test" / "missing" / "gone.wx"
        gone.write_text("let b = 2;\n")
        try:
            result = self.wexlin("install", "test.missing")
        finally:
            gone.unlink()
        self.assert_result(result, 0, install_output("test.missing"), "")
        self.assertEqual(self.installed_files("test", "missing"), ["after.wx", "gone.wx", "index.wx", "module.yaml"])

    def test_file_that_is_not_utf8_fails_to_download(self):
        result = self.wexlin("install", "test/latin1")
        self.assert_error(
            result,
            "Failed to download file 'index.wx'",
            in_progress(METADATA) + done(METADATA) + in_progress(DOWNLOAD) + failed(DOWNLOAD),
        )
        self.assert_nothing_installed()

    def test_files_that_cannot_be_placed(self):
        for module, message in [
            ("clash", "Failed to create directory: Not a directory"),
            ("slash", "Failed to write file sub/: Is a directory"),
        ]:
            with self.subTest(module):
                result = self.wexlin("install", f"test/{module}")
                self.assert_error(
                    result,
                    message,
                    in_progress(METADATA) + done(METADATA) + in_progress(DOWNLOAD) + failed(DOWNLOAD),
                )
                self.assert_nothing_installed()

    def test_modules_folder_that_cannot_be_created(self):
        (self.workdir / ".wexlin").write_text("not a folder\n")
        self.assert_error(self.wexlin("install", "wexlin/greet"),
                          "Failed to create modules directory: Not a directory")

    def test_curl_missing_from_path(self):
        empty = self.workdir / "empty-bin"
        empty.mkdir()
        result = self.wexlin("install", "wexlin/greet", PATH=str(empty))
        self.assert_error(result, "Module 'wexlin.greet' not found in repository",
                          in_progress(METADATA) + failed(METADATA))
        self.assertEqual(list(self.modules().iterdir()), [])

    def test_scripts_use_installed_modules(self):
        self.assertEqual(self.wexlin("install", "wexlin/greet").status, 0)
        self.assertEqual(self.wexlin("install", "ada.geometry").status, 0)
        (self.workdir / "main.wx").write_text(
            "use wexlin.greet;\n"
            "use ada.geometry;\n"
            "use ada.geometry.units;\n"  # the submodule in the subfolder units/
            "use wexlin.greet { shout };\n"
            'print(greet.hello("Ada"));\n'
            'print(shout("Bob"));\n'
            "print(greet.version);\n"
            "print(geometry.rect_area(3, 4));\n"
            "print(geometry.circle_area(2));\n"
            "print(units.cm_to_inch(254));\n"
        )
        self.assert_result(self.wexlin("main.wx"), 0, "Hello, Ada!\nHELLO, BOB!\n1.0.0\n12\n12.56636\n100\n", "")
        # After uninstall the script no longer finds the module.
        self.assertEqual(self.wexlin("uninstall", "wexlin/greet").status, 0)
        (self.workdir / "main.wx").write_text('use wexlin.greet;\nprint("after");\n')
        result = self.wexlin("main.wx")
        self.assertEqual((result.status, result.stdout), (0, "after\n"))
        self.assertIn("Failed to import module 'wexlin.greet'", result.stderr)

    # --- modules (listing) --------------------------------------------------

    def test_listing_when_nothing_is_installed(self):
        for command in ["modules", "list", "list-modules"]:
            with self.subTest(command):
                self.assert_result(self.wexlin(command), 0, NOTHING_INSTALLED, "")
        self.modules().mkdir(parents=True)
        self.assert_result(self.wexlin("modules"), 0, NOTHING_INSTALLED, "")
        # Only a plain file: no author either.
        (self.modules() / "notes.txt").write_text("x")
        self.assert_result(self.wexlin("modules"), 0, NOTHING_INSTALLED, "")

    def test_listing_order_and_marks(self):
        self.assertEqual(self.wexlin("install", "wexlin/greet").status, 0)
        self.assertEqual(self.wexlin("install", "ada.geometry").status, 0)
        m = self.modules()
        for folder in ["ada/Alpha", "ada/beta", "Zed/tool", "bob", "_under/x"]:
            (m / folder).mkdir(parents=True)
        (m / "carol").mkdir()
        (m / "carol" / "readme.txt").write_text("only a file\n")  # an author without modules
        (m / "ada" / "notes.txt").write_text("not a module\n")
        (m / "notes.txt").write_text("not an author\n")
        (m / "linked").symlink_to("ada")  # links are neither authors nor modules
        (m / "ada" / "link").symlink_to("beta")

        def author(name, modules):
            lines = f"  {ESC}[33m{name}{ESC}[0m\n"
            for i, module in enumerate(modules):
                mark = "└─" if i == len(modules) - 1 else "├─"
                lines += f"    {mark} {ESC}[32m{module}{ESC}[0m\n"
            return lines + "\n"

        expected = (
            "Installed modules:\n\n"
            + author("Zed", ["tool"])
            + author("_under", ["x"])
            + author("ada", ["Alpha", "beta", "geometry"])
            + author("wexlin", ["greet"])
            + f"{ESC}[2mTotal: 6 module(s){ESC}[0m\n"
        )
        for command in ["modules", "list", "list-modules"]:
            with self.subTest(command):
                self.assert_result(self.wexlin(command), 0, expected, "")

    def test_listing_with_only_empty_authors_counts_zero(self):
        (self.modules() / "bob").mkdir(parents=True)
        self.assert_result(self.wexlin("modules"), 0,
                           f"Installed modules:\n\n{ESC}[2mTotal: 0 module(s){ESC}[0m\n", "")

    def test_listing_unreadable_modules_folder(self):
        (self.workdir / ".wexlin").mkdir()
        self.modules().write_text("not a folder\n")
        self.assert_error(self.wexlin("modules"), "Failed to read modules directory: Not a directory")

    # --- uninstall ----------------------------------------------------------

    def test_uninstall(self):
        self.assertEqual(self.wexlin("install", "ada.geometry").status, 0)
        self.assert_result(self.wexlin("uninstall", "ada/geometry"), 0,
                           in_progress("Removing module files...") + done("Removing module files..."), "")
        self.assertFalse((self.modules() / "ada" / "geometry").exists())
        self.assertTrue((self.modules() / "ada").is_dir())  # the author's folder stays
        self.assert_result(self.wexlin("modules"), 0,
                           f"Installed modules:\n\n{ESC}[2mTotal: 0 module(s){ESC}[0m\n", "")
        for typed in ["ada/geometry", "ada.geometry"]:
            with self.subTest(typed):
                self.assert_error(self.wexlin("uninstall", typed), "Module 'ada.geometry' is not installed")

    # --- upgrade ------------------------------------------------------------

    def test_upgrade_restores_the_registry_version(self):
        self.assertEqual(self.wexlin("install", "ada/geometry").status, 0)
        index = self.modules() / "ada" / "geometry" / "index.wx"
        index.write_text("# changed locally\n")
        (self.modules() / "ada" / "geometry" / "stale.wx").write_text("let old = 1;\n")
        result = self.wexlin("upgrade", "ada.geometry")
        self.assert_result(
            result, 0,
            in_progress("Upgrading module...") + install_output("ada.geometry")
            + done("Upgrading module 'ada.geometry'"),
            "",
        )
        self.assert_same_as_registry("ada", "geometry", ["module.yaml", "index.wx", "units/index.wx"])

    def test_upgrade_of_a_module_not_installed(self):
        for typed in ["wexlin/greet", "wexlin.greet"]:
            with self.subTest(typed):
                self.assert_error(self.wexlin("upgrade", typed), "Module 'wexlin.greet' is not installed")
        self.assertFalse((self.modules() / "wexlin").exists())

    def test_upgrade_of_a_module_the_registry_no_longer_has(self):
        self.assertEqual(self.wexlin("install", "test/vanishing").status, 0)
        served = REGISTRY / "modules" / "test" / "vanishing"
        hidden = REGISTRY / "vanishing.hidden"
        served.rename(hidden)
        try:
            result = self.wexlin("upgrade", "test/vanishing")
        finally:
            hidden.rename(served)
        self.assert_error(
            result,
            "Upgrade failed: Module 'test.vanishing' not found in repository; nothing was changed",
            in_progress("Upgrading module...") + in_progress(METADATA) + failed(METADATA)
            + failed("Upgrading module..."),
        )
        # The installed copy is untouched.
        self.assert_same_as_registry("test", "vanishing", ["module.yaml", "index.wx"])
        self.assertFalse((self.modules() / ".staging").exists())

    # --- addresses, hangs, interruptions --------------------------------------

    def test_names_are_taken_literally(self):
        self.assert_result(self.wexlin("install", "test/literal"), 0, install_output("test.literal"), "")
        self.assert_same_as_registry("test", "literal",
                                     ["module.yaml", "f{1,2}.wx", "r[1-3].wx", "lib#x.wx", "a b%20.wx"])
        # A "#" in the module name is part of the name, not a fragment: the
        # registry has no such module.
        result = self.wexlin("install", "wexlin/greet#frag")
        self.assert_error(result, "Module 'wexlin.greet#frag' not found in repository",
                          in_progress(METADATA) + failed(METADATA))
        result = self.wexlin("install", "test/query")
        self.assert_error(result, "Module 'test.query' lists the file 'q?v=1" + ENTRY_REFUSED,
                          in_progress(METADATA) + done(METADATA))
        self.assertFalse((self.modules() / "test" / "query").exists())

    def test_names_that_cannot_be_file_names_are_refused(self):
        for typed in ["alice/ma:th", "alice/m?x", "alice/m*", "alice/a\\b"]:
            with self.subTest(typed):
                self.assert_error(self.wexlin("install", typed),
                                  f"Module name '{typed}' is not allowed: a file name cannot hold control "
                                  "characters or any of \\ : * ? \" < > |")
                self.assertFalse((self.workdir / ".wexlin").exists())

    def test_a_registry_that_never_answers_fails_in_bounded_time(self):
        self.assertEqual(self.wexlin("install", "wexlin/greet").status, 0)
        with SilentServer() as silent:
            for command, name, message, stdout in [
                ("install", "ada/geometry", "Module 'ada.geometry' not found in repository",
                 in_progress(METADATA) + failed(METADATA)),
                ("upgrade", "wexlin/greet",
                 "Upgrade failed: Module 'wexlin.greet' not found in repository; nothing was changed",
                 in_progress("Upgrading module...") + in_progress(METADATA) + failed(METADATA)
                 + failed("Upgrading module...")),
            ]:
                with self.subTest(command):
                    start = time.monotonic()
                    result = self.wexlin(command, name, WEXLIN_REGISTRY_URL=silent.url)
                    elapsed = time.monotonic() - start
                    self.assert_error(result, message, stdout)
                    # curl gives up after 30 s without a byte.
                    self.assertGreater(elapsed, 25)
                    self.assertLess(elapsed, 50)
        self.assertFalse((self.modules() / "ada").exists())
        self.assert_same_as_registry("wexlin", "greet", ["module.yaml", "index.wx"])

    def stalled_install(self, registry, module, stop):
        """Starts an install in a session of its own (as a terminal's
        foreground job), waits until it is fetching slow.wx, then calls stop
        with the process; answers the finished process and its output."""
        process = subprocess.Popen(
            [WEXLIN, "install", module], cwd=self.workdir, env=self.environment(WEXLIN_REGISTRY_URL=registry.url),
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
        try:
            self.assertTrue(registry.requested.wait(COMMAND_TIMEOUT), "the install never asked for slow.wx")
            stop(process)
            out, err = process.communicate(timeout=COMMAND_TIMEOUT)
        finally:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait(timeout=SERVER_STOP_TIMEOUT)
        return process.returncode, out.decode(), err.decode()

    def test_an_interrupted_install_leaves_nothing(self):
        served = REGISTRY / "modules" / "test" / "stalling"
        served.mkdir(parents=True)
        (served / "module.yaml").write_text("files:\n  - index.wx\n  - slow.wx\n")
        (served / "index.wx").write_text("let a = 1;\n")
        (served / "slow.wx").write_text("let b = 2;\n")
        try:
            # Ctrl-C: the terminal sends SIGINT to the whole foreground group.
            with StallingRegistry() as registry:
                status, out, err = self.stalled_install(
                    registry, "test/stalling", lambda p: os.killpg(p.pid, signal.SIGINT))
            self.assertEqual((status, err), (1, error_line("Interrupted: nothing was installed")))
            self.assertEqual(mask_times(out), in_progress(METADATA) + done(METADATA) + in_progress(DOWNLOAD)
                             + failed(DOWNLOAD))
            self.assert_nothing_installed()

            # Killed outright: the staging folder may stay, but the module is
            # not installed and the next install completes it.
            with StallingRegistry() as registry:
                status, _, _ = self.stalled_install(
                    registry, "test/stalling", lambda p: os.killpg(p.pid, signal.SIGKILL))
            self.assertEqual(status, -signal.SIGKILL)
            self.assertFalse((self.modules() / "test" / "stalling").exists())
            self.assertEqual(self.wexlin("modules").stdout, NOTHING_INSTALLED)
            self.assert_result(self.wexlin("install", "test/stalling"), 0, install_output("test.stalling"), "")
            self.assert_same_as_registry("test", "stalling", ["module.yaml", "index.wx", "slow.wx"])
            self.assertFalse((self.modules() / ".staging").exists())
        finally:
            shutil.rmtree(served)

    def test_an_offline_upgrade_keeps_local_edits(self):
        self.assertEqual(self.wexlin("install", "ada/geometry").status, 0)
        folder = self.modules() / "ada" / "geometry"
        (folder / "index.wx").write_text("# my local fix\n")
        (folder / "notes.wx").write_text("let mine = 1;\n")
        before = {str(p.relative_to(folder)): p.read_bytes() for p in folder.rglob("*") if p.is_file()}
        result = self.wexlin("upgrade", "ada.geometry", WEXLIN_REGISTRY_URL=closed_port_url())
        self.assert_error(
            result,
            "Upgrade failed: Module 'ada.geometry' not found in repository; nothing was changed",
            in_progress("Upgrading module...") + in_progress(METADATA) + failed(METADATA)
            + failed("Upgrading module..."),
        )
        after = {str(p.relative_to(folder)): p.read_bytes() for p in folder.rglob("*") if p.is_file()}
        self.assertEqual(after, before)
        self.assertFalse((self.modules() / ".staging").exists())

    def test_an_upgrade_that_misses_a_file_keeps_the_installed_module(self):
        self.assertEqual(self.wexlin("install", "test/vanishing").status, 0)
        index = REGISTRY / "modules" / "test" / "vanishing" / "index.wx"
        hidden = REGISTRY / "vanishing-index.hidden"
        index.rename(hidden)
        try:
            result = self.wexlin("upgrade", "test.vanishing")
        finally:
            hidden.rename(index)
        self.assert_error(
            result,
            "Upgrade failed: Failed to download file 'index.wx'; nothing was changed",
            in_progress("Upgrading module...") + in_progress(METADATA) + done(METADATA) + in_progress(DOWNLOAD)
            + failed(DOWNLOAD) + failed("Upgrading module..."),
        )
        self.assert_same_as_registry("test", "vanishing", ["module.yaml", "index.wx"])


def main():
    global WEXLIN, EXAMPLES, REGISTRY, BASE_URL, SERVER
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    # A polite stop (SIGTERM) still runs the clean-up below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    WEXLIN = str(Path(sys.argv[1]).resolve())
    EXAMPLES = Path(sys.argv[2]).resolve()
    served = Path(tempfile.mkdtemp(prefix="wexlin-registry-"))
    try:
        REGISTRY = served / "registry"
        shutil.copytree(EXAMPLES, REGISTRY)
        add_test_modules(REGISTRY)
        SERVER, BASE_URL = start_server(REGISTRY)
        suite = unittest.defaultTestLoader.loadTestsFromTestCase(PackageManagerTest)
        outcome = unittest.TextTestRunner(verbosity=2).run(suite)
        return 0 if outcome.wasSuccessful() else 1
    finally:
        stop_server(SERVER)
        shutil.rmtree(served, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
