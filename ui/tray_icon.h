#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QSystemTrayIcon;

namespace fetchly {

// The notification-area icon: a hint text and a double click. Where the
// desktop has no tray the icon keeps its hint but cannot be shown, and
// Available() says so, so the owner can minimize instead of hiding.
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    TTrayIcon(const QIcon &icon, const QString &hint, QObject *parent = nullptr);

    static bool Available();
    QString Hint() const { return m_hint; }
    void SetHint(const QString &hint);
    // True when the icon is actually in a tray.
    bool Shown() const;

signals:
    void DoubleClicked();

private:
    QSystemTrayIcon *m_tray = nullptr;
    QString m_hint;
};

} // namespace fetchly
