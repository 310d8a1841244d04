#include "ui/progress_dialog.h"

#include "transfer/fetch_engine.h"
#include "ui/transfer_animation.h"

#include <QDesktopServices>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <utility>

namespace fetchly {

namespace {

QString qs(const std::string &s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

void place(QWidget *w, const TDialogRect &r)
{
    w->move(r.left, r.top);
    if (r.width > 0)
        w->resize(r.width, r.height);
}

} // namespace

TDialogActions EngineDialogActions(TFetchEngine &engine)
{
    return {[&engine] { engine.CancelClick(); }, [&engine] { return engine.CurrentTarget(); },
            [&engine] { return engine.CurrentTargetDir(); }, [&engine] { engine.FreeDialog(); }};
}

ProgressDialog::ProgressDialog(TDialogActions actions, const TProgressSnapshot &first, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          (first.Setup.AlwaysOnTop ? Qt::WindowStaysOnTopHint : Qt::WindowFlags())),
      m_actions(std::move(actions))
{
    const TProgressLayout &l = first.Layout;
    setFixedSize(l.width, l.height);
    setModal(false);
    // Created in this order: labels, animation, buttons, bar.
    m_fileLabel = new QLabel(this);
    place(m_fileLabel, l.FileLabel);
    m_progressLabel = new QLabel(this);
    place(m_progressLabel, l.ProgressLabel);
    m_rateLabel = new QLabel(this);
    place(m_rateLabel, l.RateLabel);
    m_timeLabel = new QLabel(this);
    place(m_timeLabel, l.TimeLabel);
    m_timeLabel->setVisible(l.TimeVisible);
    m_animation = new TransferAnimation(this);
    place(m_animation, l.Animation);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    place(m_cancel, l.CancelButton);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressDialog::cancelClick);
    if (l.HasOpenFolder) {
        m_openFolder = new QPushButton(QStringLiteral("Open folder"), this);
        place(m_openFolder, l.OpenFolderButton);
        m_openFolder->setEnabled(false);
        connect(m_openFolder, &QPushButton::clicked, this, &ProgressDialog::openFolderClick);
    }
    if (l.HasOpenFile) {
        m_openFile = new QPushButton(QStringLiteral("Open file"), this);
        place(m_openFile, l.OpenFileButton);
        m_openFile->setEnabled(false);
        connect(m_openFile, &QPushButton::clicked, this, &ProgressDialog::openFileClick);
    }
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);
    place(m_bar, l.ProgressBar);
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    refresh(first);
}

void ProgressDialog::refresh(const TProgressSnapshot &s)
{
    setWindowTitle(qs(s.Caption));
    m_fileLabel->setText(qs(s.FileLabel));
    // These three size themselves to their text.
    m_progressLabel->setText(qs(s.ProgressLabel));
    m_progressLabel->adjustSize();
    m_rateLabel->setText(qs(s.RateLabel));
    m_rateLabel->adjustSize();
    m_timeLabel->setText(qs(s.TimeLabel));
    m_timeLabel->adjustSize();
    m_bar->setValue(s.BarPosition);
    m_animation->setKind(s.Animation);
    m_animation->setRunning(s.AnimationRunning);
    m_cancel->setText(qs(s.CancelCaption));
    if (m_openFile)
        m_openFile->setEnabled(s.OpenFileEnabled);
    if (m_openFolder)
        m_openFolder->setEnabled(s.OpenButtonsEnabled);
}

void ProgressDialog::cancelClick()
{
    m_actions.Cancel();
}

void ProgressDialog::reject()
{
    cancelClick();
    QDialog::reject();
}

void ProgressDialog::openFileClick()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(qs(m_actions.Target())));
    m_actions.Free();
}

void ProgressDialog::openFolderClick()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(qs(m_actions.TargetDir())));
    m_actions.Free();
}

ProgressDialogHost::ProgressDialogHost(TProgressModel &model, TDialogActions actions, QWidget *dialogParent)
    : m_model(model), m_actions(std::move(actions)), m_parent(dialogParent)
{
}

ProgressDialogHost::ProgressDialogHost(TFetchEngine &engine, QWidget *dialogParent)
    : ProgressDialogHost(engine.Progress(), EngineDialogActions(engine), dialogParent)
{
}

ProgressDialogHost::~ProgressDialogHost()
{
    delete m_dialog.data();
}

void ProgressDialogHost::Notice(TDialogChange change, std::uint64_t serial)
{
    const TProgressSnapshot s = m_model.Snapshot();
    if (change == TDialogChange::Built) {
        // A new run builds a new dialog; an older one goes.
        delete m_dialog.data();
        m_serial = serial;
        if (s.Serial != serial)
            return; // already superseded; a later notice follows
        m_dialog = new ProgressDialog(m_actions, s, m_parent);
        if (s.Visible)
            m_dialog->show();
        return;
    }
    if (serial != m_serial || !m_dialog)
        return;
    if (s.Serial == serial)
        m_dialog->refresh(s);
    switch (change) {
    case TDialogChange::Closed:
        m_dialog->hide();
        break;
    case TDialogChange::Freed:
        delete m_dialog.data();
        break;
    case TDialogChange::Built:
    case TDialogChange::Ended:
        break;
    }
}

void ProgressDialogHost::Refresh()
{
    if (!m_dialog)
        return;
    const TProgressSnapshot s = m_model.Snapshot();
    if (s.Serial == m_serial)
        m_dialog->refresh(s);
}

} // namespace fetchly
