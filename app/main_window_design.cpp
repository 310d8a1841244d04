#include "app/main_window_design.h"

#include "app/app_pictures.h"
#include "app/core/download_board.h"
#include "app/options_form.h"
#include "markup/qt/markup_image_list.h"
#include "markup/qt/markup_list_box.h"
#include "ui/directory_edit.h"
#include "ui/tray_icon.h"

#include <QAction>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace fetchly {

namespace {

QAction *toolButton(QToolBar *bar, const char *name, const QIcon &picture, const QString &hint)
{
    QAction *action = bar->addAction(picture, hint);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(hint);
    if (QWidget *button = bar->widgetForAction(action))
        button->setFixedSize(39, 38);
    return action;
}

QAction *menuAction(QMenu *menu, const char *name, const QString &text)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    return action;
}

QFileDialog *listDialog(QWidget *parent, const char *name, QFileDialog::AcceptMode mode, const char *filter,
                        const char *suffix)
{
    auto *dialog = new QFileDialog(parent);
    dialog->setObjectName(QLatin1String(name));
    dialog->setAcceptMode(mode);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({QLatin1String(filter), QStringLiteral("All Files *.* (*)")});
    dialog->setDefaultSuffix(QLatin1String(suffix));
    return dialog;
}

// Gives `action` its keys and names them in its hint.
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

TMainWindowDesign::TMainWindowDesign(QMainWindow *window)
{
    window->setObjectName(QStringLiteral("DownloadForm"));
    window->setWindowTitle(QStringLiteral("Brindlewick Fetchly"));
    window->setWindowIcon(AppIcon());
    window->setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    buildToolBar(window);
    buildBands(window);
    buildStatusAndTray(window);
    buildDialogs(window);
    setKeys(window);
    window->resize(738, 581);
    if (const QScreen *screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(738 / 2, 581 / 2));
    }
}

void TMainWindowDesign::buildToolBar(QMainWindow *window)
{
    QToolBar *bar = toolBar = new QToolBar(window);
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(32, 32));
    bar->setFixedHeight(40);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    const QList<QIcon> pictures = ToolbarPictures();
    bar->addSeparator();
    openListButton =
        toolButton(bar, "openListButton", pictures.value(0), QStringLiteral("Open File Download List"));
    saveListButton =
        toolButton(bar, "saveListButton", pictures.value(1), QStringLiteral("Save File Download List"));
    bar->addSeparator();
    startAllButton =
        toolButton(bar, "startAllButton", pictures.value(2), QStringLiteral("Start All Downloads"));
    bar->addSeparator();
    optionsButton =
        toolButton(bar, "optionsButton", pictures.value(6), QStringLiteral("Open Options Dialog"));
    bar->addSeparator();
    addUrlButton =
        toolButton(bar, "addUrlButton", pictures.value(3), QStringLiteral("Add A URL (to download) to List"));
    bar->addSeparator();
    emptyListButton = toolButton(bar, "emptyListButton", pictures.value(4), QStringLiteral("Empty URL List"));
    bar->addSeparator();
    hideButton =
        toolButton(bar, "hideButton", pictures.value(5), QStringLiteral("Hide Application (Task Bar)"));
    // Stop came after the design: at the end, so no designed button moves.
    bar->addSeparator();
    stopButton = toolButton(bar, "stopButton", pictures.value(7), QStringLiteral("Stop Downloading"));
    stopButton->setEnabled(false);
    window->addToolBar(Qt::TopToolBarArea, bar);
}

