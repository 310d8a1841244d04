#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace fetchly {

// Carries the effects of the engine's events from its worker thread to the
// thread of `receiver` (the UI thread), in the order they were posted.
// Progress effects may be coalesced: a progress effect that has not run yet
// is replaced by a newer one, as long as nothing else was posted in between,
// so the UI never shows a progress older than an event that followed it.
// After Detach (or the pump's end) nothing posted runs any more.
class TUiEventPump {
public:
    explicit TUiEventPump(QObject *receiver);
    ~TUiEventPump();
    TUiEventPump(const TUiEventPump &) = delete;
    TUiEventPump &operator=(const TUiEventPump &) = delete;

    void Post(std::function<void()> effect);
    void PostProgress(std::function<void()> effect);
    void Detach();

private:
    struct Pending {
        std::function<void()> effect; // empty once it has run
    };
    struct Shared {
        std::mutex mutex;
        QObject *receiver = nullptr;
        std::shared_ptr<Pending> progress; // the progress effect that may still be replaced
    };
    void post(std::shared_ptr<Pending> pending);

    std::shared_ptr<Shared> m_shared;
};

} // namespace fetchly
