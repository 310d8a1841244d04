#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QMenu;
class QSystemTrayIcon;

namespace fetchly {

// The notification-area icon: a hint text, activation, a context menu and
// balloon messages. Where the desktop has no tray the icon keeps its hint but
// cannot be shown, and Available() says so, so the owner can minimize
// instead of hiding.
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    TTrayIcon(const QIcon &icon, const QString &hint, QObject *parent = nullptr);

    static bool Available();
    QString Hint() const { return m_hint; }
    void SetHint(const QString &hint);
    // True when the icon is actually in a tray.
    bool Shown() const;
    // The menu the tray shows on a right click (owned by the caller).
    void SetMenu(QMenu *menu);
    // A balloon message beside the icon; false where no tray shows it.
    bool ShowMessage(const QString &title, const QString &text);
    QSystemTrayIcon *Tray() const { return m_tray; }

signals:
    // A click, and a double click (which comes after the click of its first
    // press). StatusNotifierItem hosts (KDE Plasma, GNOME's AppIndicator)
    // only ever send the single one.
    void Clicked();
    void DoubleClicked();
    void MessageClicked();

private:
    QSystemTrayIcon *m_tray = nullptr;
    QString m_hint;
};

} // namespace fetchly
