// Playback benchmark on a private PulseAudio server (null sink), through the real pipeline and
// QtAudioSink:
//   - CPU (user + system time per second of audio) playing a FLAC+CUE image, next to mpv
//     playing the same FLAC file in the same run;
//   - position accuracy: the reported position against the audible position of clicks at
//     known disc positions, captured from the sink's monitor, over a long play;
//   - start latency (stopped -> play) and seek latency (a new span while playing), from the
//     command to the first audible frame.
// Usage: lirafok_playback_bench [seconds (60)] [--no-mpv]
#include <pulse/error.h>
#include <pulse/simple.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "bench_signals.h"
#include "device/real/virtual_drive.h"
#include "pulse_server.h"
#include "device/real/pulse_sink.h"
#include "ui/virtual_scheduler.h"

using namespace lirafok;
using Clock = std::chrono::steady_clock;

namespace {

std::int64_t nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
        .count();
}

double cpuSeconds(const rusage& r) {
    return r.ru_utime.tv_sec + r.ru_utime.tv_usec / 1e6 + r.ru_stime.tv_sec +
           r.ru_stime.tv_usec / 1e6;
}

// Records the null sink's monitor in 10 ms blocks and notes, for each block, when its last
// frame was played (arrival time minus the capture's own latency).
class Capture {
public:
    bool start() {
        pa_sample_spec format{PA_SAMPLE_S16LE, 44100, 2};
        pa_buffer_attr attr;
        std::memset(&attr, 0xff, sizeof attr);
        attr.fragsize = 441 * 4;
        int err = 0;
        m_pa = pa_simple_new(nullptr, "lirafok-bench", PA_STREAM_RECORD, "lirafok_test.monitor",
                             "capture", &format, nullptr, &attr, &err);
        if (!m_pa) {
            std::fprintf(stderr, "capture: %s\n", pa_strerror(err));
            return false;
        }
        m_thread = std::thread([this] { loop(); });
        return true;
    }
    void stop() {
        m_quit = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_pa) pa_simple_free(m_pa);
        m_pa = nullptr;
    }
    // Sound onsets (a loud frame after 40 ms of quiet) with the time they were heard (us).
    std::vector<std::int64_t> onsets() {
        std::lock_guard lk(m_mutex);
        if (std::getenv("BENCH_DEBUG") && !m_marks.empty())
            std::fprintf(stderr, "captured %zu frames = %.1f s between marks spanning %.1f s\n",
                         m_samples.size() / 2, m_samples.size() / 2 / 44100.0,
                         (m_marks.back().second - m_marks.front().second) / 1e6);
        std::vector<std::int64_t> out;
        std::size_t quietSince = 0;
        std::size_t mark = 0;
        const std::size_t frames = m_samples.size() / 2;
        for (std::size_t i = 0; i < frames; ++i) {
            const int v = std::abs(m_samples[i * 2]);
            if (v > 8000 && i - quietSince > 1764) {
                while (mark < m_marks.size() && m_marks[mark].first <= i) ++mark;
                if (mark == m_marks.size()) break;
                const auto [end, heard] = m_marks[mark];
                out.push_back(heard - static_cast<std::int64_t>((end - i) * 1e6 / 44100));
            }
            if (v > 1000) quietSince = i;
        }
        return out;
    }

private:
    void loop() {
        std::vector<std::int16_t> block(441 * 2);
        while (!m_quit) {
            int err = 0;
            if (pa_simple_read(m_pa, block.data(), block.size() * 2, &err) < 0) break;
            const std::int64_t t = nowUs();
            const pa_usec_t latency = pa_simple_get_latency(m_pa, &err);
            std::lock_guard lk(m_mutex);
            m_samples.insert(m_samples.end(), block.begin(), block.end());
            m_marks.emplace_back(m_samples.size() / 2, t - static_cast<std::int64_t>(latency));
        }
    }
    pa_simple* m_pa = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_quit{false};
    std::mutex m_mutex;
    std::vector<std::int16_t> m_samples;
    std::vector<std::pair<std::size_t, std::int64_t>>
        m_marks;  // (frames so far, heard time of the last)
};

void pump(ui::VirtualScheduler& s, int ms, int stepMs = 20) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
        s.runDue();
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * (v.size() - 1) + 0.5)];
}

