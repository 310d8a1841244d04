#include "app/core/run_dialog.h"

#include "app/core/download_board.h"

namespace fetchly {

void TRunDialog::Begin(const TDialogSetup &setup)
{
    m_setup = setup;
    m_following = true;
    m_target.clear();
    m_model.Build(setup);
    // A run of several at once only downloads.
    m_model.SetCaption(setup.DlgDwnload);
    m_model.SetAnimation(TDialogAnimation::Download);
}

void TRunDialog::Show(const TDownloadBoard &board, const TBoardUpdate &update)
{
    if (!m_following)
        return;
    // An arrived file is what the board's update inspects.
    if (update.Inspect && update.Entry >= 0)
        if (const std::string path = board.Downloaded(board.Entries().Key(update.Entry)).Path; !path.empty())
            m_target = path;
    if (const std::optional<TRunFocus> focus = board.OldestActive()) {
        // A run of one item shows no counter, as an engine's dialog does.
        const int count = focus->Count >= 2 ? focus->Count : 0;
        m_model.SetFileLabel(
            ItemHeader(m_setup, focus->Number, count, focus->Name, m_setup.DlgFromServerLabel, focus->Host));
        m_model.Step(focus->Size, focus->Total, focus->ElapsedMs, m_setup.DlgDwnload);
    }
    if (update.RunEnded) {
        m_following = false;
        m_model.End(*update.RunEnded, !m_target.empty());
    }
}

} // namespace fetchly
