#!/usr/bin/env python3
"""Sweeps every code point of the compiled-in Unicode tables against the
Unicode Character Database files themselves.

Runs unicode_sweep (which prints what wexlin::unicode answers, see its
source for the format), works out from the UCD files what each line must be,
and reports every difference. The expectations are derived here on their
own, straight from the files, not from the generator's tables.

Usage: check_unicode_tables.py [--runner PROGRAM] UNICODE_SWEEP UCD_DIR

--runner runs the sweep through another program, such as wine64 for a
Windows build of it; the tables must come out the same everywhere.
"""

import os
import subprocess
import sys

SIGMA, SMALL_SIGMA, FINAL_SIGMA = 0x03A3, 0x03C3, 0x03C2
ALPHA_SMALL = 0x03B1


def fields_of(path):
    with open(path, encoding="utf-8") as f:
        for line in f:
            data = line.split("#", 1)[0]
            if data.strip():
                yield [x.strip() for x in data.split(";")]


def property_set(path, name):
    members = set()
    for fields in fields_of(path):
        if fields[1] == name:
            first, _, last = fields[0].partition("..")
            members.update(range(int(first, 16), int(last or first, 16) + 1))
    assert members, f"{name} not in {path}"
    return members


class Ucd:
    def __init__(self, folder):
        path = lambda name: os.path.join(folder, name)
        self.white_space = property_set(path("PropList.txt"), "White_Space")
        core = path("DerivedCoreProperties.txt")
        self.alphabetic = property_set(core, "Alphabetic")
        self.cased = property_set(core, "Cased")
        self.ignorable = property_set(core, "Case_Ignorable")
        self.numeric = set()
        self.upper, self.lower = {}, {}
        first = None
        for fields in fields_of(path("UnicodeData.txt")):
            code, name, category = int(fields[0], 16), fields[1], fields[2]
            if name.endswith("First>"):
                first = code
                continue
            codes = range(first, code + 1) if name.endswith("Last>") else [code]
            if category in ("Nd", "Nl", "No"):
                self.numeric.update(codes)
            if fields[12]:
                self.upper[code] = [int(fields[12], 16)]
            if fields[13]:
                self.lower[code] = [int(fields[13], 16)]
        for fields in fields_of(path("SpecialCasing.txt")):
            if fields[4]:  # a condition: a language, or the final sigma below
                continue
            code = int(fields[0], 16)
            self.lower[code] = [int(x, 16) for x in fields[1].split()]
            self.upper[code] = [int(x, 16) for x in fields[3].split()]

    def passed_over(self, c):
        # A character both cased and case-ignorable is passed over, as ICU's
        # root-locale lowering does.
        return c in self.ignorable

    def lower_text(self, codes):
        out = []
        for i, c in enumerate(codes):
            if c != SIGMA:
                out.extend(self.lower.get(c, [c]))
                continue
            before = next((d for d in reversed(codes[:i]) if not self.passed_over(d)), None)
            after = next((d for d in codes[i + 1:] if not self.passed_over(d)), None)
            final = before in self.cased and after not in self.cased
            out.append(FINAL_SIGMA if final else SMALL_SIGMA)
        return out

    def upper_text(self, codes):
        return [m for c in codes for m in self.upper.get(c, [c])]


def utf8_hex(codes):
    return "".join(chr(c) for c in codes).encode("utf-8").hex()


def decoded(data):
    # Python's decoder replaces each maximal ill-formed subsequence by one
    # U+FFFD, as the Unicode standard recommends.
    return [ord(ch) for ch in data.decode("utf-8", errors="replace")]


def sigma_flags(ucd, c):
    a, s = ALPHA_SMALL, SIGMA
    texts = ([c, s], [a, c, s], [a, s, c], [a, s, c, a])
    positions = (-1, -1, 1, 1)  # where the sigma's lowering lands
    flags = ""
    for text, at in zip(texts, positions):
        lowered = ucd.lower_text(text)
        # Only the sigma (and α) are in play: c's own lowering may be several
        # code points, so look from the end or from the start.
        flags += "1" if lowered[at] == FINAL_SIGMA else "0"
    return flags


def expected_lines(ucd):
    for c in range(0x110000):
        if 0xD800 <= c <= 0xDFFF:
            # A surrogate's three bytes are ill-formed: one U+FFFD each.
            up = low = "efbfbd" * 3
            flags = "0011"
            props = (0, 0, 0)
        else:
            up, low = utf8_hex(ucd.upper_text([c])), utf8_hex(ucd.lower_text([c]))
            interesting = c in ucd.cased or c in ucd.ignorable or c == SIGMA
            flags = sigma_flags(ucd, c) if interesting else "0011"
            props = (int(c in ucd.white_space), int(c in ucd.alphabetic), int(c in ucd.numeric))
            if props == (0, 0, 0) and flags == "0011" and up == low == utf8_hex([c]):
                continue
        yield f"{c:04X} {props[0]} {props[1]} {props[2]} {flags} U:{up} L:{low}"


def main(argv):
    runner = []
    if len(argv) == 5 and argv[1] == "--runner":
        runner = [argv[2]]
        argv = argv[:1] + argv[3:]
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    sweep, folder = argv[1], argv[2]
    ucd = Ucd(folder)
    output = subprocess.run(runner + [sweep], capture_output=True, text=True, timeout=600, check=True).stdout
    got = output.splitlines()
    table = [line for line in got if not line.startswith("bad ")]
    bad = [line for line in got if line.startswith("bad ")]

    failures = []
    expected = list(expected_lines(ucd))
    got_by_code = {line.split(" ", 1)[0]: line for line in table}
    want_by_code = {line.split(" ", 1)[0]: line for line in expected}
    for code in sorted(set(got_by_code) | set(want_by_code), key=lambda k: int(k, 16)):
        g, w = got_by_code.get(code, f"{code} (not printed)"), want_by_code.get(code, f"{code} (default)")
        if g != w:
            failures.append(f"got  {g}\nwant {w}")

    if not bad:
        failures.append("no lines for ill-formed input")
    for line in bad:
        _, data, up, low = line.split(" ")
        codes = decoded(bytes.fromhex(data))
        want = f"bad {data} U:{utf8_hex(ucd.upper_text(codes))} L:{utf8_hex(ucd.lower_text(codes))}"
        if line != want:
            failures.append(f"got  {line}\nwant {want}")

    for failure in failures[:40]:
        print(failure)
    checked = 0x110000 + len(bad)
    print(f"{checked - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
