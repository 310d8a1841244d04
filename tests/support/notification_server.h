#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>
#include <QStringList>
#include <vector>

namespace fetchly::test {

// A desktop notification service (org.freedesktop.Notifications) on its own
// connection to the current session bus, as a notification daemon is: it
// records each Notify call, answers it with an id and can send the user's
// click back as ActionInvoked.
class NotificationServer : public QDBusVirtualObject {
public:
    struct Notice {
        uint id = 0;
        uint replaces = 0;
        QString summary;
        QString body;
        QStringList actions;
    };

    NotificationServer();
    ~NotificationServer() override;
    // False when the bus or the name was not there.
    bool published() const { return m_published; }
    const std::vector<Notice> &notices() const { return m_notices; }
    // The user clicks notification `id`.
    void invokeDefault(uint id);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    QDBusConnection m_bus;
    bool m_published = false;
    uint m_nextId = 1;
    std::vector<Notice> m_notices;
};

} // namespace fetchly::test
