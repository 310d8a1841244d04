#pragma once

#include "app/core/app_options.h"
#include "app/core/download_board.h"
#include "app/core/list_saver.h"
#include "app/core/url_text.h"
#include "app/latest_job_worker.h"
#include "inspect/inspection_report.h"
#include "markup/qt/markup_image_list.h"
#include "markup/qt/markup_list_box.h"
#include "transfer/fetch_engine.h"
#include "ui/progress_dialog.h"
#include "ui/ui_event_pump.h"

#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <chrono>
#include <exception>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QMimeData;
class QStatusBar;
class QTimer;
class QToolBar;

namespace fetchly {

class TDesktopNotifier;
class TDirectoryEdit;
class TOptionsForm;
class TTrayIcon;

// The main window: the download list and its commands, the run log, the
// target directory, the options dialog and the engine. Built from its design
// in the constructor, which then runs FormCreate; the destructor runs
// FormDestroy (list and options are saved).
class TDownloadForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TDownloadForm(QWidget *parent = nullptr);
    ~TDownloadForm() override;

    // --- designed parts (names as the handlers use them)
    QToolBar *ToolBar1 = nullptr;
    QAction *ToolButton3 = nullptr;  // Open File Download List
    QAction *ToolButton4 = nullptr;  // Save File Download List
    QAction *ToolButton5 = nullptr;  // Start All Downloads
    QAction *ToolButton12 = nullptr; // Open Options Dialog
    QAction *ToolButton6 = nullptr;  // Add A URL
    QAction *ToolButton7 = nullptr;  // Empty URL List
    QAction *ToolButton11 = nullptr; // Hide Application
    // Commands that came after the design: Stop at the end of the toolbar,
    // the tray icon's menu, and keys without a button.
    QAction *StopButton = nullptr; // Stop Downloading
    QAction *ShowHide1 = nullptr;  // tray menu: show or hide the window
    QAction *Quit1 = nullptr;      // tray menu and Ctrl+Q
    QAction *PasteUrls1 = nullptr; // Ctrl+V
    QMenu *TrayPopUp = nullptr;
    TDesktopNotifier *Notifier = nullptr;
    QLabel *Panel2 = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Label2 = nullptr;
    TDirectoryEdit *tgt = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    markup::TMarkupListBox *URLBox = nullptr;
    markup::TMarkupListBox *DoBox = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    TTrayIcon *TrayIcon1 = nullptr;
    QMenu *ListPopUp = nullptr;
    QAction *DownLoadThisFile1 = nullptr;
    QAction *DownLoadAllFiles1 = nullptr;
    QAction *N1 = nullptr;
    QAction *DeleteThisFile1 = nullptr;
    QFileDialog *OpenDialog = nullptr;
    QFileDialog *SaveDialog = nullptr;
    QList<QIcon> ImageList1;                          // toolbar pictures
    QList<QPixmap> ImageList2;                        // status pictures of the list lines
    markup::TMarkupImageList *StatusImages = nullptr; // ImageList2 for the markup "idx:" images
    // The list, its focus and the run's state, which this window shows.
    TDownloadBoard Board;
    // Declared after the widgets' pointers and before nothing that its
    // events use: it is destroyed (a run still going is cancelled and
    // waited for) before the widgets go.
    TFetchEngine FetchEngine1;
    // Shows each run's progress dialog; goes before the engine does.
    std::unique_ptr<ProgressDialogHost> ProgressHost;
    // Created by FormCreate, freed by FormDestroy.
    std::unique_ptr<TOptionsForm> OptionsForm;
    // The user's options: the one source of the settings. The engine is
    // configured from them, the widgets show them, and they are written
    // to OptionsFile on OK and at the end.
    TAppOptions Options;
    std::unique_ptr<TOptionsFile> OptionsFile;

    std::string FAppDir;

