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
  GET  /slow/N          N bytes in 4096-byte pieces, 20 ms apart
  POST|PUT /upload/NAME body saved as RECORD_DIR/NAME.body, head as NAME.head
Every request line and its headers are appended to RECORD_DIR/requests.log.
"""
import os
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def pattern(n):
    block = bytes((i * 7 + 3) & 0xFF for i in range(251))
    reps = n // len(block) + 1
    return (block * reps)[:n]


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    record_dir = "."

    def log_message(self, fmt, *args):
        pass

    def log_request_head(self):
        with open(os.path.join(self.record_dir, "requests.log"), "a") as log:
            log.write(self.requestline + "\n")
            for k, v in self.headers.items():
                log.write("%s: %s\n" % (k, v))
            log.write("\n")

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
            n = int(arg)
            self.send_response(200)
            self.send_header("Content-Length", str(2 * n))
            self.end_headers()
            self.wfile.write(pattern(n))
            self.wfile.flush()
            time.sleep(30)
            self.close_connection = True
        elif kind == "silent":
            time.sleep(30)
            self.close_connection = True
        elif kind == "drop":
            n = int(arg)
            self.send_response(200)
            self.send_header("Content-Length", str(2 * n))
            self.end_headers()
            self.wfile.write(pattern(n))
            self.wfile.flush()
            self.close_connection = True
        elif kind == "slow":
            data = pattern(int(arg))
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            for i in range(0, len(data), 4096):
                try:
                    self.wfile.write(data[i:i + 4096])
                    self.wfile.flush()
                except OSError:
                    return
                time.sleep(0.02)
        else:
            self.send_body(404, b"no such thing\n")

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
