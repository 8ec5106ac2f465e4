#include "device/real/cycle_clock.h"

#include <algorithm>
#include <cmath>

namespace lirafok::device::real {

namespace {
// How far back reports count: long enough for several reports at libpulse's pace of one every
// second and a half, of which one falls near a cycle's start; short enough that a sound card's
// clock, some tens of parts per million off the system's, drifts by less than a millisecond.
constexpr auto kWindow = std::chrono::seconds(12);
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

std::optional<std::int64_t> CycleClock::frameAt(Clock::time_point now, std::int64_t cycle) const {
    if (m_reports.empty()) return std::nullopt;
    std::int64_t lowest = m_reports.front().offset;
    Clock::time_point last = m_reports.front().at;
    for (const Report& r : m_reports) {
        lowest = std::min(lowest, r.offset);
        last = std::max(last, r.at);
    }
    // A report a cycle or more above the lowest cannot lie within a cycle of the same line as
    // it (the first after a start, counting what the server took ahead): it bounds nothing.
    std::int64_t highest = lowest;
    for (const Report& r : m_reports)
        if (r.offset < lowest + cycle) highest = std::max(highest, r.offset);
    // The line lies in (highest - cycle, lowest]: midway, while the reports leave room.
    const std::int64_t room = std::max<std::int64_t>(0, cycle - (highest - lowest));
    return lowest - room / 2 + framesSinceBase(std::max(now, last));
}

namespace {
// Steps that fit a cycle before it is trusted, and how far (frames) each may be from a whole
// number of cycles: a resampler's phase moves what a run of cycles takes by a frame or two.
constexpr std::size_t kFittingSteps = 5;
constexpr double kStepSlack = 3;
// The cycles believed: a graph's quantum is rarely under 256 frames (6 ms), and never over
// 8192 (186 ms at 44.1 kHz).
constexpr double kShortestCycle = 240;
constexpr double kLongestCycle = 8192;
}  // namespace

double CycleSteps::fit() const {
    // The smallest step is one cycle or a few: try it whole and divided. Each longer step, in
    // turn, counts its cycles by the cycle so far and refines it (least squares), so that the
    // count stays right for a step of many cycles; all steps so far must then fit.
    std::vector<std::int64_t> sorted = m_steps;
    std::sort(sorted.begin(), sorted.end());
    const auto fits = [&](double cycle, std::size_t upTo) {
        return std::all_of(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(upTo),
                           [&](std::int64_t s) {
                               const double n = std::max(1.0, std::round(s / cycle));
                               return std::abs(static_cast<double>(s) - n * cycle) <= kStepSlack;
                           });
    };
    const auto smallest = static_cast<double>(sorted.front());
    for (int parts = 1; parts <= 8 && smallest / parts >= kShortestCycle; ++parts) {
        double cycle = smallest / parts, sn = 0, nn = 0;
        if (cycle > kLongestCycle) continue;
        std::size_t i = 0;
        for (; i < sorted.size(); ++i) {
            const auto s = static_cast<double>(sorted[i]);
            const double n = std::max(1.0, std::round(s / cycle));
            sn += s * n;
            nn += n * n;
            cycle = sn / nn;
            if (!fits(cycle, i + 1)) break;
        }
        if (i == sorted.size()) return cycle;
    }
    return 0;
}

void CycleSteps::step(std::int64_t frames) {
    if (frames <= 0) return;
    // Kept bounded by dropping the longest step: the short ones, from the burst of reports
    // after a start, are what tells a single cycle from a run of them.
    if (m_steps.size() == 64) m_steps.erase(std::max_element(m_steps.begin(), m_steps.end()));
    m_steps.push_back(frames);
    m_cycle = fit();
    // A step that fits no cycle with the others: the graph's cycle changed, or the server
    // does not move in cycles. Start again from it.
    if (m_cycle == 0) {
        m_steps = {frames};
        m_cycle = fit();
    }
}

std::int64_t CycleSteps::cycle() const {
    if (m_cycle == 0 || m_steps.size() < kFittingSteps) return 0;
    return std::llround(m_cycle);
}

}  // namespace lirafok::device::real
