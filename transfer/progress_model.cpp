#include "transfer/progress_model.h"

#include "transfer/format_functions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace fetchly {

TProgressLayout ComputeProgressLayout(bool showTime, bool showOpenFile, bool showOpenFolder)
{
    constexpr int buttonWidth = 75, buttonHeight = 25;
    TProgressLayout l;
    l.width = 300;
    l.height = showTime ? 212 : 192;
    l.TimeVisible = showTime;
    l.HasOpenFolder = showOpenFolder;
    l.HasOpenFile = showOpenFile;
    l.Animation = {10, 0, 272, 60};
    l.ProgressBar = {10, 60, l.width - 20, 12};
    l.FileLabel = {10, 80, l.width - 20, 13};
    l.ProgressLabel = {10, 100, 0, 13};
    l.RateLabel = {10, 120, 0, 13};
    l.TimeLabel = {10, 140, 0, 13};
    const int top = showTime ? 160 : 140;
    l.CancelButton = {l.width - buttonWidth - 10, top, buttonWidth, buttonHeight};
    const int second = l.width - 2 * buttonWidth - 20;
    if (showOpenFolder)
        l.OpenFolderButton = {second, top, buttonWidth, buttonHeight};
    if (showOpenFile)
        l.OpenFileButton = {showOpenFolder ? second - (buttonWidth + 10) : second, top, buttonWidth,
                            buttonHeight};
    return l;
}

int ProgressPercent(TFetchSize done, TFetchSize total)
{
    if (total <= 0 || done <= 0)
        return 0;
    if (done >= total)
        return 100;
    // done * 100 / total with its remainder; sizes near the 64-bit limit
    // take the long way round so nothing overflows.
    const auto d = static_cast<std::uint64_t>(done), t = static_cast<std::uint64_t>(total);
    std::uint64_t q = 0, r = 0;
    if (d <= UINT64_MAX / 100) {
        q = d * 100 / t;
        r = d * 100 % t;
    } else {
        for (int i = 0; i < 100; ++i) {
            r += d; // r < t and d < t, so this cannot wrap
            if (r >= t) {
                r -= t;
                ++q;
            }
        }
    }
    if (r > t - r || (r == t - r && (q & 1)))
        ++q;
    return static_cast<int>(std::min<std::uint64_t>(q, 100));
}

void TProgressModel::SetListener(std::function<void(TDialogChange, std::uint64_t)> listener)
{
    std::lock_guard lock(m_mutex);
    m_listener = std::move(listener);
}

void TProgressModel::notify(TDialogChange change, std::uint64_t serial)
{
    std::function<void(TDialogChange, std::uint64_t)> listener;
    {
        std::lock_guard lock(m_mutex);
        listener = m_listener;
    }
    if (listener)
        listener(change, serial);
}

void TProgressModel::Build(const TDialogSetup &setup)
{
    std::uint64_t serial;
    {
        std::lock_guard lock(m_mutex);
        serial = ++m_serial;
        m_exists = true;
        m_visible = setup.ShowDialog;
        m_ended = false;
        m_setup = setup;
        m_caption = setup.DlgCaption + " ...";
        m_fileLabel = setup.DlgFileLabel;
        m_completionWord.clear();
        m_stepped = false;
        m_done = m_total = 0;
        m_elapsedMs = 0;
        m_bar = 0;
        m_animation = TDialogAnimation::Download;
        m_animationRunning = true;
        m_closeCaption = false;
        m_openEnabled = false;
        m_openFileEnabled = false;
    }
    notify(TDialogChange::Built, serial);
}

void TProgressModel::SetCaption(const std::string &word)
{
    std::lock_guard lock(m_mutex);
    m_caption = word + " ...";
    m_completionWord.clear();
}

void TProgressModel::SetFileLabel(const std::string &text)
{
    std::lock_guard lock(m_mutex);
    m_fileLabel = text;
}

void TProgressModel::SetAnimation(TDialogAnimation animation)
{
    std::lock_guard lock(m_mutex);
    m_animation = animation;
    m_animationRunning = true;
}

