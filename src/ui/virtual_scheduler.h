#pragma once
// A scheduler on a virtual clock: time moves only through advance(). Used by the headless
// runner and by tests, so that a scenario of an hour runs in milliseconds and is repeatable.
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "ui/scheduler.h"

namespace lirafok::ui {

class VirtualScheduler final : public Scheduler {
public:
    explicit VirtualScheduler(std::time_t wallStart = 0) : m_wallStart(wallStart) {}

    std::int64_t nowMs() const override { return m_now; }
    std::time_t wallClock() const override;
    TaskId schedule(std::int64_t delayMs, std::function<void()> task) override;
    void cancel(TaskId id) override;
    void post(std::function<void()> task) override;

    // Moves the clock forward by `ms`, running every task that falls due, in time order; the
    // clock reads each task's due time while it runs. Ends at now + ms.
    void advance(std::int64_t ms);
    // Runs tasks that are due now (also posted ones) without moving the clock.
    void runDue() { advance(0); }
    // Sets the wall clock so that it reads `wall` now.
    void setWallClock(std::time_t wall);
    // Due time of the earliest pending task, or -1 when none.
    std::int64_t nextDue() const;

private:
    bool runOne(std::int64_t limit);

    std::int64_t m_now = 0;
    std::time_t m_wallStart = 0;
    std::int64_t m_wallOriginMs = 0;
    TaskId m_nextId = 1;
    // Key: (due, id) so that equal due times keep scheduling order.
    std::map<std::pair<std::int64_t, TaskId>, std::function<void()>> m_tasks;
    std::map<TaskId, std::int64_t> m_dueById;
    std::mutex m_postMutex;
    std::vector<std::function<void()>> m_posted;
};

}  // namespace lirafok::ui
