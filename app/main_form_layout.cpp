// The main window's design: bands, toolbar, lists, menus and dialogs.
#include "app/app_pictures.h"
#include "app/error_report.h"
#include "app/main_form.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
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

} // namespace

void TDownloadForm::buildDesign()
{
    setObjectName(QStringLiteral("DownloadForm"));
    setWindowTitle(QStringLiteral("Brindlewick Fetchly"));
    setWindowIcon(AppIcon());
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    m_toolbarPictures = ToolbarPictures();
    m_statusPictures = StatusPictures(devicePixelRatioF());
    buildToolBar();
    buildBands();

    auto *statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    statusBar->setFixedHeight(19);
    statusBar->setSizeGripEnabled(true);
    m_statusText = new QLabel(QStringLiteral("OK"), statusBar);
    m_statusText->setObjectName(QStringLiteral("statusText"));
    // Messages quote URLs and server texts: never read them as rich text.
    m_statusText->setTextFormat(Qt::PlainText);
    statusBar->addWidget(m_statusText, 1);
    setStatusBar(statusBar);

    m_trayIcon = new TTrayIcon(AppIcon(), QString::fromLatin1(TDownloadBoard::IdleHint), this);
    m_trayIcon->setObjectName(QStringLiteral("trayIcon"));
    buildDialogs();
    connectCommands();
    buildDesktopCommands();

    resize(738, 581);
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(738 / 2, 581 / 2));
    }
}

void TDownloadForm::buildToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(32, 32));
    m_toolBar->setFixedHeight(40);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    const QList<QIcon> &pictures = m_toolbarPictures;
    QToolBar *bar = m_toolBar;
    bar->addSeparator();
    m_openListButton =
        toolButton(bar, "openListButton", pictures.value(0), QStringLiteral("Open File Download List"));
    m_saveListButton =
        toolButton(bar, "saveListButton", pictures.value(1), QStringLiteral("Save File Download List"));
    bar->addSeparator();
    m_startAllButton = toolButton(bar, "startAllButton", pictures.value(2), QStringLiteral("Start All Downloads"));
    bar->addSeparator();
    m_optionsButton = toolButton(bar, "optionsButton", pictures.value(6), QStringLiteral("Open Options Dialog"));
    bar->addSeparator();
    m_addUrlButton =
        toolButton(bar, "addUrlButton", pictures.value(3), QStringLiteral("Add A URL (to download) to List"));
    bar->addSeparator();
    m_emptyListButton = toolButton(bar, "emptyListButton", pictures.value(4), QStringLiteral("Empty URL List"));
    bar->addSeparator();
    m_hideButton = toolButton(bar, "hideButton", pictures.value(5), QStringLiteral("Hide Application (Task Bar)"));
    // Stop came after the design: it goes at the end, so no designed button
    // moves.
    bar->addSeparator();
    m_stopButton = toolButton(bar, "stopButton", pictures.value(7), QStringLiteral("Stop Downloading"));
    m_stopButton->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void TDownloadForm::buildBands()
{
    auto *central = new QWidget(this);
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
    m_targetFolderEdit = new TDirectoryEdit(targetBand);
    m_targetFolderEdit->setObjectName(QStringLiteral("targetFolderEdit"));
    m_targetFolderEdit->setFixedWidth(459);
    m_targetFolderEdit->setFont(QFont(QStringLiteral("Trebuchet MS")));
    m_targetFolderEdit->setText(DefaultTargetDir());
    targetLabel->setBuddy(m_targetFolderEdit->lineEdit());
    targetRow->addWidget(targetLabel);
    targetRow->addWidget(m_targetFolderEdit);
    targetRow->addStretch(1);
    column->addWidget(targetBand);

    auto *listGroup = new QGroupBox(QStringLiteral("URL Download List :"), central);
    listGroup->setObjectName(QStringLiteral("listGroup"));
    listGroup->setAutoFillBackground(true);
    listGroup->setPalette(white);
    column->addWidget(listGroup, 1);
    setCentralWidget(central);
    buildLists();
    auto *lists = new QVBoxLayout(listGroup);
    lists->setContentsMargins(4, 4, 4, 4);
    lists->setSpacing(2);
    lists->addWidget(m_downloadList, 1);
    lists->addWidget(m_runLog);
}

