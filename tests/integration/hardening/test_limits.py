#!/usr/bin/env python3
"""The interpreter's limits end to end, on the real executable: the REPL with
lines far past its limit and input without any line break, a script of a
million statements, and memory that runs out (an address-space limit on the
child process; skipped under the sanitizers, which reserve address space of
their own). Each run must end with a clear message, never a crash.

Usage: test_limits.py WEXLIN_BINARY [--sanitized]"""
import os
import resource
import subprocess
import sys
import tempfile

WEXLIN = os.path.abspath(sys.argv[1])
SANITIZED = "--sanitized" in sys.argv[2:]
ESC = "\x1b"
ERROR = ESC + "[31m[" + ESC + "[91mERROR" + ESC + "[31m]" + ESC + "[0m "
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


def run(args, stdin=b"", limit_memory=None, limit_stack=None, timeout=120):
    def limit():
        if limit_memory:
            resource.setrlimit(resource.RLIMIT_AS, (limit_memory, limit_memory))
        if limit_stack:
            resource.setrlimit(resource.RLIMIT_STACK, (limit_stack, limit_stack))

    with tempfile.TemporaryDirectory(prefix="wexlin-limits-") as work:
        for name, text in args.get("files", {}).items():
            with open(os.path.join(work, name), "w") as f:
                f.write(text)
        result = subprocess.run([WEXLIN, *args.get("argv", [])], cwd=work, input=stdin, capture_output=True,
                                timeout=timeout, preexec_fn=limit)
    return result.returncode, result.stdout.decode("utf-8", "replace"), result.stderr.decode("utf-8", "replace")


def no_crash(status, err, what):
    check(status in (0, 1), "%s: status %d" % (what, status))
    check("terminate called" not in err and "Segmentation" not in err, "%s: %r" % (what, err[-300:]))


def test_repl_long_lines():
    stdin = (b"let x = 1\n" + b"y" * 3_000_000 + b"\nprint(x)\n" + b"(" * 600_000 + b"\n" + b")" * 600_000 +
             b"\nprint(2)\n")
    status, out, err = run({}, stdin)
    no_crash(status, err, "long REPL lines")
    check(out.endswith(">>> 1\n>>> ... >>> 2\n>>> "), "REPL output %r" % out[-200:])
    check(err == ERROR + "Input line too long (more than 1048576 bytes); it was ignored\n" +
          ERROR + "Input too long (more than 1048576 bytes); the open input was dropped\n", "REPL errors %r" % err)


def test_repl_input_without_line_breaks():
    # 200 MB without a line feed: read to the end in bounded memory.
    stdin = b"x" * (200 << 20)
    status, out, err = run({}, stdin, limit_memory=None if SANITIZED else 512 << 20)
    no_crash(status, err, "REPL input without line breaks")
    check(status == 0, "status %d" % status)
    check(err == ERROR + "Input line too long (more than 1048576 bytes); it was ignored\n", "errors %r" % err)


def test_million_statements():
    source = 'print("start")\n' + "x = 1\n" * 1_000_000 + 'print("end")\n'
    status, out, err = run({"argv": ["big.wx"], "files": {"big.wx": source}})
    no_crash(status, err, "a million statements")
    check(status == 0 and out == "start\n", "million statements: %d %r" % (status, out))
    check(err.startswith("[PARSER ERROR] Max iterations (100000) reached at pos "), "parser notice %r" % err)


def test_module_chain():
    # Each module uses the next: the loads nest on the native stack. With the
    # stack held to 8 MiB, the chain is far longer than what fits.
    count = 20000
    files = {"m%d.wx" % i: "use m%d\nlet v = %d\n" % (i + 1, i) for i in range(count - 1)}
    files["m%d.wx" % (count - 1)] = "let v = 0\n"
    files["main.wx"] = 'use m0\nprint(m0.v)\nprint("done")\n'
    status, out, err = run({"argv": ["main.wx"], "files": files}, limit_stack=8 << 20, timeout=300)
    no_crash(status, err, "a long chain of modules")
    check(status == 0 and out == "0\ndone\n", "module chain: %d %r" % (status, out))
    check(err.count("': Maximum recursion depth exceeded\n") == 1, "module chain errors %r" % err[-500:])


def test_memory_running_out():
    if SANITIZED:
        print("skipped: memory limits under the sanitizers")
        return
    limit = 768 << 20
    source = ('s = "0123456789abcdef"\n'
              'for i in 0..40 { s = s + s }\n'
              'print("still running")\n'
              'a = []\n'
              'for i in 0..1000 { a = push(a, concat(0..100000)) }\n'
              'print("and still")\n')
    status, out, err = run({"argv": ["grow.wx"], "files": {"grow.wx": source}}, limit_memory=limit)
    no_crash(status, err, "memory running out")
    check(status == 0, "status %d" % status)
    check(out == "still running\nand still\n", "output %r" % out)
    check(ERROR + "Out of memory\n" in err, "no out-of-memory line in %r" % err[:500])

    # Tokens of a script too large for the memory left: the last line of
    # defence in main reports it and fails.
    status, out, err = run({"argv": ["huge.wx"], "files": {"huge.wx": "x=1;" * (64 << 20)}}, limit_memory=limit)
    check(status == 1, "huge script status %d" % status)
    check(err == ESC + "[31mError: Out of memory" + ESC + "[0m\n", "huge script error %r" % err)


def test_array_growth_running_out():
    # An array grown one push at a time until its block cannot grow: the push
    # fails, the assignment gives `a` the Error, which ends the loop. The
    # array's block is released: a range of 4 million numbers fits again.
    if SANITIZED:
        print("skipped: memory limits under the sanitizers")
        return
    source = ('a = [1]\n'
              'n = 0\n'
              'while typeof(a) == "array" {\n'
              '  a = push(a, n)\n'
              '  n += 1\n'
              '}\n'
              'print(n > 1000000)\n'
              'print(len(0..4000000))\n')
    status, out, err = run({"argv": ["grow.wx"], "files": {"grow.wx": source}}, limit_memory=256 << 20)
    no_crash(status, err, "array growth running out")
    check(status == 0 and out == "true\n4000000\n", "array growth: %d %r" % (status, out))
    check(err == ERROR + "Out of memory\n" + ERROR + "Error in assignment to 'a': Out of memory\n" + ERROR +
          "Error in while condition: Out of memory\n", "array growth errors %r" % err)


for test in [test_repl_long_lines, test_repl_input_without_line_breaks, test_million_statements, test_module_chain,
             test_memory_running_out, test_array_growth_running_out]:
    print("==", test.__name__, flush=True)
    test()
print("%d check(s) failed" % len(failures) if failures else "all checks passed")
sys.exit(1 if failures else 0)
