#!/usr/bin/env python3
"""http.get, http.post and http.send against real servers: a raw socket
listener that records the exact request bytes, and Python's http.server.

Usage: test_client.py <wexlin>"""
import http.server
import socket
import struct
import threading
import time

from harness import HOST, Failures, Script, free_port, main_guard, wexlin_string

CANNED = b"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"


class RecordingListener:
    """Accepts connections one by one, records each complete request (headers
    and Content-Length body), then answers with behaviour(request, socket)."""

    def __init__(self, behaviour):
        self.behaviour = behaviour
        self.requests = []
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.bind((HOST, 0))
        self.sock.listen(16)
        self.sock.settimeout(0.2)
        self.port = self.sock.getsockname()[1]
        self.running = True
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        while self.running:
            try:
                conn, _ = self.sock.accept()
            except socket.timeout:
                continue
            with conn:
                conn.settimeout(10)
                data = b""
                try:
                    while b"\r\n\r\n" not in data:
                        chunk = conn.recv(4096)
                        if not chunk:
                            break
                        data += chunk
                    head, _, body = data.partition(b"\r\n\r\n")
                    length = 0
                    for line in head.split(b"\r\n"):
                        if line.lower().startswith(b"content-length:"):
                            length = int(line.split(b":")[1])
                    while len(body) < length:
                        chunk = conn.recv(4096)
                        if not chunk:
                            break
                        body += chunk
                    self.requests.append(head + b"\r\n\r\n" + body)
                    self.behaviour(conn)
                except OSError:
                    pass

    def close(self):
        self.running = False
        self.thread.join(5)
        self.sock.close()


def canned(conn):
    conn.sendall(CANNED)


