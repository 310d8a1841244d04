#include "ui/tray_icon.h"

#include <QSystemTrayIcon>

namespace fetchly {

TTrayIcon::TTrayIcon(const QIcon &icon, const QString &hint, QObject *parent)
    : QObject(parent), m_tray(new QSystemTrayIcon(icon, this)), m_hint(hint)
{
    m_tray->setToolTip(hint);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit Clicked();
        else if (reason == QSystemTrayIcon::DoubleClick)
            emit DoubleClicked();
    });
    connect(m_tray, &QSystemTrayIcon::messageClicked, this, &TTrayIcon::MessageClicked);
    if (Available())
        m_tray->show();
}

bool TTrayIcon::Available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TTrayIcon::SetHint(const QString &hint)
{
    m_hint = hint;
    m_tray->setToolTip(hint);
}

bool TTrayIcon::Shown() const
{
    return m_tray->isVisible();
}

void TTrayIcon::SetMenu(QMenu *menu)
{
    m_tray->setContextMenu(menu);
}

bool TTrayIcon::ShowMessage(const QString &title, const QString &text)
{
    if (!Shown() || !QSystemTrayIcon::supportsMessages())
        return false;
    m_tray->showMessage(title, text, m_tray->icon());
    return true;
}

} // namespace fetchly
