#include "ui/virtual_scheduler.h"

namespace lirafok::ui {

std::time_t VirtualScheduler::wallClock() const {
    return m_wallStart + static_cast<std::time_t>((m_now - m_wallOriginMs) / 1000);
}

void VirtualScheduler::setWallClock(std::time_t wall) {
    m_wallStart = wall;
    m_wallOriginMs = m_now;
}

TaskId VirtualScheduler::schedule(std::int64_t delayMs, std::function<void()> task) {
    TaskId id = m_nextId++;
    std::int64_t due = m_now + (delayMs < 0 ? 0 : delayMs);
    m_tasks.emplace(std::make_pair(due, id), std::move(task));
    m_dueById.emplace(id, due);
    return id;
}

void VirtualScheduler::cancel(TaskId id) {
    auto it = m_dueById.find(id);
    if (it == m_dueById.end()) return;
    m_tasks.erase({it->second, id});
    m_dueById.erase(it);
}

void VirtualScheduler::post(std::function<void()> task) {
    std::lock_guard lock(m_postMutex);
    m_posted.push_back(std::move(task));
}

std::int64_t VirtualScheduler::nextDue() const {
    return m_tasks.empty() ? -1 : m_tasks.begin()->first.first;
}

bool VirtualScheduler::runOne(std::int64_t limit) {
    std::vector<std::function<void()>> posted;
    {
        std::lock_guard lock(m_postMutex);
        posted.swap(m_posted);
    }
    if (!posted.empty()) {
        for (auto& p : posted) p();
        return true;
    }
    if (m_tasks.empty()) return false;
    auto it = m_tasks.begin();
    if (it->first.first > limit) return false;
    m_now = it->first.first;
    auto task = std::move(it->second);
    m_dueById.erase(it->first.second);
    m_tasks.erase(it);
    task();
    return true;
}

void VirtualScheduler::advance(std::int64_t ms) {
    std::int64_t limit = m_now + (ms < 0 ? 0 : ms);
    while (runOne(limit)) {
    }
    // A task may have advanced the clock further itself (a modal window waits while time
    // passes): time never runs back.
    if (m_now < limit) m_now = limit;
}

}  // namespace lirafok::ui
