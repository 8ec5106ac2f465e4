// The pipeline's position against the frame heard at the null sink's monitor, sampled every
// few milliseconds over a steady play: how far the position the program shows is from what
// the listener hears, and how it moves (median, spread, worst, and the worst moments).
// Usage: lirafok_position_bench [--server pulseaudio|pipewire|both] [--seconds N (20)]
// (PROBE_TRACE=1 prints every sample: its time, the heard frame and the error.)
#include <cmath>
#include <cstdio>
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

}  // namespace

int main(int argc, char** argv) {
    if (const int done = runPerServer(argc, argv); done >= 0) return done;
    int seconds = 20;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--seconds") seconds = std::max(2, std::atoi(argv[++i]));
    SoundBench sound;
    if (!sound.start("lirafok-position-bench")) return 1;
    const auto pulse = sound.pulse;
    device::real::PcmPlayer player(std::make_unique<device::real::PulseSink>(pulse, "CD"),
                                   [](std::uint64_t, device::SpanEnd) {});
    const std::int64_t recFrom = sound.capture.frames();
    player.play(std::make_shared<CountingSource>(), 0, 44100LL * (seconds + 5));
    struct Sample {
        std::int64_t us, frame;
    };
    std::vector<Sample> samples;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pause(3000, 9000);
    const std::int64_t until = nowUs() + seconds * 1'000'000LL;
    while (nowUs() < until) {
        std::this_thread::sleep_for(std::chrono::microseconds(pause(rng)));
        const std::int64_t t = nowUs();
        samples.push_back({t, player.position()});
    }
    player.stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto rec = sound.capture.samples();
    const auto frameAt = [&](std::int64_t r) -> std::int64_t {
        if (r < recFrom || r * 2 + 1 >= static_cast<std::int64_t>(rec.size())) return -1;
        return testing::codedFrame(rec[2 * r], rec[2 * r + 1]).value_or(-1);
    };
    std::vector<double> err;
    std::vector<std::pair<double, std::int64_t>> worst;
    for (const Sample& s : samples) {
        const std::int64_t heard = frameAt(sound.capture.frameAtUs(static_cast<double>(s.us)));
        if (heard <= 0 || s.frame <= 0) continue;
        const double e = static_cast<double>(s.frame - heard) / 44.1;
        err.push_back(e);
        worst.push_back({e, s.us});
    }
    std::sort(worst.begin(), worst.end(),
              [](auto& a, auto& b) { return std::abs(a.first) > std::abs(b.first); });
    std::printf(
        "%zu samples; position - heard (ms): p1 %+.1f p5 %+.1f median %+.1f p95 %+.1f p99 %+.1f\n",
        err.size(), percentile(err, 0.01), percentile(err, 0.05), percentile(err, 0.5),
        percentile(err, 0.95), percentile(err, 0.99));
    const std::int64_t t0 = samples.empty() ? 0 : samples.front().us;
    for (std::size_t i = 0; i < std::min<std::size_t>(8, worst.size()); ++i)
        std::printf("  %+.1f ms at %.3f s\n", worst[i].first, (worst[i].second - t0) / 1e6);
    if (std::getenv("PROBE_TRACE"))
        for (const Sample& s : samples) {
            const std::int64_t heard = frameAt(sound.capture.frameAtUs(static_cast<double>(s.us)));
            std::printf("T %lld %lld %.4f %+.2f\n", (long long)s.us, (long long)heard,
                        (s.us - t0) / 1e6, (s.frame - heard) / 44.1);
        }
    return 0;
}