    // The one-line message of the status bar.
    QString StatusText() const;
    void SetStatusText(const QString &text);
    // The tray icon's hint.
    void SetTrayHint(const QString &hint);
    // Adds what went wrong while starting to the status bar, after what
    // start-up itself reported.
    void AddStartupNote(const QString &note);

    // --- start-up and shutdown
    void FormCreate();
    void FormDestroy();
    void LoadAutoList();
    void SaveAutoList();
    // Writes the list and the options now (session end), guarded.
    void SaveState();
    // Hands the list to the background writer when it changed since the
    // last write (the autosave timer's work; at most every 5 s in a run).
    void AutoSave();
    void ApplyOptions();
    // Writes the browser integration (context-menu entries); see
    // main_form_download.cpp.
    void RegisterMenuExtensions();
    std::string AutoListPath() const { return FAppDir + "SavedFiles.ufi"; }

    // --- window
    void ToolButton11Click();
    void TrayIcon1DblClick();
    // Hides a shown window, shows a hidden or minimized one.
    void ToggleMainWindow();
    // Closes the window and ends the program; the list and the options are
    // saved as on close.
    void Quit1Click();
    // Shows the window again, also when it was hidden in the tray.
    void ShowMainWindow();

    // --- download list
    bool IsAcceptedLink(const std::string &url) const;
    // True when the URL went into the list.
    bool AddUrl(const std::string &url);
    // Adds every URL in `text` and says in the status bar how many were
    // added and how many refused.
    void AddUrls(std::string_view text, TUrlTextKind kind = TUrlTextKind::Plain);
    // The URLs of dropped or pasted data: a text/uri-list, else plain text.
    // False when it holds neither.
    bool AddUrlsFromMime(const QMimeData *data);
    void PasteUrls1Click();
    void ToolButton6Click();
    void DeleteThisFile1Click();
    void ToolButton7Click();
    void ToolButton3Click();
    void ToolButton4Click();
    // Replaces the table from a list file; throws when it cannot be read
    // (the table is then unchanged).
    void OpenListFile(const QString &fileName);
    // Writes the table to a list file; throws when it cannot be written.
    void SaveListFile(const QString &fileName);
    void RebuildUrlBox();
    // The selected line of URLBox, or -1.
    int SelectedLine() const;

    // --- downloads (main_form_download.cpp)
    void Button1Click();
    void DownLoadThisFile1Click();
    void URLBoxClick();
    // Writes the focused entry's line into the table (and so, soon, to
    // SavedFiles.ufi).
    void UpdateCurrentLine();
    // Shows the focused entry's progress on its line on screen only: the
    // table and the file change when its state does.
    void UpdateProgressLine();
    // The engine's current rate text (the progress dialog's rate line).
    std::string RateText() const;
    // Asks for the report of the focused entry's file; it becomes the list's tooltip
    // when ready (see main_form_inspect.cpp).
    void InspectCurrentFile();
    // Binds the engine's events: each reaches its handler on this thread.
    void ConnectEngineEvents();
    // The engine's event handlers; they run on the UI thread, in the order
    // of the events. `Ext` is the entry's position in the table.
    void FetchEngine1FileStart(int Ext);
    void FetchEngine1CopyProgress(int Ext, TFetchSize size, TFetchSize totsize);
    // `done`: the item's result (TFetchItem::Done) as the event carries it.
    void FetchEngine1FileDone(int Ext, bool done);
    void FetchEngine1URLNotFound(const std::string &url);
    void FetchEngine1ErrorInfo(const std::string &ErrorInfo);
    // `cancelled`: the run ended because Cancel was pressed.
    void FetchEngine1CopyDone1(bool cancelled);
    // Cancels the current run, as the progress dialog's Cancel does.
    void StopButtonClick();

    // --- options
    void ToolButton12Click();