void TProgressModel::Step(TFetchSize done, TFetchSize total, std::int64_t elapsedMs, const std::string &word)
{
    std::lock_guard lock(m_mutex);
    // With an unknown total the bar stays where it was.
    if (total > 0)
        m_bar = ProgressPercent(done, total);
    m_stepped = true;
    m_done = done;
    m_total = total;
    m_elapsedMs = elapsedMs;
    if (m_setup.ShowCompletion && m_completionWord != word)
        m_completionWord = word;
}

void TProgressModel::End(bool cancelled, bool lastArrived)
{
    std::uint64_t serial;
    bool keep;
    {
        std::lock_guard lock(m_mutex);
        serial = m_serial;
        m_ended = true;
        keep = m_setup.ShowOpenFile || m_setup.ShowOpenFolder;
        if (keep) {
            m_closeCaption = true;
            m_animationRunning = false;
            m_openEnabled = !cancelled;
            m_openFileEnabled = !cancelled && lastArrived;
        }
    }
    notify(TDialogChange::Ended, serial);
    if (!keep)
        Free();
}

void TProgressModel::Close()
{
    std::uint64_t serial;
    {
        std::lock_guard lock(m_mutex);
        if (!m_exists)
            return;
        m_visible = false;
        serial = m_serial;
    }
    notify(TDialogChange::Closed, serial);
}

void TProgressModel::Free()
{
    std::uint64_t serial;
    {
        std::lock_guard lock(m_mutex);
        if (!m_exists)
            return;
        m_exists = false;
        m_visible = false;
        serial = m_serial;
    }
    notify(TDialogChange::Freed, serial);
}

std::string TProgressModel::rateLabelLocked() const
{
    if (!m_stepped)
        return m_setup.DlgRateLabel;
    const double rate = static_cast<double>(m_done) / static_cast<double>(m_elapsedMs + 1) * 1000.0;
    return m_setup.DlgRateLabel + " " + FormatRate(static_cast<TFetchSize>(std::nearbyint(rate)));
}

std::string TProgressModel::RateLabel() const
{
    std::lock_guard lock(m_mutex);
    return rateLabelLocked();
}

TProgressSnapshot TProgressModel::Snapshot() const
{
    std::lock_guard lock(m_mutex);
    TProgressSnapshot s;
    s.Serial = m_serial;
    s.Exists = m_exists;
    s.Visible = m_visible;
    s.Ended = m_ended;
    s.Setup = m_setup;
    s.Layout = ComputeProgressLayout(m_setup.ShowTime, m_setup.ShowOpenFile, m_setup.ShowOpenFolder);
    s.Caption = m_completionWord.empty()
                    ? m_caption
                    : m_completionWord + " : " + std::to_string(m_bar) + "% " + m_setup.DlgCompleted;
    s.FileLabel = m_fileLabel;
    if (!m_stepped) {
        s.ProgressLabel = m_setup.DlgProgressLabel;
        s.TimeLabel = m_setup.DlgTimeLabel;
    } else {
        s.ProgressLabel = m_setup.DlgProgressLabel + " " + FormatSize(m_done);
        if (m_total > 0)
            s.ProgressLabel += " of " + FormatSize(m_total);
        s.TimeLabel = m_setup.DlgTimeLabel + " " + FormatTimeLeft(m_elapsedMs, m_done, m_total);
    }
    s.RateLabel = rateLabelLocked();
    s.BarPosition = m_bar;
    s.Animation = m_animation;
    s.AnimationRunning = m_animationRunning;
    s.CancelCaption = m_closeCaption ? "Close" : "Cancel";
    s.OpenButtonsEnabled = m_openEnabled;
    s.OpenFileEnabled = m_openFileEnabled;
    return s;
}

std::string ItemHeader(const TDialogSetup &setup, int number, int count, const std::string &name,
                       const std::string &directionWord, const std::string &host)
{
    std::string counter;
    if (count != 0)
        counter = std::to_string(number) + " " + setup.DlgFileOfLabel + " " + std::to_string(count) + " : ";
    return setup.DlgFileLabel + " " + counter + name + " " + directionWord + " " + host;
}

} // namespace fetchly
