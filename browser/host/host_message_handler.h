#pragma once

#include "app/automation/url_adder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

// What the native host does with one message of the browser extension, with
// no browser and no bus involved: the caller passes how a download is handed
// on and where the accepted link types come from.
//
// The protocol is versioned. A message without "version" is version 1, the
// first extension's: {"url": "..."} or {"urls": ["...", ...]}. Version 2:
//   {"version": 2, "type": "linkTypes"}
//     -> {"version": 2, "ok": true, "linkTypes": [".zip", ...]}
//   {"version": 2, "type": "add", "startNow": false, "items": [
//      {"url": "...", "referrer": "...", "userAgent": "...", "fileName": "...",
//       "cookies": [{"name": "...", "value": "...", "domain": "...", "hostOnly": true}]}]}
//     -> {"version": 2, "ok": true, "added": N}
// Every reply has "ok"; a failure has "error" and, for "add", "added" (how
// many went through before it). Fields the host does not know are ignored.
// A message over 1 MiB, a newer version, a value with a line break, a file
// name with a folder in it, or a cookie whose domain does not cover the
// link's host is refused whole: nothing is handed on.
namespace fetchly::host {

inline constexpr int kProtocolVersion = 2;

// Hands one download to the program; returns an empty text when it was
// taken, else why not.
using TAddCall = std::function<QString(const automation::TDownloadRequest &request)>;
// The link types the program accepts (".zip", ...).
using TLinkTypesCall = std::function<std::vector<std::string>()>;

struct THostCalls {
    TAddCall add;
    TLinkTypesCall linkTypes;
};

QByteArray HandleHostMessage(const QByteArray &message, const THostCalls &calls);

// The reply for a failure that happens before a message can be read.
QByteArray ErrorReply(const QString &error);

// True when `host` (a URL's host) is one the browser sends a cookie of
// `domain` to: the same host, or with `hostOnly` false a subdomain of it.
bool CookieDomainCovers(const QString &domain, bool hostOnly, const QString &host);

// True when the browser started us for our own extension: Chromium passes
// the calling origin, Firefox the manifest path and the extension id.
bool CallerAllowed(const QStringList &arguments);

} // namespace fetchly::host
