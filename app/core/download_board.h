#pragma once

#include "app/core/active_items.h"
#include "app/core/app_options.h"
#include "app/core/entry_table.h"
#include "transfer/engine_events.h"
#include "transfer/fetch_item.h"
#include "transfer/fetch_types.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fetchly {

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
    // The status text comes before the run-log lines: the user reads why
    // before the log scrolls.
    bool StatusFirst = false;
    // The entry the event concerns (its position in the table), or -1 when
    // it concerns the run or the entry in focus.
    int Entry = -1;
};

// The items a run is to get, each tied to its entry by ExternalIndex (the
// entry's position in the table), which the engine's events carry back.
struct TRunPlan {
    std::vector<TFetchItem> Items;
    // A new run: the engine's items are replaced and the outcomes of the
    // last run forgotten. Otherwise the items join the run that is going.
    bool Fresh = true;
};

// What became of a URL offered to the list.
enum class TUrlOffer {
    Added,
    AlreadyListed,   // its entry was there: it is ready for download again
    Empty,           // nothing but blanks
    LineBreak,       // it would split its line when the list is saved
    TypeNotAccepted, // not one of the accepted link types
};

// The item of a run with several at once that a progress dialog follows:
// the oldest one being transferred.
struct TRunFocus {
    std::string Name; // the name it is saved under
    std::string Host;
    int Number = 0; // its place in the run, in list order
    int Count = 0;  // items of the run
    TFetchSize Size = 0;
    TFetchSize Total = 0;
    std::int64_t ElapsedMs = 0; // since it started
};

class TEngineEventQueue;
class TFetchEngine;
class TFetchScheduler;

// What a browser hands over with a URL besides it.
struct TEntryHandover {
    TRequestHeaders Headers;
    std::string FileName; // empty: named after the URL
};

// What a completed download turned out to be: whether its first bytes
// belie its name ("an HTML page, not a ZIP archive", else empty) and its
// SHA-256, for the lines and the report of its file.
struct TDownloadedFile {
    std::string Mismatch;
    std::string Sha256;
    // Where it was written: its name may be numbered ("NAME (1).EXT").
    std::string Path;
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

    // Puts a typed, pasted or sent URL into the list (as a ready entry, or
    // renewing the entry of the same key), when `options` accept its type.
    TUrlOffer OfferUrl(std::string_view typed, const TAppOptions &options);
    // What a browser handed over with the entry of `key` (offered just
    // before): its items carry these headers and that file name. Kept in
    // memory only, until the URL is offered again or the program ends.
    void SetHandover(std::string_view key, TEntryHandover handover);
    // What the last download of `key` in this session turned out to be
    // (empty when none completed).
    TDownloadedFile Downloaded(std::string_view key) const;

    // The item a run gets for the entry at `index`, into `folder`.
    TFetchItem ItemFor(int index, const std::string &folder) const;
    // Start All: every entry with a URL, into `folder`.
    TRunPlan PlanRun(const std::string &folder) const;
    // The entry at `index` alone, into `folder`; during a run it joins it.
    TRunPlan PlanOne(int index, const std::string &folder) const;
    // Hands the plan to the engine and starts it.
    void Launch(const TRunPlan &plan, TFetchEngine &engine);
    // Hands the plan to the scheduler, which runs several items at once,
    // each on an engine that `configure` sets up; their events reach
    // `queue` with their entry, and the run's end once after the last item.
    void LaunchAtOnce(const TRunPlan &plan, TFetchScheduler &scheduler,
                      const std::shared_ptr<TEngineEventQueue> &queue,
                      const std::function<void(TFetchEngine &)> &configure);
    // The run going has several items at once: each line shows its own rate
    // (FocusRate), the status and tray hint the run's totals.
    bool AtOnce() const { return m_atOnce; }
    // The rate and time left of the item in focus while it is transferred.
    std::string FocusRate() const;
    // The oldest item being transferred; none between items and after a run.
    std::optional<TRunFocus> OldestActive() const;

