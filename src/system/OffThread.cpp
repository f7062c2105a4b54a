#include "system/OffThread.h"

#include "platform/EventPump.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <atomic>
#include <thread>

namespace {

// How long the wait sleeps between two checks when no wake-up arrives (no event
// loop to post to): a bound, not a poll.
constexpr qint64 CheckEveryMs = 1000;

} // namespace

void runOffThread(EventPump& events, const std::function<void()>& call) {
    std::atomic<bool> done{false};
    QCoreApplication* const app = QCoreApplication::instance();
    std::thread helper([&call, &done, app] {
        call();
        done.store(true, std::memory_order_release);
        if (app != nullptr) {
            // An empty queued call: an event that wakes the caller's wait.
            QMetaObject::invokeMethod(
                app, [] {}, Qt::QueuedConnection);
        }
    });
    while (!done.load(std::memory_order_acquire)) {
        events.waitForEvents(CheckEveryMs);
    }
    helper.join();
}
