#include "tests/support/notification_server.h"

#include <QDBusMessage>
#include <QProcessEnvironment>

namespace fetchly::test {

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString ConnectionName = QStringLiteral("fetchly-test-notifications");
} // namespace

NotificationServer::NotificationServer()
    : m_bus(QDBusConnection::connectToBus(
          QProcessEnvironment::systemEnvironment().value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")),
          ConnectionName))
{
    m_published =
        m_bus.isConnected() && m_bus.registerVirtualObject(Path, this) && m_bus.registerService(Service);
}

NotificationServer::~NotificationServer()
{
    m_bus.unregisterService(Service);
    m_bus.unregisterObject(Path);
    QDBusConnection::disconnectFromBus(ConnectionName);
}

QString NotificationServer::introspect(const QString &) const
{
    return QString();
}

bool NotificationServer::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    const QList<QVariant> args = message.arguments();
    if (message.member() == QLatin1String("Notify") && args.size() == 8) {
        Notice notice{m_nextId++, args[1].toUInt(), args[3].toString(), args[4].toString(),
                      args[5].toStringList()};
        m_notices.push_back(notice);
        connection.send(message.createReply(QVariant::fromValue(notice.id)));
        return true;
    }
    connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
    return true;
}

void NotificationServer::invokeDefault(uint id)
{
    QDBusMessage signal = QDBusMessage::createSignal(Path, Service, QStringLiteral("ActionInvoked"));
    signal << id << QStringLiteral("default");
    m_bus.send(signal);
}

} // namespace fetchly::test
