#include "cli/run_printer.h"

#include "transfer/format_functions.h"

#include <cstdio>
#include <unistd.h>

namespace fetchly::cli {

namespace {

// Server replies and names reach the terminal; none of their bytes may
// move the cursor, retitle the window or end the line.
std::string printable(std::string text)
{
    for (char &c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return text;
}

} // namespace

RunPrinter::RunPrinter(bool quiet) : m_quiet(quiet), m_terminal(!quiet && ::isatty(STDERR_FILENO)) {}

void RunPrinter::line(const std::string &text, bool always)
{
    lines({{text, always}});
}

void RunPrinter::lines(const std::vector<std::pair<std::string, bool>> &texts)
{
    std::lock_guard lock(m_mutex);
    for (const auto &[text, always] : texts) {
        if (m_quiet && !always)
            continue;
        clearProgressLocked();
        std::fprintf(stderr, "%s\n", printable(text).c_str());
    }
}

void RunPrinter::progress(int item, TFetchSize done, TFetchSize total, TFetchSize delta)
{
    if (!m_terminal)
        return;
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(m_mutex);
    m_active[item] = {done, total};
    m_moved += delta;
    // A terminal needs no more than ten updates a second.
    if (m_shown && now - m_last < std::chrono::milliseconds(100) && done != total)
        return;
    m_last = now;
    TFetchSize sum = 0, sumTotal = 0;
    for (const auto &[i, sizes] : m_active) {
        sum += sizes.first;
        sumTotal = sizes.second > 0 && sumTotal >= 0 ? sumTotal + sizes.second : -1;
    }
    const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_start).count();
    std::string text = FormatSize(sum);
    if (sumTotal > 0)
        text += " of " + FormatSize(sumTotal);
    text += "  " + FormatRate(static_cast<TFetchSize>(m_moved * 1000.0 / (elapsedMs + 1)));
    std::string left = sumTotal > 0 ? FormatTimeLeft(elapsedMs, m_moved, m_moved + sumTotal - sum) : "";
    if (!left.empty())
        text += "  " + left + " left";
    if (m_active.size() > 1)
        text += "  (" + std::to_string(m_active.size()) + " at once)";
    std::fprintf(stderr, "\r%s\033[K", text.c_str());
    std::fflush(stderr);
    m_shown = true;
}

void RunPrinter::ended(int item)
{
    std::lock_guard lock(m_mutex);
    m_active.erase(item);
}

void RunPrinter::finish()
{
    std::lock_guard lock(m_mutex);
    clearProgressLocked();
}

void RunPrinter::clearProgressLocked()
{
    if (m_shown) {
        std::fprintf(stderr, "\r\033[K");
        m_shown = false;
    }
}

} // namespace fetchly::cli
