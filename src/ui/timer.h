#pragma once
// A window timer: fires its Timer event every `interval` ms while enabled and interval > 0.
// Writing the interval or enabling the timer restarts the countdown from now; the next tick
// after a tick is due `interval` ms after that tick ran (the countdown restarts when the
// handler changes the interval).
#include <functional>

#include "ui/control.h"
#include "ui/scheduler.h"

namespace lirafok::ui {

class Timer : public Control {
public:
    Timer(Form& f, Scheduler& s, std::string name);
    ~Timer() override;

    int interval() const { return m_interval; }
    void setInterval(int ms);
    bool timerEnabled() const { return m_on; }
    void setTimerEnabled(bool on);
    // Ticks now, as if the countdown had run out, when the timer runs (enabled, interval > 0);
    // the countdown then starts again, as after any tick.
    void tickNow();
    // Stops ticking for good (window unloaded).
    void shutdown();

    std::function<void()> onTimer;

private:
    // Cancels the pending countdown; a tick already posted for it is ignored.
    void disarm();
    void rearm();
    void tick();

    Scheduler& m_scheduler;
    int m_interval = 0;
    bool m_on = true;
    bool m_dead = false;
    TaskId m_task = 0;
    unsigned m_generation = 0;
};

}  // namespace lirafok::ui
