#!/usr/bin/env python3
"""http.json output read back by Python's json module: every line must parse
and give the value the script built.

Usage: test_json.py <wexlin>"""
import json

from harness import Failures, Script, main_guard

SOURCE = r"""use http;
def nothing() { }
print(http.json([1, 2.5, "a", true, nothing()]));
print(http.json({}));
print(http.json([]));
print(http.json("quote \" backslash \\ newline \n tab \t return \r nul \0 end"));
print(http.json({name: "Bob", tags: ["x", "y"], nested: {deep: [[], {}], f: false}}));
print(http.json([0.1, 2.0, -0.0, 1.0 / 3.0, 0.0000001, -7, 9223372036854775807]));
print(http.json([sqrt(-1), pow(10, 400), 0 - pow(10, 400)]));
print(http.json(pow(10, 21)));
print(http.json([rect(1, 2, 3, 4), color(1, 2, 3), nothing]));
print(http.json("h\u00e9llo \u2603"));
print(http.json(42));
print(http.json({html: "</script><b>&amp;</b>"}));
"""

EXPECTED = [
    [1, 2.5, "a", True, None],
    {},
    [],
    "quote \" backslash \\ newline \n tab \t return \r nul \0 end",
    {"name": "Bob", "tags": ["x", "y"], "nested": {"deep": [[], {}], "f": False}},
    [0.1, 2, -0.0, 1.0 / 3.0, 1e-7, -7, 9223372036854775807],
    [None, None, None],
    10**21,
    [None, None, None],
    "h\u00e9llo \u2603",
    42,
    {"html": "</script><b>&amp;</b>"},
]


def run(wexlin):
    t = Failures()
    script = Script(SOURCE.replace("\\u00e9", "\u00e9").replace("\\u2603", "\u2603"))
    try:
        result = script.run(wexlin)
    finally:
        script.cleanup()
    t.equal(result.stderr, b"", "standard error")
    lines = result.stdout.decode("utf-8").split("\n")
    t.equal(lines[-1], "", "output ends with a line feed")
    lines = lines[:-1]
    t.equal(len(lines), len(EXPECTED), "number of lines")
    for line, expected in zip(lines, EXPECTED):
        try:
            value = json.loads(line, strict=True)
        except ValueError as error:
            t.check(False, f"{line!r} is not JSON: {error}")
            continue
        t.equal(value, expected, line)
    # The exact texts: no white space, escapes as short as JSON allows,
    # integral floats without a point, never an exponent.
    exact = {
        0: '[1,2.5,"a",true,null]',
        3: r'"quote \" backslash \\ newline \n tab \t return \r nul \u0000 end"',
        5: "[0.1,2,-0,0.3333333333333333,0.0000001,-7,9223372036854775807]",
        6: "[null,null,null]",
        7: "1000000000000000000000",
        # Safe inside an HTML page: nothing there can end a script element.
        11: r'{"html":"\u003c/script\u003e\u003cb\u003e\u0026amp;\u003c/b\u003e"}',
    }
    for index, text in exact.items():
        if index < len(lines):
            t.equal(lines[index], text, f"exact text of line {index + 1}")
    return t.exit_code()


if __name__ == "__main__":
    main_guard(run)
