#include "qt/qt_scheduler.h"

#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <climits>

namespace lirafok::qt {

QtScheduler::QtScheduler() {
    m_clock.start();
}

QtScheduler::~QtScheduler() {
    for (auto& [id, timer] : m_tasks) delete timer;
}

std::int64_t QtScheduler::nowMs() const {
    return m_clock.elapsed();
}

std::time_t QtScheduler::wallClock() const {
    return std::time(nullptr);
}

ui::TaskId QtScheduler::schedule(std::int64_t delayMs, std::function<void()> task) {
    const ui::TaskId id = m_nextId++;
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(static_cast<int>(std::clamp<std::int64_t>(delayMs, 0, INT_MAX)));
    connect(timer, &QTimer::timeout, this, [this, id, task = std::move(task)] {
        auto it = m_tasks.find(id);
        if (it == m_tasks.end()) return;
        it->second->deleteLater();
        m_tasks.erase(it);
        // The closure lives in the timer's connection, which survives until deleteLater runs.
        task();
    });
    m_tasks.emplace(id, timer);
    timer->start();
    return id;
}

void QtScheduler::cancel(ui::TaskId id) {
    auto it = m_tasks.find(id);
    if (it == m_tasks.end()) return;
    it->second->stop();
    it->second->deleteLater();
    m_tasks.erase(it);
}

void QtScheduler::post(std::function<void()> task) {
    QMetaObject::invokeMethod(
        this, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

}  // namespace lirafok::qt
