#!/usr/bin/env python3
"""A bounded load on http.serve from a second process: a few thousand
requests from several threads, every reply checked, and the server still
answering afterwards.

Usage: test_load.py <wexlin>"""
import os
import subprocess
import sys

from harness import Failures, Server, free_port, main_guard, page_reply, raw_exchange

REQUESTS = 3000
THREADS = 8


def run(wexlin):
    t = Failures()
    port = free_port()
    source = f"""use http;
http.page("/", "home");
http.page("/data", http.json({{n: 1}}));
http.serve({port});
"""
    here = os.path.dirname(os.path.abspath(__file__))
    with Server(wexlin, source) as server:
        load = subprocess.run([sys.executable, os.path.join(here, "load_client.py"), str(port), str(REQUESTS),
                               str(THREADS)], capture_output=True, text=True, timeout=240)
        print(load.stdout + load.stderr)
        t.equal(load.stdout.strip(), f"{REQUESTS} of {REQUESTS} correct", "load result")
        t.equal(load.returncode, 0, "load client status")
        t.check(server.alive(), "server alive after the load")
        t.equal(raw_exchange(port, b"GET / HTTP/1.1\r\n\r\n"), page_reply("home"), "reply after the load")
        server.stop()
        t.equal(server.stderr.rest(), "", "standard error of the server")
    return t.exit_code()


if __name__ == "__main__":
    main_guard(run)
