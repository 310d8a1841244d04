#pragma once

#include "transfer/fetch_types.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace fetchly {

// Geometry of the progress dialog, in pixels relative to the dialog.
struct TDialogRect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct TProgressLayout {
    int width = 300;
    int height = 212;
    TDialogRect Animation, ProgressBar, FileLabel, ProgressLabel, RateLabel, TimeLabel;
    TDialogRect CancelButton, OpenFolderButton, OpenFileButton;
    bool TimeVisible = true;
    bool HasOpenFolder = false;
    bool HasOpenFile = false;
};

TProgressLayout ComputeProgressLayout(bool showTime, bool showOpenFile, bool showOpenFolder);

enum class TDialogAnimation { Download, Upload, Copy };

// The dialog's fixed texts and switches for one run (copied from the engine).
struct TDialogSetup {
    std::string DlgCaption, DlgCompleted, DlgFileLabel, DlgFileOfLabel, DlgFromServerLabel, DlgToServerLabel;
    std::string DlgProgressLabel, DlgRateLabel, DlgTimeLabel, DlgCopying, DlgDwnload, DlgUpload;
    bool ShowDialog = true;
    bool ShowOpenFile = false;
    bool ShowOpenFolder = false;
    bool ShowCompletion = false;
    bool ShowTime = false;
    bool AlwaysOnTop = false;
};

// Everything a view needs to draw the dialog at one moment.
struct TProgressSnapshot {
    std::uint64_t Serial = 0; // one per built dialog
    bool Exists = false;      // built and not yet destroyed
    bool Visible = false;     // shown (ShowDialog) and not closed
    bool Ended = false;       // the run has finished
    TDialogSetup Setup;
    TProgressLayout Layout;
    std::string Caption;
    std::string FileLabel, ProgressLabel, RateLabel, TimeLabel;
    int BarPosition = 0;
    TDialogAnimation Animation = TDialogAnimation::Download;
    bool AnimationRunning = true;
    std::string CancelCaption = "Cancel";
    bool OpenButtonsEnabled = false;
    // Open file also needs the run's last file to have arrived.
    bool OpenFileEnabled = false;
};

enum class TDialogChange { Built, Ended, Closed, Freed };

// The progress dialog without a GUI: the run writes into it, views read
// snapshots of it. Texts that change with every chunk are kept as numbers
// and formatted when read, so a chunk costs no text formatting. Thread-safe.
class TProgressModel {
public:
    // Lifecycle notices (raised on the thread that causes them: the worker
    // for Built and Ended, the caller for Closed and Freed). A view reacts
    // to them and reads Snapshot() for the rest.
    void SetListener(std::function<void(TDialogChange, std::uint64_t serial)> listener);

    void Build(const TDialogSetup &setup);
    void SetCaption(const std::string &word); // word + " ..."
    void SetFileLabel(const std::string &text);
    void SetAnimation(TDialogAnimation animation);
    // The dialog part of a progress step: bar, progress label, caption with
    // ShowCompletion, rate and time left.
    void Step(TFetchSize done, TFetchSize total, std::int64_t elapsedMs, const std::string &word);
    // `lastArrived`: the run's last item succeeded, so its file is there.
    void End(bool cancelled, bool lastArrived = true);
    void Close(); // hides; the dialog still exists
    void Free();  // destroys
    TProgressSnapshot Snapshot() const;
    std::string RateLabel() const;

private:
    void notify(TDialogChange change, std::uint64_t serial);
    std::string rateLabelLocked() const;

    mutable std::mutex m_mutex;
    std::function<void(TDialogChange, std::uint64_t)> m_listener;
    std::uint64_t m_serial = 0;
    bool m_exists = false, m_visible = false, m_ended = false;
    TDialogSetup m_setup;
    std::string m_caption, m_fileLabel;
    std::string m_completionWord; // non-empty: caption shows completion
    bool m_stepped = false;       // the labels show numbers
    TFetchSize m_done = 0, m_total = 0;
    std::int64_t m_elapsedMs = 0;
    int m_bar = 0;
    TDialogAnimation m_animation = TDialogAnimation::Download;
    bool m_animationRunning = true;
    bool m_closeCaption = false, m_openEnabled = false, m_openFileEnabled = false;
};

// The dialog's file line: "File : " + "2 of 5 : " (unless `count` is 0) +
// name + " " + direction word + " " + host.
std::string ItemHeader(const TDialogSetup &setup, int number, int count, const std::string &name,
                       const std::string &directionWord, const std::string &host);

// round(done * 100 / total) without overflow, halves to even; 0 for total <= 0
// and at most 100.
int ProgressPercent(TFetchSize done, TFetchSize total);

} // namespace fetchly
