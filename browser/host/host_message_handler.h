#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// What the native host does with one message of the browser extension, with
// no browser and no bus involved: the caller passes how a URL is handed on.
namespace fetchly::host {

// Hands one URL to the program; returns an empty text on success, else why
// it failed.
using TAddUrlCall = std::function<QString(const QString &url)>;

// One message, a JSON object, is either {"url": "..."} or {"urls": ["...",
// ...]}; every URL is handed on once, in order. The reply is a JSON object:
// {"ok": true, "added": N} when every call succeeded, else {"ok": false,
// "added": N, "error": "..."} (N the calls that succeeded). A malformed
// message gets {"ok": false, "added": 0, "error": "..."} and no call is made.
QByteArray HandleHostMessage(const QByteArray &message, const TAddUrlCall &addUrl);

// The reply for a failure that happens before a message can be read.
QByteArray ErrorReply(const QString &error);

// True when the browser started us for our own extension: Chromium passes
// the calling origin, Firefox the manifest path and the extension id.
bool CallerAllowed(const QStringList &arguments);

} // namespace fetchly::host
