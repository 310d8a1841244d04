// Commands of the main window beyond its design: keys for every command, the
// Stop button, the tray icon's menu and the notice at the end of a run.
#include "app/desktop_notifier.h"
#include "app/main_form.h"
#include "ui/tray_icon.h"

#include <QAction>
#include <QCoreApplication>
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
    // Stop goes after the designed buttons, so none of them moves.
    ToolBar1->addSeparator();
    StopButton = ToolBar1->addAction(ImageList1.value(7), QStringLiteral("Stop Downloading"));
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setEnabled(false);
    if (QWidget *button = ToolBar1->widgetForAction(StopButton))
        button->setFixedSize(39, 38);
    connect(StopButton, &QAction::triggered, this, [this] { unguarded(&TDownloadForm::StopButtonClick); });

    PasteUrls1 = new QAction(QStringLiteral("Paste URLs"), this);
    PasteUrls1->setObjectName(QStringLiteral("PasteUrls1"));
    addAction(PasteUrls1);
    connect(PasteUrls1, &QAction::triggered, this, [this] { unguarded(&TDownloadForm::PasteUrls1Click); });
    Quit1 = new QAction(QStringLiteral("Quit"), this);
    Quit1->setObjectName(QStringLiteral("Quit1"));
    addAction(Quit1);
    connect(Quit1, &QAction::triggered, this, [this] { unguarded(&TDownloadForm::Quit1Click); });

    buildTrayMenu();
    setKeys();
    setUpUrlDrops();
    Notifier = new TDesktopNotifier(TrayIcon1, this);
    connect(Notifier, &TDesktopNotifier::Activated, this, &TDownloadForm::ShowMainWindow);
}

void TDownloadForm::buildTrayMenu()
{
    TrayPopUp = new QMenu(this);
    TrayPopUp->setObjectName(QStringLiteral("TrayPopUp"));
    ShowHide1 = TrayPopUp->addAction(QStringLiteral("Show/Hide"));
    ShowHide1->setObjectName(QStringLiteral("ShowHide1"));
    connect(ShowHide1, &QAction::triggered, this, &TDownloadForm::ToggleMainWindow);
    TrayPopUp->addSeparator();
    // The toolbar's own commands, so they are enabled alike.
    TrayPopUp->addAction(ToolButton5);
    TrayPopUp->addAction(StopButton);
    TrayPopUp->addSeparator();
    TrayPopUp->addAction(Quit1);
    TrayIcon1->SetMenu(TrayPopUp);
}

void TDownloadForm::setKeys()
{
    setKeysOf(ToolButton3, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    setKeysOf(ToolButton4, {QKeySequence(Qt::CTRL | Qt::Key_S)});
    setKeysOf(ToolButton5, {QKeySequence(Qt::Key_F5)});
    setKeysOf(ToolButton6, {QKeySequence(Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::Key_N)});
    setKeysOf(StopButton, {QKeySequence(Qt::Key_Escape)});
    setKeysOf(Quit1, {QKeySequence(Qt::CTRL | Qt::Key_Q)});
    // Fields that paste text themselves take Ctrl+V first.
    setKeysOf(PasteUrls1, {QKeySequence(Qt::CTRL | Qt::Key_V)});
    // The entry keys act on the list's selection, so only while it has the
    // focus; the list's menu shows them.
    DownLoadThisFile1->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    DeleteThisFile1->setShortcut(QKeySequence(Qt::Key_Delete));
    for (QAction *action : {DownLoadThisFile1, DeleteThisFile1}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        URLBox->addAction(action);
    }
    for (QAction *action : ToolBar1->actions()) {
        if (auto *button = qobject_cast<QToolButton *>(ToolBar1->widgetForAction(action)))
            button->setFocusPolicy(Qt::TabFocus);
    }
}

void TDownloadForm::TrayIcon1DblClick()
{
    ToggleMainWindow();
}

void TDownloadForm::ToggleMainWindow()
{
    if (isVisible() && !isMinimized())
        ToolButton11Click();
    else
        ShowMainWindow();
}

void TDownloadForm::Quit1Click()
{
    close();
    QCoreApplication::quit();
}

void TDownloadForm::StopButtonClick()
{
    if (FetchEngine1.Running())
        FetchEngine1.CancelClick();
}

void TDownloadForm::runStarted()
{
    StopButton->setEnabled(true);
}

void TDownloadForm::runEnded(bool cancelled)
{
    StopButton->setEnabled(false);
    if (isVisible() && !isMinimized())
        return;
    Notifier->Notify(
        cancelled ? QStringLiteral("Fetchly downloads cancelled") : QStringLiteral("Fetchly has finished"),
        QStringLiteral("%1 downloaded, %2 failed").arg(Board.DoneInRun()).arg(Board.FailedInRun()));
}

} // namespace fetchly
