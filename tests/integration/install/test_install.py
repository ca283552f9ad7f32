#!/usr/bin/env python3
"""`cmake --install` onto a prefix and the Debian package made by CPack.

The install goes into a temporary prefix; the package is built into a
temporary folder, inspected with dpkg-deb and unpacked there (never installed
on the machine). In both, the installed wexlin runs a script and an example.

Usage: test_install.py BUILD_FOLDER
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD = None
TIMEOUT = 240


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=TIMEOUT, **kwargs)


class InstallTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="wexlin-install-")

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def check_tree(self, root):
        """wexlin, its docs and examples under root (a prefix) work."""
        wexlin = os.path.join(root, "bin", "wexlin")
        self.assertTrue(os.access(wexlin, os.X_OK), wexlin)
        self.assertEqual(run([wexlin, "--version"]).stdout, "Wexlin version 1.1.3\n")
        docs = os.path.join(root, "share", "doc", "wexlin")
        for name in ("README.md", "getting-started.md", "language.md", "reference.md",
                     "package-manager.md", "build.md"):
            self.assertTrue(os.path.isfile(os.path.join(docs, name)), name)
        grammar = os.path.join(root, "share", "wexlin", "editors", "vscode", "syntaxes", "wexlin.tmLanguage.json")
        self.assertTrue(os.path.isfile(grammar))
        self.assertFalse(os.path.exists(os.path.join(root, "share", "wexlin", "editors", "vscode", "node_modules")))
        # The installed tour runs from a folder of the user's.
        play = os.path.join(self.work, "play")
        os.makedirs(play, exist_ok=True)
        shutil.copy(os.path.join(docs, "examples", "tour.wx"), play)
        proc = run([wexlin, "tour.wx"], cwd=play)
        self.assertEqual(proc.returncode, 0)
        self.assertIn("The answer is 42", proc.stdout)

    def test_cmake_install_on_a_prefix(self):
        prefix = os.path.join(self.work, "prefix")
        proc = run(["cmake", "--install", BUILD, "--prefix", prefix])
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.check_tree(prefix)

    def test_debian_package(self):
        out = os.path.join(self.work, "package")
        proc = run(["cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", out])
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)
        debs = [name for name in os.listdir(out) if name.endswith(".deb")]
        self.assertEqual(len(debs), 1, os.listdir(out))
        deb = os.path.join(out, debs[0])
        self.assertTrue(debs[0].startswith("wexlin_1.1.3_"), debs[0])

        fields = {}
        for field in ("Package", "Version", "Depends", "Section"):
            fields[field] = run(["dpkg-deb", "--field", deb, field]).stdout.strip()
        self.assertEqual(fields["Package"], "wexlin")
        self.assertEqual(fields["Version"], "1.1.3")
        self.assertEqual(fields["Section"], "interpreters")
        depends = [d.strip().split(" ")[0] for d in fields["Depends"].split(",")]
        for needed in ("curl", "tar", "libedit2", "libsdl2-2.0-0", "libc6"):
            self.assertIn(needed, depends)
        # The Unicode tables are compiled in: no ICU package is needed.
        self.assertFalse(any(re.fullmatch(r"libicu[0-9]+", d) for d in depends), depends)

        listing = run(["dpkg-deb", "--contents", deb]).stdout
        self.assertIn("./usr/bin/wexlin\n", listing)

        unpacked = os.path.join(self.work, "unpacked")
        self.assertEqual(run(["dpkg-deb", "--extract", deb, unpacked]).returncode, 0)
        self.check_tree(os.path.join(unpacked, "usr"))


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
