#include "app/core/download_board.h"

#include "app/core/download_lines.h"
#include "transfer/url_functions.h"

#include <cstdio>

namespace fetchly {

void TDownloadBoard::RunRequested(bool fresh)
{
    if (fresh) {
        m_doneInRun = 0;
        m_outcomes.clear();
    }
    m_busy = true;
}

std::string TDownloadBoard::FocusLine(std::string_view rate) const
{
    return StatusLine(m_focus.Image, MaskUrlPassword(m_focus.Url), m_focus.Status, m_focus.Progress, rate);
}

int TDownloadBoard::FailedInRun() const
{
    int failed = 0;
    for (const auto &[key, done] : m_outcomes)
        failed += done ? 0 : 1;
    return failed;
}

std::optional<bool> TDownloadBoard::Outcome(std::string_view key) const
{
    const auto it = m_outcomes.find(key);
    if (it == m_outcomes.end())
        return std::nullopt;
    return it->second;
}

int TDownloadBoard::StoreFocusLine(std::string_view rate)
{
    return m_entries.SetValue(m_focus.Url, FocusLine(rate));
}

TBoardUpdate TDownloadBoard::FileStart(int Ext)
{
    TBoardUpdate u;
    m_focus.Url = std::string(m_entries.Key(Ext));
    m_runningKey = m_focus.Url;
    m_focus.Image = 2;
    m_focus.Status = "DownLoading";
    // Until its own progress arrives, the line must not show the sizes of
    // the file before it.
    m_focus.Progress = ProgressText(0, 0);
    u.Log.push_back("File Start : " + MarkupEscape(m_focus.Url));
    u.Status = "Downloading Started : No" + std::to_string(Ext);
    u.FocusLine = TBoardUpdate::Line::Stored;
    m_busy = true;
    return u;
}

TBoardUpdate TDownloadBoard::CopyProgress(int Ext, TFetchSize size, TFetchSize totsize, std::string_view rate)
{
    TBoardUpdate u;
    m_focus.Url = std::string(m_entries.Key(Ext));
    m_focus.Progress = ProgressText(size, totsize);
    u.Status = std::string(rate) + "  Downloading : " + m_focus.Url;
    u.TrayHint = "Fetchly Downloading : " + m_focus.Progress;
    u.FocusLine = TBoardUpdate::Line::Live;
    m_busy = true;
    return u;
}

TBoardUpdate TDownloadBoard::FileDone(int Ext, bool done)
{
    m_runningKey.clear(); // it arrived, or failed: it was not cut off
    TBoardUpdate u;
    m_focus.Url = std::string(m_entries.Key(Ext));
    m_outcomes[m_focus.Url] = done;
    u.FocusLine = TBoardUpdate::Line::Stored;
    if (!done) {
        // A failed item keeps its failure text, and its partial file is not
        // inspected.
        m_focus.Image = 4;
        u.Log.push_back("<i>File Not Downloaded : " + MarkupEscape(m_focus.Url) + "</i><hr>");
        return u;
    }
    ++m_doneInRun;
    m_focus.Image = 3;
    m_focus.Status = "File Downloaded!";
    u.Log.push_back("File Downloaded : " + MarkupEscape(m_focus.Url) + "<hr>");
    u.Inspect = true;
    return u;
}

TBoardUpdate TDownloadBoard::URLNotFound(const std::string &url)
{
    TBoardUpdate u;
    m_focus.Image = 4;
    m_focus.Status = "File Not Found";
    u.Log.push_back("<i>File Not Found : " + MarkupEscape(m_focus.Url) + "</i>");
    u.Status = "File Not Found : " + url;
    u.FocusLine = TBoardUpdate::Line::Stored;
    return u;
}

TBoardUpdate TDownloadBoard::ErrorInfo(const std::string &info)
{
    TBoardUpdate u;
    m_focus.Image = 4;
    m_focus.Status = info;
    u.Status = info;
    u.FocusLine = TBoardUpdate::Line::Stored;
    return u;
}

TBoardUpdate TDownloadBoard::Retry(int retry, int retries, int delayMs, const std::string &info)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", delayMs / 1000.0);
    TBoardUpdate u;
    u.Status = "Retry " + std::to_string(retry) + " of " + std::to_string(retries) + " in " + seconds +
               " s : " + info;
    return u;
}

TBoardUpdate TDownloadBoard::CopyDone(bool cancelled)
{
    TBoardUpdate u;
    // The item that was running when Cancel was pressed got no file-done
    // event: it did not arrive, whatever its line said last.
    if (cancelled && !m_runningKey.empty()) {
        m_focus.Url = m_runningKey;
        m_focus.Image = 4;
        m_focus.Status = "Download Cancelled";
        u.Log.push_back("<i>File Not Downloaded : " + MarkupEscape(m_focus.Url) + "</i><hr>");
    } else if (Outcome(m_focus.Url).value_or(true)) {
        m_focus.Image = 3;
        m_focus.Status = "Downloaded";
    }
    m_runningKey.clear();
    u.Status = cancelled ? "Downloading Cancelled !" : "Downloading Completed !";
    u.TrayHint = IdleHint;
    u.Log.push_back(cancelled ? "<b>Fetchly Downloads Cancelled </b>"
                              : "<b>Fetchly has Finished All Downloads! </b>");
    u.FocusLine = TBoardUpdate::Line::Stored;
    m_busy = false;
    u.RunEnded = cancelled;
    return u;
}

} // namespace fetchly