    // Runs `step`; an exception shows "Error : " + its message in the
    // status bar and ends the step. Returns false when it failed.
    template <class Step> bool Guarded(Step &&step)
    {
        try {
            step();
            return true;
        } catch (const std::exception &e) {
            ShowError(e.what());
        } catch (...) {
            ShowError("unknown error");
        }
        return false;
    }
    void ShowError(const std::string &message);

    // True while a run is in progress, after showing why the list cannot
    // change now.
    bool RefuseWhileBusy();

Q_SIGNALS:
    // Every text the status bar shows, in order.
    void StatusTextChanged(const QString &text);

private:
    void buildDesign();
    void buildToolBar();
    void buildBands();
    void buildLists();
    void connectCommands();
    void buildDesktopCommands();
    void buildTrayMenu();
    void setKeys();
    void setUpUrlDrops();
    // The run's commands follow whether a run is going; at the end of a run
    // the user hears of it when the window is out of sight.
    void runStarted();
    void runEnded(bool cancelled);
    // Shows what the board made of an event.
    void showUpdate(const TBoardUpdate &update);
    // Hands an event from the pump to its handler.
    void dispatch(const TEngineEvent &event);
    void copyOptions();
    void loadOptions();
    void saveOptions();
    void unguarded(void (TDownloadForm::*handler)());

    // The list boxes are touched only through these (main_form_boxes.cpp),
    // so another list box class can take their place in one file.
    void setUpUrlBox();
    void setUpDoBox();
    int urlBoxCount() const;
    void urlBoxSetLine(int i, const std::string &markup);
    void urlBoxAppend(const std::vector<std::string_view> &markup);
    void urlBoxRemove(int i);
    void urlBoxTruncate(int count);
    void urlBoxClear();
    void urlBoxLock(bool locked);
    int urlBoxSelected() const;
    void doBoxAppend(const std::string &markup);
    void doBoxClear();

    void tableChanged();
    // AddUrl without showing the list, for many URLs at once.
    bool putUrl(const std::string &url);
    // Puts the lines of a list file in the table and the download list.
    void showLoadedList(std::vector<std::string> lines);
    void setUpEngine();
    void setUpSaver();
    // Runs one independent step of start-up; a failure goes to the notes.
    template <class Step> void startupStep(Step &&step)
    {
        if (!Guarded(std::forward<Step>(step)))
            AddStartupNote(StatusText());
    }
    void removeLeftovers();
    // Moves an auto list that could not be read aside before anything is
    // saved over it; without that the list is not saved at all.
    void keepListAside(const std::string &tag, const std::string &reason);
    // What line i of URLBox should show: the live progress line, else the
    // table's.
    std::string_view shownText(int i) const;

    QLabel *m_statusText = nullptr;
    QTimer *m_autoSave = nullptr;
    // Writes SavedFiles.ufi on its own thread.
    std::unique_ptr<TListSaver> m_saver;
    std::chrono::steady_clock::time_point m_lastSave{};
    // False while an auto list that could not be read still lies where the
    // list would be saved.
    bool m_listWritable = true;
    QStringList m_startupNotes;
    // The line showing a transfer's progress, which the table does not hold.
    int m_liveLine = -1;
    std::string m_liveMarkup;
    // What each line of URLBox shows, to refill only what changed.
    std::vector<std::string> m_shown;
    // The table's generation that m_shown was last brought up to.
    std::size_t m_shownGeneration = static_cast<std::size_t>(-1);
    // Brings line i of URLBox up to what it should show.
    void refreshShownLine(int i);
    std::size_t m_savedGeneration = 0;
    bool m_destroyed = false;
    // Carries the engine's events to this thread; the queue it holds is
    // shared with the engine's handlers, so it outlives a run that ends late.
    TUiEventPump m_pump{this, [this](const TEngineEvent &event) { dispatch(event); }};
    // Reads downloaded files for their reports, off the UI thread; a newer
    // click or finished file supersedes a report still pending.
    TLatestJobWorker m_inspector{this};
    void showInspection(const inspect::InspectionResult &result);
};

} // namespace fetchly
