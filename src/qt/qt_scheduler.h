#pragma once
// The window thread's scheduler on the Qt event loop: one precise single-shot timer per task,
// so that a task that opens a modal window (nested event loop) does not hold up the others.
#include <QElapsedTimer>
#include <QObject>
#include <unordered_map>

#include "ui/scheduler.h"

class QTimer;

namespace lirafok::qt {

class QtScheduler : public QObject, public ui::Scheduler {
    Q_OBJECT
public:
    QtScheduler();
    ~QtScheduler() override;

    std::int64_t nowMs() const override;
    std::time_t wallClock() const override;
    ui::TaskId schedule(std::int64_t delayMs, std::function<void()> task) override;
    void cancel(ui::TaskId id) override;
    void post(std::function<void()> task) override;

    std::size_t pendingTasks() const { return m_tasks.size(); }

private:
    QElapsedTimer m_clock;
    ui::TaskId m_nextId = 1;
    std::unordered_map<ui::TaskId, QTimer*> m_tasks;
};

}  // namespace lirafok::qt
