// The main window's commands bound to what they do.
#include "app/desktop_notifier.h"
#include "app/error_report.h"
#include "app/main_form.h"
#include "markup/qt/markup_list_box.h"
#include "ui/tray_icon.h"
#include "ui/url_drops.h"

#include <QAction>
#include <utility>

namespace fetchly {

void TDownloadForm::connectCommands()
{
    const std::pair<QAction *, void (TDownloadForm::*)()> commands[] = {
        {m_ui.openListButton, &TDownloadForm::onOpenListClicked},
        {m_ui.saveListButton, &TDownloadForm::onSaveListClicked},
        {m_ui.startAllButton, &TDownloadForm::onStartAllClicked},
        {m_ui.optionsButton, &TDownloadForm::onOptionsClicked},
        {m_ui.addUrlButton, &TDownloadForm::onAddUrlClicked},
        {m_ui.emptyListButton, &TDownloadForm::onEmptyListClicked},
        {m_ui.hideButton, &TDownloadForm::onHideClicked},
        {m_ui.stopButton, &TDownloadForm::onStopClicked},
        {m_ui.downloadSelectedAction, &TDownloadForm::onDownloadSelectedClicked},
        {m_ui.downloadAllAction, &TDownloadForm::onStartAllClicked},
        {m_ui.deleteSelectedAction, &TDownloadForm::onDeleteSelectedClicked},
        {m_ui.pasteUrlsAction, &TDownloadForm::onPasteUrlsClicked},
        {m_ui.undoAction, &TDownloadForm::onUndoClicked},
        {m_ui.quitAction, &TDownloadForm::onQuitClicked},
    };
    for (const auto &[action, handler] : commands)
        connect(action, &QAction::triggered, this, [this, handler = handler] { command(handler); });
    connect(m_ui.showHideAction, &QAction::triggered, this, &TDownloadForm::ToggleMainWindow);
    connect(m_ui.downloadList, &QListWidget::itemDoubleClicked, this,
            [this] { command(&TDownloadForm::onDownloadSelectedClicked); });
    connect(m_ui.downloadList, &QListWidget::itemClicked, this,
            [this] { command(&TDownloadForm::onListLineClicked); });
    AcceptUrlDrops(m_ui.downloadList, [this](const QMimeData *data) { return addUrlsFromMime(data); });
    // A click toggles the window; a double click, whose first click has
    // already toggled it, leaves it shown.
    connect(m_ui.trayIcon, &TTrayIcon::Clicked, this, &TDownloadForm::ToggleMainWindow);
    connect(m_ui.trayIcon, &TTrayIcon::DoubleClicked, this, &TDownloadForm::ShowMainWindow);
    m_notifier = new TDesktopNotifier(m_ui.trayIcon, this);
    connect(m_notifier, &TDesktopNotifier::Activated, this, &TDownloadForm::ShowMainWindow);
}

void TDownloadForm::command(void (TDownloadForm::*handler)())
{
    try {
        (this->*handler)();
    } catch (const std::exception &e) {
        ReportApplicationError(this, QString::fromStdString(e.what()));
    }
}

} // namespace fetchly
