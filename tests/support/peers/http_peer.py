#!/usr/bin/python3
"""A small HTTP server for the transfer tests: well-behaved and misbehaving
answers on demand, and uploads recorded byte for byte.

usage: http_peer.py PORT RECORD_DIR [CERT KEY]   (with CERT and KEY: HTTPS)

  GET  /file/N          N bytes (pattern below) with Content-Length
  GET  /nolength/N      N bytes, chunked, no Content-Length
  GET  /empty           200 with an empty body
  GET  /status/CODE     that status with a short body
  GET  /redirect/K      302 chain of K hops ending at /file/1000
  GET  /loop            302 to itself, forever
  GET  /away/PORT/PATH  302 to http://localhost:PORT/PATH (another host name)
  GET  /stall/N         Content-Length 2N, N bytes, then silence
  GET  /silent          accepts, reads the request, never answers
  GET  /drop/N          Content-Length 2N, N bytes, then the connection closes
  GET  /reset/N         Content-Length 2N, N bytes, then the connection is reset
  GET  /slow/N          N bytes in 4096-byte pieces, 20 ms apart
  GET  /delay/MS/N      N bytes after a first-byte wait of MS milliseconds; the
                        most of these answered at once goes to RECORD_DIR/peak
  GET  /ranged/N?OPTS    N bytes that honour Range and If-Range. OPTS (joined by &):
                        etag=E      ETag "E" (RECORD_DIR/etag, when present, overrides it)
                        dropat=K    request K of this URL (1 = first) stops halfway
                        busy=K      the first K requests: 503 with Retry-After: 1
                        maxconn=C   more than C at once: 503 without Retry-After
                        retryafter=S  ... with Retry-After: S
                        norange=1   Range ignored (200 with the whole file)
                        rate=B      at most B bytes a second per connection
                        vary=1      the bytes depend on the (numeric) ETag: the
                                    pattern from offset ETag on
                        changeat=K  from request K on, the ETag is one more
                        ignoreifrange=1  If-Range ignored (ranges of any version)
                        gzip=1      206 answers gzip-coded
                        body=B      206 answers without Content-Length, closed
                                    after the body: short (half of it), long
                                    (1000 bytes too many) or exact
                        unasked=1   every answer: 206 with the file's second half
                        (an If-None-Match of the current ETag: 304)
  GET  /cookiepage/NAME  an HTML page that sets the session cookie below and
                        links to /needscookie/NAME (the link's id is "link")
  GET  /needscookie/NAME  with that cookie: 3 MiB as the attachment NAME, in
                        64 KiB pieces 30 ms apart; without it: 403 and a page
  POST|PUT /upload/NAME body saved as RECORD_DIR/NAME.body, head as NAME.head
Every request line and its headers are appended to RECORD_DIR/requests.log,
with a line "At: SECONDS" (a monotonic clock) when it came, and a line per
accepted connection to RECORD_DIR/connections.log.
"""
import os
import sys
import threading
import time
from urllib.parse import parse_qs
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def pattern(n):
    block = bytes((i * 7 + 3) & 0xFF for i in range(251))
    reps = n // len(block) + 1
    return (block * reps)[:n]


_patterns = {}
SESSION_COOKIE = "fetchly_session=S3cr3t-42"


