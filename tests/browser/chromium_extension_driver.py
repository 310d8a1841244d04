"""Drives Fetchly's browser extension in headless Chromium.

Usage: chromium_extension_driver.py EXTENSION_DIR USER_DATA_DIR LINK_URL

Starts Chromium with the unpacked extension and a fresh profile (whose
NativeMessagingHosts folder holds the host manifest), waits for the
extension's service worker and runs the "&Add URL Link to Fetchly" entry's
handler for LINK_URL, as a click on that entry does. Talks to Chromium over
--remote-debugging-pipe (fd 3 in, fd 4 out, NUL-terminated JSON), so only
the standard library is needed. Prints the handler's reply as JSON and exits
0, or prints why it could not and exits 1. Every wait is bounded.
"""
import fcntl
import json
import os
import select
import subprocess
import sys
import tempfile
import time

EXTENSION_ID = "ilgmkbdnjkcmjfmiocmdnnedeaimocob"
DEADLINE = time.monotonic() + 60


class Browser:
    def __init__(self, extension_dir, user_data_dir):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()
        env = dict(os.environ)
        env.setdefault("TMPDIR", tempfile.gettempdir())

        def wire_pipes():
            # Move both ends out of the way first: either may already be 3 or 4.
            read_end = fcntl.fcntl(to_browser_r, fcntl.F_DUPFD, 100)
            write_end = fcntl.fcntl(from_browser_w, fcntl.F_DUPFD, 100)
            os.dup2(read_end, 3)
            os.dup2(write_end, 4)

        self.process = subprocess.Popen(
            ["chromium", "--headless=new", "--no-sandbox", "--disable-gpu",
             "--user-data-dir=" + user_data_dir,
             "--disable-extensions-except=" + extension_dir,
             "--load-extension=" + extension_dir,
             "--remote-debugging-pipe",
             "--disable-background-networking", "--disable-component-update",
             "--no-first-run", "--disable-sync", "--no-default-browser-check",
             "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            env=env, close_fds=False, preexec_fn=wire_pipes,
            start_new_session=True)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.next_id = 0

    def send(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        wanted = self.next_id
        while True:
            reply = self.read()
            if reply.get("id") == wanted:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})

    def read(self):
        while b"\0" not in self.buffer:
            left = DEADLINE - time.monotonic()
            if left <= 0:
                raise RuntimeError("Chromium did not answer in time")
            ready, _, _ = select.select([self.from_browser], [], [], left)
            if not ready:
                continue
            chunk = os.read(self.from_browser, 65536)
            if not chunk:
                raise RuntimeError("Chromium closed its debugging pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def close(self):
        try:
            self.send("Browser.close")
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, 9)
            self.process.wait()


def main():
    extension_dir, user_data_dir, link = sys.argv[1:4]
    browser = Browser(extension_dir, user_data_dir)
    try:
        worker = None
        while worker is None:
            if time.monotonic() > DEADLINE:
                raise RuntimeError("the extension's service worker did not start")
            for target in browser.send("Target.getTargets")["targetInfos"]:
                if target["type"] == "service_worker" and EXTENSION_ID in target["url"]:
                    worker = target
            if worker is None:
                time.sleep(0.1)
        session = browser.send("Target.attachToTarget",
                               {"targetId": worker["targetId"], "flatten": True})["sessionId"]
        # The worker target appears before its script has run.
        while True:
            state = browser.send("Runtime.evaluate",
                                 {"expression": "typeof fetchlyMenuClicked", "returnByValue": True},
                                 session)["result"].get("value")
            if state == "function":
                break
            if time.monotonic() > DEADLINE:
                raise RuntimeError("the extension's script did not load (fetchlyMenuClicked is %s)" % state)
            time.sleep(0.1)
        expression = ("fetchlyMenuClicked({menuItemId: 'fetchly-add-link', linkUrl: %s}, {id: -1})"
                      % json.dumps(link))
        result = browser.send("Runtime.evaluate",
                              {"expression": expression, "awaitPromise": True, "returnByValue": True},
                              session)
        if "exceptionDetails" in result:
            raise RuntimeError("the handler threw: %s" % json.dumps(result["exceptionDetails"]))
        print(json.dumps(result["result"].get("value")))
        return 0
    except Exception as error:  # reported to the test, which fails
        print(f"chromium driver: {error}", file=sys.stderr)
        return 1
    finally:
        browser.close()


if __name__ == "__main__":
    sys.exit(main())
