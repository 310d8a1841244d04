#include "main_form.h"

#include "core/app_paths.h"
#include "core/list_file.h"
#include "form_settings.h"
#include "options_form.h"
#include "ui/directory_edit.h"
#include "ui/tray_icon.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>
#include <filesystem>

namespace fetchly {

namespace {
const char *const IdleTrayHint = "Fetchly / Internet Downloader";
}

TDownloadForm::TDownloadForm(QWidget *parent) : QMainWindow(parent)
{
    buildDesign();
    m_autoSave = new QTimer(this);
    m_autoSave->setSingleShot(true);
    m_autoSave->setInterval(1000);
    connect(m_autoSave, &QTimer::timeout, this, &TDownloadForm::autoSaveNow);
    setUpEngine();
    ConnectEngineEvents();
    FormCreate();
}

// The engine as the window's design holds it: the texts and switches of its
// progress dialog differ from the engine's own defaults.
void TDownloadForm::setUpEngine()
{
    FetchEngine1.DlgCaption = "Downloading ...";
    FetchEngine1.DlgCompleted = "Completed";
    FetchEngine1.DlgRateLabel = "Transfer Rate :";
    FetchEngine1.ShowCompletion = true;
    FetchEngine1.ShowTime = true;
    ProgressHost = std::make_unique<ProgressDialogHost>(FetchEngine1, this);
}

TDownloadForm::~TDownloadForm()
{
    // Effects of a run that is still going no longer reach this window.
    EventPump->Detach();
    FormDestroy();
}

QString TDownloadForm::StatusText() const
{
    return m_statusText->text();
}

void TDownloadForm::SetStatusText(const QString &text)
{
    m_statusText->setText(text);
    Q_EMIT StatusTextChanged(text);
}

void TDownloadForm::SetTrayHint(const QString &hint)
{
    TrayIcon1->SetHint(hint);
}

void TDownloadForm::ShowError(const std::string &message)
{
    SetStatusText(QStringLiteral("Error : ") + QString::fromStdString(message));
}

void TDownloadForm::FormCreate()
{
    Guarded([this] {
        FAppDir = AppDataDir();
        OptionsForm = std::make_unique<TOptionsForm>();
        // What the user types as target directory is what Start All uses,
        // so it goes into the options' directory as it changes.
        connect(tgt, &TDirectoryEdit::textChanged, OptionsForm.get(),
                [this](const QString &text) { OptionsForm->diredit->setText(text); });
        RegisterMenuExtensions();
        FUrlList.Clear();
        LoadAutoList();
        ApplyOptions();
        FBusy = false;
    });
    // Even when start-up failed part-way, the table and the options work.
    if (!OptionsForm)
        OptionsForm = std::make_unique<TOptionsForm>();
    m_savedGeneration = FUrlList.Generation();
}

void TDownloadForm::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_autoSave->stop();
    Guarded([this] {
        try {
            SaveAutoList();
        } catch (const std::exception &e) {
            // The window is going away: say it where it can still be read.
            std::fprintf(stderr, "fetchly: %s\n", e.what());
            throw;
        }
    });
    Guarded([this] {
        if (!OptionsForm)
            return;
        OptionsForm->diredit->setText(tgt->text());
        try {
            OptionsForm->FormDestroy();
        } catch (const std::exception &e) {
            std::fprintf(stderr, "fetchly: %s\n", e.what());
            OptionsForm.reset();
            throw;
        }
        OptionsForm.reset();
    });
}

void TDownloadForm::LoadAutoList()
{
    const std::filesystem::path path(AutoListPath());
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return;
    showLoadedList(LoadListFile(path));
}

void TDownloadForm::SaveAutoList()
{
    fetchly::SaveListFile(AutoListPath(), FUrlList.Lines());
    m_savedGeneration = FUrlList.Generation();
}

void TDownloadForm::SaveState()
{
    Guarded([this] { SaveAutoList(); });
    Guarded([this] {
        if (!OptionsForm)
            return;
        OptionsForm->diredit->setText(tgt->text());
        OptionsForm->FormSettings->SaveSettings();
    });
}

void TDownloadForm::ApplyOptions()
{
    Guarded([this] { copyOptions(); });
}

void TDownloadForm::copyOptions()
{
    FetchEngine1.FTPPassive = OptionsForm->CheckBox1->isChecked();
    FetchEngine1.Proxy = OptionsForm->ProxEdit->text().toStdString();
    FetchEngine1.ProxyPassword = OptionsForm->PassEdit->text().toStdString();
    FetchEngine1.ProxyUserID = OptionsForm->UserEdit->text().toStdString();
    FetchEngine1.ShowDialog = OptionsForm->CheckBox2->isChecked();
    FetchEngine1.ShowOpenFile = OptionsForm->CheckBox3->isChecked();
    FetchEngine1.ShowOpenFolder = OptionsForm->CheckBox4->isChecked();
    FetchEngine1.Connections = OptionsForm->Transfer.Connections;
    FetchEngine1.Retries = OptionsForm->Transfer.Retries;
    tgt->setText(OptionsForm->diredit->text());
}

void TDownloadForm::ToolButton12Click()
{
    if (OptionsForm->exec() == QDialog::Accepted)
        copyOptions();
}

void TDownloadForm::ToolButton11Click()
{
    // Without a tray there would be no way back to a hidden window.
    if (TrayIcon1->Shown())
        hide();
    else
        showMinimized();
}

void TDownloadForm::TrayIcon1DblClick()
{
    ShowMainWindow();
}

void TDownloadForm::ShowMainWindow()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void TDownloadForm::tableChanged()
{
    if (!m_destroyed && !m_autoSave->isActive())
        m_autoSave->start();
}

void TDownloadForm::autoSaveNow()
{
    if (FUrlList.Generation() == m_savedGeneration)
        return;
    Guarded([this] { SaveAutoList(); });
}

bool TDownloadForm::RefuseWhileBusy()
{
    if (!FBusy)
        return false;
    SetStatusText(
        QStringLiteral("Please wait until the downloads have finished: the list cannot change now."));
    return true;
}

} // namespace fetchly
