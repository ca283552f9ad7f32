#!/usr/bin/env python3
"""Writes the C++ header with the Unicode tables Wexlin compiles in.

Reads four files of the Unicode Character Database (Debian's unicode-data
package installs them under /usr/share/unicode):

  UnicodeData.txt            general category, simple case mappings
  SpecialCasing.txt          full case mappings (the unconditional ones)
  PropList.txt               White_Space
  DerivedCoreProperties.txt  Alphabetic, Cased, Case_Ignorable

and writes one header: a two-stage lookup from a code point to a character
class (its properties and its upper- and lower-case mappings, as a distance
to the mapped code point or as a sequence of code points), which unicode.cpp
includes. Only the Python standard library is used, so the script runs on any
build machine, also for a cross build.

Usage: gen_unicode_tables.py UCD_DIR OUTPUT_HEADER
"""

import os
import re
import sys

MAX_CODE_POINT = 0x10FFFF
CODE_POINTS = MAX_CODE_POINT + 1

# Flag bits of a character class; unicode.cpp names the same bits.
WHITE_SPACE = 1
ALPHABETIC = 2
NUMERIC = 4
CASED = 8
CASE_IGNORABLE = 16

NUMERIC_CATEGORIES = {"Nd", "Nl", "No"}

# The one conditional special casing that does not depend on a language;
# unicode.cpp applies it when lowering, from the Cased and Case_Ignorable
# flags.
FINAL_SIGMA = (0x03A3, "Final_Sigma")


class UcdError(Exception):
    pass


def data_lines(path):
    """Yields (line number, fields) of a UCD file, comments stripped."""
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if line:
                yield number, [field.strip() for field in line.split(";")]


def code_range(text):
    first, _, last = text.partition("..")
    return int(first, 16), int(last or first, 16)


def file_version(path):
    with open(path, encoding="utf-8") as f:
        match = re.match(r"#\s*\S+?-(\d+\.\d+\.\d+)\.txt", f.readline())
    if not match:
        raise UcdError(f"{path}: no version in its first line")
    return match.group(1)


def read_unicode_data(path, flags, upper, lower):
    range_start = None
    for number, fields in data_lines(path):
        if len(fields) < 15:
            raise UcdError(f"{path}:{number}: {len(fields)} fields, 15 expected")
        code = int(fields[0], 16)
        name, category = fields[1], fields[2]
        if name.endswith(", First>"):
            range_start = code
            continue
        first = code
        if name.endswith(", Last>"):
            if range_start is None:
                raise UcdError(f"{path}:{number}: range end without its start")
            first, range_start = range_start, None
        for c in range(first, code + 1):
            if category in NUMERIC_CATEGORIES:
                flags[c] |= NUMERIC
        # Ranges (CJK ideographs, Hangul syllables, ...) have no case.
        if fields[12]:
            upper[code] = [int(fields[12], 16)]
        if fields[13]:
            lower[code] = [int(fields[13], 16)]


def read_property(path, names, flags):
    """Sets flags[c] |= bit for every line of a property in names (name to bit)."""
    seen = set()
    for number, fields in data_lines(path):
        if len(fields) < 2:
            raise UcdError(f"{path}:{number}: no property name")
        bit = names.get(fields[1])
        if bit is None:
            continue
        seen.add(fields[1])
        first, last = code_range(fields[0])
        for c in range(first, last + 1):
            flags[c] |= bit
    missing = set(names) - seen
    if missing:
        raise UcdError(f"{path}: no lines for {', '.join(sorted(missing))}")


def read_special_casing(path, upper, lower):
    for number, fields in data_lines(path):
        # code; lower; title; upper; [conditions;] -- the trailing ";" leaves
        # an empty last field.
        if len(fields) < 5:
            raise UcdError(f"{path}:{number}: {len(fields)} fields, at least 5 expected")
        code = int(fields[0], 16)
        conditions = fields[4].split() if len(fields) > 5 else []
        if conditions:
            # Language-specific mappings (Turkish, Lithuanian, ...) are not
            # the root locale's. A condition without a language is one the
            # code must implement: only the final sigma is known.
            languages = [c for c in conditions if re.fullmatch(r"[a-z]{2,3}(_[A-Za-z]+)?", c)]
            if not languages and (code, " ".join(conditions)) != FINAL_SIGMA:
                raise UcdError(f"{path}:{number}: unknown language-independent condition {fields[4]}")
            continue
        lower[code] = [int(x, 16) for x in fields[1].split()]
        upper[code] = [int(x, 16) for x in fields[3].split()]


def build_classes(flags, upper, lower):
    """Gives every code point a class index; answers (classes, index per code point, full mappings)."""
    full = [0]  # offset 0 stands for "no full mapping"
    full_offsets = {}

    def mapping(code, mapped):
        if mapped is None or mapped == [code]:
            return 0, 0
        if len(mapped) == 1:
            return mapped[0] - code, 0
        key = tuple(mapped)
        if key not in full_offsets:
            full_offsets[key] = len(full)
            full.append(len(mapped))
            full.extend(mapped)
        return 0, full_offsets[key]

    classes = []
    class_of = {}
    index = [0] * CODE_POINTS
    for c in range(CODE_POINTS):
        key = (flags[c],) + mapping(c, upper.get(c)) + mapping(c, lower.get(c))
        number = class_of.get(key)
        if number is None:
            number = class_of[key] = len(classes)
            classes.append(key)
        index[c] = number
    if len(full) > 0xFFFF:
        raise UcdError("too many full case mappings for 16-bit offsets")
    return classes, index, full


