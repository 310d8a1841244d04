#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace fetchly {

// Carries the effects of the engine's events from its worker thread to the
// thread of `receiver` (the UI thread), in the order they were posted.
// Progress effects are coalesced and paced: a progress effect that has not
// run yet is replaced by a newer one, and progress runs at most once per
// `progressInterval`, so a fast download cannot keep the UI thread busy.
// Any other effect first runs the progress still pending, so the UI never
// misses the last progress before an event or shows it after that event.
// After Detach (or the pump's end) nothing posted runs any more.
class TUiEventPump {
public:
    explicit TUiEventPump(QObject *receiver,
                          std::chrono::milliseconds progressInterval = std::chrono::milliseconds(50));
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
        std::chrono::milliseconds interval{50};
        std::chrono::steady_clock::time_point lastProgress{};
    };
    // Queues `first` (a pending progress, may be null) and then `then` to run
    // on the receiver's thread after `delay`.
    void post(std::shared_ptr<Pending> first, std::shared_ptr<Pending> then, std::chrono::milliseconds delay);

    std::shared_ptr<Shared> m_shared;
};

} // namespace fetchly
