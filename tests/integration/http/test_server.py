#!/usr/bin/env python3
"""http.serve answered by real clients: curl, Python's http.client and raw
sockets that check the exact reply bytes, plus clients that misbehave (send
nothing, send too much or garbage, reset, never read) and must not stop it.

Usage: test_server.py <wexlin>"""
import http.client
import socket
import struct
import subprocess
import threading
import time

from harness import (HOST, NOT_FOUND, Failures, Server, free_port, main_guard, page_reply, raw_exchange)

BIG_PAGE = ("<p>" + "x" * 1000 + "</p>\n") * 32 * 1024  # about 32 MB, far beyond the socket buffers

PAGES = """use http;
http.page("/", "first");
http.page("/", "second");
http.page("/hello", "h\u00e9llo");
http.page("/a", "A");
http.page("/index", "index page");
http.page("/big", http.template("big.html"));
http.serve({port});
print("not reached");
"""


def curl(port, path, *options):
    """Runs curl and gives (status code, headers text, body bytes)."""
    proc = subprocess.run(["curl", "-s", "-i", "--http1.1", "--max-time", "10", *options,
                           f"http://{HOST}:{port}{path}"], capture_output=True, timeout=30)
    head, _, body = proc.stdout.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    status = int(lines[0].split()[1]) if lines and lines[0].startswith("HTTP/") else None
    return status, "\r\n".join(lines[1:]), body


def check_curl(t, port):
    cases = [  # path, curl options, expected status, expected body
        ("/", [], 200, b"first"),
        ("/missing", [], 404, b"Not Found"),
        ("/a", ["-d", "payload=1"], 200, b"A"),
        ("/a", ["-X", "DELETE"], 200, b"A"),
        ("/a", ["-X", "PUT", "-d", "x"], 200, b"A"),
        ("/?x=1", [], 404, b"Not Found"),
        ("/index", [], 200, b"index page"),
        ("/index/", [], 404, b"Not Found"),
        ("/hello", [], 200, "h\u00e9llo".encode()),
    ]
    for path, options, status, body in cases:
        got_status, headers, got_body = curl(port, path, *options)
        what = f"curl {' '.join(options)} {path}"
        t.equal(got_status, status, what + " status")
        t.equal(got_body, body, what + " body")
        content_type = "text/html" if status == 200 else "text/plain"
        t.check(f"Content-Type: {content_type}" in headers, f"{what}: content type in {headers!r}")
        t.check(f"Content-Length: {len(body)}" in headers, f"{what}: content length in {headers!r}")


def check_http_client(t, port):
    for method in ("GET", "POST", "PUT", "DELETE", "PATCH", "OPTIONS"):
        conn = http.client.HTTPConnection(HOST, port, timeout=10)
        body = b"some body" if method in ("POST", "PUT", "PATCH") else None
        conn.request(method, "/a", body=body)
        response = conn.getresponse()
        t.equal((response.status, response.reason, response.read()), (200, "OK", b"A"), f"http.client {method} /a")
        conn.close()
    cases = [("/", 200, b"first"), ("/hello", 200, "h\u00e9llo".encode()), ("/hello?x=1", 404, b"Not Found"),
             ("/nothing", 404, b"Not Found")]
    for path, status, body in cases:
        conn = http.client.HTTPConnection(HOST, port, timeout=10)
        conn.request("GET", path)
        response = conn.getresponse()
        got = response.read()
        t.equal((response.status, got), (status, body), f"http.client GET {path}")
        t.equal(response.getheader("Content-Length"), str(len(body)), f"http.client GET {path} length")
        conn.close()


def check_exact_bytes(t, port):
    cases = [
        (b"GET / HTTP/1.1\r\nHost: x\r\n\r\n", page_reply("first")),
        (b"GET /nope HTTP/1.1\r\n\r\n", NOT_FOUND),
        (b"POST /a HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", page_reply("A")),
        (b"GET", page_reply("first")),
        (b"\r\n", page_reply("first")),
        (b"GET /a%20b HTTP/1.1\r\n\r\n", NOT_FOUND),
        (b"GET /hello HTTP/1.0\r\n\r\n", page_reply("h\u00e9llo")),
        # A request far beyond the one read of 1024 bytes: the whole reply still arrives.
        (b"GET /a HTTP/1.1\r\nX-Padding: " + b"p" * 4000 + b"\r\n\r\n", page_reply("A")),
        (b"POST /a HTTP/1.1\r\nContent-Length: 65536\r\n\r\n" + b"b" * 65536, page_reply("A")),
        # Only the first 1024 bytes are looked at: the path is cut there.
        (b"GET /" + b"a" * 2000 + b" HTTP/1.1\r\n\r\n", NOT_FOUND),
        (bytes(range(256)) * 8, NOT_FOUND),
    ]
    t.equal(len(NOT_FOUND), 80, "length of the 404 reply")
    for request, reply in cases:
        t.equal(raw_exchange(port, request), reply, f"raw request {request[:40]!r}")
    # A client that closes its side without sending asks for "/".
    with socket.create_connection((HOST, port), timeout=10) as s:
        s.shutdown(socket.SHUT_WR)
        got = b""
        while chunk := s.recv(4096):
            got += chunk
        t.equal(got, page_reply("first"), "empty request")


