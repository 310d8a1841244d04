#pragma once

#include "transfer/progress_model.h"

#include <optional>
#include <string>

namespace fetchly {

struct TBoardUpdate;
class TDownloadBoard;

// The progress dialog of a run with several downloads at once. No engine
// owns it: it shows the oldest item being transferred, its counter counts
// the run, and it ends once, with the run. Its Cancel stops the whole run.
// Used on the UI thread only.
class TRunDialog {
public:
    TProgressModel &Model() { return m_model; }
    // A run with the dialog is going.
    bool Following() const { return m_following; }

    // A new run builds the dialog with the texts and switches of `setup`.
    void Begin(const TDialogSetup &setup);
    // After the board applied an event: the dialog shows the oldest item,
    // notes a file that arrived and ends with the run.
    void Show(const TDownloadBoard &board, const TBoardUpdate &update);
    // The file Open file opens: the last one of the run that arrived.
    const std::string &Target() const { return m_target; }

private:
    TProgressModel m_model;
    TDialogSetup m_setup;
    bool m_following = false;
    std::string m_target;
};

} // namespace fetchly