    // Deletes the entry at `index`; returns the item whose part file is to
    // go with it (none when another line still holds its URL).
    std::vector<TFetchItem> DeleteEntry(int index, const std::string &folder);
    // Empties the list and the focus; returns the items whose part files
    // are to go with the entries.
    std::vector<TFetchItem> EmptyList(const std::string &folder);
    // Replaces the list by the lines of a list file the user opened.
    void OpenList(std::vector<std::string> lines);
    // Takes back the last Delete, Empty list or Open list (one step): the
    // list as it was, with the entries added since kept. Returns what the
    // status bar says about it, nothing when there is no step to take back.
    std::optional<std::string> Undo();

    // Applies one of the engine's events; `rate` is the engine's rate text
    // when it arrived. An event's `Ext` is its entry's position in the
    // table (that line becomes the focus; -1: the focus itself); an entry
    // that is no longer there throws std::out_of_range.
    TBoardUpdate Apply(const TEngineEvent &event, std::string_view rate);

private:
    // One for each event, chosen by Apply: a new event needs its own.
    TBoardUpdate on(const TFileStartEvent &e, std::string_view rate);
    TBoardUpdate on(const TProgressEvent &e, std::string_view rate);
    // The item's result as the engine recorded it.
    TBoardUpdate on(const TFileDoneEvent &e, std::string_view rate);
    TBoardUpdate on(const TURLNotFoundEvent &e, std::string_view rate);
    TBoardUpdate on(const TErrorInfoEvent &e, std::string_view rate);
    TBoardUpdate on(const TRetryEvent &e, std::string_view rate);
    TBoardUpdate on(const TRunDoneEvent &e, std::string_view rate);
    TBoardUpdate on(const TDialogNoticeEvent &e, std::string_view rate);
    // The focus becomes the line of the item at `entry`, when it is active;
    // keep() writes the focus back into its item.
    void follow(int entry);
    void keep();
    // The lines of the items a Stop cut off, but for the focus's, straight
    // into the table; their log lines into `u`.
    void markCut(const std::vector<std::string> &cut, TBoardUpdate &u);

    // The list as it was before the last step that removed entries.
    struct TUndoStep {
        enum class Kind { Delete, Empty, Open } What = Kind::Delete;
        std::shared_ptr<const std::vector<std::string>> Lines;
        std::unordered_map<std::string, TEntryHandover, detail::KeyHash, detail::KeyEqual> Handovers;
        // The keys an opened list brought: entries of other keys were added
        // since, and stay when the step is taken back. (After a Delete or
        // Empty list every key left is among the lines kept.)
        std::unordered_set<std::string, detail::KeyHash, detail::KeyEqual> Opened;
        bool PartsGone = false;
    };
    void beginUndoStep(TUndoStep::Kind what);
    void endUndoStep(bool partsGone);

    TEntryTable m_entries;
    TBoardFocus m_focus;
    std::optional<TUndoStep> m_undo;
    bool m_busy = false;
    // The items being transferred; each leaves at its file-done event, so a
    // cancel finds those that were cut off.
    TActiveItems m_active;
    // Whether the focus line's rate is its own (see TActiveItem::Rated).
    bool m_rated = false;
    bool m_atOnce = false;
    // Items of the run, and those of them started (the rest wait).
    int m_planned = 0;
    int m_started = 0;
    // The place of each item of a run of several at once, in list order.
    std::unordered_map<std::string, int, detail::KeyHash, detail::KeyEqual> m_places;
    // Each entry's last result in this run (TFetchItem::Done), by key.
    std::unordered_map<std::string, bool, detail::KeyHash, detail::KeyEqual> m_outcomes;
    int m_doneInRun = 0;
    std::unordered_map<std::string, TEntryHandover, detail::KeyHash, detail::KeyEqual> m_handovers;
    std::unordered_map<std::string, TDownloadedFile, detail::KeyHash, detail::KeyEqual> m_downloaded;
};

} // namespace fetchly
