#!/usr/bin/python3
"""The benchmark's slow-to-answer HTTP server: every request waits before its
first byte, as a busy origin or a far one does, so a client that fetches one
file after another pays that wait per file.

usage: first_byte_peer.py PORT CONNECTION_LOG [DELAY_MS]   (default 200 ms)

  GET /SIZE/NAME        SIZE bytes (at most 64 MiB) after DELAY_MS, kept alive

Listens on 127.0.0.1 only. At most 64 connections are served at once; more
are closed at once. An idle connection is closed after 30 s. Each accepted
connection appends a line to CONNECTION_LOG, so the log's length is the
number of connections the clients opened.
"""
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MAX_CONNECTIONS = 64
MAX_SIZE = 64 << 20


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = 30
    delay = 0.2
    log_path = None
    lock = threading.Lock()
    bodies = {}

    def log_message(self, fmt, *args):
        pass

    def setup(self):
        super().setup()
        with Handler.lock, open(Handler.log_path, "a") as log:
            log.write("%s:%d\n" % self.client_address)

    def do_GET(self):
        try:
            size = int(self.path.lstrip("/").split("/", 1)[0])
        except ValueError:
            size = -1
        if not 0 <= size <= MAX_SIZE:
            self.send_error(404)
            return
        time.sleep(Handler.delay)
        with Handler.lock:
            body = Handler.bodies.setdefault(size, bytes(size))
        self.send_response(200)
        self.send_header("Content-Length", str(size))
        self.end_headers()
        self.wfile.write(body)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    slots = threading.BoundedSemaphore(MAX_CONNECTIONS)

    def process_request(self, request, client_address):
        if not self.slots.acquire(blocking=False):
            self.shutdown_request(request)
            return
        super().process_request(request, client_address)

    def handle_error(self, request, client_address):
        # A client that hangs up in the middle of a body is no news.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)

    def process_request_thread(self, request, client_address):
        try:
            super().process_request_thread(request, client_address)
        finally:
            self.slots.release()


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    Handler.log_path = sys.argv[2]
    if len(sys.argv) > 3:
        Handler.delay = int(sys.argv[3]) / 1000.0
    Server(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()


if __name__ == "__main__":
    main()
