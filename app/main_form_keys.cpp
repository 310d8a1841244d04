// Commands of the main window beyond its design: keys for every command, the
// tray icon's menu, dropped URLs and the notice at the end of a run.
#include "app/desktop_notifier.h"
#include "app/main_form.h"
#include "markup/qt/markup_list_box.h"
#include "ui/tray_icon.h"
#include "ui/url_drops.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace fetchly {

namespace {

// Gives `action` its keys and names the first in its hint.
void setKeysOf(QAction *action, const QList<QKeySequence> &keys)
{
    action->setShortcuts(keys);
    QStringList names;
    for (const QKeySequence &key : keys)
        names.append(key.toString(QKeySequence::NativeText));
    action->setToolTip(action->text() + QStringLiteral(" (") + names.join(QStringLiteral(", ")) +
                       QLatin1Char(')'));
}

} // namespace

void TDownloadForm::buildDesktopCommands()
{
    m_pasteUrlsAction = new QAction(QStringLiteral("Paste URLs"), this);
    m_pasteUrlsAction->setObjectName(QStringLiteral("pasteUrlsAction"));
    addAction(m_pasteUrlsAction);
    connect(m_pasteUrlsAction, &QAction::triggered, this, [this] { command(&TDownloadForm::onPasteUrlsClicked); });
    m_quitAction = new QAction(QStringLiteral("Quit"), this);
    m_quitAction->setObjectName(QStringLiteral("quitAction"));
    addAction(m_quitAction);
    connect(m_quitAction, &QAction::triggered, this, [this] { command(&TDownloadForm::onQuitClicked); });

    buildTrayMenu();
    setKeys();
    AcceptUrlDrops(m_downloadList, [this](const QMimeData *data) { return addUrlsFromMime(data); });
    m_notifier = new TDesktopNotifier(m_trayIcon, this);
    connect(m_notifier, &TDesktopNotifier::Activated, this, &TDownloadForm::ShowMainWindow);
}

void TDownloadForm::buildTrayMenu()
{
    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("trayMenu"));
    m_showHideAction = m_trayMenu->addAction(QStringLiteral("Show/Hide"));
    m_showHideAction->setObjectName(QStringLiteral("showHideAction"));
    connect(m_showHideAction, &QAction::triggered, this, &TDownloadForm::ToggleMainWindow);
    m_trayMenu->addSeparator();
    // The toolbar's own commands, so they are enabled alike.
    m_trayMenu->addAction(m_startAllButton);
    m_trayMenu->addAction(m_stopButton);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_quitAction);
    m_trayIcon->SetMenu(m_trayMenu);
}

void TDownloadForm::setKeys()
{
    setKeysOf(m_openListButton, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    setKeysOf(m_saveListButton, {QKeySequence(Qt::CTRL | Qt::Key_S)});
    setKeysOf(m_startAllButton, {QKeySequence(Qt::Key_F5)});
    setKeysOf(m_addUrlButton, {QKeySequence(Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::Key_N)});
    setKeysOf(m_stopButton, {QKeySequence(Qt::Key_Escape)});
    setKeysOf(m_quitAction, {QKeySequence(Qt::CTRL | Qt::Key_Q)});
    // Fields that paste text themselves take Ctrl+V first.
    setKeysOf(m_pasteUrlsAction, {QKeySequence(Qt::CTRL | Qt::Key_V)});
    // The entry keys act on the list's selection, so only while it has the
    // focus; the list's menu shows them.
    m_downloadSelectedAction->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    m_deleteSelectedAction->setShortcut(QKeySequence(Qt::Key_Delete));
    for (QAction *action : {m_downloadSelectedAction, m_deleteSelectedAction}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_downloadList->addAction(action);
    }
    for (QAction *action : m_toolBar->actions()) {
        if (auto *button = qobject_cast<QToolButton *>(m_toolBar->widgetForAction(action)))
            button->setFocusPolicy(Qt::TabFocus);
    }
}

} // namespace fetchly
