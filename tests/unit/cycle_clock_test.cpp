#include "device/real/cycle_clock.h"

#include <gtest/gtest.h>

#include <random>

namespace lirafok::device::real {
namespace {

using namespace std::chrono;
constexpr std::int64_t kRate = 44100;
constexpr std::int64_t kCycle = 1024;

// A server whose graph takes a whole cycle from the stream at each cycle's start: at time t
// (from 0) its read index is the end of the cycle being played, while the frame heard is
// kRate * t. `stallFrom`..`stallTo`: the output stopped; then it went on from where it was,
// or (`catchUp`) played what it had missed at once.
struct CycleServer {
    double stallFrom = 1e9, stallTo = 1e9;
    bool catchUp = false;
    double played(double t) const {
        if (t < stallFrom) return t;
        if (t < stallTo) return stallFrom;
        return catchUp ? t : t - (stallTo - stallFrom);
    }
    std::int64_t heard(double t) const { return static_cast<std::int64_t>(played(t) * kRate); }
    std::int64_t readIndex(double t) const { return (heard(t) / kCycle + 1) * kCycle; }
};

CycleClock::Clock::time_point at(double s) {
    return CycleClock::Clock::time_point{} + duration_cast<nanoseconds>(duration<double>(s));
}

TEST(CycleClock, FollowsTheCycleStartsNotTheReports) {
    struct Case {
        const char* name;
        CycleServer server;
        double until;
        double minGap = 0.03, maxGap = 0.07, settleAfter = 1.0;  // seconds between reports
        std::int64_t maxError = kCycle / 3;                      // frames
    };
    for (const Case& c :
         {Case{"steady", {}, 3.0}, Case{"stalled and went on", {2.0, 2.3}, 3.5},
          Case{"stalled and caught up", {2.0, 2.3, true}, 3.5},
          Case{"a report every second and a half", {}, 40.0, 1.2, 1.8, 12.0, kCycle / 2}}) {
        SCOPED_TRACE(c.name);
        CycleClock clock(kRate);
        std::mt19937 rng(5);
        std::uniform_real_distribution<double> gap(c.minGap, c.maxGap);
        std::int64_t worstRaw = 0, worst = 0;
        for (double t = 0.01; t < c.until; t += gap(rng)) {
            const std::int64_t raw = c.server.readIndex(t);
            clock.observe(at(t), raw);
            const auto frame = clock.frameAt(at(t));
            if (!frame) continue;    // not settled yet
            EXPECT_LE(*frame, raw);  // never more than the server has taken
            // Once settled (and after the first report after the stall) the line must
            // lie on the cycle starts: the report that says least.
            const bool settled =
                t > c.settleAfter && (t < c.server.stallFrom || t > c.server.stallTo + 0.1);
            if (!settled) continue;
            worstRaw = std::max(worstRaw, raw - c.server.heard(t));
            worst = std::max(worst, std::abs(*frame - c.server.heard(t)));
            // Between reports the clock runs at the nominal rate.
            const auto later = clock.frameAt(at(t + 0.02));
            EXPECT_EQ(*later - *frame, kRate * 2 / 100) << "at " << t;
        }
        EXPECT_GT(worstRaw, kCycle / 2);  // the reports alone are off by most of a cycle
        EXPECT_LE(worst, c.maxError) << "worst error " << worst << " frames";
    }
}

TEST(CycleClock, KnowsNothingUntilItsReportsSpanAMomentAndForgetsOnReset) {
    CycleClock clock(kRate);
    EXPECT_FALSE(clock.frameAt(at(1)).has_value());
    clock.observe(at(1), 5000);
    EXPECT_FALSE(clock.frameAt(at(1.1)).has_value());
    clock.observe(at(1.2), 5000 + kRate / 5);
    EXPECT_EQ(clock.frameAt(at(1.2)), 5000 + kRate / 5);
    EXPECT_EQ(clock.frameAt(at(0.5)), 5000 + kRate / 5);  // not before the last report
    clock.reset();
    EXPECT_FALSE(clock.frameAt(at(2)).has_value());
}

}  // namespace
}  // namespace lirafok::device::real
