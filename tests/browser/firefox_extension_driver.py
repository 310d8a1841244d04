"""Drives Fetchly's browser extension in headless Firefox ESR.

Usage: firefox_extension_driver.py --take-over EXTENSION_DIR PROFILE_DIR PAGE_URL

Starts firefox-esr headless with a fresh profile and talks WebDriver BiDi to
its own remote agent (no driver program). Installs the unpacked extension as
a temporary add-on, opens its options page and clicks "Let Fetchly download
files of these types" (the profile lets the optional permissions be granted
without a prompt; the click is real input, as permissions.request needs),
then opens PAGE_URL in a second tab, which sets a cookie, and clicks the
element with id "link" there. The browser's download of that link is taken
over by the extension. Prints JSON and exits 0:
  {"clickedAt": seconds since the epoch, "lastTakeOver": what the options
   page reports, "leftInBrowser": downloads the browser still lists}
or prints why it could not and exits 1. Every wait is bounded. The native
host is found through $HOME/.mozilla/native-messaging-hosts/.
"""
import asyncio
import json
import os
import signal
import socket
import subprocess
import sys
import time

import websockets

EXTENSION_UUID = "5b0a6f3e-7c61-4d5e-9a0f-4f2b8c1d2e3a"
EXTENSION_ID = "fetchly@fetchly.brindlewick"
DEADLINE = time.monotonic() + 90


def left():
    remaining = DEADLINE - time.monotonic()
    if remaining <= 0:
        raise RuntimeError("Firefox did not finish in time")
    return remaining


def write_prefs(profile):
    prefs = {
        "xpinstall.signatures.required": False,
        "datareporting.policy.dataSubmissionEnabled": False,
        "extensions.webextOptionalPermissionPrompts": False,
        "extensions.webextensions.uuids": json.dumps({EXTENSION_ID: EXTENSION_UUID}),
        "browser.download.dir": os.path.join(profile, "downloads"),
        "browser.download.folderList": 2,
        "browser.download.useDownloadDir": True,
        "browser.download.always_ask_before_handling_new_types": False,
        "browser.download.alwaysOpenPanel": False,
        "browser.shell.checkDefaultBrowser": False,
    }
    with open(os.path.join(profile, "user.js"), "w") as f:
        for name, value in prefs.items():
            f.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Bidi:
    def __init__(self, socket_):
        self.socket = socket_
        self.next_id = 0

    async def send(self, method, params):
        self.next_id += 1
        wanted = self.next_id
        await self.socket.send(json.dumps({"id": wanted, "method": method, "params": params}))
        while True:
            reply = json.loads(await asyncio.wait_for(self.socket.recv(), left()))
            if reply.get("id") == wanted:
                if reply.get("type") == "error":
                    raise RuntimeError("%s: %s %s" % (method, reply.get("error"), reply.get("message")))
                return reply["result"]

    async def evaluate(self, context, expression):
        # The expression's value comes back as JSON text, so any shape works.
        result = await self.send("script.evaluate", {
            "expression": "(async () => JSON.stringify(await (%s)))()" % expression,
            "target": {"context": context}, "awaitPromise": True})
        if result.get("type") == "exception":
            raise RuntimeError("script failed: %s" % json.dumps(result.get("exceptionDetails")))
        return json.loads(result["result"].get("value", "null"))

    async def navigate(self, context, url):
        await self.send("browsingContext.navigate", {"context": context, "url": url, "wait": "complete"})

    async def click(self, context, element_id):
        x, y = await self.evaluate(context, """(() => {
            const r = document.getElementById(%s).getBoundingClientRect();
            return [Math.round(r.x + r.width / 2), Math.round(r.y + r.height / 2)];
        })()""" % json.dumps(element_id))
        await self.send("input.performActions", {"context": context, "actions": [{
            "type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
            "actions": [{"type": "pointerMove", "x": x, "y": y}, {"type": "pointerDown", "button": 0},
                        {"type": "pointerUp", "button": 0}]}]})

    async def wait_for(self, context, expression, what):
        while True:
            value = await self.evaluate(context, expression)
            if value:
                return value
            if left() < 1:
                raise RuntimeError("waited in vain for " + what)
            await asyncio.sleep(0.1)


async def drive(port, extension_dir, page_url):
    socket_ = None
    while socket_ is None:
        try:
            socket_ = await websockets.connect("ws://127.0.0.1:%d/session" % port, max_size=None)
        except OSError:
            left()
            await asyncio.sleep(0.1)
    try:
        bidi = Bidi(socket_)
        await bidi.send("session.new", {"capabilities": {}})
        await bidi.send("webExtension.install", {"extensionData": {"type": "path", "path": extension_dir}})
        # The extension opens its options page when it is installed.
        options = None
        while options is None:
            for context in (await bidi.send("browsingContext.getTree", {}))["contexts"]:
                if context["url"] == "moz-extension://%s/options.html" % EXTENSION_UUID:
                    options = context["context"]
            left()
            await asyncio.sleep(0.1)
        await bidi.wait_for(options, "document.getElementById('types')?.value", "the host's link types")
        await bidi.click(options, "takeOver")
        await bidi.wait_for(options, "browser.permissions.contains({permissions: ['cookies', 'downloads'], "
                                     "origins: ['<all_urls>']})", "the take-over's permissions")
        await bidi.wait_for(options, "browser.storage.local.get('takeOver').then(s => s.takeOver)",
                            "the take-over to be on")

        page = (await bidi.send("browsingContext.create", {"type": "tab"}))["context"]
        await bidi.navigate(page, page_url)
        clicked_at = time.time()
        await bidi.click(page, "link")
        last = await bidi.wait_for(
            options, "browser.storage.local.get('lastTakeOver').then(s => s.lastTakeOver && "
                     "s.lastTakeOver.at >= %d && s.lastTakeOver)" % int(clicked_at * 1000 - 1000),
            "the extension to hand the download over")
        kept = await bidi.evaluate(options, "browser.downloads.search({}).then(l => l.map(d => "
                                            "({url: d.url, state: d.state, filename: d.filename})))")
        return {"clickedAt": clicked_at, "lastTakeOver": last, "leftInBrowser": kept}
    finally:
        await socket_.close()


def main():
    if len(sys.argv) != 5 or sys.argv[1] != "--take-over":
        print(__doc__, file=sys.stderr)
        return 2
    extension_dir, profile, page_url = sys.argv[2:5]
    os.makedirs(os.path.join(profile, "downloads"), exist_ok=True)
    write_prefs(profile)
    port = free_port()
    browser = subprocess.Popen(
        ["firefox-esr", "--headless", "--no-remote", "--profile", profile,
         "--remote-debugging-port", str(port), "about:blank"],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)
    try:
        print(json.dumps(asyncio.run(drive(port, os.path.abspath(extension_dir), page_url))))
        return 0
    except Exception as error:  # reported to the test, which fails
        print("firefox driver: %s" % error, file=sys.stderr)
        return 1
    finally:
        try:
            os.killpg(browser.pid, signal.SIGTERM)
            browser.wait(timeout=10)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            os.killpg(browser.pid, signal.SIGKILL)
            browser.wait()


if __name__ == "__main__":
    sys.exit(main())