def check_request_bytes(t, wexlin):
    listener = RecordingListener(canned)
    p = listener.port
    base = f"http://127.0.0.1:{p}"
    # The Host line names the port, which is never 80 here.
    calls = [  # script expression, exact request bytes
        (f'http.get("{base}/hello?x=1")',
         b"GET /hello?x=1 HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nConnection: close\r\nContent-Length: 0\r\n\r\n" % p),
        (f'http.get("  {base}  ")',
         b"GET / HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nConnection: close\r\nContent-Length: 0\r\n\r\n" % p),
        (f'http.post("{base}/p", 42)',
         b"POST /p HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nConnection: close\r\nContent-Length: 2\r\n\r\n42" % p),
        (f'http.post("127.0.0.1:{p}/d", {{a: 1}})',
         b"POST /d HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nConnection: close\r\nContent-Length: 6\r\n\r\n{a: 1}" % p),
        (f'http.send("{base}/s", "put", "x")',
         b"PUT /s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nConnection: close\r\nContent-Length: 1\r\n\r\nx" % p),
        (f'http.send("{base}/s", "get")',
         b"GET /s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nConnection: close\r\nContent-Length: 0\r\n\r\n" % p),
        (f'http.send("{base}/u", "delete", "h\u00e9")',
         f"DELETE /u HTTP/1.1\r\nHost: 127.0.0.1:{p}\r\nConnection: close\r\nContent-Length: 3\r\n\r\nh\u00e9".encode()),
        (f'http.get("localhost:{p}/local", 1, 2)',
         b"GET /local HTTP/1.1\r\nHost: localhost:%d\r\nConnection: close\r\nContent-Length: 0\r\n\r\n" % p),
    ]
    source = "use http;\n" + "".join(f"print({expression});\n" for expression, _ in calls)
    script = Script(source)
    try:
        result = script.run(wexlin)
    finally:
        listener.close()
        script.cleanup()
    t.equal(result.stdout, (CANNED + b"\n") * len(calls), "replies printed")
    t.equal(result.stderr, b"", "standard error")
    t.equal(len(listener.requests), len(calls), "number of requests")
    for (expression, expected), got in zip(calls, listener.requests):
        t.equal(got, expected, expression)


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def _reply(self, status, body, content_type="text/plain; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        if self.path == "/ok?x=1":
            self._reply(200, "w\u00f6rld".encode())
        elif self.path == "/fail":
            self._reply(500, b"boom")
        elif self.path == "/image":
            self._reply(200, b"\x89PNG\r\n\x1a\n\xff\xfe", "image/png")
        elif self.path == "/linger":
            # Replies at once but closes only a second later: the client reads to the end.
            self._reply(200, b"first part")
            self.wfile.flush()
            time.sleep(1)
        else:
            self.send_error(404)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", 0))
        body = self.rfile.read(length)
        self._reply(201, b"got " + body + b" as " + self.headers.get("Content-Type", "none").encode())

    def do_PATCH(self):
        self._reply(200, b"patched " + self.rfile.read(int(self.headers.get("Content-Length", 0))))


def check_against_http_server(t, wexlin):
    server = http.server.ThreadingHTTPServer((HOST, 0), Handler)
    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1}, daemon=True)
    thread.start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    source = f"""use http;
def main() {{
let r = http.get("{base}/ok?x=1");
print(split(r, "\\r\\n\\r\\n")[1]);
print(split(r, "\\r\\n")[0]);
print(split(http.get("{base}/fail"), "\\r\\n")[0]);
print(split(http.get("{base}/nothing"), "\\r\\n")[0]);
print(split(http.post("{base}/form", "a=1"), "\\r\\n\\r\\n")[1]);
print(split(http.send("{base}/x", "patch", "p"), "\\r\\n\\r\\n")[1]);
print(split(http.get("{base}/linger"), "\\r\\n\\r\\n")[1]);
let image = http.get("{base}/image");
}}
"""
    script = Script(source)
    try:
        started = time.monotonic()
        result = script.run(wexlin)
        elapsed = time.monotonic() - started
    finally:
        server.shutdown()
        server.server_close()
        thread.join(5)
        script.cleanup()
    out = result.stdout.decode("utf-8", "replace").split("\n")
    t.equal(out[0], "w\u00f6rld", "body of a 200 reply")
    t.check(out[1].startswith("HTTP/1.0 200 OK"), f"status line {out[1]!r}")
    t.check(out[2].startswith("HTTP/1.0 500"), f"a 500 reply is returned as text: {out[2]!r}")
    t.check(out[3].startswith("HTTP/1.0 404"), f"a 404 reply is returned as text: {out[3]!r}")
    t.equal(out[4], "got a=1 as none", "post body without content type")
    t.equal(out[5], "patched p", "send with a lower-case method")
    t.equal(out[6], "first part", "reply of a server that closes late")
    t.check(elapsed >= 1, "the client waited for the server to close")
    err = result.stderr.decode("utf-8", "replace")
    t.check("Failed to read response: stream did not contain valid UTF-8" in err, f"binary reply: {err!r}")


def check_failures(t, wexlin):
    closed_port = free_port()

    def reset_after_partial(conn):
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial")
        time.sleep(0.2)
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))

    listener = RecordingListener(reset_after_partial)
    source = f"""use http;
def main() {{
let a = http.get("https://127.0.0.1/");
let b = http.get("http://127.0.0.1:{closed_port}/");
let c = http.get("http://127.0.0.1:{listener.port}/reset");
let d = http.get("http://127.0.0.1:{closed_port}/a\\r\\nX-Injected: 1");
}}
"""
    script = Script(source)
    try:
        result = script.run(wexlin)
    finally:
        listener.close()
        script.cleanup()
    err = result.stderr.decode("utf-8", "replace")
    for message in ["HTTPS not supported, use HTTP",
                    f"Failed to connect to 127.0.0.1:{closed_port}: Connection refused",
                    "Failed to read response: Connection reset by peer",
                    "Invalid request: line break or NUL byte in method, host or path"]:
        t.check(message in err, f"message {message!r} in {err!r}")
    t.equal(result.stdout, b"", "nothing printed by failures")


def run(wexlin):
    t = Failures()
    check_request_bytes(t, wexlin)
    check_against_http_server(t, wexlin)
    check_failures(t, wexlin)
    return t.exit_code()


if __name__ == "__main__":
    main_guard(run)
