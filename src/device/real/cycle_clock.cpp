#include "device/real/cycle_clock.h"

#include <algorithm>

namespace lirafok::device::real {

namespace {
// How far back reports count: long enough for several reports at libpulse's pace of one every
// second and a half, of which one falls near a cycle's start; short enough that a sound card's
// clock, some tens of parts per million off the system's, drifts by less than a millisecond.
constexpr auto kWindow = std::chrono::seconds(12);
// Reports over less than this say little yet: the first after a start or a flush may count
// audio the server took ahead to fill its graph.
constexpr auto kSettle = std::chrono::milliseconds(150);
}  // namespace

std::int64_t CycleClock::framesSinceBase(Clock::time_point t) const {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t - m_base).count();
    return ns * m_rate / 1'000'000'000;
}

void CycleClock::observe(Clock::time_point at, std::int64_t frame) {
    if (m_reports.empty()) m_base = at;
    std::erase_if(m_reports, [&](const Report& r) { return at - r.at > kWindow; });
    const std::int64_t offset = frame - framesSinceBase(at);
    // A graph cycle is at most about 23 ms at the rates servers run; a report further above
    // the line than one and a half of them did not come from a steady output.
    const std::int64_t jump = m_rate * 35 / 1000;
    if (!m_reports.empty()) {
        const auto lowest =
            std::min_element(m_reports.begin(), m_reports.end(),
                             [](const Report& a, const Report& b) { return a.offset < b.offset; });
        if (offset > lowest->offset + jump) m_reports.clear();
    }
    if (m_reports.empty()) m_base = at;
    m_reports.push_back({at, frame - framesSinceBase(at)});
}

std::optional<std::int64_t> CycleClock::frameAt(Clock::time_point now) const {
    if (m_reports.empty()) return std::nullopt;
    std::int64_t lowest = m_reports.front().offset;
    Clock::time_point first = m_reports.front().at, last = first;
    for (const Report& r : m_reports) {
        lowest = std::min(lowest, r.offset);
        first = std::min(first, r.at);
        last = std::max(last, r.at);
    }
    if (last - first < kSettle) return std::nullopt;
    return lowest + framesSinceBase(std::max(now, last));
}

}  // namespace lirafok::device::real
