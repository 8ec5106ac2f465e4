#include "device/real/audible_waker.h"

#include <algorithm>
#include <chrono>

namespace lirafok::device::real {

namespace {
// A wake is never put off by more than this at once: a speed that changed without being told
// (a tempo change still on its way through the stretcher) is read again in time.
constexpr double kLongestSleepS = 0.25;
// Below this the thread would only spin: the frame is heard within the scheduler's tick.
constexpr double kShortestSleepS = 0.0003;
}  // namespace

AudibleWaker::AudibleWaker(std::function<Heard()> read)
    : m_read(std::move(read)), m_thread([this] { run(); }) {}

AudibleWaker::~AudibleWaker() {
    {
        std::lock_guard lk(m_mutex);
        m_quit = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void AudibleWaker::wakeAt(std::int64_t frame, std::function<void()> wake) {
    {
        std::lock_guard lk(m_mutex);
        m_target = frame;
        m_wake = std::move(wake);
        ++m_asked;
    }
    m_cv.notify_all();
}

void AudibleWaker::setSpeed(double framesPerSecond) {
    {
        std::lock_guard lk(m_mutex);
        m_speed = std::max(framesPerSecond, 1.0);
    }
    m_cv.notify_all();
}

void AudibleWaker::run() {
    std::unique_lock lk(m_mutex);
    for (;;) {
        m_cv.wait(lk, [this] { return m_quit || m_wake; });
        if (m_quit) return;
        const std::uint64_t asked = m_asked;
        const std::int64_t target = m_target;
        const double speed = m_speed;
        lk.unlock();
        const Heard heard = m_read();
        lk.lock();
        if (m_quit) return;
        if (asked != m_asked) continue;  // replaced while the position was read
        if (heard.frame >= target) {
            std::function<void()> wake = std::move(m_wake);
            m_wake = nullptr;
            lk.unlock();
            wake();
            lk.lock();
            continue;
        }
        const double seconds = heard.moving
                                   ? std::clamp(static_cast<double>(target - heard.frame) / speed,
                                                kShortestSleepS, kLongestSleepS)
                                   : kIdleLookMs / 1000.0;
        m_cv.wait_for(lk, std::chrono::duration<double>(seconds),
                      [&] { return m_quit || asked != m_asked || m_speed != speed; });
    }
}

}  // namespace lirafok::device::real
