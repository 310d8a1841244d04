#pragma once

class QAction;
class QFileDialog;
class QLabel;
class QMainWindow;
class QMenu;
class QToolBar;

namespace fetchly {

namespace markup {
class TMarkupListBox;
} // namespace markup

class TDirectoryEdit;
class TTrayIcon;

// The main window's design: its widgets with their texts, pictures, places
// and keys, as the user has always seen them. Building it binds no command
// to what it does; the window does that. The widgets belong to the window.
struct TMainWindowDesign {
    explicit TMainWindowDesign(QMainWindow *window);

    QToolBar *toolBar = nullptr;
    QAction *openListButton = nullptr;
    QAction *saveListButton = nullptr;
    QAction *startAllButton = nullptr;
    QAction *optionsButton = nullptr;
    QAction *addUrlButton = nullptr;
    QAction *emptyListButton = nullptr;
    QAction *hideButton = nullptr;
    QAction *stopButton = nullptr;
    TDirectoryEdit *targetFolderEdit = nullptr;
    markup::TMarkupListBox *downloadList = nullptr;
    markup::TMarkupListBox *runLog = nullptr;
    QMenu *listMenu = nullptr;
    QAction *downloadSelectedAction = nullptr;
    QAction *downloadAllAction = nullptr;
    QAction *deleteSelectedAction = nullptr;
    QLabel *statusText = nullptr;
    TTrayIcon *trayIcon = nullptr;
    QMenu *trayMenu = nullptr;
    QAction *showHideAction = nullptr;
    QAction *quitAction = nullptr;
    QAction *pasteUrlsAction = nullptr;
    QAction *undoAction = nullptr;
    QFileDialog *openListDialog = nullptr;
    QFileDialog *saveListDialog = nullptr;

private:
    void buildToolBar(QMainWindow *window);
    void buildBands(QMainWindow *window);
    void buildLists(QMainWindow *window);
    void buildStatusAndTray(QMainWindow *window);
    void buildDialogs(QMainWindow *window);
    void setKeys(QMainWindow *window);
};

} // namespace fetchly
