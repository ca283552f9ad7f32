#!/usr/bin/env python3
"""The REPL on a terminal (a pseudo-terminal) and with piped input.

On a terminal the lines go through the line editor: arrow keys edit the line
and recall earlier lines, also from an earlier session through
~/.wexlin_history. Everything the REPL itself writes stays as it is with
piped input: the banner, the ">>> " and "... " prompts, the results, and
"Goodbye!". Piped input (and a terminal on standard input only) is read
plainly and keeps no history.

Every child runs with HOME set to a fresh temporary folder and is killed if
it has not ended within a few seconds.

Usage: test_repl.py WEXLIN_BINARY
"""

import os
import pty
import re
import select
import signal
import stat
import subprocess
import sys
import tempfile
import termios
import time
import unittest

WEXLIN = None
STEP_TIMEOUT = 5.0

BANNER = "Welcome to Wexlin Interactive REPL!\nType 'exit' to quit.\n\n"
UP = "\x1b[A"
LEFT = "\x1b[D"
BACKSPACE = "\x7f"
CTRL_D = "\x04"


class Terminal:
    """wexlin started on a pseudo-terminal; text typed and screen bytes read."""

    def __init__(self, home, env=None):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.environ.clear()
            os.environ.update({"HOME": home, "TERM": "xterm", "PATH": "/usr/bin:/bin", "LANG": "C"})
            os.environ.update(env or {})
            os.chdir(home)
            os.execv(WEXLIN, [WEXLIN])
        self.seen = b""
        self.status = None

    def read_until(self, marker):
        """Reads until the screen shows marker after what was read before; answers the new text."""
        start = len(self.seen)
        deadline = time.monotonic() + STEP_TIMEOUT
        while marker not in screen(self.seen[start:].decode("utf-8", errors="replace")):
            left = deadline - time.monotonic()
            if left <= 0:
                raise AssertionError(f"timed out waiting for {marker!r}; got {self.seen[start:]!r}")
            ready, _, _ = select.select([self.fd], [], [], left)
            if not ready:
                continue
            try:
                data = os.read(self.fd, 4096)
            except OSError:  # the child closed the terminal
                data = b""
            if not data:
                raise AssertionError(f"terminal closed while waiting for {marker!r}; got {self.seen[start:]!r}")
            self.seen += data
        return self.seen[start:].decode("utf-8", errors="replace")

    def wait_for_editor(self):
        """Waits until the editor has the terminal in its raw mode (no echo).

        Text typed before that would be echoed once by the terminal and once
        more by the editor, as it would for a person typing ahead.
        """
        deadline = time.monotonic() + STEP_TIMEOUT
        while termios.tcgetattr(self.fd)[3] & termios.ECHO:
            if time.monotonic() > deadline:
                raise AssertionError("the line editor never took the terminal")
            time.sleep(0.01)

    def type(self, text, until=">>> "):
        self.wait_for_editor()
        os.write(self.fd, text.encode())
        return self.read_until(until)

    def shown(self, text, lines):
        """Types text and answers the last lines the terminal then shows."""
        start = len(self.seen)
        self.type(text, ">>> ")
        # Wait for the prompt after the result, not one redrawn by the editor.
        deadline = time.monotonic() + STEP_TIMEOUT
        while True:
            new_lines = render(self.seen[start:])
            if len(new_lines) > lines and new_lines[-1] == ">>> ":
                return render(self.seen)[-lines - 1:]
            if time.monotonic() > deadline:
                raise AssertionError(f"no fresh prompt; got {self.seen[start:]!r}")
            self.read_more()

    def read_more(self):
        ready, _, _ = select.select([self.fd], [], [], 0.1)
        if ready:
            try:
                self.seen += os.read(self.fd, 4096)
            except OSError:
                pass

    def drain(self):
        """Reads everything until the child closes the terminal."""
        deadline = time.monotonic() + STEP_TIMEOUT
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.fd], [], [], 0.1)
            if ready:
                try:
                    data = os.read(self.fd, 4096)
                except OSError:
                    return
                if not data:
                    return
                self.seen += data

    def wait(self):
        deadline = time.monotonic() + STEP_TIMEOUT
        while time.monotonic() < deadline:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.status = status
                return os.waitstatus_to_exitcode(status)
            time.sleep(0.02)
        raise AssertionError("wexlin did not end")

    def close(self):
        if self.status is None:
            try:
                os.kill(self.pid, signal.SIGKILL)
                os.waitpid(self.pid, 0)
            except (ProcessLookupError, ChildProcessError):
                pass
            self.status = -1
        os.close(self.fd)


