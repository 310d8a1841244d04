#include "app/core/download_board.h"

#include "app/core/download_lines.h"
#include "app/core/url_text.h"
#include "inspect/content_check.h"
#include "transfer/engine_event_queue.h"
#include "transfer/fetch_engine.h"
#include "transfer/fetch_scheduler.h"
#include "transfer/url_functions.h"

#include <cstdio>
#include <variant>

namespace fetchly {

namespace {

// The entry an event concerns, -1 when it concerns the run or the focus.
template <class Event> int entryOf(const Event &e)
{
    if constexpr (requires { e.Ext; })
        return e.Ext;
    else
        return -1;
}

// An event of the item at `entry`, with the entry named in it.
TEngineEvent withEntry(TEngineEvent event, int entry)
{
    std::visit(
        [entry](auto &e) {
            if constexpr (requires { e.Ext; })
                e.Ext = entry;
        },
        event);
    return event;
}

} // namespace

void TDownloadBoard::RunRequested(bool fresh)
{
    if (fresh) {
        m_doneInRun = 0;
        m_outcomes.clear();
        m_planned = 0;
        m_started = 0;
        m_places.clear();
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

TUrlOffer TDownloadBoard::OfferUrl(std::string_view typed, const TAppOptions &options)
{
    // Blanks around a pasted or typed URL are not part of it.
    const std::string url(TrimmedUrl(typed));
    if (url.empty())
        return TUrlOffer::Empty;
    // A line break or NUL would split the entry when the list is saved.
    if (url.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        return TUrlOffer::LineBreak;
    const std::string key = ListKey(url);
    if (!options.IsAcceptedLink(key))
        return TUrlOffer::TypeNotAccepted;
    const bool listed = m_entries.IndexOfKey(key) >= 0;
    m_entries.SetValue(key, ReadyLine(MaskUrlPassword(key)));
    // A URL offered anew carries nothing a browser handed over before.
    m_handovers.erase(key);
    return listed ? TUrlOffer::AlreadyListed : TUrlOffer::Added;
}

namespace {

// A status with what the file's first bytes say, when they belie its name:
// "File Downloaded! (an HTML page, not a ZIP archive)".
std::string withMismatch(std::string status, const std::string &mismatch)
{
    return mismatch.empty() ? status : status + " (" + mismatch + ")";
}

// Said when a site refuses a link whose browser login went with the entry
// that the program no longer has (it ended since).
constexpr const char *LoginGone =
    "The site wants the browser's login: send the link to Fetchly again from the browser.";

} // namespace

TDownloadedFile TDownloadBoard::Downloaded(std::string_view key) const
{
    const auto found = m_downloaded.find(key);
    return found == m_downloaded.end() ? TDownloadedFile{} : found->second;
}

void TDownloadBoard::SetHandover(std::string_view key, TEntryHandover handover)
{
    m_handovers.insert_or_assign(std::string(key), std::move(handover));
}

TFetchItem TDownloadBoard::ItemFor(int index, const std::string &folder) const
{
    TFetchItem item{index, std::string(m_entries.Key(index)), folder, ""};
    if (const auto found = m_handovers.find(item.URL); found != m_handovers.end()) {
        item.RequestHeaders = found->second.Headers;
        item.TargetFilename = found->second.FileName;
    }
    return item;
}

TRunPlan TDownloadBoard::PlanRun(const std::string &folder) const
{
    TRunPlan plan;
    for (int i = 0; i < m_entries.Count(); ++i) {
        if (!m_entries.Key(i).empty())
            plan.Items.push_back(ItemFor(i, folder));
    }
    return plan;
}

std::vector<TFetchItem> TDownloadBoard::DeleteEntry(int index, const std::string &folder)
{
    std::vector<TFetchItem> parts;
    TFetchItem item = ItemFor(index, folder);
    beginUndoStep(TUndoStep::Kind::Delete);
    m_entries.Delete(index);
    if (!item.URL.empty() && m_entries.IndexOfKey(item.URL) < 0) {
        // What the browser handed over goes with its entry.
        m_handovers.erase(item.URL);
        m_downloaded.erase(item.URL);
        parts.push_back(std::move(item));
    }
    endUndoStep(!parts.empty());
    return parts;
}

std::vector<TFetchItem> TDownloadBoard::EmptyList(const std::string &folder)
{
    std::vector<TFetchItem> parts = PlanRun(folder).Items;
    beginUndoStep(TUndoStep::Kind::Empty);
    m_entries.Clear();
    m_handovers.clear();
    m_downloaded.clear();
    // A later run-done must not write the line of a URL that is gone.
    m_focus = {};
    endUndoStep(!parts.empty());
    return parts;
}

void TDownloadBoard::OpenList(std::vector<std::string> lines)
{
    beginUndoStep(TUndoStep::Kind::Open);
    m_entries.Assign(std::move(lines));
    endUndoStep(false);
}

void TDownloadBoard::beginUndoStep(TUndoStep::Kind what)
{
    // The table's lines are shared until changed: keeping them costs no copy.
    m_undo = TUndoStep{what, m_entries.Snapshot(), m_handovers, {}, false};
}

void TDownloadBoard::endUndoStep(bool partsGone)
{
    if (m_undo->What == TUndoStep::Kind::Open)
        for (int i = 0; i < m_entries.Count(); ++i)
            m_undo->Opened.emplace(m_entries.Key(i));
    m_undo->PartsGone = partsGone;
}

std::optional<std::string> TDownloadBoard::Undo()
{
    if (!m_undo)
        return std::nullopt;
    TUndoStep step = std::move(*m_undo);
    m_undo.reset();
    TEntryTable restored;
    restored.Assign(*step.Lines);
    std::vector<std::string> lines = *step.Lines;
    for (int i = 0; i < m_entries.Count(); ++i) {
        const std::string_view key = m_entries.Key(i);
        if (!key.empty() && restored.IndexOfKey(key) < 0 && !step.Opened.contains(std::string(key)))
            lines.push_back(m_entries.Line(i));
    }
    const int back = static_cast<int>(lines.size()) - m_entries.Count();
    for (auto &[key, handover] : step.Handovers)
        m_handovers.try_emplace(key, std::move(handover));
    m_entries.Assign(std::move(lines));
    const std::string count = std::to_string(m_entries.Count());
    if (step.What == TUndoStep::Kind::Open)
        return "The list before the one opened is back: " + count + (count == "1" ? " entry" : " entries");
    std::string text = std::to_string(back) + (back == 1 ? " entry back" : " entries back");
    if (step.PartsGone)
        text += "; downloads stopped before start again from zero (their part files were deleted)";
    return text;
}

TRunPlan TDownloadBoard::PlanOne(int index, const std::string &folder) const
{
    TRunPlan plan;
    // During a run the items stay: the engine takes the new one up in the
    // same run, after those before it, so no item runs twice at once.
    plan.Fresh = !m_busy;
    plan.Items.push_back(ItemFor(index, folder));
    return plan;
}

void TDownloadBoard::Launch(const TRunPlan &plan, TFetchEngine &engine)
{
    // A run whose end has not reached the board yet is over for the engine:
    // joining it would run its items again from the first.
    const bool fresh = plan.Fresh || !engine.Running();
    if (fresh)
        engine.Items.Clear();
    for (const TFetchItem &item : plan.Items)
        engine.Items.Add(item);
    RunRequested(fresh);
    if (fresh)
        m_atOnce = false;
    m_planned += static_cast<int>(plan.Items.size());
    engine.Start();
}

void TDownloadBoard::LaunchAtOnce(const TRunPlan &plan, TFetchScheduler &scheduler,
                                  const std::shared_ptr<TEngineEventQueue> &queue,
                                  const std::function<void(TFetchEngine &)> &configure)
{
    const bool running = scheduler.Running();
    if (!running) {
        // Set between runs only: during one the scheduler's thread calls them.
        scheduler.OnPrepare = [queue, configure](TFetchEngine &engine, int item) {
            configure(engine);
            // Each engine gets its item alone; its events are all that item's.
            const int entry = engine.Items.Get(0).ExternalIndex;
            ForwardItemEvents(engine, item, [queue, entry](int, const TEngineEvent &event) {
                queue->Push(withEntry(event, entry));
            });
        };
        scheduler.OnRunDone = [queue](bool stopped) { queue->Push(TRunDoneEvent{stopped}); };
    }
    const bool fresh = plan.Fresh || !running;
    RunRequested(fresh);
    if (fresh)
        m_atOnce = true;
    // Items start in any order as lanes free up; the dialog counts them
    // in the order of the list.
    for (const TFetchItem &item : plan.Items)
        m_places[std::string(m_entries.Key(item.ExternalIndex))] = ++m_planned;
    scheduler.Start(plan.Items);
}

std::string TDownloadBoard::FocusRate() const
{
    const TActiveItem *item = m_active.Find(m_focus.Url);
    return item && m_rated ? TActiveItems::RateText(*item, TActiveItems::Clock::now()) : std::string();
}

std::optional<TRunFocus> TDownloadBoard::OldestActive() const
{
    const auto *oldest = m_active.Oldest();
    if (!oldest)
        return std::nullopt;
    const auto &[url, item] = *oldest;
    const auto handover = m_handovers.find(url);
    TRunFocus focus;
    focus.Name = handover != m_handovers.end() && !handover->second.FileName.empty()
                     ? handover->second.FileName
                     : UrlFileName(url);
    focus.Host = UrlHost(url);
    focus.Number = item.Number;
    focus.Count = m_planned;
    focus.Size = item.Size;
    focus.Total = item.Total;
    focus.ElapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(TActiveItems::Clock::now() - item.StartedAt)
            .count();
    return focus;
}

void TDownloadBoard::follow(int entry)
{
    if (entry < 0)
        return;
    const std::string_view key = m_entries.Key(entry);
    if (const TActiveItem *item = m_active.Find(key)) {
        m_focus = item->Line;
        m_rated = item->Rated;
    }
}

void TDownloadBoard::keep()
{
    if (TActiveItem *item = m_active.Find(m_focus.Url)) {
        item->Line = m_focus;
        item->Rated = m_rated;
    }
}

TBoardUpdate TDownloadBoard::Apply(const TEngineEvent &event, std::string_view rate)
{
    follow(std::visit([](const auto &e) { return entryOf(e); }, event));
    TBoardUpdate u = std::visit([&](const auto &e) { return on(e, rate); }, event);
    keep();
    return u;
}

TBoardUpdate TDownloadBoard::on(const TDialogNoticeEvent &, std::string_view)
{
    return {}; // the progress dialog's own notices
}

int TDownloadBoard::StoreFocusLine(std::string_view rate)
{
    return m_entries.SetValue(m_focus.Url, FocusLine(m_rated ? rate : std::string_view()));
}

TBoardUpdate TDownloadBoard::on(const TFileStartEvent &e, std::string_view)
{
    TBoardUpdate u;
    m_focus.Url = std::string(m_entries.Key(e.Ext));
    TActiveItem &item = m_active.Start(m_focus.Url);
    ++m_started;
    const auto place = m_places.find(m_focus.Url);
    item.Number = place != m_places.end() ? place->second : m_started;
    item.StartedAt = TActiveItems::Clock::now();
    m_focus.Image = 2;
    m_focus.Status = "DownLoading";
    // Until its own progress arrives, the line must not show the sizes of
    // the file before it.
    m_focus.Progress = ProgressText(0, 0);
    m_rated = false;
    u.Log.push_back("File Start : " + MarkupEscape(m_focus.Url));
    u.Status = "Downloading Started : No" + std::to_string(e.Ext);
    u.Entry = e.Ext;
    u.FocusLine = TBoardUpdate::Line::Stored;
    m_busy = true;
    return u;
}

TBoardUpdate TDownloadBoard::on(const TProgressEvent &e, std::string_view rate)
{
    TBoardUpdate u;
    m_focus.Url = std::string(m_entries.Key(e.Ext));
    m_focus.Progress = ProgressText(e.Size, e.TotalSize);
    m_rated = true;
    const auto now = TActiveItems::Clock::now();
    if (TActiveItem *item = m_active.Find(m_focus.Url))
        TActiveItems::Progress(*item, e.Size, e.TotalSize, now);
    if (m_atOnce) {
        // Several lines move at once: the status and the tray sum them up.
        const std::string totals = m_active.Totals(std::max(m_planned - m_started, 0), now);
        u.Status = "Downloading " + totals;
        u.TrayHint = "Fetchly Downloading " + totals;
    } else {
        u.Status = std::string(rate) + "  Downloading : " + m_focus.Url;
        u.TrayHint = "Fetchly Downloading : " + m_focus.Progress;
    }
    u.FocusLine = TBoardUpdate::Line::Live;
    u.Entry = e.Ext;
    m_busy = true;
    return u;
}

TBoardUpdate TDownloadBoard::on(const TFileDoneEvent &e, std::string_view)
{
    TBoardUpdate u;
    m_focus.Url = std::string(m_entries.Key(e.Ext));
    m_active.End(m_focus.Url); // it arrived, or failed: it was not cut off
    m_outcomes[m_focus.Url] = e.Done;
    u.FocusLine = TBoardUpdate::Line::Stored;
    u.Entry = e.Ext;
    if (!e.Done) {
        // A failed item keeps its failure text, and its partial file is not
        // inspected.
        m_focus.Image = 4;
        u.Log.push_back("<i>File Not Downloaded : " + MarkupEscape(m_focus.Url) + "</i><hr>");
        return u;
    }
    ++m_doneInRun;
    // The name the file was saved under promises what it is: a browser's
    // name when it handed one over, else the URL's.
    const auto handover = m_handovers.find(m_focus.Url);
    const std::string name = handover != m_handovers.end() && !handover->second.FileName.empty()
                                 ? handover->second.FileName
                                 : m_focus.Url;
    TDownloadedFile &file = m_downloaded[m_focus.Url];
    // A file found unchanged is still what it was found to be when it came.
    if (!e.Unchanged || file.Path != e.Target)
        file = {inspect::ContentMismatch(name, e.Head), e.Sha256, e.Target};
    m_focus.Image = 3;
    m_focus.Status = withMismatch("File Downloaded!", file.Mismatch);
    if (e.Unchanged) // no byte moved, so no rate: only the file's size
        m_focus.Progress = ProgressText(e.UnchangedSize, e.UnchangedSize);
    // A file that could not have the name it was meant to have says which
    // it has.
    std::string saved;
    if (const std::string written = e.Target.substr(e.Target.find_last_of('/') + 1);
        !e.Target.empty() && written != UrlFileName(name))
        saved = " as " + MarkupEscape(written);
    u.Log.push_back((e.Unchanged ? "File Unchanged : " : "File Downloaded : ") + MarkupEscape(m_focus.Url) +
                    saved + "<hr>");
    u.Inspect = true;
    return u;
}

TBoardUpdate TDownloadBoard::on(const TURLNotFoundEvent &e, std::string_view)
{
    TBoardUpdate u;
    m_focus.Image = 4;
    m_focus.Status = "File Not Found";
    u.Log.push_back("<i>File Not Found : " + MarkupEscape(m_focus.Url) + "</i>");
    u.Status = "File Not Found : " + e.Url;
    u.StatusFirst = true;
    u.FocusLine = TBoardUpdate::Line::Stored;
    return u;
}

TBoardUpdate TDownloadBoard::on(const TErrorInfoEvent &e, std::string_view)
{
    TBoardUpdate u;
    m_focus.Image = 4;
    // In plain words: what the server, the network or the system said.
    m_focus.Status = e.Words.empty() ? e.Info : e.Words;
    u.Status = m_focus.Status;
    // A login that went with the entry is gone after a restart; without it
    // the site refuses, and only the browser can hand the link over again.
    if ((e.Code == 401 || e.Code == 403) && !m_handovers.contains(m_focus.Url)) {
        m_focus.Status = e.Info + ". " + LoginGone;
        u.Log.push_back("<i>" + e.Info + " : " + MarkupEscape(m_focus.Url) + ". " + LoginGone + "</i>");
        u.Status = m_focus.Status;
    }
    u.FocusLine = TBoardUpdate::Line::Stored;
    return u;
}

TBoardUpdate TDownloadBoard::on(const TRetryEvent &e, std::string_view)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", e.DelayMs / 1000.0);
    TBoardUpdate u;
    u.Status = "Retry " + std::to_string(e.Retry) + " of " + std::to_string(e.Retries) + " in " + seconds +
               " s : " + e.Info;
    return u;
}

TBoardUpdate TDownloadBoard::on(const TRunDoneEvent &e, std::string_view)
{
    TBoardUpdate u;
    // The items that were running when Cancel was pressed got no file-done
    // event: they did not arrive, whatever their lines said last. Their parts
    // stay for the next start to resume, and their lines keep the sizes they
    // reached.
    const std::vector<std::string> cut = e.Cancelled ? m_active.Keys() : std::vector<std::string>();
    if (!cut.empty()) {
        markCut(cut, u);
    } else if (Outcome(m_focus.Url).value_or(true)) {
        m_focus.Image = 3;
        m_focus.Status = withMismatch("Downloaded", Downloaded(m_focus.Url).Mismatch);
    }
    m_active.Clear();
    // A run that lost anything says how much, so "Completed" is not read
    // as "all arrived".
    std::string counts;
    if (const int failed = FailedInRun(); failed > 0 || e.Cancelled) {
        counts = std::to_string(m_doneInRun) + " downloaded";
        if (failed > 0)
            counts += ", " + std::to_string(failed) + " failed";
        if (!cut.empty())
            counts += ", " + std::to_string(cut.size()) + " cancelled";
    }
    const std::string ended = e.Cancelled ? "Downloading Cancelled !" : "Downloading Completed !";
    u.Status = counts.empty() ? ended : ended + " " + counts;
    u.StatusFirst = true;
    u.TrayHint = IdleHint;
    u.Log.push_back((e.Cancelled ? "<b>Fetchly Downloads Cancelled </b>"
                                 : "<b>Fetchly has Finished All Downloads! </b>") +
                    counts);
    // A focus whose entry is gone (the list was emptied) is not brought back.
    if (!m_focus.Url.empty() && m_entries.IndexOfKey(m_focus.Url) >= 0)
        u.FocusLine = TBoardUpdate::Line::Stored;
    m_busy = false;
    u.RunEnded = e.Cancelled;
    return u;
}

void TDownloadBoard::markCut(const std::vector<std::string> &cut, TBoardUpdate &u)
{
    for (const std::string &key : cut) {
        TBoardFocus line = m_active.Find(key)->Line;
        line.Url = key;
        line.Image = 4;
        line.Status = "Download Cancelled";
        u.Log.push_back("<i>File Not Downloaded : " + MarkupEscape(key) + "</i><hr>");
        // The oldest becomes the focus; the others' lines are written here.
        if (&key == &cut.front())
            m_focus = line;
        else if (m_entries.IndexOfKey(key) >= 0)
            m_entries.SetValue(key, StatusLine(4, MaskUrlPassword(key), line.Status, line.Progress, ""));
    }
}

} // namespace fetchly
