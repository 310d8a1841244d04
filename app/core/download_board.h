#pragma once

#include "app/core/entry_table.h"
#include "transfer/fetch_types.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fetchly {

// The entry in focus: the one the engine works on, or the one last clicked.
struct TBoardFocus {
    std::string Url;
    int Image = 0;
    std::string Status;
    std::string Progress;
};

// What a view has to show after a step of the board, in this order: the
// run-log lines, the status text, the tray hint, the focus line, the report
// of the focused file, the end of the run.
struct TBoardUpdate {
    enum class Line {
        None,
        Stored, // the focus line is written into the table
        Live,   // the focus line shows progress on screen only
    };
    std::vector<std::string> Log;
    std::optional<std::string> Status;
    std::optional<std::string> TrayHint;
    Line FocusLine = Line::None;
    bool Inspect = false;
    std::optional<bool> RunEnded; // holds whether it was cancelled
};

// The download list without a window: the entry table, the entry in focus,
// whether a run is going and how each item of the run came out. It turns
// the engine's events into what the window shows; every text it makes is
// the one the user has always seen.
class TDownloadBoard {
public:
    static constexpr const char *IdleHint = "Fetchly / Internet Downloader";

    TEntryTable &Entries() { return m_entries; }
    const TEntryTable &Entries() const { return m_entries; }
    TBoardFocus &Focus() { return m_focus; }
    const TBoardFocus &Focus() const { return m_focus; }

    bool Busy() const { return m_busy; }
    void SetBusy(bool busy) { m_busy = busy; }
    // A run was asked for. A fresh one forgets the outcomes of the last.
    void RunRequested(bool fresh);
    int DoneInRun() const { return m_doneInRun; }
    // Entries whose last item in this run failed.
    int FailedInRun() const;
    // How the last item of this run for `key` came out: true when its file
    // arrived; nothing while none has ended.
    std::optional<bool> Outcome(std::string_view key) const;

    // The focus as its line of the list, the engine's rate text at its end.
    std::string FocusLine(std::string_view rate) const;
    // Writes the focus line into the table; returns its position.
    int StoreFocusLine(std::string_view rate);

    // The engine's events. `Ext` is the entry's position in the table; an
    // entry that is no longer there throws std::out_of_range.
    TBoardUpdate FileStart(int Ext);
    TBoardUpdate CopyProgress(int Ext, TFetchSize size, TFetchSize totsize, std::string_view rate);
    // `done`: the item's result as the engine recorded it.
    TBoardUpdate FileDone(int Ext, bool done);
    TBoardUpdate URLNotFound(const std::string &url);
    TBoardUpdate ErrorInfo(const std::string &info);
    TBoardUpdate Retry(int retry, int retries, int delayMs, const std::string &info);
    TBoardUpdate CopyDone(bool cancelled);

private:
    TEntryTable m_entries;
    TBoardFocus m_focus;
    bool m_busy = false;
    // The entry the engine works on; empty once its file-done event came,
    // so a cancel finds the one that was cut off.
    std::string m_runningKey;
    // Each entry's last result in this run (TFetchItem::Done), by key.
    std::unordered_map<std::string, bool, detail::KeyHash, detail::KeyEqual> m_outcomes;
    int m_doneInRun = 0;
};

} // namespace fetchly