def screen(text):
    """The terminal turns each line feed into carriage return and line feed."""
    return text.replace("\r\n", "\n")


CURSOR_COLUMN = re.compile(r"\x1b\[(\d*)G")


def render(data):
    """The lines a terminal shows after receiving data.

    Enough of a terminal for the editor's redraws: printable text, carriage
    return, line feed, backspace, "ESC [ n G" (cursor to column n) and
    "ESC [ K" (erase to the end of the line); other sequences are dropped.
    """
    text = data.decode("utf-8", errors="replace")
    lines, line, col, i = [], [], 0, 0
    while i < len(text):
        ch = text[i]
        if ch == "\x1b":
            m = CURSOR_COLUMN.match(text, i)
            if m:
                col = max(int(m.group(1) or "1") - 1, 0)
                i = m.end()
                continue
            if text.startswith("\x1b[K", i):
                del line[col:]
                i += 3
                continue
            m = re.compile(r"\x1b\[[0-9;?]*[@-~]").match(text, i)
            i = m.end() if m else i + 1
            continue
        if ch == "\r":
            col = 0
        elif ch == "\n":
            lines.append("".join(line).rstrip())
            line, col = [], 0
        elif ch == "\b":
            col = max(col - 1, 0)
        elif ch >= " ":
            line.extend(" " * (col - len(line)))
            if col < len(line):
                line[col] = ch
            else:
                line.append(ch)
            col += 1
        i += 1
    lines.append("".join(line))
    return lines


