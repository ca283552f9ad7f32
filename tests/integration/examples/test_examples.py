#!/usr/bin/env python3
"""Keeps the console examples of examples/ playable: each case runs one
example with a fixed standard input and compares its whole output with the
recorded one (<case>.stdin, <case>.stdout next to this file; standard error
must be as listed below, shown without colours).

Usage: test_examples.py WEXLIN_BINARY EXAMPLES_FOLDER
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

WEXLIN = None
EXAMPLES = None
HERE = os.path.dirname(os.path.abspath(__file__))

# case: (example, expected standard error)
CASES = {
    "adventure_walkthrough": ("adventure.wx", ""),
    "adventure_quit": ("adventure.wx", ""),
    "adventure_end_of_input": ("adventure.wx", ""),
    "quiz_answers": ("quiz.wx", ""),
    "quiz_end_of_input": ("quiz.wx", ""),
    # the tour shows a caught division by zero, whose error line stays
    "tour": ("tour.wx", "[ERROR] Division by zero\n"),
}


def read(name):
    path = os.path.join(HERE, name)
    if not os.path.exists(path):
        return b""
    with open(path, "rb") as f:
        return f.read()


class ExamplesTest(unittest.TestCase):
    def test_cases(self):
        for case, (script, stderr) in CASES.items():
            with self.subTest(case=case):
                work = tempfile.mkdtemp(prefix="wexlin-example-")
                try:
                    shutil.copy(os.path.join(EXAMPLES, script), work)
                    env = dict(os.environ, NO_COLOR="1")
                    proc = subprocess.run([WEXLIN, script], cwd=work, input=read(case + ".stdin"),
                                          capture_output=True, timeout=60, env=env)
                    self.assertEqual(proc.stdout.decode(), read(case + ".stdout").decode())
                    self.assertEqual(proc.stderr.decode(), stderr)
                    self.assertEqual(proc.returncode, 0)
                    self.assertEqual(os.listdir(work), [script], "nothing left behind")
                finally:
                    shutil.rmtree(work, ignore_errors=True)

    def test_adventure_can_be_won(self):
        out = read("adventure_walkthrough.stdout").decode()
        self.assertTrue(out.endswith("You saved the boat in 9 moves. Well done!\n"))

    def test_every_example_is_in_the_readme(self):
        with open(os.path.join(EXAMPLES, "..", "README.md"), encoding="utf-8") as f:
            readme = f.read()
        for name in sorted(os.listdir(EXAMPLES)):
            if name.endswith(".wx"):
                self.assertIn(f"`examples/{name}`", readme, f"{name} is listed in the README")


if __name__ == "__main__":
    WEXLIN = os.path.abspath(sys.argv.pop(1))
    EXAMPLES = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
