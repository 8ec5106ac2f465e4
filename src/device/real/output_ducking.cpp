#include "device/real/output_ducking.h"

namespace lirafok::device::real {

OutputDucking& OutputDucking::shared() {
    static OutputDucking ducking;
    return ducking;
}

int OutputDucking::attach(std::function<void(bool)> changed) {
    std::lock_guard lk(m_mutex);
    const int id = m_nextId++;
    changed(m_cues > 0);
    m_listeners.emplace(id, std::move(changed));
    return id;
}

void OutputDucking::detach(int id) {
    {
        std::lock_guard lk(m_mutex);
        m_listeners.erase(id);
        m_pending.erase(id);
    }
    m_cv.notify_all();
}

void OutputDucking::applied(int id, bool ducked) {
    {
        std::lock_guard lk(m_mutex);
        if (ducked != (m_cues > 0) || m_pending.erase(id) == 0) return;
    }
    m_cv.notify_all();
}

bool OutputDucking::waitApplied(std::chrono::milliseconds limit) {
    std::unique_lock lk(m_mutex);
    return m_cv.wait_for(lk, limit, [&] { return m_pending.empty(); });
}

void OutputDucking::cueStarted() {
    std::lock_guard lk(m_mutex);
    if (m_cues++ == 0)
        for (auto& [id, changed] : m_listeners) {
            m_pending.insert(id);
            changed(true);
        }
}

void OutputDucking::cueEnded() {
    std::lock_guard lk(m_mutex);
    if (m_cues == 0) return;
    if (--m_cues == 0)
        for (auto& [id, changed] : m_listeners) {
            m_pending.insert(id);
            changed(false);
        }
}

bool OutputDucking::ducked() {
    std::lock_guard lk(m_mutex);
    return m_cues > 0;
}

}  // namespace lirafok::device::real
