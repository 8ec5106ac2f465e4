// The pipeline's position against the frame heard at the null sink's monitor, sampled every
// few milliseconds over a steady play: how far the position the program shows is from what
// the listener hears, and how it moves (median, spread, worst, and the worst moments).
// Usage: lirafok_position_bench [--server pulseaudio|pipewire|both] [--seconds N (20)]
// [--seek-every MS]: a seek ten seconds on that often, and the errors by the time since it
// (PROBE_TRACE=1 prints every sample: its time, the heard frame, the error, the time since the
// last seek in ms and the error against the recorder.)
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
#include <thread>

#include "bench_capture.h"
#include "bench_servers.h"
#include "coded_disc.h"
#include "device/real/pcm_player.h"
#include "device/real/pulse_sink.h"

using namespace lirafok;
using namespace lirafok::bench;

namespace {

// Each frame says its own disc frame (the coded disc's signal).
class CountingSource final : public device::real::PcmSource {
public:
    bool read(std::int64_t first, std::int16_t* out, std::int64_t count) override {
        for (std::int64_t i = 0; i < count; ++i) {
            out[2 * i] = testing::codedLeft(first + i);
            out[2 * i + 1] = testing::codedRight(first + i);
        }
        return true;
    }
};

// A click (one loud frame in silence) every 100 ms: unlike the coded signal it survives a
// resampler (a graph at another rate). The frame heard is then known from the last click
// before it, modulo 100 ms: far more than the errors measured.
constexpr std::int64_t kClickEvery = 4410;
class ClickSource final : public device::real::PcmSource {
public:
    bool read(std::int64_t first, std::int16_t* out, std::int64_t count) override {
        for (std::int64_t i = 0; i < count; ++i)
            out[2 * i] = out[2 * i + 1] = (first + i) % kClickEvery == 0 ? 24000 : 0;
        return true;
    }
};

bool resampled() {
    const char* server = std::getenv("LIRAFOK_TEST_SOUND_SERVER");
    const char* rate = std::getenv("LIRAFOK_TEST_PW_RATE");
    return server && std::string(server) == "pipewire" && rate && std::atoi(rate) != 44100;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int done = runPerServer(argc, argv); done >= 0) return done;
    int seconds = 20, seekEveryMs = 0;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--seconds")
            seconds = std::max(2, std::atoi(argv[++i]));
        else if (std::string(argv[i]) == "--seek-every")
            seekEveryMs = std::max(300, std::atoi(argv[++i]));
    SoundBench sound;
    if (!sound.start("lirafok-position-bench")) return 1;
    const auto pulse = sound.pulse;
    device::real::PcmPlayer player(std::make_unique<device::real::PulseSink>(pulse, "CD"),
                                   [](std::uint64_t, device::SpanEnd) {});
    const std::int64_t recFrom = sound.capture.frames();
    const bool clicks = resampled();
    if (clicks) std::printf("the graph resamples: measuring by clicks\n");
    std::shared_ptr<device::real::PcmSource> source;
    if (clicks)
        source = std::make_shared<ClickSource>();
    else
        source = std::make_shared<CountingSource>();
    player.play(source, 0, 44100LL * (seconds + 5));
    struct Sample {
        std::int64_t us, frame, sinceSeekUs;
    };
    std::vector<Sample> samples;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pause(3000, 9000);
    const std::int64_t until = nowUs() + seconds * 1'000'000LL;
    std::int64_t seekedUs = nowUs(), seekTo = 0;
    while (nowUs() < until) {
        std::this_thread::sleep_for(std::chrono::microseconds(pause(rng)));
        if (seekEveryMs > 0 && nowUs() - seekedUs >= seekEveryMs * 1000LL) {
            // Ten seconds on, a few frames off a click's or a cycle's step.
            seekTo += 441000 + 37;
            player.play(source, seekTo, seekTo + 44100LL * (seconds + 5));
            seekedUs = nowUs();
        }
        const std::int64_t t = nowUs();
        samples.push_back({t, player.position(), t - seekedUs});
    }
    player.stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto rec = sound.capture.samples();
    // The frame heard at recorded frame r (-1: not known); `near`: the position then, which
    // picks the click's own 100 ms.
    const auto frameAt = [&](std::int64_t r, std::int64_t near) -> std::int64_t {
        if (r < recFrom || r * 2 + 1 >= static_cast<std::int64_t>(rec.size())) return -1;
        if (!clicks) return testing::codedFrame(rec[2 * r], rec[2 * r + 1]).value_or(-1);
        std::int64_t click = -1;
        int loudest = 4000;
        for (std::int64_t f = r; f > r - kClickEvery && f >= recFrom; --f)
            if (std::abs(rec[2 * f]) > loudest) loudest = std::abs(rec[2 * f]), click = f;
        if (click < 0) return -1;
        const std::int64_t since = r - click;
        return std::llround(static_cast<double>(near - since) / kClickEvery) * kClickEvery + since;
    };
    // Each sample's error against two references: the server's own account of when the
    // recorded frames were heard, and the earliest arrival of what was heard at the recorder,
    // which is steady from run to run where the server's account is not (on PipeWire).
    const auto errorOf = [&](const Sample& s, bool byArrival) -> std::optional<double> {
        const std::int64_t r = byArrival
                                   ? sound.capture.frameAtUsByArrival(static_cast<double>(s.us))
                                   : sound.capture.frameAtUs(static_cast<double>(s.us));
        const std::int64_t heard = frameAt(r, s.frame);
        if (heard <= 0 || s.frame <= 0) return std::nullopt;
        const double e = static_cast<double>(s.frame - heard) / 44.1;
        // Over a second off: the old audio, still heard for a moment after a seek.
        if (std::abs(e) > 1000) return std::nullopt;
        return e;
    };
    std::vector<double> err, errArrival;
    std::vector<std::pair<double, std::int64_t>> worst;
    // After each seek: the errors by the time since it.
    constexpr std::int64_t kAfterSeekMs[] = {0, 50, 150, 300, 600, 1'000'000};
    std::vector<std::vector<double>> afterSeek(std::size(kAfterSeekMs) - 1),
        afterSeekArrival(afterSeek.size());
    for (const Sample& s : samples) {
        std::size_t bin = 0;
        while (bin + 2 < std::size(kAfterSeekMs) && s.sinceSeekUs >= kAfterSeekMs[bin + 1] * 1000)
            ++bin;
        if (const auto e = errorOf(s, false)) {
            afterSeek[bin].push_back(*e);
            err.push_back(*e);
            worst.push_back({*e, s.us});
        }
        if (const auto e = errorOf(s, true)) {
            afterSeekArrival[bin].push_back(*e);
            errArrival.push_back(*e);
        }
    }
    std::sort(worst.begin(), worst.end(),
              [](auto& a, auto& b) { return std::abs(a.first) > std::abs(b.first); });
    std::printf(
        "%zu samples; position - heard (ms): p1 %+.1f p5 %+.1f median %+.1f p95 %+.1f p99 %+.1f\n",
        err.size(), percentile(err, 0.01), percentile(err, 0.05), percentile(err, 0.5),
        percentile(err, 0.95), percentile(err, 0.99));
    std::printf(
        "position - frame that had reached the recorder (ms): p1 %+.1f median %+.1f p95 "
        "%+.1f p99 %+.1f\n",
        percentile(errArrival, 0.01), percentile(errArrival, 0.5), percentile(errArrival, 0.95),
        percentile(errArrival, 0.99));
    if (seekEveryMs > 0)
        for (std::size_t b = 0; b < afterSeek.size(); ++b)
            if (!afterSeek[b].empty() && !afterSeekArrival[b].empty())
                std::printf(
                    "  %lld ms or more after a seek: %zu samples; against heard median "
                    "%+.1f p95 %+.1f; against the recorder median %+.1f p5 %+.1f p95 "
                    "%+.1f\n",
                    static_cast<long long>(kAfterSeekMs[b]), afterSeek[b].size(),
                    percentile(afterSeek[b], 0.5), percentile(afterSeek[b], 0.95),
                    percentile(afterSeekArrival[b], 0.5), percentile(afterSeekArrival[b], 0.05),
                    percentile(afterSeekArrival[b], 0.95));
    const std::int64_t t0 = samples.empty() ? 0 : samples.front().us;
    for (std::size_t i = 0; i < std::min<std::size_t>(8, worst.size()); ++i)
        std::printf("  %+.1f ms at %.3f s\n", worst[i].first, (worst[i].second - t0) / 1e6);
    if (std::getenv("PROBE_TRACE"))
        for (const Sample& s : samples) {
            const std::int64_t heard =
                frameAt(sound.capture.frameAtUs(static_cast<double>(s.us)), s.frame);
            const auto e = errorOf(s, true);
            std::printf("T %lld %lld %.4f %+.2f %.1f %+.2f\n", (long long)s.us, (long long)heard,
                        (s.us - t0) / 1e6, (s.frame - heard) / 44.1, s.sinceSeekUs / 1000.0,
                        e.value_or(-9999));
        }
    return 0;
}
