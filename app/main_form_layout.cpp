// The main window's design: bands, toolbar, lists, menus and dialogs.
#include "app/app_pictures.h"
#include "app/error_report.h"
#include "app/main_form.h"
#include "app/options_form.h"
#include "ui/directory_edit.h"
#include "ui/tray_icon.h"

#include <QAction>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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
    return action;
}

} // namespace

void TDownloadForm::buildDesign()
{
    setObjectName(QStringLiteral("DownloadForm"));
    setWindowTitle(QStringLiteral("Brindlewick Fetchly"));
    setWindowIcon(AppIcon());
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    ImageList1 = ToolbarPictures();
    ImageList2 = StatusPictures(devicePixelRatioF());
    buildToolBar();
    buildBands();
    buildLists();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(19);
    StatusBar1->setSizeGripEnabled(true);
    m_statusText = new QLabel(QStringLiteral("OK"), StatusBar1);
    m_statusText->setObjectName(QStringLiteral("StatusText"));
    // Messages quote URLs and server texts: never read them as rich text.
    m_statusText->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(m_statusText, 1);
    setStatusBar(StatusBar1);

    TrayIcon1 = new TTrayIcon(AppIcon(), QString::fromLatin1(TDownloadBoard::IdleHint), this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));

    OpenDialog = new QFileDialog(this);
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog->setFileMode(QFileDialog::AnyFile);
    OpenDialog->setNameFilters(
        {QStringLiteral("Orv File Downloader (*.ufi)"), QStringLiteral("All Files *.* (*)")});
    OpenDialog->setDefaultSuffix(QStringLiteral("ufl"));
    SaveDialog = new QFileDialog(this);
    SaveDialog->setObjectName(QStringLiteral("SaveDialog"));
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setFileMode(QFileDialog::AnyFile);
    SaveDialog->setOption(QFileDialog::DontConfirmOverwrite);
    SaveDialog->setNameFilters(
        {QStringLiteral("Ovr File Downloader (*.ufi)"), QStringLiteral("All Files *.* (*)")});
    SaveDialog->setDefaultSuffix(QStringLiteral("ufi"));

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
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setFixedHeight(40);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->addSeparator();
    ToolButton3 =
        toolButton(ToolBar1, "ToolButton3", ImageList1.value(0), QStringLiteral("Open File Download List"));
    ToolButton4 =
        toolButton(ToolBar1, "ToolButton4", ImageList1.value(1), QStringLiteral("Save File Download List"));
    ToolBar1->addSeparator();
    ToolButton5 =
        toolButton(ToolBar1, "ToolButton5", ImageList1.value(2), QStringLiteral("Start All Downloads"));
    ToolBar1->addSeparator();
    ToolButton12 =
        toolButton(ToolBar1, "ToolButton12", ImageList1.value(6), QStringLiteral("Open Options Dialog"));
    ToolBar1->addSeparator();
    ToolButton6 = toolButton(ToolBar1, "ToolButton6", ImageList1.value(3),
                             QStringLiteral("Add A URL (to download) to List"));
    ToolBar1->addSeparator();
    ToolButton7 = toolButton(ToolBar1, "ToolButton7", ImageList1.value(4), QStringLiteral("Empty URL List"));
    ToolBar1->addSeparator();
    ToolButton11 = toolButton(ToolBar1, "ToolButton11", ImageList1.value(5),
                              QStringLiteral("Hide Application (Task Bar)"));
    for (QAction *action : ToolBar1->actions()) {
        if (QWidget *button = ToolBar1->widgetForAction(action); button && !action->isSeparator())
            button->setFixedSize(39, 38);
    }
    addToolBar(Qt::TopToolBarArea, ToolBar1);
}

