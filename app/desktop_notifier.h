#pragma once

#include <QObject>
#include <QString>

namespace fetchly {

class TTrayIcon;

// Desktop notifications through org.freedesktop.Notifications on the session
// bus; where no notification service answers, a balloon of the tray icon.
// Each message replaces the one before it. Nothing here waits for the bus.
class TDesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit TDesktopNotifier(TTrayIcon *tray, QObject *parent = nullptr);

    void Notify(const QString &title, const QString &body);

Q_SIGNALS:
    // The user clicked the notification (or its balloon).
    void Activated();

private Q_SLOTS:
    void actionInvoked(uint id, const QString &action);

private:
    TTrayIcon *m_tray = nullptr;
    uint m_shownId = 0;
};

} // namespace fetchly
