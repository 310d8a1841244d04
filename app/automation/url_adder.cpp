#include "app/automation/url_adder.h"

#include <QDBusMetaType>

#include <mutex>

namespace fetchly::automation {

QDBusArgument &operator<<(QDBusArgument &argument, const TDbusHeader &header)
{
    argument.beginStructure();
    argument << header.Name << header.Value;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, TDbusHeader &header)
{
    argument.beginStructure();
    argument >> header.Name >> header.Value;
    argument.endStructure();
    return argument;
}

void RegisterDbusHeaderTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<TDbusHeader>();
        qDBusRegisterMetaType<TDbusHeaderList>();
        // The adaptor's slot names the list by its alias; D-Bus finds the
        // slot's argument types by name.
        qRegisterMetaType<TDbusHeaderList>("fetchly::automation::TDbusHeaderList");
    });
}

TDbusHeaderList ToDbusHeaders(const TRequestHeaders &headers)
{
    TDbusHeaderList list;
    for (const TRequestHeader &header : headers)
        list.append({QString::fromStdString(header.Name), QString::fromStdString(header.Value)});
    return list;
}

TRequestHeaders FromDbusHeaders(const TDbusHeaderList &headers)
{
    TRequestHeaders list;
    for (const TDbusHeader &header : headers)
        list.push_back({header.Name.toStdString(), header.Value.toStdString()});
    return list;
}

TFetchlyAdder::TFetchlyAdder(AddUrlFn addUrl, ShowFn showWindow, AddRequestFn addRequest, QObject *parent)
    : QObject(parent), m_addUrl(std::move(addUrl)), m_showWindow(std::move(showWindow)),
      m_addRequest(std::move(addRequest))
{
    RegisterDbusHeaderTypes();
}

void TFetchlyAdder::AddDownLoadUrl(const QString &URL)
{
    // Both steps run whatever the other did: the window comes up even when
    // adding failed, and nothing escapes into the D-Bus reply.
    try {
        if (m_addUrl)
            m_addUrl(URL);
    } catch (...) {
    }
    showWindow();
}

bool TFetchlyAdder::AddDownloadRequest(const QString &URL, const TDbusHeaderList &Headers,
                                       const QString &FileName, bool StartNow)
{
    TDownloadRequest request{URL.toStdString(), FromDbusHeaders(Headers), FileName.toStdString(), StartNow};
    // Any client of the bus may call this, not only our native host: headers
    // that would break the request line, and a file name that reaches into
    // another folder, are refused here as well.
    bool taken = false;
    if (!request.Url.empty() && RequestHeadersProblem(request.Headers).empty() &&
        IsPlainFileName(request.FileName)) {
        try {
            if (m_addRequest) {
                taken = m_addRequest(request);
            } else if (m_addUrl) {
                m_addUrl(URL);
                taken = true;
            }
        } catch (...) {
            taken = false;
        }
    }
    // A refused download stays the browser's; the window need not come up.
    if (taken)
        showWindow();
    return taken;
}

void TFetchlyAdder::showWindow()
{
    try {
        if (m_showWindow)
            m_showWindow();
    } catch (...) {
    }
}

} // namespace fetchly::automation
