#include "app/core/download_board.h"

#include "app/core/download_lines.h"
#include "app/core/url_text.h"
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
    m_entries.Delete(index);
    if (!item.URL.empty() && m_entries.IndexOfKey(item.URL) < 0) {
        // What the browser handed over goes with its entry.
        m_handovers.erase(item.URL);
        parts.push_back(std::move(item));
    }
    return parts;
}

std::vector<TFetchItem> TDownloadBoard::EmptyList(const std::string &folder)
{
    std::vector<TFetchItem> parts = PlanRun(folder).Items;
    m_entries.Clear();
    m_handovers.clear();
    // A later run-done must not write the line of a URL that is gone.
    m_focus = {};
    return parts;
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
    m_planned += static_cast<int>(plan.Items.size());
    scheduler.Start(plan.Items);
}

std::string TDownloadBoard::FocusRate() const
{
    const TActiveItem *item = m_active.Find(m_focus.Url);
    return item && m_rated ? TActiveItems::RateText(*item, TActiveItems::Clock::now()) : std::string();
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
    m_active.Start(m_focus.Url);
    ++m_started;
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
    m_focus.Image = 3;
    m_focus.Status = "File Downloaded!";
    u.Log.push_back("File Downloaded : " + MarkupEscape(m_focus.Url) + "<hr>");
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
    m_focus.Status = e.Info;
    u.Status = e.Info;
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
        m_focus.Status = "Downloaded";
    }
    m_active.Clear();
    // A run that lost anything says how much, so "Completed" is not read
    // as "all arrived".
    std::string counts;
    if (const int failed = FailedInRun(); failed > 0 || !cut.empty()) {
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
