#pragma once
// Generated tones as a disc, and what a recording of them says: the pitch, the level of one
// frequency, the audible stretches and where a mark was heard. Shared by the key and tempo
// tests and their benchmark.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "device/real/pcm_source.h"

namespace lirafok::testing {

inline constexpr double kToneRate = 44100;

// A disc whose frames a function computes (left, right), from any disc frame.
class GeneratedSource final : public device::real::PcmSource {
public:
    using Frame = std::function<void(std::int64_t frame, std::int16_t& left, std::int16_t& right)>;
    explicit GeneratedSource(Frame frame) : m_frame(std::move(frame)) {}
    bool read(std::int64_t first, std::int16_t* out, std::int64_t count) override {
        for (std::int64_t i = 0; i < count; ++i) m_frame(first + i, out[2 * i], out[2 * i + 1]);
        return true;
    }

private:
    Frame m_frame;
};

inline double sine(double hz, std::int64_t frame) {
    return std::sin(2 * M_PI * hz * static_cast<double>(frame) / kToneRate);
}

// A mark that any key and tempo keep recognisable: 20 ms of 2 kHz, loud, from `at` on.
inline constexpr std::int64_t kMarkFrames = 882;
inline double mark(std::int64_t at, std::int64_t frame) {
    const std::int64_t k = frame - at;
    return k >= 0 && k < kMarkFrames ? 0.9 * sine(2000, k) : 0.0;
}

// Frequency of channel `channel` over frames [from, to) by its rising zero crossings,
// interpolated between samples (exact for a pure tone, unlike an FFT bin).
inline double frequency(const std::vector<std::int16_t>& pcm, std::int64_t from, std::int64_t to,
                        int channel = 0) {
    double first = -1, last = -1;
    int crossings = 0;
    to = std::min<std::int64_t>(to, static_cast<std::int64_t>(pcm.size() / 2));
    for (std::int64_t i = std::max<std::int64_t>(from, 0) + 1; i < to; ++i) {
        const double a = pcm[static_cast<std::size_t>(2 * (i - 1) + channel)];
        const double b = pcm[static_cast<std::size_t>(2 * i + channel)];
        if (a < 0 && b >= 0) {
            const double t = static_cast<double>(i - 1) + a / (a - b);
            if (first < 0) first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * kToneRate / (last - first) : 0;
}

// Amplitude of `hz` in channel `channel` over frames [from, to) (Goertzel, Hann window),
// in sample units.
inline double level(const std::vector<std::int16_t>& pcm, double hz, std::int64_t from,
                    std::int64_t to, int channel) {
    to = std::min<std::int64_t>(to, static_cast<std::int64_t>(pcm.size() / 2));
    const std::int64_t n = to - from;
    if (n <= 1) return 0;
    const double w = 2 * M_PI * hz / kToneRate, coeff = 2 * std::cos(w);
    double s1 = 0, s2 = 0, windowSum = 0;
    for (std::int64_t i = 0; i < n; ++i) {
        const double win = 0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(i) / (n - 1));
        windowSum += win;
        const double x = win * pcm[static_cast<std::size_t>(2 * (from + i) + channel)];
        const double s = x + coeff * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / windowSum;
}

inline double decibels(double ratio) {
    return 20 * std::log10(std::max(ratio, 1e-12));
}

// The audible stretches of a recording: runs of sound separated by at least `gapFrames` of
// near silence, as [first, end) frames.
struct Stretch {
    std::int64_t first = 0, end = 0;
};
inline std::vector<Stretch> audibleStretches(const std::vector<std::int16_t>& rec,
                                             std::int64_t gapFrames = 2205, int quiet = 40) {
    std::vector<Stretch> out;
    const auto frames = static_cast<std::int64_t>(rec.size() / 2);
    std::int64_t lastLoud = -1'000'000'000;
    for (std::int64_t i = 0; i < frames; ++i) {
        const auto s = static_cast<std::size_t>(2 * i);
        if (std::abs(rec[s]) <= quiet && std::abs(rec[s + 1]) <= quiet) continue;
        if (i - lastLoud > gapFrames) out.push_back({i, i + 1});
        out.back().end = i + 1;
        lastLoud = i;
    }
    return out;
}

// Where in recorded frames [from, to) a mark was heard: the centre of the energy of the
// first difference of channel 0 above the tone's own (the mark is far higher in pitch than
// the tones it sits on), less half the mark's length at `ratio` output frames per disc frame.
// The centre is used rather than the onset: a stretcher smears an onset by its window both
// ways.
inline std::optional<double> markAt(const std::vector<std::int16_t>& rec, std::int64_t from,
                                    std::int64_t to, double ratio) {
    to = std::min<std::int64_t>(to, static_cast<std::int64_t>(rec.size() / 2) - 1);
    from = std::max<std::int64_t>(from, 0);
    if (to - from < 16) return std::nullopt;
    std::vector<double> e;
    for (std::int64_t i = from; i < to; ++i) {
        const double d = double(rec[static_cast<std::size_t>(2 * (i + 1))]) -
                         rec[static_cast<std::size_t>(2 * i)];
        e.push_back(d * d);
    }
    std::vector<double> sorted = e;
    std::nth_element(sorted.begin(),
                     sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    const double floor = 3 * sorted[sorted.size() / 2];
    double sum = 0, weighted = 0;
    for (std::size_t k = 0; k < e.size(); ++k) {
        const double w = std::max(0.0, e[k] - floor);
        sum += w;
        weighted += w * static_cast<double>(from + static_cast<std::int64_t>(k));
    }
    if (sum <= 0) return std::nullopt;
    return weighted / sum - kMarkFrames / 2.0 * ratio;
}

}  // namespace lirafok::testing
