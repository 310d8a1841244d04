#pragma once

#include "app/automation/url_adder.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>

namespace fetchly::automation {

// Publishes TFetchlyAdder on a bus: the object at /TUrlAdder first, then the
// name OrvFetchly.TUrlAdder, so an activated call never arrives before the
// object exists. Both are withdrawn again when the server goes.
class TAutomationServer {
public:
    enum class TPublishResult {
        Published, // object and name are ours
        NameTaken, // another process owns the name: hand over to it
        Failed,    // no bus, or the bus refused the object or the name
    };

    TAutomationServer(QDBusConnection bus, TFetchlyAdder::AddUrlFn addUrl, TFetchlyAdder::ShowFn showWindow,
                      TFetchlyAdder::AddRequestFn addRequest = {});
    ~TAutomationServer();
    TAutomationServer(const TAutomationServer &) = delete;
    TAutomationServer &operator=(const TAutomationServer &) = delete;

    TPublishResult Publish();
    // Why the last Publish did not succeed.
    QString ErrorText() const { return m_error; }
    TFetchlyAdder &Adder() { return m_adder; }

private:
    QDBusConnection m_bus;
    TFetchlyAdder m_adder;
    bool m_objectRegistered = false;
    bool m_nameOwned = false;
    QString m_error;
};

// Calls AddDownLoadUrl(url) on the program that owns the service name. With
// `startIfMissing` the bus starts the program from its activation file when
// nobody owns the name. Returns an empty text on success, else why it failed.
QString CallAddDownLoadUrl(QDBusConnection bus, const QString &url, bool startIfMissing,
                           int timeoutMs = 25000);

// Calls AddDownloadRequest on the program that owns the service name, as
// CallAddDownLoadUrl does. On success `taken` says whether the program took
// the download.
QString CallAddDownloadRequest(QDBusConnection bus, const TDownloadRequest &request, bool startIfMissing,
                               bool &taken, int timeoutMs = 25000);

// What the program does with its automation switches before it makes any
// window, and what follows from it.
struct TStartupDecision {
    bool exitNow = false;
    int exitCode = 0;
    bool automationMode = false; // started by the bus for a client: stay hidden until a call
    QString message;             // for stderr when exitNow, else a start-up problem to report
};

// -REGSERVER / -UNREGSERVER write or remove the activation file and end the
// program; otherwise the file is written (a failure is ignored), and when a
// running program owns the service it is asked to show its window (a call
// with an empty URL, which adds nothing) and this start ends with status 0.
TStartupDecision BeginServerStartup(const QStringList &arguments, const QString &programPath,
                                    QDBusConnection bus);

} // namespace fetchly::automation