void TDownloadForm::buildBands()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("Client"));
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel2 = new QLabel(QStringLiteral("Brindlewick Fetchly / Internet File Downloader"), central);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(41);
    Panel2->setAlignment(Qt::AlignCenter);
    QFont title(QStringLiteral("Trebuchet MS"));
    title.setPixelSize(21);
    Panel2->setFont(title);
    Panel2->setAutoFillBackground(true);
    QPalette titleColours = Panel2->palette();
    titleColours.setColor(QPalette::Window, QColor(97, 107, 201));
    titleColours.setColor(QPalette::WindowText, Qt::white);
    Panel2->setPalette(titleColours);
    column->addWidget(Panel2);

    Panel1 = new QFrame(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(37);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);
    auto *targetRow = new QHBoxLayout(Panel1);
    targetRow->setContentsMargins(8, 4, 8, 4);
    Label2 = new QLabel(QStringLiteral("Target directory :"), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    tgt = new TDirectoryEdit(Panel1);
    tgt->setObjectName(QStringLiteral("tgt"));
    tgt->setFixedWidth(459);
    tgt->setFont(QFont(QStringLiteral("Trebuchet MS")));
    tgt->setText(DefaultTargetDir());
    Label2->setBuddy(tgt->lineEdit());
    targetRow->addWidget(Label2);
    targetRow->addWidget(tgt);
    targetRow->addStretch(1);
    column->addWidget(Panel1);

    GroupBox1 = new QGroupBox(QStringLiteral("URL Download List :"), central);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setAutoFillBackground(true);
    GroupBox1->setPalette(white);
    column->addWidget(GroupBox1, 1);
    setCentralWidget(central);
}

void TDownloadForm::buildLists()
{
    auto *lists = new QVBoxLayout(GroupBox1);
    lists->setContentsMargins(4, 4, 4, 4);
    lists->setSpacing(2);
    setUpUrlBox();
    setUpDoBox();
    lists->addWidget(URLBox, 1);
    lists->addWidget(DoBox);

    ListPopUp = new QMenu(URLBox);
    ListPopUp->setObjectName(QStringLiteral("ListPopUp"));
    DownLoadThisFile1 = ListPopUp->addAction(QStringLiteral("DownLoad Selected Files"));
    DownLoadThisFile1->setObjectName(QStringLiteral("DownLoadThisFile1"));
    DownLoadAllFiles1 = ListPopUp->addAction(QStringLiteral("DownLoad All Files"));
    DownLoadAllFiles1->setObjectName(QStringLiteral("DownLoadAllFiles1"));
    N1 = ListPopUp->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    DeleteThisFile1 = ListPopUp->addAction(QStringLiteral("Delete This File"));
    DeleteThisFile1->setObjectName(QStringLiteral("DeleteThisFile1"));
    URLBox->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(URLBox, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { ListPopUp->popup(URLBox->viewport()->mapToGlobal(pos)); });
}

void TDownloadForm::connectCommands()
{
    // Guarded handlers report their own errors; the others hand an escaping
    // exception to the application's error report.
    connect(ToolButton3, &QAction::triggered, this, [this] { unguarded(&TDownloadForm::ToolButton3Click); });
    connect(ToolButton4, &QAction::triggered, this, [this] { unguarded(&TDownloadForm::ToolButton4Click); });
    connect(ToolButton5, &QAction::triggered, this, [this] { unguarded(&TDownloadForm::Button1Click); });
    connect(ToolButton12, &QAction::triggered, this,
            [this] { unguarded(&TDownloadForm::ToolButton12Click); });
    connect(ToolButton6, &QAction::triggered, this, [this] { unguarded(&TDownloadForm::ToolButton6Click); });
    connect(ToolButton7, &QAction::triggered, this, [this] { unguarded(&TDownloadForm::ToolButton7Click); });
    connect(ToolButton11, &QAction::triggered, this,
            [this] { unguarded(&TDownloadForm::ToolButton11Click); });
    connect(DownLoadThisFile1, &QAction::triggered, this,
            [this] { unguarded(&TDownloadForm::DownLoadThisFile1Click); });
    connect(DownLoadAllFiles1, &QAction::triggered, this,
            [this] { unguarded(&TDownloadForm::Button1Click); });
    connect(DeleteThisFile1, &QAction::triggered, this,
            [this] { unguarded(&TDownloadForm::DeleteThisFile1Click); });
    connect(URLBox, &QListWidget::itemDoubleClicked, this,
            [this] { unguarded(&TDownloadForm::DownLoadThisFile1Click); });
    connect(URLBox, &QListWidget::itemClicked, this, [this] { unguarded(&TDownloadForm::URLBoxClick); });
    connect(TrayIcon1, &TTrayIcon::Activated, this, [this] { unguarded(&TDownloadForm::TrayIcon1DblClick); });
}

void TDownloadForm::unguarded(void (TDownloadForm::*handler)())
{
    try {
        (this->*handler)();
    } catch (const std::exception &e) {
        ReportApplicationError(this, QString::fromStdString(e.what()));
    }
}

} // namespace fetchly