void TMainWindowDesign::buildBands(QMainWindow *window)
{
    auto *central = new QWidget(window);
    central->setObjectName(QStringLiteral("Client"));
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *title = new QLabel(QStringLiteral("Brindlewick Fetchly / Internet File Downloader"), central);
    title->setObjectName(QStringLiteral("titleBand"));
    title->setFixedHeight(41);
    title->setAlignment(Qt::AlignCenter);
    QFont titleFont(QStringLiteral("Trebuchet MS"));
    titleFont.setPixelSize(21);
    title->setFont(titleFont);
    title->setAutoFillBackground(true);
    QPalette titleColours = title->palette();
    titleColours.setColor(QPalette::Window, QColor(97, 107, 201));
    titleColours.setColor(QPalette::WindowText, Qt::white);
    title->setPalette(titleColours);
    column->addWidget(title);

    auto *targetBand = new QFrame(central);
    targetBand->setObjectName(QStringLiteral("targetBand"));
    targetBand->setFixedHeight(37);
    targetBand->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    targetBand->setAutoFillBackground(true);
    QPalette white = targetBand->palette();
    white.setColor(QPalette::Window, Qt::white);
    targetBand->setPalette(white);
    auto *targetRow = new QHBoxLayout(targetBand);
    targetRow->setContentsMargins(8, 4, 8, 4);
    auto *targetLabel = new QLabel(QStringLiteral("Target directory :"), targetBand);
    targetLabel->setObjectName(QStringLiteral("targetFolderLabel"));
    targetFolderEdit = new TDirectoryEdit(targetBand);
    targetFolderEdit->setObjectName(QStringLiteral("targetFolderEdit"));
    targetFolderEdit->setFixedWidth(459);
    targetFolderEdit->setFont(QFont(QStringLiteral("Trebuchet MS")));
    targetFolderEdit->setText(DefaultTargetDir());
    targetLabel->setBuddy(targetFolderEdit->lineEdit());
    targetRow->addWidget(targetLabel);
    targetRow->addWidget(targetFolderEdit);
    targetRow->addStretch(1);
    column->addWidget(targetBand);

    auto *listGroup = new QGroupBox(QStringLiteral("URL Download List :"), central);
    listGroup->setObjectName(QStringLiteral("listGroup"));
    listGroup->setAutoFillBackground(true);
    listGroup->setPalette(white);
    column->addWidget(listGroup, 1);
    window->setCentralWidget(central);
    buildLists(window);
    auto *lists = new QVBoxLayout(listGroup);
    lists->setContentsMargins(4, 4, 4, 4);
    lists->setSpacing(2);
    lists->addWidget(downloadList, 1);
    lists->addWidget(runLog);
}

void TMainWindowDesign::buildLists(QMainWindow *window)
{
    // The lines are markup, drawn by the renderer with the status pictures;
    // a line whose height stays the same is repainted alone when it changes.
    auto *pictures = new markup::TMarkupImageList(QSize(16, 16), window);
    const auto draw = [pictures](qreal ratio) {
        pictures->Clear();
        for (const QPixmap &picture : StatusPictures(ratio))
            pictures->Add(picture);
    };
    draw(window->devicePixelRatioF());
    // Drawn again for a screen of another pixel ratio, so they stay crisp.
    OnPixelRatioChange(window, draw);
    downloadList = new markup::TMarkupListBox(window);
    downloadList->setObjectName(QStringLiteral("downloadList"));
    downloadList->setFont(QFont(QStringLiteral("Trebuchet MS"), 8));
    downloadList->setSelectionMode(QAbstractItemView::SingleSelection);
    downloadList->SetImages(pictures);
    downloadList->SetSelectionColor(0xC0C0C0); // silver, with the system's highlighted-text colour
    downloadList->SetShadowOffset(1);
    downloadList->SetEnableBlink(false);
    downloadList->SetSorted(false);

    runLog = new markup::TMarkupListBox(window);
    runLog->setObjectName(QStringLiteral("runLog"));
    runLog->setFixedHeight(97);
    runLog->SetShadowOffset(1);
    runLog->SetEnableBlink(false);

    listMenu = new QMenu(downloadList);
    listMenu->setObjectName(QStringLiteral("listMenu"));
    downloadSelectedAction =
        menuAction(listMenu, "downloadSelectedAction", QStringLiteral("DownLoad Selected Files"));
    downloadAllAction = menuAction(listMenu, "downloadAllAction", QStringLiteral("DownLoad All Files"));
    listMenu->addSeparator();
    deleteSelectedAction = menuAction(listMenu, "deleteSelectedAction", QStringLiteral("Delete This File"));
    downloadList->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(downloadList, &QWidget::customContextMenuRequested, listMenu,
                     [list = downloadList, menu = listMenu](const QPoint &pos) {
                         menu->popup(list->viewport()->mapToGlobal(pos));
                     });
}

