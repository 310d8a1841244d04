// Fetchly's two context-menu entries, and (when the user turns it on in the
// options) the take-over of the browser's own downloads. Everything goes to
// the native messaging host "orvfetchly.turladder", which hands each
// download to the running Fetchly (starting it when needed) over the
// session bus. With each link goes what the site needs to serve it: the
// referrer, the browser's user agent and, once the user has granted the
// cookie permission, the cookies the browser would send to that URL.
"use strict";

const FETCHLY_HOST = "orvfetchly.turladder";
const PROTOCOL_VERSION = 2;
const api = globalThis.browser ?? globalThis.chrome;

const MENU_LINK = "fetchly-add-link";
const MENU_ALL = "fetchly-add-all-links";

// The permissions the options page asks for (options.js names the same).
const COOKIE_PERMISSIONS = { permissions: ["cookies"], origins: ["<all_urls>"] };
const TAKE_OVER_PERMISSIONS = { permissions: ["cookies", "downloads"], origins: ["<all_urls>"] };
const DEFAULT_SETTINGS = { takeOver: false, takeOverTypes: null, takeOverMinBytes: 1024 * 1024 };
// The host refuses messages over 1 MiB; links are sent in parts below that.
const MESSAGE_BUDGET = 900 * 1024;

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

// The Referer the browser itself would send by default
// (strict-origin-when-cross-origin): the whole page URL to its own origin,
// only the origin elsewhere, nothing from https to plain http.
function referrerFor(pageUrl, target) {
  try {
    const page = new URL(pageUrl);
    const to = new URL(target);
    if (!/^https?:$/.test(page.protocol)) return "";
    if (page.protocol === "https:" && to.protocol !== "https:") return "";
    if (page.origin !== to.origin) return page.origin + "/";
    page.hash = "";
    page.username = "";
    page.password = "";
    return page.href;
  } catch {
    return "";
  }
}

async function cookiesFor(url) {
  if (!api.cookies || !(await api.permissions.contains(COOKIE_PERMISSIONS))) return [];
  const cookies = await api.cookies.getAll({ url });
  // The domain goes with each cookie so the host can check that it belongs
  // to the link's host.
  return cookies.map((c) => ({ name: c.name, value: c.value, domain: c.domain, hostOnly: c.hostOnly }));
}

async function itemFor(url, pageUrl, fileName) {
  const item = { url, referrer: referrerFor(pageUrl, url), userAgent: navigator.userAgent };
  if (fileName) item.fileName = fileName;
  const cookies = await cookiesFor(url);
  if (cookies.length > 0) item.cookies = cookies;
  return item;
}

async function askHost(message) {
  return api.runtime.sendNativeMessage(FETCHLY_HOST, { version: PROTOCOL_VERSION, ...message });
}

// Sends the items in as few messages as fit the host's limit; stops at the
// first message Fetchly does not take.
async function sendToFetchly(items, startNow = false) {
  let added = 0;
  let part = [];
  let partBytes = 0;
  const flush = async () => {
    if (part.length === 0) return { ok: true };
    const reply = await askHost({ type: "add", startNow, items: part });
    part = [];
    partBytes = 0;
    if (!reply || !reply.ok) return { ok: false, error: reply ? reply.error : "no reply", added: reply?.added ?? 0 };
    added += reply.added;
    return { ok: true };
  };
  for (const item of items) {
    const bytes = JSON.stringify(item).length * 3; // UTF-8 at its widest
    if (part.length > 0 && partBytes + bytes > MESSAGE_BUDGET) {
      const sent = await flush();
      if (!sent.ok) return { ok: false, added: added + sent.added, error: sent.error };
    }
    part.push(item);
    partBytes += bytes;
  }
  const sent = await flush();
  if (!sent.ok) {
    console.error("Fetchly did not take the links:", sent.error);
    return { ok: false, added: added + sent.added, error: sent.error };
  }
  return { ok: true, added };
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
    const pageUrl = info.frameUrl || info.pageUrl || "";
    let urls;
    if (info.menuItemId === MENU_LINK) urls = downloadableLinks([info.linkUrl]);
    else if (info.menuItemId === MENU_ALL) urls = downloadableLinks(await linksOfTab(tab, info.frameId));
    else return undefined;
    const items = [];
    for (const url of urls) items.push(await itemFor(url, pageUrl));
    return await sendToFetchly(items);
  } catch (error) {
    console.error("Fetchly:", error);
    return { ok: false, added: 0, error: String(error) };
  }
}
globalThis.fetchlyMenuClicked = fetchlyMenuClicked;

