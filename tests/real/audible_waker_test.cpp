// The waker against a position the test moves by hand: it fires once the frame is reached and
// never before, only the last thing asked for, nothing while the position stands, and it goes
// away promptly while it waits.
#include "device/real/audible_waker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace lirafok::device::real {
namespace {

using namespace std::chrono_literals;

struct MovedByHand {
    std::atomic<std::int64_t> frame{0};
    std::atomic<bool> moving{true};
    AudibleWaker::Heard read() const { return {frame.load(), moving.load()}; }
};

TEST(AudibleWaker, FiresOnceTheFrameIsReachedAndOnlyForWhatWasAskedLast) {
    MovedByHand pos;
    std::atomic<int> first{0}, second{0};
    {
        AudibleWaker waker([&] { return pos.read(); });
        // A very high speed makes it look again soon; the frame is short of the target.
        waker.setSpeed(1e9);
        waker.wakeAt(1000, [&] { ++first; });
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(first, 0) << "fired before the frame was heard";
        // Replaced: the first callback is never run, the second once.
        waker.wakeAt(2000, [&] { ++second; });
        pos.frame = 1500;
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(first + second, 0);
        pos.frame = 2000;
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(second, 1);
        pos.frame = 5000;
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(second, 1) << "fired twice";
        EXPECT_EQ(first, 0);

        // Taken back: nothing runs when the frame comes.
        waker.wakeAt(6000, [&] { ++first; });
        waker.wakeAt(0, nullptr);
        pos.frame = 7000;
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(first, 0);

        // Already heard: at once.
        waker.wakeAt(100, [&] { ++second; });
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(second, 2);
    }
    EXPECT_EQ(first, 0);
}

TEST(AudibleWaker, SleepsUntilTheFrameIsDueAtThePresentSpeedAndGoesAwayWhileWaiting) {
    MovedByHand pos;
    pos.moving = false;
    std::atomic<int> fired{0};
    const auto before = std::chrono::steady_clock::now();
    {
        AudibleWaker waker([&] { return pos.read(); });
        // One frame a second: the frame is an hour away, and the position stands anyway.
        waker.setSpeed(1);
        waker.wakeAt(3600, [&] { ++fired; });
        std::this_thread::sleep_for(30ms);
        pos.moving = true;
        std::this_thread::sleep_for(30ms);
    }
    EXPECT_EQ(fired, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 200ms) << "the waker kept its sleep";
}

}  // namespace
}  // namespace lirafok::device::real
