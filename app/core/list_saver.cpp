#include "app/core/list_saver.h"

#include "app/core/atomic_file.h"
#include "app/core/list_file.h"

#include <stdexcept>

namespace fetchly {

TListSaver::TListSaver(Done done) : m_done(std::move(done)) {}

TListSaver::~TListSaver()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

std::uint64_t TListSaver::enqueue(std::filesystem::path path, Lines lines, bool waited)
{
    std::lock_guard lock(m_mutex);
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    m_pending = Job{std::move(path), std::move(lines), ++m_nextTicket, waited};
    m_wake.notify_one();
    return m_nextTicket;
}

void TListSaver::Submit(std::filesystem::path path, Lines lines)
{
    enqueue(std::move(path), std::move(lines), false);
}

void TListSaver::SaveNow(std::filesystem::path path, Lines lines)
{
    const std::uint64_t ticket = enqueue(std::move(path), std::move(lines), true);
    std::unique_lock lock(m_mutex);
    m_finished.wait(lock, [&] { return m_doneTicket >= ticket; });
    if (!m_lastError.empty())
        throw std::runtime_error(m_lastError);
}

void TListSaver::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (!m_pending)
            return; // stopping, nothing left to write
        Job job = std::move(*m_pending);
        m_pending.reset();
        lock.unlock();
        std::string error;
        try {
            std::string text = FormatListText(*job.lines);
            // The lines are let go before the slow part, so a change on the
            // UI thread meanwhile need not copy them.
            job.lines.reset();
            WriteFileAtomically(job.path, text, ListFileMode);
        } catch (const std::exception &e) {
            error = e.what();
        }
        if (m_done && !job.waited)
            m_done(job.path, error);
        lock.lock();
        m_doneTicket = job.ticket;
        m_lastError = error;
        m_finished.notify_all();
    }
}

} // namespace fetchly