def shared_pattern(n, shift=0):
    # Large files are asked for by many connections at once: made once.
    with Handler.lock:
        if (n, shift) not in _patterns:
            _patterns[(n, shift)] = memoryview(pattern(n + shift)[shift:])
        return _patterns[(n, shift)]


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    record_dir = "."
    lock = threading.Lock()
    seen = {}     # URL -> requests so far
    running = {}  # URL -> requests being answered
    delayed = [0, 0]  # /delay/ answers going now, and the most at once

    def log_message(self, fmt, *args):
        pass

    def setup(self):
        super().setup()
        with Handler.lock, open(os.path.join(self.record_dir, "connections.log"), "a") as log:
            log.write("%s:%d\n" % self.client_address)

    def log_request_head(self):
        # One write per request, so parallel requests never interleave.
        head = self.requestline + "\n" + "".join("%s: %s\n" % kv for kv in self.headers.items())
        head += "At: %.3f\n" % time.monotonic()
        with Handler.lock, open(os.path.join(self.record_dir, "requests.log"), "a") as log:
            log.write(head + "\n")

    def send_body(self, code, body, length=True, extra=()):
        self.send_response(code)
        if length:
            self.send_header("Content-Length", str(len(body)))
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        self.log_request_head()
        parts = self.path.split("?")[0].strip("/").split("/")
        kind, arg = parts[0], (parts[1] if len(parts) > 1 else "")
        if kind == "file":
            self.send_body(200, pattern(int(arg)))
        elif kind == "empty":
            self.send_body(200, b"")
        elif kind == "nolength":
            data = pattern(int(arg))
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for i in range(0, len(data), 3000):
                piece = data[i:i + 3000]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
        elif kind == "status":
            self.send_body(int(arg), b"status page\n")
        elif kind == "redirect":
            hops = int(arg)
            target = "/file/1000" if hops <= 0 else "/redirect/%d" % (hops - 1)
            self.send_body(302, b"moved\n", extra=[("Location", target)])
        elif kind == "away":
            rest = self.path.split("/", 2)[2]
            port, _, path = rest.partition("/")
            self.send_body(302, b"elsewhere\n", extra=[("Location", "http://localhost:%s/%s" % (port, path))])
        elif kind == "loop":
            self.send_body(302, b"again\n", extra=[("Location", "/loop")])
        elif kind == "stall":
            self.send_half(int(arg))
            time.sleep(30)
            self.close_connection = True
        elif kind == "silent":
            time.sleep(30)
            self.close_connection = True
        elif kind == "drop":
            self.send_half(int(arg))
            self.close_connection = True
        elif kind == "reset":
            self.send_half(int(arg))
            import socket, struct
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.close_connection = True
        elif kind == "ranged":
            self.ranged(int(arg))
        elif kind == "slow":
            self.send_paced(pattern(int(arg)), 4096, 0.02)
        elif kind == "cookiepage":
            page = b'<!DOCTYPE html><title>login</title><a id="link" href="/needscookie/%s">%s</a>\n' % (
                arg.encode(), arg.encode())
            self.send_body(200, page, extra=[("Content-Type", "text/html"),
                                             ("Set-Cookie", SESSION_COOKIE + "; Path=/; HttpOnly; SameSite=Lax")])
        elif kind == "needscookie":
            if SESSION_COOKIE not in self.headers.get("Cookie", ""):
                self.send_body(403, b"<html>log in first</html>\n", extra=[("Content-Type", "text/html")])
                return
            self.send_paced(shared_pattern(3 * 1024 * 1024), 65536, 0.03,
                            [("Content-Type", "application/octet-stream"),
                             ("Content-Disposition", 'attachment; filename="%s"' % arg)])
        elif kind == "delay":
            self.delay(int(arg), int(parts[2]) if len(parts) > 2 else 0)
        else:
            self.send_body(404, b"no such thing\n")

    def send_paced(self, data, piece, pause, extra=()):
        # 200 with the whole length announced, the body in pieces `pause` apart.
        self.send_response(200)
        for k, v in extra:
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        for i in range(0, len(data), piece):
            try:
                self.wfile.write(data[i:i + piece])
                self.wfile.flush()
            except OSError:
                return
            time.sleep(pause)

    def delay(self, ms, n):
        with Handler.lock:
            Handler.delayed[0] += 1
            Handler.delayed[1] = max(Handler.delayed)
            with open(os.path.join(self.record_dir, "peak"), "w") as f:
                f.write(str(Handler.delayed[1]))
        try:
            time.sleep(ms / 1000.0)
            self.send_body(200, pattern(n))
        finally:
            with Handler.lock:
                Handler.delayed[0] -= 1

    def send_half(self, n):
        # Promises 2N bytes and sends N: what happens next is the case's own.
        self.send_response(200)
        self.send_header("Content-Length", str(2 * n))
        self.end_headers()
        self.wfile.write(pattern(n))
        self.wfile.flush()

    def ranged(self, n):
        opts = {k: v[0] for k, v in parse_qs(self.path.partition("?")[2]).items()}
        with Handler.lock:
            number = Handler.seen.get(self.path, 0) + 1
            Handler.seen[self.path] = number
            busy = Handler.running.get(self.path, 0)
            Handler.running[self.path] = busy + 1
        try:
            if number <= int(opts.get("busy", "0")):
                self.send_body(503, b"busy\n", extra=[("Retry-After", "1")])
            elif busy >= int(opts.get("maxconn", "1000")):
                wait = opts.get("retryafter")
                self.send_body(503, b"too many\n", extra=[("Retry-After", wait)] if wait else ())
            else:
                self.send_range(n, opts, number)
        finally:
            with Handler.lock:
                Handler.running[self.path] -= 1

    def send_range(self, n, opts, number):
        etag = opts.get("etag")
        etag_file = os.path.join(self.record_dir, "etag")
        if os.path.exists(etag_file):
            with open(etag_file) as f:
                etag = f.read().strip()
        if number >= int(opts.get("changeat", "0") or "0") > 0:
            etag = str(int(etag) + 1)
        shift = int(etag) if opts.get("vary") else 0
        if etag is not None and self.headers.get("If-None-Match") == '"%s"' % etag:
            self.send_response(304)
            self.send_header("ETag", '"%s"' % etag)
            self.end_headers()
            return
        first, last = 0, n - 1
        code = 200
        wanted = self.headers.get("Range", "")
        if_range = self.headers.get("If-Range")
        fresh = if_range is None or opts.get("ignoreifrange") or (etag is not None and if_range == '"%s"' % etag)
        if opts.get("unasked"):
            wanted = "bytes=%d-" % (n // 2)
        if wanted.startswith("bytes=") and not opts.get("norange") and fresh:
            a, _, b = wanted[6:].partition("-")
            first = int(a)
            last = min(int(b), n - 1) if b else n - 1
            if first >= n:
                self.send_body(416, b"", extra=[("Content-Range", "bytes */%d" % n)])
                return
            code = 206
        body = shared_pattern(n, shift)[first:last + 1]
        shape = opts.get("body") if code == 206 else None
        if code == 206 and opts.get("gzip"):
            import gzip
            body = gzip.compress(bytes(body))
        if shape == "short":
            body = body[:len(body) // 2]
        elif shape == "long":
            body = bytes(body) + b"x" * 1000
        self.send_response(code)
        if shape:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(body)))
        self.send_header("Accept-Ranges", "bytes")
        if etag is not None:
            self.send_header("ETag", '"%s"' % etag)
        if code == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (first, last, n))
            if opts.get("gzip"):
                self.send_header("Content-Encoding", "gzip")
        self.end_headers()
        if number == int(opts.get("dropat", "0")):
            body = body[:len(body) // 2]
            self.close_connection = True
        rate = int(opts.get("rate", "0"))
        piece = rate // 10 if rate else 65536
        try:
            for i in range(0, len(body), piece):
                self.wfile.write(body[i:i + piece])
                if rate:
                    time.sleep(0.1)
        except OSError:
            self.close_connection = True

    def receive(self):
        self.log_request_head()
        parts = self.path.strip("/").split("/")
        if len(parts) != 2 or parts[0] != "upload":
            self.send_body(404, b"no such thing\n")
            return
        name = os.path.basename(parts[1])
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            body = b""
            while True:
                size = int(self.rfile.readline().strip(), 16)
                if size == 0:
                    self.rfile.readline()
                    break
                body += self.rfile.read(size)
                self.rfile.readline()
        else:
            body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with open(os.path.join(self.record_dir, name + ".body"), "wb") as f:
            f.write(body)
        with open(os.path.join(self.record_dir, name + ".head"), "w") as f:
            f.write(self.requestline + "\n")
            for k, v in self.headers.items():
                f.write("%s: %s\n" % (k, v))
        self.send_body(201 if self.command == "PUT" else 200, b"stored\n")

    do_POST = receive
    do_PUT = receive


def main():
    port, record_dir = int(sys.argv[1]), sys.argv[2]
    Handler.record_dir = record_dir
    # Room for every connection a run opens at once (the default is 5).
    ThreadingHTTPServer.request_queue_size = 64
    server = ThreadingHTTPServer(("127.0.0.1", port), Handler)
    server.daemon_threads = True
    if len(sys.argv) > 4:
        import ssl
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