void TMainWindowDesign::buildStatusAndTray(QMainWindow *window)
{
    auto *statusBar = new QStatusBar(window);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    statusBar->setFixedHeight(19);
    statusBar->setSizeGripEnabled(true);
    statusText = new QLabel(QStringLiteral("OK"), statusBar);
    statusText->setObjectName(QStringLiteral("statusText"));
    // Messages quote URLs and server texts: never read them as rich text.
    statusText->setTextFormat(Qt::PlainText);
    statusBar->addWidget(statusText, 1);
    window->setStatusBar(statusBar);

    trayIcon = new TTrayIcon(AppIcon(), QString::fromLatin1(TDownloadBoard::IdleHint), window);
    trayIcon->setObjectName(QStringLiteral("trayIcon"));
    quitAction = new QAction(QStringLiteral("Quit"), window);
    quitAction->setObjectName(QStringLiteral("quitAction"));
    window->addAction(quitAction);
    trayMenu = new QMenu(window);
    trayMenu->setObjectName(QStringLiteral("trayMenu"));
    showHideAction = menuAction(trayMenu, "showHideAction", QStringLiteral("Show/Hide"));
    trayMenu->addSeparator();
    // The toolbar's own commands, so they are enabled alike.
    trayMenu->addAction(startAllButton);
    trayMenu->addAction(stopButton);
    trayMenu->addSeparator();
    trayMenu->addAction(quitAction);
    trayIcon->SetMenu(trayMenu);
}

void TMainWindowDesign::buildDialogs(QMainWindow *window)
{
    openListDialog =
        listDialog(window, "openListDialog", QFileDialog::AcceptOpen, "Orv File Downloader (*.ufi)", "ufl");
    saveListDialog =
        listDialog(window, "saveListDialog", QFileDialog::AcceptSave, "Ovr File Downloader (*.ufi)", "ufi");
    saveListDialog->setOption(QFileDialog::DontConfirmOverwrite);
}

void TMainWindowDesign::setKeys(QMainWindow *window)
{
    pasteUrlsAction = new QAction(QStringLiteral("Paste URLs"), window);
    pasteUrlsAction->setObjectName(QStringLiteral("pasteUrlsAction"));
    window->addAction(pasteUrlsAction);
    undoAction = new QAction(QStringLiteral("Undo"), window);
    undoAction->setObjectName(QStringLiteral("undoAction"));
    window->addAction(undoAction);
    setKeysOf(openListButton, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    setKeysOf(saveListButton, {QKeySequence(Qt::CTRL | Qt::Key_S)});
    setKeysOf(startAllButton, {QKeySequence(Qt::Key_F5)});
    setKeysOf(addUrlButton, {QKeySequence(Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::Key_N)});
    setKeysOf(stopButton, {QKeySequence(Qt::Key_Escape)});
    setKeysOf(quitAction, {QKeySequence(Qt::CTRL | Qt::Key_Q)});
    // Fields that paste text themselves take Ctrl+V first.
    setKeysOf(pasteUrlsAction, {QKeySequence(Qt::CTRL | Qt::Key_V)});
    // Takes back the last Delete, Empty list or Open list (fields take it first).
    setKeysOf(undoAction, {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    // The entry keys act on the list's selection, so only while it has the
    // focus; the list's menu shows them.
    downloadSelectedAction->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    deleteSelectedAction->setShortcut(QKeySequence(Qt::Key_Delete));
    for (QAction *action : {downloadSelectedAction, deleteSelectedAction}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        downloadList->addAction(action);
    }
    // Tab reaches every toolbar button.
    for (QAction *action : toolBar->actions()) {
        if (auto *button = qobject_cast<QToolButton *>(toolBar->widgetForAction(action)))
            button->setFocusPolicy(Qt::TabFocus);
    }
}

} // namespace fetchly
