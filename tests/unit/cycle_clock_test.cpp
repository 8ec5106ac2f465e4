#include "device/real/cycle_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

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
    constexpr double kPeriod = static_cast<double>(kCycle) / kRate;
    struct Case {
        const char* name;
        CycleServer server;
        double until;
        double minGap = 0.03, maxGap = 0.07, settleAfter = 1.0;  // seconds between reports
        std::int64_t maxError = kCycle / 3;                      // frames
        // Reports before this come at one moment of the cycle, early in it: each says most of
        // a cycle more than was heard.
        double lockedUntil = 0;
    };
    for (const Case& c :
         {Case{"steady", {}, 3.0}, Case{"stalled and went on", {2.0, 2.3}, 3.5},
          Case{"stalled and caught up", {2.0, 2.3, true}, 3.5},
          Case{"a report every second and a half", {}, 40.0, 1.2, 1.8, 12.0, kCycle / 2},
          Case{"at first in step with the cycle", {}, 3.0, 0.03, 0.07, 0, kCycle / 2, 0.5}}) {
        SCOPED_TRACE(c.name);
        CycleClock clock(kRate);
        std::mt19937 rng(5);
        std::uniform_real_distribution<double> gap(c.minGap, c.maxGap);
        std::int64_t worstRaw = 0, worst = 0;
        for (double t = 0.01; t < c.until; t = t < c.lockedUntil ? t + 2 * kPeriod : t + gap(rng)) {
            if (t < c.lockedUntil) t = (std::floor(t / kPeriod) + 0.1) * kPeriod;
            const std::int64_t raw = c.server.readIndex(t);
            clock.observe(at(t), raw);
            const auto frame = clock.frameAt(at(t), kCycle);
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
            const auto later = clock.frameAt(at(t + 0.02), kCycle);
            EXPECT_EQ(*later - *frame, kRate * 2 / 100) << "at " << t;
        }
        EXPECT_GT(worstRaw, kCycle / 2);  // the reports alone are off by most of a cycle
        EXPECT_LE(worst, c.maxError) << "worst error " << worst << " frames";
    }
}

TEST(CycleClock, KnowsNothingBeforeAReportAndForgetsOnReset) {
    CycleClock clock(kRate);
    EXPECT_FALSE(clock.frameAt(at(1), kCycle).has_value());
    clock.observe(at(1), 5000);
    // One report leaves the whole cycle open: half of it is taken off.
    EXPECT_EQ(clock.frameAt(at(1.1), kCycle), 5000 + kRate / 10 - kCycle / 2);
    clock.observe(at(1.2), 5000 + kRate / 5 + kCycle / 4);
    EXPECT_EQ(clock.frameAt(at(1.2), 0), 5000 + kRate / 5);
    EXPECT_EQ(clock.frameAt(at(0.5), 0), 5000 + kRate / 5);  // not before the last report
    // The two reports are a quarter of a cycle apart: the line is within the other three.
    EXPECT_EQ(clock.frameAt(at(1.2), kCycle), 5000 + kRate / 5 - kCycle * 3 / 8);
    clock.reset();
    EXPECT_FALSE(clock.frameAt(at(2), kCycle).has_value());
}

// The read index's steps between reports, as servers take them.
TEST(CycleSteps, FindsTheGraphCycleEvenThroughAResampler) {
    std::mt19937 rng(11);
    // A graph of 1024 frames at 48 kHz takes 940.8 of a 44.1 kHz stream per cycle, in whole
    // frames: each step is what a run of cycles took.
    std::vector<std::int64_t> resampled;
    for (std::int64_t k = 0, taken = 0; resampled.size() < 40;) {
        k += std::uniform_int_distribution<std::int64_t>(1, 80)(rng);
        const auto now =
            static_cast<std::int64_t>(std::floor(static_cast<double>(k) * 940.8 + 0.3));
        resampled.push_back(now - taken);
        taken = now;
    }
    // A long play: after the first burst, a report every second and a half.
    std::vector<std::int64_t> longPlay = {1024, 2048, 3072, 7168, 14336, 27648, 57344};
    for (int i = 0; i < 200; ++i) longPlay.push_back(i % 2 ? 65536 : 66560);
    std::vector<std::int64_t> arbitrary;
    for (int i = 0; i < 300; ++i)
        arbitrary.push_back(std::uniform_int_distribution<std::int64_t>(300, 70000)(rng));
    struct Case {
        const char* name;
        std::vector<std::int64_t> steps;
        std::int64_t cycle;  // after the last step
    };
    for (const Case& c : std::vector<Case>{
             // Measured: a private PipeWire at 44.1 kHz and at 48 kHz, then PulseAudio.
             {"graph at the stream's rate", {1024, 2048, 3072, 7168, 14336, 27648, 57344}, 1024},
             {"graph at 48 kHz", {941, 1882, 3763, 6586, 14112, 28224, 56448, 66796}, 941},
             {"device-paced reads", {440, 880, 1764, 3525, 7165, 14113, 28223, 56449}, 0},
             {"no single cycle among the steps", {2048, 3072, 5120, 7168, 9216}, 1024},
             {"too few steps yet", {1024, 2048, 3072, 4096}, 0},
             {"the cycle shortened", {1024, 2048, 3072, 4096, 5120, 320, 640, 960, 1600, 320}, 320},
             {"generated through a resampler", resampled, 941},
             {"generated long play", longPlay, 1024},
             {"generated arbitrary reads", arbitrary, 0}}) {
        SCOPED_TRACE(c.name);
        CycleSteps steps;
        std::int64_t everCycle = 0;
        for (const std::int64_t s : c.steps) {
            steps.step(s);
            if (c.cycle == 0) everCycle = std::max(everCycle, steps.cycle());
        }
        EXPECT_EQ(steps.cycle(), c.cycle);
        EXPECT_EQ(everCycle, 0);  // a server that takes no cycles is never taken for one
        steps.reset();
        EXPECT_EQ(steps.cycle(), 0);
    }
}

}  // namespace
}  // namespace lirafok::device::real
