#!/usr/bin/python3
"""FTP peer for the test suite (pyftpdlib).

One read-write account and anonymous read access share one folder. Every
command the server receives is appended to --command-log as
"<user> <COMMAND> <argument>", so tests can tell how a client behaved
(passive or active data connections, the login it used, directory changes);
each successful login adds "<user> +LOGIN".

--no-size makes the server refuse SIZE, as servers without RFC 3659 do.
A file whose name ends in ".short" is served truncated to half its length,
the way a transfer cut off by a broken connection arrives; one ending in
".stall" sends half its length and then nothing more (the server hangs).
One ending in ".flaky" is cut off at half the first time it is fetched and
served whole (from any REST offset) afterwards. Offsets asked with REST are
honoured by all of them.
"""
import argparse
import io
import logging
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, FileProducer, proto_cmds
from pyftpdlib.servers import FTPServer


class StallingProducer:
    """Hands out what the wrapped producer has, then blocks the server."""

    def __init__(self, inner):
        self.inner = inner

    def more(self):
        data = self.inner.more()
        if not data:
            time.sleep(3600)
        return data


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--port", type=int, required=True)
    p.add_argument("--root", required=True)
    p.add_argument("--user", required=True)
    p.add_argument("--password", required=True)
    p.add_argument("--passive-ports", required=True, help="FIRST-LAST")
    p.add_argument("--command-log", required=True)
    p.add_argument("--no-size", action="store_true")
    a = p.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(a.user, a.password, a.root, perm="elradfmwMT")
    authorizer.add_anonymous(a.root)

    log = open(a.command_log, "a", buffering=1)

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            who = self.username or "-"
            log.write("%s %s %s\n" % (who, cmd.upper(), arg))
            return super().pre_process_command(line, cmd, arg)

        def on_login(self, username):
            log.write("%s +LOGIN \n" % username)

        served = set()

        def ftp_RETR(self, file):
            if file.endswith(".flaky") and file in Handler.served:
                return super().ftp_RETR(file)
            Handler.served.add(file)
            if not file.endswith((".short", ".stall", ".flaky")):
                return super().ftp_RETR(file)
            rest, self._restart_position = self._restart_position, 0
            try:
                with open(file, "rb") as f:
                    data = f.read()
            except OSError as err:
                self.respond("550 %s." % err.strerror)
                return
            fd = io.BytesIO(data[rest: len(data) // 2])
            fd.name = file
            producer = FileProducer(fd, self._current_type)
            if file.endswith(".stall"):
                producer = StallingProducer(producer)
            self.push_dtp_data(producer, isproducer=True, file=fd, cmd="RETR")
            return file

    cmds = dict(proto_cmds)
    if a.no_size:
        cmds.pop("SIZE", None)
    Handler.proto_cmds = cmds
    Handler.authorizer = authorizer
    first, last = (int(x) for x in a.passive_ports.split("-"))
    Handler.passive_ports = range(first, last + 1)
    Handler.permit_privileged_ports = True
    Handler.banner = "fetchly test peer ready"
    # A refused login answers at once instead of after pyftpdlib's 3 s.
    Handler.auth_failed_timeout = 0.05

    logging.basicConfig(level=logging.INFO, stream=sys.stdout)
    server = FTPServer(("127.0.0.1", a.port), Handler)
    server.serve_forever()


if __name__ == "__main__":
    main()
