#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/. Run once after changing it;
the seeds are kept in the repository so that every fuzz run starts from them."""
import os
import random
import struct

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def put(target, name, data):
    folder = os.path.join(root, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# Lexer and parser: the example programs and a few golden scripts.
for name in ["tour.wx", "filetool.wx", "site.wx", "snake.wx", "pong.wx"]:
    with open(os.path.join(repo, "examples", name), "rb") as f:
        put("lexer_parser", name, f.read())
for rel in ["statements/loops.wx", "statements/match.wx", "statements/try_return.wx", "eval/arithmetic.wx",
            "eval/index_and_range.wx", "scopes/dynamic.wx", "lexer/lexing.wx", "modules/script_modules.wx",
            "builtins/text.wx", "values/display.wx"]:
    with open(os.path.join(repo, "tests", "golden", rel), "rb") as f:
        put("lexer_parser", rel.replace("/", "_"), f.read())
put("lexer_parser", "broken.wx", 'def f(a b { if x { "unterminated /* comment\n match y { 1 => 2 _ => { } ')
put("lexer_parser", "nesting.wx", "x = " + "(" * 2100 + "1" + ")" * 2100 + "\n" + "if 1 { " * 1100 + "}" * 1100)

# Interpreter: the generator reads choices from arbitrary bytes.
rng = random.Random(20240601)
for i, size in enumerate([16, 64, 128, 256, 512, 1024, 2048, 4096]):
    put("interpreter", "random_%d" % i, bytes(rng.randrange(256) for _ in range(size)))

# Payload: script, 8-byte little-endian length, marker.
def trailer(length):
    return struct.pack("<Q", length) + b"WEXLIN_SCRIPT"

runtime = b"\x7fELF" + b"\0" * 60
put("payload", "script", runtime + b'print("hi")' + trailer(11))
put("payload", "empty_script", runtime + trailer(0))
put("payload", "too_long", runtime + b"x" * 10 + trailer(100000001))
put("payload", "beyond_start", b"ab" + trailer(1000))
put("payload", "invalid_utf8", runtime + b"\xff\xfe" + trailer(2))
put("payload", "short", b"WEXLIN_SCRIPT")
put("payload", "two_payloads", runtime + b"a" + trailer(1) + "ü".encode() + trailer(2))
put("payload", "no_marker", runtime + b"print(1)" + struct.pack("<Q", 8) + b"WEXLIN_SCRIPX")

# module.yaml texts.
put("module_yaml", "plain", "name: geo\nversion: 1.0.0\nfiles:\n  - index.wx\n  - lib/shapes.wx\n")
put("module_yaml", "inline", "files: [index.wx, util.wx]\n")
put("module_yaml", "quoted", "files:\n  - \"index.wx\"\n  - 'a b.wx'\n  - lib\\\\win.wx\n")
put("module_yaml", "hostile", "files:\n  - ../../etc/passwd\n  - /abs.wx\n  - ..\\\\up.wx\n  - a/../../b\n  - \"\"\n")
put("module_yaml", "crlf", "files:\r\n  - index.wx\r\n  -   spaced.wx   \r\n# comment\r\nauthor: x\r\n")
put("module_yaml", "none", "name: empty\n")
put("module_yaml", "nested", "files:\n  - index.wx\n  nested:\n    - x.wx\nother:\n  - y.wx\n")

# PE images: "MZ", the PE header offset at 0x3C, "PE\0\0", subsystem at +0x5C.
def pe(offset=0x40, size=None, signature=b"PE\0\0"):
    image = bytearray(b"MZ" + b"\0" * 0x3A + struct.pack("<I", offset))
    image += b"\0" * max(0, offset - len(image))
    image[offset:offset + 4] = signature
    image += b"\0" * max(0, offset + 0x5E - len(image))
    image[offset + 0x5C] = 3
    image += b"rest of the image"
    return bytes(image if size is None else image[:size])

put("pe_subsystem", "console", pe())
put("pe_subsystem", "far_header", pe(offset=0x200))
put("pe_subsystem", "truncated_field", pe(size=0x40 + 0x5D))
put("pe_subsystem", "bad_signature", pe(signature=b"PX\0\0"))
put("pe_subsystem", "offset_past_end", pe(offset=0xFFFFFFF0, size=0x60))
put("pe_subsystem", "tiny", b"MZ")

# HTTP requests.
put("http_request", "get", "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
put("http_request", "get_page", "GET /index.html HTTP/1.0\r\n\r\n")
put("http_request", "post", "POST /\u00fc HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello")
put("http_request", "long_path", "GET /" + "a" * 1500 + " HTTP/1.1\r\n\r\n")
put("http_request", "bare", "GET")
put("http_request", "head", "HEAD /index.html HTTP/1.1\r\n\r\n")
put("http_request", "split_body", "POST /empty HTTP/1.1\ncontent-length: 3\n\nabcGET / HTTP/1.1\r\n\r\n")
put("http_request", "invalid_utf8", b"GET /\xff\xfe HTTP/1.1\r\n\r\n")
put("http_request", "unicode_space", "GET\u3000/empty\u2028HTTP/1.1")
put("http_request", "pipelined", "GET / HTTP/1.1\r\n\r\nGET /index.html HTTP/1.1\r\n\r\n" * 40)
