"""Drives Fetchly's browser extension in headless Chromium.

Usage: chromium_extension_driver.py EXTENSION_DIR USER_DATA_DIR LINK_URL
       chromium_extension_driver.py --take-over EXTENSION_DIR USER_DATA_DIR PAGE_URL

Starts Chromium with the unpacked extension and a fresh profile (whose
NativeMessagingHosts folder holds the host manifest). The first form waits
for the extension's service worker and runs the "&Add URL Link to Fetchly"
entry's handler for LINK_URL, as a click on that entry does, and prints the
handler's reply as JSON. The second clicks "Let Fetchly download files of
these types" in the options page the extension opens on install, opens
PAGE_URL (which sets a cookie), clicks the element with id "link" there and
prints what firefox_extension_driver.py prints. A headless Chromium cannot
answer the prompt for optional permissions, so this form loads a copy of the
extension whose manifest has them granted already, as "Allow" would leave
them. Talks to Chromium over --remote-debugging-pipe (fd 3 in, fd 4 out,
NUL-terminated JSON), so only the standard library is needed. Exits 0, or
prints why it could not and exits 1. Every wait is bounded.
"""
import fcntl
import json
import os
import select
import shutil
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


def find_target(browser, wanted):
    while True:
        for target in browser.send("Target.getTargets")["targetInfos"]:
            if wanted(target):
                return target
        if time.monotonic() > DEADLINE:
            raise RuntimeError("no such target appeared")
        time.sleep(0.1)


def attach(browser, target):
    return browser.send("Target.attachToTarget", {"targetId": target["targetId"], "flatten": True})["sessionId"]


def evaluate(browser, session, expression):
    result = browser.send("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                               "returnByValue": True, "userGesture": True}, session)
    if "exceptionDetails" in result:
        raise RuntimeError("script failed: %s" % json.dumps(result["exceptionDetails"]))
    return result["result"].get("value")


def wait_for(browser, session, expression, what):
    while True:
        value = evaluate(browser, session, expression)
        if value:
            return value
        if time.monotonic() > DEADLINE:
            raise RuntimeError("waited in vain for " + what)
        time.sleep(0.1)


def click(browser, session, element_id):
    x, y = wait_for(browser, session, """(() => {
        const e = document.getElementById(%s);
        if (!e) return null;
        const r = e.getBoundingClientRect();
        return [r.x + r.width / 2, r.y + r.height / 2];
    })()""" % json.dumps(element_id), "the element " + element_id)
    for kind in ("mousePressed", "mouseReleased"):
        browser.send("Input.dispatchMouseEvent",
                     {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1}, session)


def granted_copy(extension_dir, user_data_dir):
    copy = os.path.join(user_data_dir, "extension")
    shutil.copytree(extension_dir, copy)
    path = os.path.join(copy, "manifest.json")
    with open(path) as f:
        manifest = json.load(f)
    manifest["permissions"] += manifest.pop("optional_permissions", [])
    manifest["host_permissions"] = manifest.pop("optional_host_permissions", [])
    with open(path, "w") as f:
        json.dump(manifest, f)
    return copy


def run_menu_entry(browser, link):
    worker = find_target(browser, lambda t: t["type"] == "service_worker" and EXTENSION_ID in t["url"])
    session = attach(browser, worker)
    # The worker target appears before its script has run.
    wait_for(browser, session, "typeof fetchlyMenuClicked === 'function'", "the extension's script")
    return evaluate(browser, session, "fetchlyMenuClicked({menuItemId: 'fetchly-add-link', linkUrl: %s}, {id: -1})"
                    % json.dumps(link))


def run_take_over(browser, user_data_dir, page_url):
    options = attach(browser, find_target(
        browser, lambda t: t["type"] == "page" and t["url"].endswith(EXTENSION_ID + "/options.html")))
    wait_for(browser, options, "document.getElementById('types')?.value", "the host's link types")
    click(browser, options, "takeOver")
    wait_for(browser, options, "chrome.storage.local.get('takeOver').then(s => s.takeOver)", "the take-over to be on")

    page_id = browser.send("Target.createTarget", {"url": "about:blank"})["targetId"]
    page = attach(browser, {"targetId": page_id})
    browser.send("Browser.setDownloadBehavior",
                 {"behavior": "allow", "downloadPath": os.path.join(user_data_dir, "downloads")})
    browser.send("Page.navigate", {"url": page_url}, page)
    wait_for(browser, page, "document.readyState === 'complete' && !!document.getElementById('link')", "the page")
    clicked_at = time.time()
    click(browser, page, "link")
    last = wait_for(browser, options, "chrome.storage.local.get('lastTakeOver').then(s => s.lastTakeOver && "
                                      "s.lastTakeOver.at >= %d && s.lastTakeOver)" % int(clicked_at * 1000 - 1000),
                    "the extension to hand the download over")
    kept = evaluate(browser, options, "chrome.downloads.search({}).then(l => l.map(d => "
                                      "({url: d.url, state: d.state, filename: d.filename})))")
    return {"clickedAt": clicked_at, "lastTakeOver": last, "leftInBrowser": kept}


def main():
    take_over = sys.argv[1:2] == ["--take-over"]
    args = sys.argv[2:] if take_over else sys.argv[1:]
    if len(args) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    extension_dir, user_data_dir, url = args
    if take_over:
        extension_dir = granted_copy(extension_dir, user_data_dir)
    browser = Browser(extension_dir, user_data_dir)
    try:
        result = run_take_over(browser, user_data_dir, url) if take_over else run_menu_entry(browser, url)
        print(json.dumps(result))
        return 0
    except Exception as error:  # reported to the test, which fails
        print(f"chromium driver: {error}", file=sys.stderr)
        return 1
    finally:
        browser.close()


if __name__ == "__main__":
    sys.exit(main())