def two_stage(index, shift):
    """Splits index into blocks of 1 << shift entries, sharing equal blocks."""
    size = 1 << shift
    blocks = {}
    block_index = []
    data = []
    for start in range(0, CODE_POINTS, size):
        block = tuple(index[start:start + size])
        number = blocks.get(block)
        if number is None:
            number = blocks[block] = len(blocks)
            data.extend(block)
        block_index.append(number)
    return block_index, data


def element_type(values):
    top = max(values)
    if top <= 0xFF:
        return "std::uint8_t", 1
    if top <= 0xFFFF:
        return "std::uint16_t", 2
    return "std::uint32_t", 4


def array(type_name, name, values, per_line=24):
    lines = [f"inline constexpr {type_name} {name}[{len(values)}] = {{"]
    for i in range(0, len(values), per_line):
        lines.append("    " + ", ".join(str(v) for v in values[i:i + per_line]) + ",")
    lines.append("};")
    return "\n".join(lines)


def generate(ucd):
    files = {name: os.path.join(ucd, name) for name in
             ("UnicodeData.txt", "SpecialCasing.txt", "PropList.txt", "DerivedCoreProperties.txt")}
    for path in files.values():
        if not os.path.isfile(path):
            raise UcdError(f"{path} not found (Debian's unicode-data package installs it)")
    version = file_version(files["DerivedCoreProperties.txt"])

    flags = [0] * CODE_POINTS
    upper, lower = {}, {}
    read_unicode_data(files["UnicodeData.txt"], flags, upper, lower)
    read_special_casing(files["SpecialCasing.txt"], upper, lower)
    read_property(files["PropList.txt"], {"White_Space": WHITE_SPACE}, flags)
    read_property(files["DerivedCoreProperties.txt"],
                  {"Alphabetic": ALPHABETIC, "Cased": CASED, "Case_Ignorable": CASE_IGNORABLE}, flags)

    classes, index, full = build_classes(flags, upper, lower)
    if len(classes) > 0xFFFF:
        raise UcdError("too many character classes")

    # The block size that makes the two stages smallest.
    best = None
    for shift in range(4, 11):
        block_index, data = two_stage(index, shift)
        size = len(block_index) * element_type(block_index)[1] + len(data) * element_type(data)[1]
        if best is None or size < best[0]:
            best = (size, shift, block_index, data)
    _, shift, block_index, data = best

    class_rows = ",\n".join(f"    {{{f}, {ud}, {uf}, {ld}, {lf}}}" for f, ud, uf, ld, lf in classes)
    return f"""// Generated by scripts/gen_unicode_tables.py from the Unicode Character
// Database {version}; do not edit. unicode.cpp is its only reader.
#pragma once

#include <cstdint>

namespace wexlin::unicode::tables {{

inline constexpr char kUnicodeVersion[] = "{version}";

enum : std::uint8_t {{
    kWhiteSpace = {WHITE_SPACE},
    kAlphabetic = {ALPHABETIC},
    kNumeric = {NUMERIC},
    kCased = {CASED},
    kCaseIgnorable = {CASE_IGNORABLE},
}};

// A mapping is either a distance to the one code point it maps to, or (when
// full is not 0) the offset in kFullMappings of a length followed by that
// many code points.
struct CharClass {{
    std::uint8_t flags;
    std::int32_t upper_delta;
    std::uint16_t upper_full;
    std::int32_t lower_delta;
    std::uint16_t lower_full;
}};

inline constexpr CharClass kClasses[{len(classes)}] = {{
{class_rows},
}};

{array("char32_t", "kFullMappings", full, 12)}

// The class of code point c is kClassIndex[(kBlockIndex[c >> kBlockShift]
// << kBlockShift) + (c & kBlockMask)].
inline constexpr int kBlockShift = {shift};
inline constexpr char32_t kBlockMask = {(1 << shift) - 1};

{array(element_type(block_index)[0], "kBlockIndex", block_index)}

{array(element_type(data)[0], "kClassIndex", data)}

}} // namespace wexlin::unicode::tables
"""


def main(argv):
    if len(argv) != 3:
        print("usage: gen_unicode_tables.py UCD_DIR OUTPUT_HEADER", file=sys.stderr)
        return 2
    try:
        text = generate(argv[1])
    except (UcdError, OSError, ValueError) as e:
        print(f"gen_unicode_tables.py: {e}", file=sys.stderr)
        return 1
    # Written beside the target and renamed over it, so an interrupted run
    # never leaves half a header for the next build.
    output = argv[2]
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    partial = output + ".partial"
    with open(partial, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    os.replace(partial, output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
