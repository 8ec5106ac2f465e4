#include "ui/timer.h"

namespace lirafok::ui {

Timer::Timer(Form& f, Scheduler& s, std::string name)
    : Control(f, ControlKind::Timer, std::move(name)), m_scheduler(s) {
    setVisible(false);
}

Timer::~Timer() {
    shutdown();
}

void Timer::shutdown() {
    m_dead = true;
    if (m_task) m_scheduler.cancel(m_task);
    m_task = 0;
}

void Timer::setInterval(int ms) {
    m_interval = ms < 0 ? 0 : ms;
    rearm();
}

void Timer::setTimerEnabled(bool on) {
    if (on == m_on) return;
    m_on = on;
    rearm();
}

void Timer::disarm() {
    if (m_task) m_scheduler.cancel(m_task);
    m_task = 0;
    ++m_generation;
}

void Timer::rearm() {
    disarm();
    if (m_dead || !m_on || m_interval <= 0) return;
    unsigned gen = m_generation;
    m_task = m_scheduler.schedule(m_interval, [this, gen] {
        if (gen != m_generation) return;
        m_task = 0;
        tick();
    });
}

void Timer::tickNow() {
    if (m_dead || !m_on || m_interval <= 0) return;
    disarm();
    tick();
}

void Timer::tick() {
    unsigned before = m_generation;
    if (onTimer) onTimer();
    // The handler may have re-armed (new interval) or stopped the timer; otherwise tick again.
    if (!m_dead && before == m_generation) rearm();
}

}  // namespace lirafok::ui
