#pragma once

#include "app/main_form.h"
#include "markup/qt/markup_list_box.h"
#include "ui/directory_edit.h"
#include "ui/tray_icon.h"

#include <QAction>
#include <QStringList>
#include <stdexcept>
#include <string>

namespace fetchly {

// What the tests and benchmarks see of the main window besides its actions,
// keys and signals: the lines it shows, the fields the user types into, the
// board, options and engine behind it, and an engine event delivered as the
// pump delivers it.
class TDownloadFormTestView {
public:
    explicit TDownloadFormTestView(TDownloadForm &form) : m_form(form) {}

    TDownloadBoard &Board() { return m_form.m_board; }
    TAppOptions &Options() { return m_form.m_options; }
    TFetchEngine &Engine() { return m_form.m_engine; }
    ProgressDialogHost &ProgressHost() { return m_form.m_progressHost; }
    ProgressDialogHost &RunProgressHost() { return m_form.m_runProgressHost; }
    std::string RateText() const { return m_form.rateText(); }

    // A command by its object name ("startAllButton", "deleteSelectedAction").
    QAction &Command(const char *name) const
    {
        if (auto *action = m_form.findChild<QAction *>(QLatin1String(name)))
            return *action;
        throw std::logic_error(std::string("no command ") + name);
    }
    void Trigger(const char *name) const { Command(name).trigger(); }
    // A part of the design by its object name ("titleBand", "toolBar").
    template <class Part> Part &Design(const char *name) const
    {
        if (auto *part = m_form.findChild<Part *>(QLatin1String(name)))
            return *part;
        throw std::logic_error(std::string("no part ") + name);
    }

    void Deliver(const TEngineEvent &event) { m_form.deliver(event); }
    // The focus line written into the list, as an event that stores it does.
    void StoreFocusLine() { m_form.storeFocusLine(); }
    // The list on screen brought up to the board.
    void RefreshList() { m_form.refreshList(); }
    // What the autosave timer does when it fires.
    void AutoSave() { m_form.autoSave(); }

    markup::TMarkupListBox &List() const { return *m_form.m_ui.downloadList; }
    markup::TMarkupListBox &RunLog() const { return *m_form.m_ui.runLog; }
    TDirectoryEdit &TargetFolder() const { return *m_form.m_ui.targetFolderEdit; }
    TTrayIcon &Tray() const { return *m_form.m_ui.trayIcon; }
    QStringList ListLines() const { return lines(List()); }
    QStringList LogLines() const { return lines(RunLog()); }
    // Selects line `row` of the list, as a click does (-1: no selection).
    void Select(int row) const
    {
        List().clearSelection();
        List().setCurrentRow(row);
    }
    // Clicks line `row`.
    void Click(int row) const
    {
        Select(row);
        emit List().itemClicked(List().item(row));
    }

private:
    static QStringList lines(const markup::TMarkupListBox &box)
    {
        QStringList shown;
        for (int i = 0; i < box.count(); ++i)
            shown.append(box.item(i)->text());
        return shown;
    }

    TDownloadForm &m_form;
};

} // namespace fetchly
