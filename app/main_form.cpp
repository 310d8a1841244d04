#include "app/main_form.h"

#include "app/core/app_paths.h"
#include "app/core/kept_aside.h"
#include "app/core/list_file.h"
#include "app/engine_options.h"
#include "app/error_report.h"
#include "app/options_form.h"
#include "transfer/url_functions.h"
#include "ui/directory_edit.h"
#include "ui/tray_icon.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>
#include <filesystem>

namespace fetchly {

TDownloadForm::TDownloadForm(QWidget *parent) : QMainWindow(parent)
{
    buildDesign();
    m_autoSave = new QTimer(this);
    m_autoSave->setSingleShot(true);
    m_autoSave->setInterval(1000);
    connect(m_autoSave, &QTimer::timeout, this, &TDownloadForm::AutoSave);
    setUpSaver();
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

void TDownloadForm::setUpSaver()
{
    // A write that fails in the background is reported here, and the list
    // counts as unsaved so the next change tries again.
    m_saver = std::make_unique<TListSaver>([this](const std::filesystem::path &, const std::string &error) {
        if (error.empty())
            return;
        QMetaObject::invokeMethod(
            this,
            [this, error] {
                m_savedGeneration = static_cast<std::size_t>(-1);
                ShowError(error);
            },
            Qt::QueuedConnection);
    });
}

TDownloadForm::~TDownloadForm()
{
    // Effects of a run that is still going no longer reach this window.
    m_pump.Detach();
    FormDestroy();
}

QString TDownloadForm::StatusText() const
{
    return m_statusText->text();
}

namespace {
// What people see never holds the password of a URL.
QString masked(const QString &text)
{
    return QString::fromStdString(MaskUrlPassword(text.toStdString()));
}
} // namespace

void TDownloadForm::SetStatusText(const QString &text)
{
    const QString shown = masked(text);
    m_statusText->setText(shown);
    Q_EMIT StatusTextChanged(shown);
}

void TDownloadForm::SetTrayHint(const QString &hint)
{
    TrayIcon1->SetHint(masked(hint));
}

void TDownloadForm::AddStartupNote(const QString &note)
{
    if (note.isEmpty())
        return;
    m_startupNotes.append(note);
    SetStatusText(m_startupNotes.join(QStringLiteral("  ")));
}

void TDownloadForm::ShowError(const std::string &message)
{
    SetStatusText(QStringLiteral("Error : ") + QString::fromStdString(message));
}

void TDownloadForm::FormCreate()
{
    // Each step stands alone: one that fails is reported and the others
    // still run, so the list and the options always load.
    FAppDir = AppDataDir();
    startupStep([this] { OptionsForm = std::make_unique<TOptionsForm>(); });
    if (!OptionsForm)
        OptionsForm = std::make_unique<TOptionsForm>();
    startupStep([this] { loadOptions(); });
    // What the user types as target directory is what Start All uses.
    connect(tgt, &TDirectoryEdit::textChanged, this,
            [this](const QString &text) { Options.TargetDir = text.toStdString(); });
    startupStep([this] { RegisterMenuExtensions(); });
    startupStep([this] { removeLeftovers(); });
    Board.Entries().Clear();
    startupStep([this] { LoadAutoList(); });
    startupStep([this] { copyOptions(); });
    Board.SetBusy(false);
    m_savedGeneration = Board.Entries().Generation();
}

void TDownloadForm::removeLeftovers()
{
    // Temporary files of a save that a crash or power cut interrupted.
    RemoveLeftoverTemporaries(AutoListPath());
    if (OptionsFile)
        RemoveLeftoverTemporaries(OptionsFile->Path());
}

void TDownloadForm::loadOptions()
{
    Options.TargetDir = DefaultTargetDir().toStdString();
    OptionsFile = std::make_unique<TOptionsFile>(ProfilePath("Fetchly.ini"));
    Options = OptionsFile->Load(Options);
    AddStartupNote(QString::fromStdString(OptionsFile->LoadProblem()));
}

void TDownloadForm::saveOptions()
{
    if (OptionsFile)
        OptionsFile->Save(Options);
}

void TDownloadForm::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_autoSave->stop();
    m_liveLine = -1;
    Guarded([this] {
        try {
            SaveAutoList();
        } catch (const std::exception &e) {
            // The window is going away: say it where it can still be read.
            std::fprintf(stderr, "fetchly: %s\n", e.what());
            throw;
        }
    });
    OptionsForm.reset();
    Guarded([this] {
        try {
            saveOptions();
        } catch (const std::exception &e) {
            std::fprintf(stderr, "fetchly: %s\n", e.what());
            throw;
        }
    });
    m_saver.reset();
}

void TDownloadForm::LoadAutoList()
{
    const std::filesystem::path path(AutoListPath());
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec)
        return;
    TListFileContents contents;
    try {
        contents = ReadListFile(path);
    } catch (const std::exception &e) {
        keepListAside("unreadable", std::string("could not be read (") + e.what() + ")");
        return;
    }
    if (contents.damagedLine)
        keepListAside("damaged", "is damaged at line " + std::to_string(*contents.damagedLine) +
                                     " (a NUL byte): the lines from there on were not loaded");
    showLoadedList(std::move(contents.lines));
}

