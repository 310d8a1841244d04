// Fetchly's two context-menu entries. Both hand URLs to the native messaging
// host "orvfetchly.turladder", which passes each one to the running Fetchly
// (starting it when needed) over the session bus.
"use strict";

const FETCHLY_HOST = "orvfetchly.turladder";
const api = globalThis.browser ?? globalThis.chrome;

const MENU_LINK = "fetchly-add-link";
const MENU_ALL = "fetchly-add-all-links";

function createMenus() {
  api.contextMenus.removeAll(() => {
    api.contextMenus.create({ id: MENU_LINK, title: "&Add URL Link to Fetchly", contexts: ["link"] });
    api.contextMenus.create({
      id: MENU_ALL,
      title: "Add All URL Links to &Fetchly",
      contexts: ["page", "link", "image", "selection", "frame"],
    });
  });
}

// Only links that a downloader can fetch; each once, in page order.
function downloadableLinks(urls) {
  const seen = new Set();
  const result = [];
  for (const url of urls) {
    if (typeof url !== "string" || !/^(https?|ftp):/i.test(url) || seen.has(url)) continue;
    seen.add(url);
    result.push(url);
  }
  return result;
}

async function sendToFetchly(urls) {
  if (urls.length === 0) return { ok: true, added: 0 };
  const reply = await api.runtime.sendNativeMessage(FETCHLY_HOST, { urls });
  if (!reply || !reply.ok) console.error("Fetchly did not take the links:", reply && reply.error);
  return reply;
}

async function linksOfTab(tab, frameId) {
  const target = { tabId: tab.id };
  if (typeof frameId === "number") target.frameIds = [frameId];
  const results = await api.scripting.executeScript({
    target,
    func: () => Array.from(document.links, (a) => a.href),
  });
  return results.flatMap((r) => r.result || []);
}

// The listener of both entries; kept reachable by name so the same path can
// be driven from the browser's developer tools.
async function fetchlyMenuClicked(info, tab) {
  try {
    if (info.menuItemId === MENU_LINK) return await sendToFetchly(downloadableLinks([info.linkUrl]));
    if (info.menuItemId === MENU_ALL) return await sendToFetchly(downloadableLinks(await linksOfTab(tab, info.frameId)));
  } catch (error) {
    console.error("Fetchly:", error);
    return { ok: false, added: 0, error: String(error) };
  }
  return undefined;
}
globalThis.fetchlyMenuClicked = fetchlyMenuClicked;

api.runtime.onInstalled.addListener(createMenus);
api.contextMenus.onClicked.addListener(fetchlyMenuClicked);
