#pragma once

#include "transfer/request_headers.h"

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <functional>
#include <string>

namespace fetchly::automation {

using fetchly::IsPlainFileName;
using fetchly::RequestHeadersProblem;
using fetchly::TRequestHeader;
using fetchly::TRequestHeaders;

// One download as a client hands it over with AddDownloadRequest: the URL,
// what the site needs with it, the file name the browser would have used
// (empty: take it from the URL) and whether it should start at once.
struct TDownloadRequest {
    std::string Url;
    TRequestHeaders Headers;
    std::string FileName;
    bool StartNow = false;
};

// One header as it travels on the bus, a (ss) pair.
struct TDbusHeader {
    QString Name;
    QString Value;
};
using TDbusHeaderList = QList<TDbusHeader>;

QDBusArgument &operator<<(QDBusArgument &argument, const TDbusHeader &header);
const QDBusArgument &operator>>(const QDBusArgument &argument, TDbusHeader &header);
// Makes the header list known to Qt's D-Bus; safe to call more than once.
void RegisterDbusHeaderTypes();

TDbusHeaderList ToDbusHeaders(const TRequestHeaders &headers);
TRequestHeaders FromDbusHeaders(const TDbusHeaderList &headers);

// The object behind /TUrlAdder. It has no state of its own: each call hands
// the URL to the main window and then shows the window. Neither method can
// return a D-Bus error: AddDownLoadUrl tells nothing, AddDownloadRequest
// only whether the download was taken (and shows the window only then).
class TFetchlyAdder : public QObject {
    Q_OBJECT
public:
    using AddUrlFn = std::function<void(const QString &url)>;
    using ShowFn = std::function<void()>;
    // True when the window took the download.
    using AddRequestFn = std::function<bool(const TDownloadRequest &request)>;

    // Without `addRequest`, AddDownloadRequest hands only the URL to
    // `addUrl`, as AddDownLoadUrl does.
    TFetchlyAdder(AddUrlFn addUrl, ShowFn showWindow, AddRequestFn addRequest = {},
                  QObject *parent = nullptr);

public Q_SLOTS:
    void AddDownLoadUrl(const QString &URL);
    // False when the request was not taken: headers that could not be sent
    // as they are, an empty URL, or a window that refused it.
    bool AddDownloadRequest(const QString &URL, const fetchly::automation::TDbusHeaderList &Headers,
                            const QString &FileName, bool StartNow);

private:
    void showWindow();

    AddUrlFn m_addUrl;
    ShowFn m_showWindow;
    AddRequestFn m_addRequest;
};

} // namespace fetchly::automation

Q_DECLARE_METATYPE(fetchly::automation::TDbusHeader)