def check_misbehaving_clients(t, port):
    # Resets right after sending: nothing to answer, the server goes on.
    for _ in range(20):
        s = socket.create_connection((HOST, port), timeout=10)
        s.sendall(b"GET / HTTP/1.1\r\n\r\n")
        s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        s.close()
    t.equal(raw_exchange(port, b"GET /a HTTP/1.1\r\n\r\n"), page_reply("A"), "reply after resets")

    # Connects and says nothing: dropped after the time-out, others are served meanwhile.
    silent = socket.create_connection((HOST, port), timeout=30)
    time.sleep(0.2)
    started = time.monotonic()
    t.equal(raw_exchange(port, b"GET /a HTTP/1.1\r\n\r\n", timeout=30), page_reply("A"), "reply behind a silent client")
    waited = time.monotonic() - started
    t.check(waited < 15, f"a silent client held the server for {waited:.1f}s")
    t.equal(silent.recv(4096), b"", "a silent client is closed without reply")
    silent.close()

    # Asks for a huge page and never reads it: the server gives up writing.
    hog = socket.create_connection((HOST, port), timeout=30)
    hog.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    hog.sendall(b"GET /big HTTP/1.1\r\n\r\n")
    time.sleep(0.2)
    started = time.monotonic()
    t.equal(raw_exchange(port, b"GET / HTTP/1.1\r\n\r\n", timeout=30), page_reply("first"), "reply behind a non-reader")
    waited = time.monotonic() - started
    t.check(waited < 15, f"a client that never reads held the server for {waited:.1f}s")
    hog.close()

    # The huge page itself arrives whole for a client that reads.
    reply = raw_exchange(port, b"GET /big HTTP/1.1\r\n\r\n", timeout=30)
    t.check(reply == page_reply(BIG_PAGE), f"big page: {len(reply)} bytes received")


def check_listening_lines(t, wexlin):
    port = free_port()
    # The low 16 bits of the port count, and a float is truncated.
    for expression in (f"{port + 65536}", f"{port}.9"):
        with Server(wexlin, f'use http;\nhttp.page("/", "p");\nhttp.serve({expression});\n') as server:
            t.equal(server.stdout.seen, [f"Starting HTTP server on port {port}\n",
                                         f"Server listening on http://localhost:{port}\n"], f"lines of serve({expression})")
            t.equal(raw_exchange(port, b"GET / HTTP/1.1\r\n\r\n"), page_reply("p"), f"serve({expression}) answers")
    # Port 65536 becomes 0: the system picks a free port, the lines say 0.
    with Server(wexlin, "use http;\nhttp.serve(65536);\n") as server:
        t.equal(server.stdout.seen, ["Starting HTTP server on port 0\n", "Server listening on http://localhost:0\n"],
                "lines of serve(65536)")


def check_port_in_use(t, wexlin):
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as taken:
        taken.bind((HOST, 0))
        taken.listen(1)
        port = taken.getsockname()[1]
        source = f'use http;\nhttp.serve({port});\nprint("after");\nhttp.serve({port});\nprint("again");\n'
        with Server(wexlin, source, expect_listening=False) as server:
            server.process.wait(timeout=30)
            out, err = server.stdout.rest(), server.stderr.rest()
    t.equal(out, f"Starting HTTP server on port {port}\nafter\nStarting HTTP server on port {port}\nagain\n",
            "stdout of a bind failure")
    t.equal(err.count("Failed to bind to port: Address already in use"), 2, f"bind failure messages in {err!r}")
    t.equal(server.process.returncode, 0, "exit status after a bind failure")


def run(wexlin):
    t = Failures()
    port = free_port()
    with Server(wexlin, PAGES.format(port=port), files={"big.html": BIG_PAGE}) as server:
        t.equal(server.stdout.seen, [f"Starting HTTP server on port {port}\n",
                                     f"Server listening on http://localhost:{port}\n"], "console lines")
        check_curl(t, port)
        check_http_client(t, port)
        check_exact_bytes(t, port)
        check_misbehaving_clients(t, port)
        # Several clients at once queue up and are all answered.
        results = []
        threads = [threading.Thread(target=lambda: results.append(raw_exchange(port, b"GET /a HTTP/1.1\r\n\r\n")))
                   for _ in range(50)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join(30)
        t.equal(results, [page_reply("A")] * 50, "50 simultaneous clients")
        t.check(server.alive(), "server still running")
        server.stop()
        t.equal(server.stderr.rest(), "", "standard error of the server")
    check_listening_lines(t, wexlin)
    check_port_in_use(t, wexlin)
    return t.exit_code()


if __name__ == "__main__":
    main_guard(run)
