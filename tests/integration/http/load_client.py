#!/usr/bin/env python3
"""Load generator run as its own process: sends count requests to the server
on port from several threads at once, each on a fresh connection, and checks
every reply byte for byte. Prints the number of correct replies.

Usage: load_client.py <port> <count> <threads>"""
import socket
import sys
import threading

from harness import HOST, NOT_FOUND, page_reply

EXPECTED = {
    b"/": page_reply("home"),
    b"/data": page_reply('{"n":1}'),
    b"/missing": NOT_FOUND,
}


def worker(port, paths, results):
    for path in paths:
        try:
            with socket.create_connection((HOST, port), timeout=20) as s:
                s.sendall(b"GET " + path + b" HTTP/1.1\r\nHost: x\r\n\r\n")
                reply = b""
                while chunk := s.recv(65536):
                    reply += chunk
            results.append(reply == EXPECTED[path])
        except OSError as error:
            print("request failed:", error, file=sys.stderr)
            results.append(False)


def main():
    port, count, thread_count = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
    paths = list(EXPECTED)
    work = [[paths[(i + k) % len(paths)] for i in range(k, count, thread_count)] for k in range(thread_count)]
    results = []
    threads = [threading.Thread(target=worker, args=(port, share, results)) for share in work]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    print(sum(results), "of", len(results), "correct")
    return 0 if sum(results) == count else 1


if __name__ == "__main__":
    sys.exit(main())
