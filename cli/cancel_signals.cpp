#include "cli/cancel_signals.h"

#include "base/fd_io.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace fetchly::cli {

namespace {

// What the handler may touch: lock-free atomics and a pipe.
std::atomic<int> g_wakeFd{-1};
std::atomic<int> g_signal{0};
std::atomic<int> g_count{0};

struct sigaction g_oldInt, g_oldTerm;

constexpr char kCancel = 'c';
constexpr char kQuit = 'q';

void wake(int fd, char what)
{
    const ssize_t n = ::write(fd, &what, 1);
    static_cast<void>(n); // a full pipe already holds a wake-up
}

void onSignal(int sig)
{
    if (g_count.fetch_add(1) > 0) {
        // Asked twice: the user wants out now, the default way.
        ::signal(sig, SIG_DFL);
        ::raise(sig);
        return;
    }
    g_signal = sig;
    const int saved = errno;
    const int fd = g_wakeFd.load();
    if (fd >= 0)
        wake(fd, kCancel);
    errno = saved;
}

} // namespace

CancelOnSignals::CancelOnSignals(std::function<void()> cancel) : m_cancel(std::move(cancel))
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return; // without the pipe the signals keep their default effect
    m_wakeRead.Reset(ends[0]);
    m_wakeWrite.Reset(ends[1]);
    g_signal = 0;
    g_count = 0;
    g_wakeFd = m_wakeWrite.Get();
    m_watcher = std::thread([this] {
        char c = 0;
        for (;;) {
            if (ReadSome(m_wakeRead.Get(), &c, 1) <= 0 || c == kQuit)
                return;
            m_cancel();
        }
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &g_oldInt);
    ::sigaction(SIGTERM, &action, &g_oldTerm);
}

CancelOnSignals::~CancelOnSignals()
{
    if (!m_wakeWrite.Valid())
        return;
    ::sigaction(SIGINT, &g_oldInt, nullptr);
    ::sigaction(SIGTERM, &g_oldTerm, nullptr);
    g_wakeFd = -1;
    wake(m_wakeWrite.Get(), kQuit);
    m_watcher.join();
}

int CancelOnSignals::Signal() const
{
    return g_signal.load();
}

} // namespace fetchly::cli
