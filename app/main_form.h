#pragma once

#include "app/core/app_options.h"
#include "app/core/app_session.h"
#include "app/core/download_board.h"
#include "app/core/run_dialog.h"
#include "app/core/shown_list.h"
#include "app/core/url_text.h"
#include "app/latest_job_worker.h"
#include "app/main_window_design.h"
#include "inspect/inspection_report.h"
#include "transfer/fetch_engine.h"
#include "transfer/fetch_scheduler.h"
#include "ui/progress_dialog.h"
#include "ui/ui_event_pump.h"

#include <QMainWindow>
#include <QString>
#include <memory>
#include <string>
#include <string_view>

class QMimeData;
class QTimer;

namespace fetchly {

class TDesktopNotifier;
class TDownloadFormTestView;
class TOptionsForm;

// The main window: shows the download list, the run log and the target
// folder, and hands the user's commands to the board (what the list holds
// and what the engine's events make of it), the session (the files) and the
// engine. Start-up loads the options and the list; the end saves both.
class TDownloadForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TDownloadForm(QWidget *parent = nullptr);
    ~TDownloadForm() override;

    const TDownloadBoard &Board() const { return m_board; }
    const TAppOptions &Options() const { return m_options; }

    // The one-line message of the status bar.
    QString StatusText() const;
    void SetStatusText(const QString &text);
    // Adds what went wrong while starting to the status bar, after what
    // start-up itself reported.
    void AddStartupNote(const QString &note);

    // True when the URL went into the list.
    bool AddUrl(const std::string &url);
    // A download the browser handed over: the URL with what its requests
    // need; started at once when `startNow` asks for it. True when taken.
    bool AddHandedOverUrl(const std::string &url, TEntryHandover handover, bool startNow);
    // Adds every URL in `text` and says in the status bar how many were
    // added and how many refused.
    void AddUrls(std::string_view text, TUrlTextKind kind = TUrlTextKind::Plain);
    // Replaces the list from a list file; throws when it cannot be read
    // (the list is then unchanged).
    void OpenListFile(const QString &fileName);
    // Writes the list to a list file; throws when it cannot be written.
    void SaveListFile(const QString &fileName);
    // Writes the list and the options now (the desktop session ends); what
    // fails is shown in the status bar.
    void SaveState();

    // Shows the window again, also when it was hidden in the tray.
    void ShowMainWindow();
    // Hides a shown window, shows a hidden or minimized one.
    void ToggleMainWindow();

Q_SIGNALS:
    // Every text the status bar shows, in order.
    void StatusTextChanged(const QString &text);

private:
    friend class TDownloadFormTestView;

    // --- commands bound to what they do (main_form_layout.cpp)
    void connectCommands();
    // Runs a command; an exception that escapes it goes to the
    // application's error report.
    void command(void (TDownloadForm::*handler)());

    // --- start-up and the files (main_form.cpp)
    void startUp();
    void applyOptions();
    void scheduleAutoSave();
    void autoSave();
    void saveFailed(const std::string &error);
    void registerMenuExtensions();

    // --- commands
    void onOpenListClicked();
    void onSaveListClicked();
    void onStartAllClicked();
    void onDownloadSelectedClicked();
    void onOptionsClicked();
    void onAddUrlClicked();
    void onEmptyListClicked();
    void onDeleteSelectedClicked();
    void onPasteUrlsClicked();
    void onUndoClicked();
    void onHideClicked();
    void onStopClicked();
    void onQuitClicked();
    void onListLineClicked();

    // --- the list on screen (main_form_list.cpp, main_form_paste.cpp)
    // The URLs of dropped or pasted data: a text/uri-list, else plain text.
    // False when it holds neither.
    bool addUrlsFromMime(const QMimeData *data);
    // AddUrl without showing the list, for many URLs at once; says in the
    // status bar why a URL was refused.
    TUrlOffer putUrl(const std::string &url);
    // `opened`: the user opened a list file, a step Undo takes back.
    void showLoadedList(std::vector<std::string> lines, bool opened = false);
    void clearList();
    void refreshList();
    void showListChange(const TListChange &change);
    // The selected line of the list, or -1.
    int selectedLine() const;
    // True while a run is in progress, after showing why the list cannot
    // change now.
    bool refuseWhileBusy();
    // Removes, off this thread, the part files the items' downloads kept.
    void removeParts(std::vector<TFetchItem> items);

    // --- runs (main_form_download.cpp)
    // `atOnce`: several items at once on the scheduler (the run's dialog
    // follows the oldest), else one after another on the engine (its own
    // dialog follows it).
    void launch(const TRunPlan &plan, bool atOnce);
    // What the buttons of the run's dialog do.
    TDialogActions runDialogActions();
    // The scheduler, with as many engines as the options say.
    TFetchScheduler &scheduler();
    bool schedulerRunning() const { return m_scheduler && m_scheduler->Running(); }
    void deliver(const TEngineEvent &event);
    // Shows what the board made of an event.
    void showUpdate(const TBoardUpdate &update);
    // Writes the focus line into the list (and so, soon, into the saved
    // list).
    void storeFocusLine();
    // Shows the focus line's progress on screen only.
    void showLiveLine();
    std::string rateText() const;
    void runStarted();
    void runEnded(bool cancelled);
    // Stop and the list's lock follow the engine once a run has ended.
    void settleRun();
    // Asks for the report of the focused entry's file; it becomes the
    // list's tooltip when ready (main_form_inspect.cpp).
    void inspectFocusedFile();
    void showInspection(const inspect::InspectionResult &result);
    // The lines of a report the screen has room for in a tooltip.
    int reportLinesThatFit() const;

    // Runs `step`; an exception shows "Error : " + its message in the
    // status bar and ends the step.
    template <class Step> void guarded(Step &&step)
    {
        try {
            step();
        } catch (const std::exception &e) {
            showError(e.what());
        } catch (...) {
            showError("unknown error");
        }
    }
    void showError(const std::string &message);
    void setTrayHint(const QString &hint);

    TMainWindowDesign m_ui{this};
    TDesktopNotifier *m_notifier = nullptr;
    QTimer *m_autoSaveTimer = nullptr;
    QTimer *m_runWatch = nullptr;

    TDownloadBoard m_board;
    // The user's options: the engine is configured from them, the widgets
    // show them, and the session writes them on OK and at the end.
    TAppOptions m_options;
    std::unique_ptr<TOptionsForm> m_optionsForm;
    TAppSession m_session;
    TShownList m_shown;
    TFetchEngine m_engine;
    // Shows each run's progress dialog.
    ProgressDialogHost m_progressHost{m_engine, this};
    // Carries the engine's events to this thread; the queue it holds is
    // shared with the engine's handlers, so it outlives a run that ends late.
    TUiEventPump m_pump{this, [this](const TEngineEvent &event) { deliver(event); }};
    // Runs Start All's items several at once; its events go to the pump.
    std::unique_ptr<TFetchScheduler> m_scheduler;
    // The progress dialog of a run of several at once, and its view.
    TRunDialog m_runDialog;
    ProgressDialogHost m_runProgressHost{m_runDialog.Model(), runDialogActions(), this};
    // Reads downloaded files for their reports, off the UI thread; a newer
    // click or finished file supersedes a report still pending.
    TLatestJobWorker m_inspector{this};
};

} // namespace fetchly
