#pragma once
// The Qt event loop for a bench that drives the whole program on a real scheduler.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <cstdint>
#include <thread>

namespace lirafok::bench {

// Disc frame of a bench image's first frame (the 2 s lead-in).
inline constexpr std::int64_t kLeadInFrames = 88200;

// Runs the program's events for `ms` milliseconds.
inline void runEvents(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace lirafok::bench
