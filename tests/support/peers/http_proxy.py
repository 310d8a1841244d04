#!/usr/bin/python3
"""A forward HTTP proxy that insists on Basic credentials, for the proxy
tests. Every request it gets is logged to LOG (request line and headers).

usage: http_proxy.py PORT USER PASSWORD LOG
"""
import base64
import http.client
import sys
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Proxy(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    expected = ""
    log_path = ""

    def log_message(self, fmt, *args):
        pass

    def do_GET(self):
        with open(self.log_path, "a") as log:
            log.write(self.requestline + "\n")
            for k, v in self.headers.items():
                log.write("%s: %s\n" % (k, v))
            log.write("\n")
        if self.headers.get("Proxy-Authorization", "") != self.expected:
            body = b"proxy credentials wanted\n"
            self.send_response(407)
            self.send_header("Proxy-Authenticate", 'Basic realm="test"')
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        url = urllib.parse.urlsplit(self.path)
        headers = {k: v for k, v in self.headers.items()
                   if k.lower() not in ("proxy-authorization", "proxy-connection", "connection")}
        conn = http.client.HTTPConnection(url.hostname, url.port or 80, timeout=10)
        path = url.path + ("?" + url.query if url.query else "")
        conn.request("GET", path, headers=headers)
        resp = conn.getresponse()
        body = resp.read()
        self.send_response(resp.status)
        for k, v in resp.getheaders():
            if k.lower() not in ("transfer-encoding", "connection", "content-length"):
                self.send_header(k, v)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        conn.close()


def main():
    port, user, password, log = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
    Proxy.expected = "Basic " + base64.b64encode(("%s:%s" % (user, password)).encode()).decode()
    Proxy.log_path = log
    server = ThreadingHTTPServer(("127.0.0.1", port), Proxy)
    server.daemon_threads = True
    server.serve_forever()


if __name__ == "__main__":
    main()
