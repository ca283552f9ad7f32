#!/usr/bin/env python3
"""http.serve answered by real clients: curl, Python's http.client (several
requests on one connection object, HEAD, a 5 MB upload), wexlin's own
http.post, raw sockets that check the exact reply bytes or send a request in
pieces, plus clients that misbehave (send nothing, send too much or garbage,
reset, never read) and must not stop it; and a server out of file
descriptors, which must wait quietly and serve again once it has some.

Usage: test_server.py <wexlin>"""
import http.client
import json
import os
import resource
import shutil
import socket
import struct
import subprocess
import tempfile
import threading
import time

from harness import (HOST, NOT_FOUND, NOT_FOUND_HEAD, Failures, Script, Server, free_port, main_guard, page_reply,
                     raw_exchange)

BIG_PAGE = ("<p>" + "x" * 1000 + "</p>\n") * 32 * 1024  # about 32 MB, far beyond the socket buffers
LONG_PATH = "/" + "a" * 2000  # far beyond one read of 1024 bytes
UPLOAD = 5 * 1000 * 1000
API_VALUE = {"name": "<script>alert('x')</script>", "terms": "a & b > c", "list": ["</script>", "&amp;"]}

PAGES = """use http;
http.page("/", "first");
http.page("/", "second");
http.page("/hello", "h\u00e9llo");
http.page("/hel", "the wrong page");
http.page("{long_path}", "long");
http.page("/api", http.json({{name: "<script>alert('x')</script>", terms: "a & b > c", list: ["</script>", "&amp;"]}}));
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
    while head.startswith(b"HTTP/1.1 100 "):  # an interim reply: the real one follows
        head, _, body = body.partition(b"\r\n\r\n")
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
        t.check(f"Content-Type: {content_type}; charset=utf-8" in headers, f"{what}: content type in {headers!r}")
        t.check(f"Content-Length: {len(body)}" in headers, f"{what}: content length in {headers!r}")
        t.check("Connection: close" in headers, f"{what}: Connection: close in {headers!r}")
    # A 5 MB upload from curl, which asks for "100 Continue" before sending
    # such a body: told to go on at once, it gets the reply without delay.
    folder = tempfile.mkdtemp(prefix="wexlin-upload-")
    upload = os.path.join(folder, "upload.bin")
    try:
        with open(upload, "wb") as f:
            f.write(b"u" * UPLOAD)
        for form in (["--data-binary", f"@{upload}"], ["-F", f"file=@{upload}"]):
            started = time.monotonic()
            status, headers, body = curl(port, "/a", *form)
            elapsed = time.monotonic() - started
            t.equal((status, body), (200, b"A"), f"curl upload {form[0]} of 5 MB")
            t.check(elapsed < 0.9, f"curl upload {form[0]} of 5 MB took {elapsed:.2f} s")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    # HEAD: the headers alone, which curl takes without complaint.
    for path, status, length in (("/hello", 200, 6), ("/missing", 404, 9)):
        proc = subprocess.run(["curl", "-s", "-S", "-v", "-I", "--http1.1", "--max-time", "10",
                               f"http://{HOST}:{port}{path}"], capture_output=True, timeout=30)
        head = proc.stdout.decode("latin-1")
        t.equal(proc.returncode, 0, f"curl -I {path} exit status")
        t.check(head.startswith(f"HTTP/1.1 {status} ") and f"Content-Length: {length}\r\n" in head
                and head.endswith("\r\n\r\n"), f"curl -I {path}: {head!r}")
        t.check(b"Excess" not in proc.stderr, f"curl -I {path} warns: {proc.stderr!r}")


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
        t.equal(response.getheader("Content-Type").lower(), ("text/html" if status == 200 else "text/plain")
                + "; charset=utf-8", f"http.client GET {path} content type")
        conn.close()

    # One connection object for several requests: the reply says the server
    # closes, so http.client opens a new connection for the next one.
    conn = http.client.HTTPConnection(HOST, port, timeout=10)
    try:
        for path, status, body in cases * 2:
            conn.request("GET", path)
            response = conn.getresponse()
            t.equal((response.status, response.read()), (status, body), f"http.client kept connection GET {path}")
        conn.request("HEAD", "/hello")
        response = conn.getresponse()
        t.equal((response.status, response.getheader("Content-Length"), response.read()), (200, "6", b""),
                "http.client HEAD /hello")
        conn.request("GET", "/a")
        t.equal(conn.getresponse().read(), b"A", "http.client GET after HEAD on the same object")
    except (http.client.HTTPException, OSError) as error:
        t.check(False, f"http.client with several requests on one connection: {error!r}")
    finally:
        conn.close()

    # A large upload is read before the reply, which therefore arrives.
    for method in ("POST", "PUT"):
        conn = http.client.HTTPConnection(HOST, port, timeout=20)
        try:
            conn.request(method, "/a", body=b"u" * UPLOAD, headers={"Content-Type": "application/octet-stream"})
            response = conn.getresponse()
            t.equal((response.status, response.read()), (200, b"A"), f"http.client {method} of 5 MB")
        except (http.client.HTTPException, OSError) as error:
            t.check(False, f"http.client {method} of 5 MB: {error!r}")
        finally:
            conn.close()

    # The JSON page is safe inside HTML and reads back with the strict parser.
    conn = http.client.HTTPConnection(HOST, port, timeout=10)
    conn.request("GET", "/api")
    body = conn.getresponse().read()
    conn.close()
    t.check(not any(c in body for c in b"<>&"), f"JSON page holds HTML's special characters: {body!r}")
    try:
        t.equal(json.loads(body.decode("utf-8"), strict=True), API_VALUE, "JSON page read back")
    except ValueError as error:
        t.check(False, f"JSON page {body!r} is not JSON: {error}")


def check_exact_bytes(t, port):
    cases = [  # request, reply, whether the client ends its side after the request
        (b"GET / HTTP/1.1\r\nHost: x\r\n\r\n", page_reply("first"), False),
        (b"GET /nope HTTP/1.1\r\n\r\n", NOT_FOUND, False),
        (b"POST /a HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", page_reply("A"), False),
        (b"HEAD /a HTTP/1.1\r\n\r\n", page_reply("A", head=True), False),
        (b"HEAD /nope HTTP/1.1\r\n\r\n", NOT_FOUND_HEAD, False),
        (b"GET /hello HTTP/1.1\n\n", page_reply("h\u00e9llo"), False),
        (b"\r\nGET /a HTTP/1.1\r\n\r\n", page_reply("A"), False),
        # A client that ends its side before its head is complete is answered
        # from what it sent.
        (b"GET", page_reply("first"), True),
        (b"\r\n", page_reply("first"), True),
        (b"GET /a HTTP/1.1\r\nHost: x", page_reply("A"), True),
        (b"GET /a%20b HTTP/1.1\r\n\r\n", NOT_FOUND, False),
        (b"GET /hello HTTP/1.0\r\n\r\n", page_reply("h\u00e9llo"), False),
        (b"GET /a HTTP/1.1\r\nX-Padding: " + b"p" * 4000 + b"\r\n\r\n", page_reply("A"), False),
        (b"POST /a HTTP/1.1\r\nContent-Length: 65536\r\n\r\n" + b"b" * 65536, page_reply("A"), False),
        # The whole head is read, so a path beyond the first 1024 bytes counts.
        (b"GET " + LONG_PATH.encode() + b" HTTP/1.1\r\n\r\n", page_reply("long"), False),
        (b"GET /" + b"b" * 2000 + b" HTTP/1.1\r\n\r\n", NOT_FOUND, False),
        (bytes(range(256)) * 8, NOT_FOUND, True),
    ]
    t.equal(len(NOT_FOUND), 114, "length of the 404 reply")
    for request, reply, half_close in cases:
        t.equal(raw_exchange(port, request, half_close=half_close), reply, f"raw request {request[:40]!r}")
    # A client that closes its side without sending asks for "/".
    t.equal(raw_exchange(port, b"", half_close=True), page_reply("first"), "empty request")


def check_request_in_pieces(t, port):
    """The reply waits for the blank line that ends the head, however the
    request is cut into packets."""
    cases = [
        ([b"GET /hel", b"lo HTTP/1.1\r\n", b"Host: x\r\n", b"\r\n"], page_reply("h\u00e9llo")),
        ([b"GET /hello HTTP/1.1\r\n\r", b"\n"], page_reply("h\u00e9llo")),
        ([b"POST /a HTTP/1.1\r\nContent-Length: 10\r\n\r\n", b"01234", b"56789"], page_reply("A")),
        ([b"HE", b"AD /a HTTP/1.1\r\n\r\n"], page_reply("A", head=True)),
    ]
    for pieces, expected in cases:
        reply = b""
        with socket.create_connection((HOST, port), timeout=10) as s:
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            try:
                for piece in pieces:
                    s.sendall(piece)
                    time.sleep(0.15)
                while chunk := s.recv(65536):
                    reply += chunk
            except OSError as error:
                reply += b"<%r>" % error
        t.equal(reply, expected, f"request in pieces {pieces!r}")


def check_wexlin_upload(t, wexlin, port):
    """wexlin's own http.post of 5 MB to the wexlin server gets the reply."""
    source = f"""use http;
let body = "u";
while len(body) < {UPLOAD} {{ body = concat(body, body); }}
let reply = http.post("http://127.0.0.1:{port}/a", body);
print(len(body) >= {UPLOAD});
print(split(reply, "\\r\\n")[0]);
print(split(reply, "\\r\\n\\r\\n")[1]);
"""
    script = Script(source)
    try:
        result = script.run(wexlin, timeout=60)
    finally:
        script.cleanup()
    t.equal(result.stderr, b"", "standard error of the uploading script")
    t.equal(result.stdout, b"true\nHTTP/1.1 200 OK\nA\n", "reply to wexlin's 5 MB http.post")


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


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def check_accept_backoff(t, wexlin):
    """With its descriptor limit lowered (prlimit) so that accept fails, the
    server waits without spinning, says so once, and answers the waiting
    client as soon as the limit is back."""
    port = free_port()
    with Server(wexlin, f'use http;\nhttp.page("/a", "A");\nhttp.serve({port});\n') as server:
        pid = server.process.pid
        t.equal(raw_exchange(port, b"GET /a HTTP/1.1\r\n\r\n"), page_reply("A"), "reply before the limit")
        original = resource.prlimit(pid, resource.RLIMIT_NOFILE)
        in_use = {int(name) for name in os.listdir(f"/proc/{pid}/fd")}
        lowest_free = next(fd for fd in range(len(in_use) + 1) if fd not in in_use)
        # No new descriptor can be numbered below the lowest free one.
        resource.prlimit(pid, resource.RLIMIT_NOFILE, (lowest_free, original[1]))
        client = socket.create_connection((HOST, port), timeout=20)
        try:
            client.sendall(b"GET /a HTTP/1.1\r\n\r\n")
            cpu_before = cpu_seconds(pid)
            time.sleep(2)
            cpu_used = cpu_seconds(pid) - cpu_before
            server.stderr.wait_for("\0", 0.5)  # gathers what has arrived
            t.equal(server.stderr.seen, ["Connection error: Too many open files\n"],
                    "accept failures are reported once")
            t.check(cpu_used < 0.2, f"the failing accept used {cpu_used:.2f} s of processor time in 2 s")
            resource.prlimit(pid, resource.RLIMIT_NOFILE, original)
            started = time.monotonic()
            reply = b""
            while chunk := client.recv(65536):
                reply += chunk
            waited = time.monotonic() - started
        finally:
            client.close()
        t.equal(reply, page_reply("A"), "the waiting client is answered once descriptors are free")
        t.check(waited < 3, f"serving resumed only after {waited:.1f} s")
        t.equal(raw_exchange(port, b"GET /a HTTP/1.1\r\n\r\n"), page_reply("A"), "reply after the limit")
        t.check(server.alive(), "server still running after the failures")


def run(wexlin):
    t = Failures()
    port = free_port()
    with Server(wexlin, PAGES.format(port=port, long_path=LONG_PATH), files={"big.html": BIG_PAGE}) as server:
        t.equal(server.stdout.seen, [f"Starting HTTP server on port {port}\n",
                                     f"Server listening on http://localhost:{port}\n"], "console lines")
        check_curl(t, port)
        check_http_client(t, port)
        check_exact_bytes(t, port)
        check_request_in_pieces(t, port)
        check_wexlin_upload(t, wexlin, port)
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
    check_accept_backoff(t, wexlin)
    return t.exit_code()


if __name__ == "__main__":
    main_guard(run)
