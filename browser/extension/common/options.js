// The options page: the cookie permission, and the take-over of the
// browser's downloads with its types and minimum size. The permissions are
// asked for only here, when the user turns a feature on, and given back
// when it is turned off.
"use strict";

const optionsApi = globalThis.browser ?? globalThis.chrome;
const COOKIES = { permissions: ["cookies"], origins: ["<all_urls>"] };
const TAKE_OVER = { permissions: ["cookies", "downloads"], origins: ["<all_urls>"] };
const MEGABYTE = 1024 * 1024;

const sendCookies = document.getElementById("sendCookies");
const takeOver = document.getElementById("takeOver");
const types = document.getElementById("types");
const minSize = document.getElementById("minSize");
const statusLine = document.getElementById("status");

function say(text) {
  statusLine.textContent = text;
}

// ".zip exe, .tar.gz" -> [".zip", ".exe", ".tar.gz"]; a type gets its dot.
function parseTypes(text) {
  const list = [];
  for (const word of text.split(/[\s,;]+/)) {
    if (!word) continue;
    const type = (word.startsWith(".") ? word : "." + word).toLowerCase();
    if (!list.includes(type)) list.push(type);
  }
  return list;
}

async function hostTypes() {
  try {
    const reply = await optionsApi.runtime.sendNativeMessage("orvfetchly.turladder", { version: 2, type: "linkTypes" });
    if (reply && reply.ok && Array.isArray(reply.linkTypes)) return reply.linkTypes;
    say("Fetchly did not name its link types: " + (reply && reply.error));
  } catch (error) {
    say("Fetchly cannot be reached: " + error);
  }
  return [];
}

function showLast(last) {
  const line = document.getElementById("last");
  if (!last) line.textContent = "";
  else if (last.ok) line.textContent = `Last download handed to Fetchly: ${last.fileName}`;
  else line.textContent = `Fetchly did not take ${last.fileName}, the browser kept it: ${last.error}`;
}

async function show() {
  const settings = await optionsApi.storage.local.get({ takeOver: false, takeOverTypes: null, takeOverMinBytes: MEGABYTE });
  sendCookies.checked = await optionsApi.permissions.contains(COOKIES);
  takeOver.checked = settings.takeOver && (await optionsApi.permissions.contains(TAKE_OVER));
  const list = Array.isArray(settings.takeOverTypes) ? settings.takeOverTypes : await hostTypes();
  types.value = list.join(" ");
  minSize.value = String(settings.takeOverMinBytes / MEGABYTE);
  showLast((await optionsApi.storage.local.get("lastTakeOver")).lastTakeOver);
}

optionsApi.storage.onChanged.addListener((changes) => {
  if (changes.lastTakeOver) showLast(changes.lastTakeOver.newValue);
});

// Permissions must be asked for while the click is being handled, before
// anything is awaited.
function onCheckbox(checkbox, wanted, apply) {
  checkbox.addEventListener("change", () => {
    const asked = checkbox.checked ? optionsApi.permissions.request(wanted) : Promise.resolve(true);
    asked
      .then(async (granted) => {
        if (!granted) {
          checkbox.checked = false;
          say("Without the permission this stays off.");
          return;
        }
        await apply(checkbox.checked);
        say(checkbox.checked ? "On." : "Off.");
      })
      .catch((error) => {
        checkbox.checked = false;
        say(String(error));
      });
  });
}

onCheckbox(sendCookies, COOKIES, async (on) => {
  if (on) return;
  // Without cookies a take-over would hand Fetchly links it cannot fetch.
  takeOver.checked = false;
  await optionsApi.storage.local.set({ takeOver: false });
  await optionsApi.permissions.remove(TAKE_OVER);
});

onCheckbox(takeOver, TAKE_OVER, async (on) => {
  await optionsApi.storage.local.set({ takeOver: on });
  if (on) sendCookies.checked = true;
  else await optionsApi.permissions.remove({ permissions: ["downloads"] });
});

types.addEventListener("change", async () => {
  const list = parseTypes(types.value);
  types.value = list.join(" ");
  await optionsApi.storage.local.set({ takeOverTypes: list });
  say("Saved.");
});

minSize.addEventListener("change", async () => {
  const megabytes = Number(minSize.value);
  if (!Number.isFinite(megabytes) || megabytes < 0) {
    say("The size is a number of megabytes, 0 or more.");
    return;
  }
  await optionsApi.storage.local.set({ takeOverMinBytes: Math.round(megabytes * MEGABYTE) });
  say("Saved.");
});

show().catch((error) => say(String(error)));