void TDownloadForm::buildLists()
{
    // The lines are markup, drawn by the renderer with the status pictures;
    // a line whose height stays the same is repainted alone when it changes.
    m_statusImages = new markup::TMarkupImageList(QSize(16, 16), this);
    for (const QPixmap &picture : m_statusPictures)
        m_statusImages->Add(picture);
    // Drawn again for a screen of another pixel ratio, so they stay crisp.
    OnPixelRatioChange(this, [this](qreal ratio) {
        m_statusPictures = StatusPictures(ratio);
        m_statusImages->Clear();
        for (const QPixmap &picture : m_statusPictures)
            m_statusImages->Add(picture);
    });
    m_downloadList = new markup::TMarkupListBox(this);
    m_downloadList->setObjectName(QStringLiteral("downloadList"));
    m_downloadList->setFont(QFont(QStringLiteral("Trebuchet MS"), 8));
    m_downloadList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_downloadList->SetImages(m_statusImages);
    m_downloadList->SetSelectionColor(0xC0C0C0); // silver, with the system's highlighted-text colour
    m_downloadList->SetShadowOffset(1);
    m_downloadList->SetEnableBlink(false);
    m_downloadList->SetSorted(false);

    m_runLog = new markup::TMarkupListBox(this);
    m_runLog->setObjectName(QStringLiteral("runLog"));
    m_runLog->setFixedHeight(97);
    m_runLog->SetShadowOffset(1);
    m_runLog->SetEnableBlink(false);

    m_listMenu = new QMenu(m_downloadList);
    m_listMenu->setObjectName(QStringLiteral("listMenu"));
    m_downloadSelectedAction =
        menuAction(m_listMenu, "downloadSelectedAction", QStringLiteral("DownLoad Selected Files"));
    m_downloadAllAction = menuAction(m_listMenu, "downloadAllAction", QStringLiteral("DownLoad All Files"));
    m_listMenu->addSeparator();
    m_deleteSelectedAction = menuAction(m_listMenu, "deleteSelectedAction", QStringLiteral("Delete This File"));
    m_downloadList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_downloadList, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_listMenu->popup(m_downloadList->viewport()->mapToGlobal(pos));
    });
}

void TDownloadForm::buildDialogs()
{
    m_openListDialog = listDialog(this, "openListDialog", QFileDialog::AcceptOpen,
                                  "Orv File Downloader (*.ufi)", "ufl");
    m_saveListDialog = listDialog(this, "saveListDialog", QFileDialog::AcceptSave,
                                  "Ovr File Downloader (*.ufi)", "ufi");
    m_saveListDialog->setOption(QFileDialog::DontConfirmOverwrite);
}

void TDownloadForm::connectCommands()
{
    const auto bind = [this](QAction *action, void (TDownloadForm::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { command(handler); });
    };
    bind(m_openListButton, &TDownloadForm::onOpenListClicked);
    bind(m_saveListButton, &TDownloadForm::onSaveListClicked);
    bind(m_startAllButton, &TDownloadForm::onStartAllClicked);
    bind(m_optionsButton, &TDownloadForm::onOptionsClicked);
    bind(m_addUrlButton, &TDownloadForm::onAddUrlClicked);
    bind(m_emptyListButton, &TDownloadForm::onEmptyListClicked);
    bind(m_hideButton, &TDownloadForm::onHideClicked);
    bind(m_stopButton, &TDownloadForm::onStopClicked);
    bind(m_downloadSelectedAction, &TDownloadForm::onDownloadSelectedClicked);
    bind(m_downloadAllAction, &TDownloadForm::onStartAllClicked);
    bind(m_deleteSelectedAction, &TDownloadForm::onDeleteSelectedClicked);
    connect(m_downloadList, &QListWidget::itemDoubleClicked, this,
            [this] { command(&TDownloadForm::onDownloadSelectedClicked); });
    connect(m_downloadList, &QListWidget::itemClicked, this,
            [this] { command(&TDownloadForm::onListLineClicked); });
    // A click toggles the window; a double click, whose first click has
    // already toggled it, leaves it shown.
    connect(m_trayIcon, &TTrayIcon::Clicked, this, [this] { ToggleMainWindow(); });
    connect(m_trayIcon, &TTrayIcon::DoubleClicked, this, [this] { ShowMainWindow(); });
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
