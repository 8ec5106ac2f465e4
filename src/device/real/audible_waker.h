#pragma once
// Calls back on a thread of its own when the listener reaches a disc frame: the heard position
// of the pipeline, not a wait worked out ahead on another clock, decides the moment. So a line
// of the lyric lights when it is heard at any tempo, and a window thread that was busy when
// the wait began does not make it late.
//
// The thread sleeps for the time the position should need to get there at the present speed,
// then reads the position again; it fires when the position has reached the frame. While the
// position stands (paused, idle, output lost) it looks again every kIdleLookMs.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace lirafok::device::real {

class AudibleWaker {
public:
    // What the pipeline says now: the frame heard and whether it moves on.
    struct Heard {
        std::int64_t frame = 0;
        bool moving = false;
    };
    static constexpr int kIdleLookMs = 100;

    // `read` is called on the waker's thread, with none of the waker's locks held.
    explicit AudibleWaker(std::function<Heard()> read);
    ~AudibleWaker();
    AudibleWaker(const AudibleWaker&) = delete;
    AudibleWaker& operator=(const AudibleWaker&) = delete;

    // `wake` is called once, on the waker's thread, when the heard frame is >= `frame` (at once
    // when it is already). Replaces what was asked before; an empty function takes it back.
    void wakeAt(std::int64_t frame, std::function<void()> wake);
    // Disc frames heard per second of the listener's time (44 100 at the disc's own tempo).
    void setSpeed(double framesPerSecond);

private:
    void run();

    std::function<Heard()> m_read;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    // Under m_mutex.
    std::int64_t m_target = 0;
    std::function<void()> m_wake;
    // Counts wakeAt() calls, so that a callback replaced meanwhile is not run.
    std::uint64_t m_asked = 0;
    double m_speed = 44100;
    bool m_quit = false;
    std::thread m_thread;  // last: starts once the members above are made
};

}  // namespace lirafok::device::real