// --- Take-over of the browser's own downloads -------------------------------

let hostLinkTypes = null;

// The types the user chose, else the ones Fetchly accepts.
async function takeOverTypes(settings) {
  if (Array.isArray(settings.takeOverTypes)) return settings.takeOverTypes;
  if (hostLinkTypes === null) {
    const reply = await askHost({ type: "linkTypes" });
    hostLinkTypes = reply && reply.ok && Array.isArray(reply.linkTypes) ? reply.linkTypes : [];
  }
  return hostLinkTypes;
}

function baseName(path) {
  return (path || "").split(/[\\/]/).pop();
}

function nameOfUrl(url) {
  try {
    return decodeURIComponent(baseName(new URL(url).pathname));
  } catch {
    return "";
  }
}

function hasType(name, types) {
  const lower = name.toLowerCase();
  return types.some((type) => typeof type === "string" && type.length > 1 && lower.endsWith(type.toLowerCase()));
}

// Cancels the browser's copy of a download Fetchly took and erases it from
// the list; a copy that already finished (a fast server) is removed too.
async function dropBrowserCopy(id) {
  await api.downloads.cancel(id).catch(() => {});
  const [now] = await api.downloads.search({ id });
  if (now && now.state === "complete" && now.exists) await api.downloads.removeFile(id).catch(() => {});
  await api.downloads.erase({ id }).catch(() => {});
}

async function takeOverDownload(download) {
  const settings = await api.storage.local.get(DEFAULT_SETTINGS);
  if (!settings.takeOver || download.state !== "in_progress") return null;
  if (!(await api.permissions.contains(TAKE_OVER_PERMISSIONS))) return null;
  const url = download.finalUrl || download.url;
  if (!/^(https?|ftp):/i.test(url)) return null;
  const fileName = baseName(download.filename) || nameOfUrl(url);
  const types = await takeOverTypes(settings);
  if (!hasType(fileName, types) && !hasType(nameOfUrl(url), types)) return null;
  // An unknown size (-1, or 0 before the headers are in) counts as large.
  if (download.totalBytes > 0 && download.totalBytes < settings.takeOverMinBytes) return null;

  // The browser's download goes on while Fetchly is asked, so whatever
  // Fetchly does not take is a normal browser download, untouched (pausing
  // it would fail on a server that cannot resume).
  let reply;
  try {
    const item = await itemFor(url, download.referrer || "", fileName);
    reply = await sendToFetchly([item], true);
  } catch (error) {
    reply = { ok: false, added: 0, error: String(error) };
  }
  if (reply.ok && reply.added > 0) await dropBrowserCopy(download.id);
  else console.error("Fetchly did not take the download, the browser keeps it:", reply.error);
  // The options page says what became of the last one, so a download that
  // stayed in the browser can be explained. No cookies are kept.
  const lastTakeOver = { fileName, ok: reply.ok && reply.added > 0, error: reply.error || "", at: Date.now() };
  await api.storage.local.set({ lastTakeOver });
  return reply;
}

function watchDownloads() {
  if (api.downloads && !api.downloads.onCreated.hasListener(takeOverDownload))
    api.downloads.onCreated.addListener(takeOverDownload);
}

api.runtime.onInstalled.addListener((details) => {
  createMenus();
  // On first install the options come up once, so the user sees what can be
  // turned on; everything there is off until then.
  if (details.reason === "install") api.runtime.openOptionsPage();
});
api.contextMenus.onClicked.addListener(fetchlyMenuClicked);
// The downloads API exists only once its permission is granted, which the
// options page does while this script is already running.
watchDownloads();
api.permissions.onAdded.addListener(watchDownloads);
api.storage.onChanged.addListener((changes) => {
  if (changes.takeOverTypes) hostLinkTypes = null;
});
