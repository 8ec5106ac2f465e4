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
    // The frame heard at `now` (not before the last report); nothing until the reports since
    // the last reset span 150 ms.
    std::optional<std::int64_t> frameAt(Clock::time_point now) const;
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

}  // namespace lirafok::device::real
