#pragma once
// Time source and event queue of the window thread.
//
// Every window event, timer tick and device event runs on one thread, one after another.
// The scheduler owns that order: `GUI` uses a Qt event loop, tests a virtual clock that moves
// only when the test advances it.
#include <cstdint>
#include <ctime>
#include <functional>

namespace lirafok::ui {

using TaskId = std::uint64_t;

class Scheduler {
public:
    virtual ~Scheduler() = default;

    // Monotonic milliseconds since an arbitrary origin; never goes back.
    virtual std::int64_t nowMs() const = 0;

    // Local wall-clock time (seconds since the epoch, as time_t) for clocks, dates and
    // the play/stop timer. May jump when the user changes the system time.
    virtual std::time_t wallClock() const = 0;

    // Runs `task` on the window thread once, `delayMs` (>= 0) after now.
    // Tasks due at the same time run in the order they were scheduled.
    // Returns an id for cancel(); ids are never reused.
    virtual TaskId schedule(std::int64_t delayMs, std::function<void()> task) = 0;

    // Forgets a task that has not run yet; unknown or finished ids are ignored.
    virtual void cancel(TaskId id) = 0;

    // Thread-safe: may be called from any thread (audio pipeline). Runs `task` on the window
    // thread as soon as it is idle.
    virtual void post(std::function<void()> task) = 0;
};

}  // namespace lirafok::ui