class TerminalTest(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="wexlin-repl-")
        self.terminals = []

    def tearDown(self):
        for terminal in self.terminals:
            terminal.close()
        subprocess.run(["rm", "-rf", self.home], check=False)

    def start(self, env=None):
        terminal = Terminal(self.home, env)
        self.terminals.append(terminal)
        self.assertEqual(screen(terminal.read_until(">>> ")), BANNER + ">>> ")
        return terminal

    def test_session_prompts_and_results(self):
        t = self.start()
        self.assertEqual(screen(t.type("let x = 41\r")), "let x = 41\n>>> ")
        self.assertEqual(screen(t.type("print(x + 1)\r")), "print(x + 1)\n42\n>>> ")
        # An open bracket continues the input under the "... " prompt; the
        # closing line runs the three lines as one definition.
        self.assertEqual(screen(t.type("def f(a) {\r", "... ")), "def f(a) {\n... ")
        self.assertEqual(screen(t.type("print(a * 2)\r", "... ")), "print(a * 2)\n... ")
        self.assertEqual(screen(t.type("}\r")), "}\n>>> ")
        self.assertEqual(screen(t.type("f(21)\r")), "f(21)\n42\n>>> ")
        # Non-ASCII text is typed and echoed as UTF-8, also in a "C" locale.
        self.assertEqual(screen(t.type('print("héllo wörld")\r')), 'print("héllo wörld")\nhéllo wörld\n>>> ')
        # Errors still go to the terminal as the interpreter writes them.
        out = screen(t.type("print(nope)\r"))
        self.assertIn("Undefined variable 'nope'", out)
        self.assertTrue(out.endswith(">>> "))
        # input() reads the terminal plainly between two edited lines.
        self.assertEqual(screen(t.type('let n = input("name? ")\r', "\nname? ")), 'let n = input("name? ")\nname? ')
        os.write(t.fd, b"Ada\r")
        self.assertEqual(screen(t.read_until(">>> ")), "Ada\n>>> ")
        self.assertEqual(screen(t.type('print(concat("hi ", n))\r')), 'print(concat("hi ", n))\nhi Ada\n>>> ')
        self.assertEqual(screen(t.type("exit\r", "Goodbye!\n")), "exit\nGoodbye!\n")
        t.drain()
        self.assertEqual(t.wait(), 0)

    def test_arrow_keys_edit_the_line(self):
        t = self.start()
        # Typed print(2), then left over ")", delete "2", type "3".
        self.assertEqual(t.shown("print(2)" + LEFT + BACKSPACE + "3\r", 2), [">>> print(3)", "3", ">>> "])
        # Up recalls the line just run; Enter runs it again.
        self.assertEqual(t.shown(UP + "\r", 2), [">>> print(3)", "3", ">>> "])
        # Two lines up reaches the older one.
        self.assertEqual(t.shown("print(4)\r", 2), [">>> print(4)", "4", ">>> "])
        self.assertEqual(t.shown(UP + UP + "\r", 2), [">>> print(3)", "3", ">>> "])
        t.type("quit\r", "Goodbye!\n")
        t.drain()
        self.assertEqual(t.wait(), 0)

    def test_history_is_kept_between_sessions(self):
        t = self.start()
        t.type('print("from the first session")\r')
        t.type("exit\r", "Goodbye!\n")
        t.drain()
        t.wait()

        history = os.path.join(self.home, ".wexlin_history")
        self.assertTrue(os.path.isfile(history))
        # Only the owner may read what was typed.
        self.assertEqual(stat.S_IMODE(os.stat(history).st_mode), 0o600)

        t = self.start()
        # The newest entry is "exit"; one more step up is the print.
        self.assertEqual(t.shown(UP + UP + "\r", 2),
                         ['>>> print("from the first session")', "from the first session", ">>> "])
        t.type("exit\r", "Goodbye!\n")
        t.drain()
        t.wait()

    def test_end_of_input_ends_silently(self):
        t = self.start()
        t.type("print(1)\r", "\n1\n>>> ")
        t.wait_for_editor()
        os.write(t.fd, CTRL_D.encode())
        t.drain()
        self.assertEqual(t.wait(), 0)
        self.assertNotIn(b"Goodbye", t.seen)
        # The editor shows the key (^D) where a line would have begun.
        self.assertEqual(render(t.seen)[-3:], [">>> print(1)", "1", ">>> ^D"])

    def test_unusable_home_still_edits(self):
        t = self.start({"HOME": os.path.join(self.home, "missing")})
        self.assertEqual(t.shown("print(5)" + LEFT + BACKSPACE + "6\r", 2), [">>> print(6)", "6", ">>> "])
        t.type("exit\r", "Goodbye!\n")
        t.drain()
        self.assertEqual(t.wait(), 0)


class PlainInputTest(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="wexlin-repl-")

    def tearDown(self):
        subprocess.run(["rm", "-rf", self.home], check=False)

    def env(self):
        return {"HOME": self.home, "PATH": "/usr/bin:/bin", "TERM": "xterm"}

    def test_piped_input(self):
        proc = subprocess.run([WEXLIN], input=b"let x = 1\n\n  print(x)  \ndef f() {\nprint(2)\n}\nf()\n",
                              capture_output=True, timeout=STEP_TIMEOUT * 2, env=self.env(), cwd=self.home)
        self.assertEqual(proc.stdout.decode(), BANNER + ">>> >>> >>> 1\n>>> ... ... >>> 2\n>>> ")
        self.assertEqual(proc.stderr, b"")
        self.assertEqual(proc.returncode, 0)
        self.assertFalse(os.path.exists(os.path.join(self.home, ".wexlin_history")))

    def test_terminal_input_with_piped_output(self):
        # Editing needs both ends on a terminal; with the output captured
        # the REPL reads the terminal plainly and writes its own prompts.
        main, sub = pty.openpty()
        try:
            proc = subprocess.Popen([WEXLIN], stdin=sub, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                    env=self.env(), cwd=self.home)
            os.close(sub)
            sub = None
            os.write(main, b"print(7)\nexit\n")
            out, err = proc.communicate(timeout=STEP_TIMEOUT * 2)
        finally:
            if sub is not None:
                os.close(sub)
            os.close(main)
        self.assertEqual(out.decode(), BANNER + ">>> 7\n>>> Goodbye!\n")
        self.assertEqual(err, b"")
        self.assertFalse(os.path.exists(os.path.join(self.home, ".wexlin_history")))


if __name__ == "__main__":
    WEXLIN = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
