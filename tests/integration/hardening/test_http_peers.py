#!/usr/bin/env python3
"""Misbehaving HTTP peers not covered by the http tests: more clients at once
than the listen queue holds, a client that sends its request a byte at a time,
one that resets in the middle of a large reply, one that uploads far more than
the server reads; and for the client, a server that accepts and never answers
(the script blocks, as specified, until this test stops it) and servers that
close early or send odd bytes.

Usage: test_http_peers.py <wexlin>"""
import os
import socket
import struct
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "http"))

from harness import (HOST, Failures, Script, Server, free_port, main_guard, page_reply,  # noqa: E402
                     raw_exchange)

BIG_PAGE = "y" * (8 << 20)

PAGES = """use http;
http.page("/", "home");
http.page("/a", "A");
http.page("/big", http.template("big.html"));
http.serve({port});
"""


def exchange_or_refusal(port, results, index):
    """One client: the whole correct reply, or a refused or reset connection,
    are acceptable; anything else (a partial or wrong reply) is not."""
    try:
        results[index] = raw_exchange(port, b"GET /a HTTP/1.1\r\n\r\n", timeout=60)
    except (ConnectionRefusedError, ConnectionResetError):
        results[index] = "refused"
    except OSError as error:
        results[index] = "error: %r" % error


def check_more_clients_than_the_queue(t, port):
    count = 400
    results = [None] * count
    threads = [threading.Thread(target=exchange_or_refusal, args=(port, results, i)) for i in range(count)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(90)
    answered = sum(1 for r in results if r == page_reply("A"))
    refused = sum(1 for r in results if r == "refused")
    odd = [r for r in results if r != page_reply("A") and r != "refused"]
    t.check(not odd, "replies that were neither whole nor refused: %r" % odd[:3])
    t.check(answered >= count // 2, "only %d of %d clients answered (%d refused)" % (answered, count, refused))


def check_byte_by_byte_client(t, port):
    # The server waits for the blank line that ends the head, then answers it.
    with socket.create_connection((HOST, port), timeout=30) as s:
        request = b"GET /a HTTP/1.1\r\n\r\n"
        reply = b""
        try:
            for byte in request:
                s.sendall(bytes([byte]))
                time.sleep(0.02)
        except OSError as error:
            t.check(False, "sending byte by byte failed: %r" % error)
        try:
            while chunk := s.recv(65536):
                reply += chunk
        except ConnectionResetError:
            pass
    t.equal(reply, page_reply("A"), "byte by byte")
    t.equal(raw_exchange(port, b"GET /a HTTP/1.1\r\n\r\n"), page_reply("A"), "reply after a slow client")


def check_reset_during_a_large_reply(t, port):
    for _ in range(5):
        s = socket.create_connection((HOST, port), timeout=30)
        s.sendall(b"GET /big HTTP/1.1\r\n\r\n")
        s.recv(1000)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        s.close()
    t.equal(raw_exchange(port, b"GET /a HTTP/1.1\r\n\r\n", timeout=30), page_reply("A"), "reply after resets mid-reply")


def check_oversized_upload(t, port):
    # 20 MB is within what the server reads away before replying, so the
    # uploader gets its reply instead of a reset.
    replies = []

    def upload():
        try:
            with socket.create_connection((HOST, port), timeout=30) as s:
                s.sendall(b"POST /a HTTP/1.1\r\nContent-Length: 20971520\r\n\r\n" + b"u" * (20 << 20))
                reply = b""
                while chunk := s.recv(65536):
                    reply += chunk
                replies.append(reply)
        except OSError as error:
            replies.append(error)

    thread = threading.Thread(target=upload)
    thread.start()
    thread.join(60)
    t.check(not thread.is_alive(), "an oversized upload was still going after 60 s")
    t.equal(replies, [page_reply("A")], "reply to a 20 MB upload")
    t.equal(raw_exchange(port, b"GET /a HTTP/1.1\r\n\r\n", timeout=30), page_reply("A"), "reply after a 20 MB upload")


def check_server(t, wexlin):
    port = free_port()
    with Server(wexlin, PAGES.format(port=port), files={"big.html": BIG_PAGE}) as server:
        check_more_clients_than_the_queue(t, port)
        check_byte_by_byte_client(t, port)
        check_reset_during_a_large_reply(t, port)
        check_oversized_upload(t, port)
        t.check(server.alive(), "server still running")
        server.stop()
        t.equal(server.stderr.rest(), "", "standard error of the server")


class Peer:
    """A one-connection TCP server on a thread, behaving as told."""

    def __init__(self, behaviour):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.bind((HOST, 0))
        self.sock.listen(1)
        self.sock.settimeout(30)
        self.port = self.sock.getsockname()[1]
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self._serve, args=(behaviour,), daemon=True)
        self.thread.start()

    def _serve(self, behaviour):
        try:
            conn, _ = self.sock.accept()
        except OSError:
            return
        with conn:
            conn.settimeout(30)
            try:
                conn.recv(65536)
                behaviour(conn, self.stop)
            except OSError:
                pass

    def close(self):
        self.stop.set()
        self.thread.join(10)
        self.sock.close()


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def check_server_that_never_answers(t, wexlin):
    peer = Peer(lambda conn, stop: stop.wait(60))
    script = Script('use http\nr = http.get("http://127.0.0.1:%d/")\nprint("never")\n' % peer.port)
    process = subprocess.Popen([wexlin, "main.wx"], cwd=script.dir, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        time.sleep(2)
        t.check(process.poll() is None, "the client did not wait for the silent server")
        if process.poll() is None:
            t.check(cpu_seconds(process.pid) < 1.0, "the waiting client used the processor")
    finally:
        process.kill()
        out, err = process.communicate(timeout=10)
        peer.close()
        script.cleanup()
    t.check(b"never" not in out, "the client went on without a reply")


def check_odd_servers(t, wexlin):
    cases = [
        ("closes at once", lambda conn, stop: None, ""),
        ("half a status line", lambda conn, stop: conn.sendall(b"HTTP/1.1 2"), "HTTP/1.1 2"),
        ("NUL bytes", lambda conn, stop: conn.sendall(b"HTTP/1.1 200 OK\r\n\r\n\0\0x"), "HTTP/1.1 200 OK\r\n\r\n\0\0x"),
        ("a reset", lambda conn, stop: conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0)),
         None),
    ]
    for name, behaviour, expected in cases:
        peer = Peer(behaviour)
        script = Script('use http\nr = http.get("http://127.0.0.1:%d/")\nprint(typeof(r))\nprint(len(r))\n'
                        'print("after")\n' % peer.port)
        try:
            result = script.run(wexlin, timeout=60)
        finally:
            peer.close()
            script.cleanup()
        t.equal(result.returncode, 0, name + ": status")
        if expected is None:
            t.check(b"Failed to read response" in result.stderr, name + ": %r" % result.stderr)
            t.equal(result.stdout, b"after\n", name + ": output")
        else:
            t.equal(result.stdout, b"string\n%d\nafter\n" % len(expected.encode()), name + ": output")


def run(wexlin):
    t = Failures()
    check_server(t, wexlin)
    check_server_that_never_answers(t, wexlin)
    check_odd_servers(t, wexlin)
    return t.exit_code()


if __name__ == "__main__":
    main_guard(run)
