#pragma once

#include "transfer/progress_model.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace fetchly {

class TFetchEngine;
class TransferAnimation;

// What the dialog's buttons act on: one engine's run, or a run of several
// downloads at once.
struct TDialogActions {
    std::function<void()> Cancel;
    std::function<std::string()> Target;    // the file Open file opens
    std::function<std::string()> TargetDir; // the folder Open folder opens
    std::function<void()> Free;             // the dialog has served its purpose
};

// The buttons of the dialog of `engine`'s runs.
TDialogActions EngineDialogActions(TFetchEngine &engine);

// The progress dialog of one run: a view of a progress model, laid out as
// the model's geometry says.
class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    ProgressDialog(TDialogActions actions, const TProgressSnapshot &first, QWidget *parent = nullptr);

    // Shows the model's current state.
    void refresh(const TProgressSnapshot &s);

    QLabel *fileLabel() const { return m_fileLabel; }
    QLabel *progressLabel() const { return m_progressLabel; }
    QLabel *rateLabel() const { return m_rateLabel; }
    QLabel *timeLabel() const { return m_timeLabel; }
    QProgressBar *progressBar() const { return m_bar; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *openFileButton() const { return m_openFile; }
    QPushButton *openFolderButton() const { return m_openFolder; }

protected:
    // Escape and the window manager's close press the Cancel button: during
    // a run they cancel it, after it they close the dialog as Close does.
    void reject() override;

private:
    void cancelClick();
    void openFileClick();
    void openFolderClick();

    TDialogActions m_actions;
    QLabel *m_fileLabel = nullptr;
    QLabel *m_progressLabel = nullptr;
    QLabel *m_rateLabel = nullptr;
    QLabel *m_timeLabel = nullptr;
    TransferAnimation *m_animation = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_openFolder = nullptr;
    QPushButton *m_openFile = nullptr;
    QProgressBar *m_bar = nullptr;
};

// Shows the Qt progress dialog of a model's runs: builds a dialog for each
// run and follows the model's end state. The worker never touches a widget:
// the model's notices reach the host on the UI thread (for an engine's model
// through the UI event pump, which TEngineEventQueue feeds), and each
// progress the pump delivers refreshes the dialog. Create it on the UI
// thread; it must not outlive the model.
class ProgressDialogHost : public QObject {
    Q_OBJECT
public:
    ProgressDialogHost(TProgressModel &model, TDialogActions actions, QWidget *dialogParent = nullptr);
    // The dialog of `engine`'s runs; it must not outlive the engine.
    explicit ProgressDialogHost(TFetchEngine &engine, QWidget *dialogParent = nullptr);
    ~ProgressDialogHost() override;

    // The dialog of the current or last run, while it exists.
    ProgressDialog *dialog() const { return m_dialog; }

    // A lifecycle notice of the model, on the UI thread.
    void Notice(TDialogChange change, std::uint64_t serial);
    // Shows the model's current state in the dialog of the current run.
    void Refresh();

private:
    TProgressModel &m_model;
    TDialogActions m_actions;
    QPointer<QWidget> m_parent;
    QPointer<ProgressDialog> m_dialog;
    std::uint64_t m_serial = 0;
};

} // namespace fetchly
