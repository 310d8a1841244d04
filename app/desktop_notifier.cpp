#include "app/desktop_notifier.h"

#include "ui/tray_icon.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QVariantMap>

namespace fetchly {

namespace {
const char *const Service = "org.freedesktop.Notifications";
const char *const Path = "/org/freedesktop/Notifications";
const char *const Interface = "org.freedesktop.Notifications";
} // namespace

TDesktopNotifier::TDesktopNotifier(TTrayIcon *tray, QObject *parent) : QObject(parent), m_tray(tray)
{
    if (m_tray)
        connect(m_tray, &TTrayIcon::MessageClicked, this, &TDesktopNotifier::Activated);
    // Any sender: the service's owner may change (or start) after this.
    QDBusConnection::sessionBus().connect(QString(), QLatin1String(Path), QLatin1String(Interface),
                                          QStringLiteral("ActionInvoked"), this,
                                          SLOT(actionInvoked(uint, QString)));
}

void TDesktopNotifier::Notify(const QString &title, const QString &body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (m_tray)
            m_tray->ShowMessage(title, body);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                                       QLatin1String(Interface), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("com.brindlewick.Fetchly"));
    call << QStringLiteral("Fetchly") << m_shownId << QStringLiteral("fetchly") << title << body
         << QStringList{QStringLiteral("default"), QStringLiteral("Show Fetchly")} << hints << qint32(-1);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    const QPointer<TTrayIcon> tray(m_tray);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, tray, title, body](QDBusPendingCallWatcher *w) {
                const QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (!reply.isError())
                    m_shownId = reply.value();
                else if (tray)
                    tray->ShowMessage(title, body);
            });
}

void TDesktopNotifier::actionInvoked(uint id, const QString &action)
{
    if (id != 0 && id == m_shownId && action == QLatin1String("default"))
        Q_EMIT Activated();
}

} // namespace fetchly