std::unique_ptr<device::real::VirtualDrive> makeDrive(const std::string& folder, ui::Scheduler& s) {
    auto d = std::make_unique<device::real::VirtualDrive>(folder, "bench", s, [] {
        static auto pulse = device::real::PulseConnection::connect("bench");
        return std::make_unique<device::real::PulseSink>(pulse, "CD");
    });
    d->open();
    if (!d->hasSound() || !d->mediaPresent()) {
        std::fprintf(stderr, "no sound output or no disc in %s\n", folder.c_str());
        std::exit(1);
    }
    return d;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    bool mpv = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-mpv") == 0)
            mpv = false;
        else
            seconds = std::max(5, std::atoi(argv[i]));
    }
    testing::PrivatePulseServer server;
    std::string why;
    if (!server.start(&why)) {
        std::fprintf(stderr, "cannot start PulseAudio: %s\n", why.c_str());
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const std::string dir = server.runtimeDir() + "/bench";
    std::filesystem::create_directories(dir + "/music");
    std::filesystem::create_directories(dir + "/clicks");
    bench::writeMusicDisc(dir + "/music", seconds + 5);
    bench::writeClickDisc(dir + "/clicks", seconds + 5);
    ui::VirtualScheduler scheduler;

    // CPU, ours.
    {
        auto drive = makeDrive(dir + "/music", scheduler);
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        drive->play(2000, 2000 + seconds * 1000, nullptr);
        pump(scheduler, seconds * 1000, 100);
        getrusage(RUSAGE_SELF, &after);
        drive->close();
        const double cpu = cpuSeconds(after) - cpuSeconds(before);
        std::printf("CPU lirafok (FLAC+CUE, %d s): %.3f s total, %.2f ms per second of audio\n",
                    seconds, cpu, cpu * 1000 / seconds);
    }
    // CPU, mpv on the same FLAC file.
    if (mpv) {
        const std::string length = "--length=" + std::to_string(seconds);
        const std::string file = dir + "/music/music.flac";
        const char* args[] = {"mpv",        "--no-config",    "--no-video",
                              "--ao=pulse", "--really-quiet", length.c_str(),
                              file.c_str(), nullptr};
        pid_t pid = -1;
        if (posix_spawnp(&pid, "mpv", nullptr, nullptr, const_cast<char**>(args), environ) == 0) {
            int status = 0;
            rusage r{};
            wait4(pid, &status, 0, &r);
            std::printf(
                "CPU mpv      (same FLAC, %d s): %.3f s total, %.2f ms per second of audio\n",
                seconds, cpuSeconds(r), cpuSeconds(r) * 1000 / seconds);
        } else {
            std::printf("CPU mpv: mpv not found\n");
        }
    }

    // Position accuracy and latencies on the click disc.
    auto drive = makeDrive(dir + "/clicks", scheduler);
    Capture capture;
    if (!capture.start()) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<std::pair<std::int64_t, std::int32_t>> polls;  // (time us, reported ms)
    const std::int32_t track1 = 2000;
    drive->play(track1, track1 + seconds * 1000, nullptr);
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        scheduler.runDue();
        polls.emplace_back(nowUs(), drive->positionMs());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    drive->stop();
    const std::int64_t accuracyEnd = nowUs();

    // Start latency (from stopped) and seek latency (a new span while the silent track plays).
    std::vector<std::int64_t> startT0, seekT0;
    const std::int32_t track2 = drive->tracks().at(1).startMs;
    for (int i = 0; i < 8; ++i) {
        const std::int32_t click = track1 + bench::kClickOffsetMs + bench::kClickEveryMs * (2 + i);
        drive->stop();
        pump(scheduler, 400);
        startT0.push_back(nowUs());
        drive->play(click, -1, nullptr);
        pump(scheduler, 300);
        drive->play(track2 + 1000, -1, nullptr);
        pump(scheduler, 400);
        seekT0.push_back(nowUs());
        drive->play(click, -1, nullptr);
        pump(scheduler, 300);
        if (std::getenv("BENCH_DEBUG"))
            std::fprintf(stderr, "run %d: written %lld position %d\n", i,
                         static_cast<long long>(drive->player()->writtenFrames()),
                         drive->positionMs());
    }
    drive->stop();
    pump(scheduler, 300);
    capture.stop();
    const auto onsets = capture.onsets();
    if (std::getenv("BENCH_DEBUG")) {
        for (auto o : onsets)
            std::fprintf(stderr, "onset %+.1f ms\n", (o - startT0.front()) / 1000.0);
    }

    std::vector<double> errors;
    double bias = 0;
    for (std::int64_t heard : onsets) {
        if (heard > accuracyEnd) break;
        auto it = std::lower_bound(polls.begin(), polls.end(), std::make_pair(heard, INT32_MIN));
        if (it == polls.begin() || it == polls.end()) continue;
        const auto& [t1, p1] = *std::prev(it);
        const auto& [t2, p2] = *it;
        const double reported =
            p1 + (p2 - p1) * double(heard - t1) / double(std::max<std::int64_t>(1, t2 - t1));
        // The click heard at that moment: the one nearest to the reported position.
        const double k =
            std::round((reported - track1 - bench::kClickOffsetMs) / bench::kClickEveryMs);
        const double err = reported - (track1 + bench::kClickOffsetMs + k * bench::kClickEveryMs);
        errors.push_back(std::abs(err));
        bias += err;
    }
    std::printf(
        "Position accuracy over %d s: %zu clicks, median |error| %.1f ms, 95%% %.1f ms, worst %.1f "
        "ms, "
        "mean signed error %+.1f ms (reported minus audible)\n",
        seconds, errors.size(), percentile(errors, 0.5), percentile(errors, 0.95),
        errors.empty() ? NAN : *std::max_element(errors.begin(), errors.end()),
        errors.empty() ? NAN : bias / errors.size());
    auto latencies = [&](const std::vector<std::int64_t>& t0s) {
        std::vector<double> out;
        for (std::int64_t t0 : t0s) {
            auto it = std::upper_bound(onsets.begin(), onsets.end(), t0 - 5000);
            if (std::getenv("BENCH_DEBUG") && it != onsets.end())
                std::fprintf(stderr, "t0 %+.1f ms -> onset after %.1f ms\n",
                             (t0 - startT0.front()) / 1000.0, (*it - t0) / 1000.0);
            if (it != onsets.end() && *it - t0 < 1000000) out.push_back((*it - t0) / 1000.0);
        }
        return out;
    };
    const auto starts = latencies(startT0), seeks = latencies(seekT0);
    std::printf(
        "Start latency (command to first audible frame): %zu runs, median %.1f ms, worst %.1f ms\n",
        starts.size(), percentile(starts, 0.5), percentile(starts, 1.0));
    std::printf(
        "Seek latency  (new span while playing):          %zu runs, median %.1f ms, worst %.1f "
        "ms\n",
        seeks.size(), percentile(seeks, 0.5), percentile(seeks, 1.0));
    drive->close();
    return 0;
}
