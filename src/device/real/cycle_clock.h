#pragma once
// The frame heard now, from the reports of a sound server that moves its read index in whole
// graph cycles and does not say how far into a cycle its output is (PipeWire's PulseAudio
// service: its read index steps by a quantum, about 23 ms, and it reports no device latency).
// Such a report, carried forward to now at the stream's rate, is ahead of what is heard by
// anything from nothing to one cycle, depending on when in the cycle it was taken. The output
// plays at a steady rate, so the reports of the last twelve seconds, each carried to a common time,
// lie on one line but for that jitter; the lowest of them is the report taken just before a
// cycle began, the one that says the least that was not heard yet. That line, at the nominal
// rate, is the position: steady, with no jumps at each report.
//
// Each report also bounds the line from below: it is less than a cycle above it. While few
// reports are in, the lowest may still be most of a cycle above the line; the line is then
// put midway between the bounds the reports give, so that it is off by at most half a cycle.
//
// A report more than a cycle and a half above the line means the output did not play at the
// steady rate meanwhile (the server stalled and caught up, or the stream was moved): the line
// starts again from that report.
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace lirafok::device::real {

class CycleClock {
public:
    using Clock = std::chrono::steady_clock;

    // `rate`: frames per second of the output.
    explicit CycleClock(std::int64_t rate) : m_rate(rate) {}

    // A report: at `at`, the server's account puts the frame heard at `frame`.
    void observe(Clock::time_point at, std::int64_t frame);
    // The frame heard at `now` (not before the last report), for a graph cycle of `cycle`
    // frames; nothing before a report since the last reset. From the first report on it is
    // within half a cycle: right after a start or a flush, when the reports come at one moment
    // of the cycle, waiting for more of them would leave the line most of a cycle ahead.
    std::optional<std::int64_t> frameAt(Clock::time_point now, std::int64_t cycle) const;
    // Forgets every report (a flush, a pause, a new stream: the output starts afresh).
    void reset() { m_reports.clear(); }

private:
    struct Report {
        Clock::time_point at;
        std::int64_t offset;  // the report's frame less the frames played since m_base
    };
    std::int64_t framesSinceBase(Clock::time_point t) const;

    std::int64_t m_rate;
    Clock::time_point m_base{};
    std::vector<Report> m_reports;
};

// The graph cycle, in the stream's frames, from the steps of its read index between reports.
// A graph at the stream's own rate takes whole cycles of it (1024 frames); one at another rate
// resamples, and takes a cycle's worth give or take a frame (1024 frames at 48 kHz are 940.8 at
// 44.1 kHz). The steps fit one cycle within a few frames per step once the cycle is known from
// the smallest of them; a read index that moves by other amounts (a server that takes what its
// device asks for) soon takes a step that fits none, and the count starts again.
class CycleSteps {
public:
    // The read index moved by `frames` (> 0) since the last report.
    void step(std::int64_t frames);
    // The cycle, rounded to a frame, once enough steps fit it; else 0.
    std::int64_t cycle() const;
    void reset() { *this = CycleSteps{}; }

private:
    double fit() const;                 // 0: none
    std::vector<std::int64_t> m_steps;  // since the last that fitted none (at most 64)
    double m_cycle = 0;                 // the fit so far (frames, fractional)
};

}  // namespace lirafok::device::real