void TDownloadForm::keepListAside(const std::string &tag, const std::string &reason)
{
    const QString what = QStringLiteral("Error : The list file ") + QString::fromStdString(AutoListPath()) +
                         QLatin1Char(' ') + QString::fromStdString(reason) + QStringLiteral(". ");
    try {
        const std::filesystem::path kept = KeepAside(AutoListPath(), tag);
        AddStartupNote(what + QStringLiteral("The file was kept as ") +
                       QString::fromStdString(kept.filename().string()) + QLatin1Char('.'));
    } catch (const std::exception &e) {
        m_listWritable = false;
        AddStartupNote(what + QString::fromStdString(e.what()) +
                       QStringLiteral(" The list will not be saved over it."));
    }
}

void TDownloadForm::SaveAutoList()
{
    if (!m_listWritable)
        throw std::runtime_error("The list was not saved: " + AutoListPath() +
                                 " could not be read and is kept as it is.");
    // Through the saver, so it lands after any write still under way.
    m_saver->SaveNow(AutoListPath(), Board.Entries().Snapshot());
    m_savedGeneration = Board.Entries().Generation();
    m_lastSave = std::chrono::steady_clock::now();
}

void TDownloadForm::SaveState()
{
    Guarded([this] { SaveAutoList(); });
    Guarded([this] { saveOptions(); });
}

void TDownloadForm::ApplyOptions()
{
    Guarded([this] { copyOptions(); });
}

void TDownloadForm::copyOptions()
{
    ConfigureEngine(FetchEngine1, Options);
    tgt->setText(QString::fromStdString(Options.TargetDir));
}

void TDownloadForm::ToolButton12Click()
{
    const std::optional<TAppOptions> edited = OptionsForm->Edit(Options);
    if (!edited)
        return;
    Options = *edited;
    try {
        saveOptions();
    } catch (const std::exception &e) {
        ReportApplicationError(OptionsForm.get(), QString::fromStdString(e.what()));
    }
    ApplyOptions();
}

void TDownloadForm::ToolButton11Click()
{
    // Without a tray there would be no way back to a hidden window.
    if (TrayIcon1->Shown())
        hide();
    else
        showMinimized();
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
        m_autoSave->start(1000);
}

void TDownloadForm::AutoSave()
{
    if (Board.Entries().Generation() == m_savedGeneration || !m_listWritable)
        return;
    // During a run the state of entries changes often: the file is
    // written at most every 5 seconds then, and once more at the end.
    constexpr auto RunInterval = std::chrono::seconds(5);
    const auto now = std::chrono::steady_clock::now();
    if (Board.Busy() && now - m_lastSave < RunInterval) {
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(RunInterval - (now - m_lastSave));
        m_autoSave->start(static_cast<int>(wait.count()) + 1);
        return;
    }
    // The UI thread only takes a snapshot; the saver formats and writes it.
    m_saver->Submit(AutoListPath(), Board.Entries().Snapshot());
    m_savedGeneration = Board.Entries().Generation();
    m_lastSave = now;
}

bool TDownloadForm::RefuseWhileBusy()
{
    if (!Board.Busy())
        return false;
    SetStatusText(
        QStringLiteral("Please wait until the downloads have finished: the list cannot change now."));
    return true;
}

} // namespace fetchly
