// End to end through a real sound server: a generated CD image plays through the pipeline, and
// the sound cues through the cue service, into a private PulseAudio null sink whose monitor is
// recorded with parec. Skipped when no server can be started.
#include <gtest/gtest.h>

#include <QApplication>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "../real/sound_server.h"
#include "qt_test_support.h"
#include "device/real/cdio_drive.h"
#include "device/real/pulse_sink.h"
#include "qt/qt_services.h"
#include "../real/test_discs.h"
#include "ui/virtual_scheduler.h"

namespace lirafok {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double kAmplitudeLeft = 16000, kAmplitudeRight = 8000;
const double kFreqs[] = {440, 660, 1000};  // one tone per track, 2 s each

// A BIN/CUE image of three 2-second tone tracks, left at full test amplitude, right at half.
void writeToneImage(const std::string& dir) {
    std::ofstream cue(dir + "/disc.cue", std::ios::binary);
    std::ofstream bin(dir + "/disc.bin", std::ios::binary);
    cue << "FILE \"disc.bin\" BINARY\r\n";
    for (int t = 0; t < 3; ++t) {
        cue << "  TRACK 0" << t + 1 << " AUDIO\r\n    INDEX 01 00:0" << 2 * t << ":00\r\n";
        for (int i = 0; i < 2 * 44100; ++i) {
            const double v = std::sin(2 * M_PI * kFreqs[t] * i / 44100.0);
            const std::int16_t s[2] = {static_cast<std::int16_t>(std::lround(v * kAmplitudeLeft)),
                                       static_cast<std::int16_t>(std::lround(v * kAmplitudeRight))};
            bin.write(reinterpret_cast<const char*>(s), sizeof s);
        }
    }
}

struct Burst {
    std::size_t first = 0, frames = 0;  // frames of the recording
    double rmsLeft = 0, rmsRight = 0, freqHz = 0;
};

// Stretches of sound (10 ms windows above a threshold), measured over their middle part.
std::vector<Burst> findBursts(const std::vector<std::int16_t>& rec) {
    const std::size_t win = 441, frames = rec.size() / 2;
    std::vector<Burst> bursts;
    bool in = false;
    for (std::size_t w = 0; w + win <= frames; w += win) {
        double peak = 0;
        for (std::size_t i = w; i < w + win; ++i)
            peak = std::max({peak, std::abs(double(rec[i * 2])), std::abs(double(rec[i * 2 + 1]))});
        const bool loud = peak > 300;
        if (loud && !in) bursts.push_back({w, 0});
        if (loud) bursts.back().frames = w + win - bursts.back().first;
        in = loud;
    }
    std::erase_if(bursts, [](const Burst& b) { return b.frames < 4410; });
    for (Burst& b : bursts) {
        const std::size_t a = b.first + b.frames / 4, e = b.first + b.frames * 3 / 4;
        double l = 0, r = 0;
        int crossings = 0;
        for (std::size_t i = a; i < e; ++i) {
            l += double(rec[i * 2]) * rec[i * 2];
            r += double(rec[i * 2 + 1]) * rec[i * 2 + 1];
            if (i > a && (rec[(i - 1) * 2] < 0) != (rec[i * 2] < 0)) ++crossings;
        }
        const double n = double(e - a);
        b.rmsLeft = std::sqrt(l / n);
        b.rmsRight = std::sqrt(r / n);
        // The louder channel carries the tone; count its zero crossings.
        if (b.rmsLeft < 1) {
            crossings = 0;
            for (std::size_t i = a + 1; i < e; ++i)
                if ((rec[(i - 1) * 2 + 1] < 0) != (rec[i * 2 + 1] < 0)) ++crossings;
        }
        b.freqHz = crossings / 2.0 / (n / 44100.0);
    }
    return bursts;
}

QCoreApplication* ensureApp() {
    // The one application object of the test program (a second one, destroyed at exit
    // before the windows of other tests, crashed the program as it ended).
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return &qt::test::app();
}

TEST(AudioEndToEnd, TrackThreeReachesTheSoundServerWithItsLevels) {
    testing::PrivateSoundServer server;
    std::string why;
    if (!server.start(&why)) GTEST_SKIP() << "no sound server: " << why;
    ensureApp();
    const std::string dir = server.runtimeDir() + "/disc";
    std::filesystem::create_directories(dir);
    writeToneImage(dir);

    ui::VirtualScheduler scheduler;
    const auto pulse = device::real::PulseConnection::connect("lirafok-test", &why);
    ASSERT_TRUE(pulse) << why;
    device::real::CdioDrive drive(dir + "/disc.cue", "", scheduler, [&] {
        return std::make_unique<device::real::PulseSink>(pulse, "CD");
    });
    ASSERT_EQ(drive.open(), device::errors::kNone);
    ASSERT_TRUE(drive.hasSound());
    ASSERT_TRUE(drive.mediaPresent()) << drive.lastError();
    const auto tracks = drive.tracks();
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[2].startMs, 6001);

    testing::MonitorRecorder recorder(server.runtimeDir() + "/monitor.raw");
    ASSERT_TRUE(recorder.start());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    // Each phase plays 600 ms of track 3, then waits in silence so the bursts stay apart.
    struct Phase {
        const char* name;
        std::uint32_t word;
        bool mute;
    };
    const Phase phases[] = {{"full", 0xFFFFFFFFu, false},
                            {"muted", 0xFFFFFFFFu, true},
                            {"left at a quarter", 0x3FFFFFFFu, false},
                            {"right off", 0xFFFF0000u, false}};
    for (const Phase& p : phases) {
        drive.setVolumeWord(p.word);
        drive.setSilent(p.mute);
        bool ended = false;
        device::SpanEnd how{};
        const std::int32_t from = tracks[2].startMs + 200;
        ASSERT_EQ(drive.play(from, from + 600, [&](device::SpanEnd e) { ended = true, how = e; }),
                  device::errors::kNone);
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (!ended && Clock::now() < deadline) {
            scheduler.runDue();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_TRUE(ended) << p.name;
        EXPECT_EQ(how, device::SpanEnd::Reached) << p.name;
        EXPECT_EQ(drive.positionMs(), from + 600) << p.name;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    const auto rec = recorder.stop();
    const auto bursts = findBursts(rec);
    // The muted phase leaves no burst: three remain.
    ASSERT_EQ(bursts.size(), 3u) << "recorded " << rec.size() / 2 << " frames";
    const double fullL = kAmplitudeLeft / std::sqrt(2.0), fullR = kAmplitudeRight / std::sqrt(2.0);
    struct Want {
        const char* name;
        double left, right;
    };
    const Want wants[] = {{"full", fullL, fullR},
                          {"left at a quarter", fullL * 0x3FFF / 0xFFFF, fullR},
                          {"right off", fullL, 0}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(wants[i].name);
        EXPECT_NEAR(bursts[i].freqHz, 1000, 10);
        EXPECT_NEAR(bursts[i].rmsLeft, wants[i].left, fullL * 0.03);
        EXPECT_NEAR(bursts[i].rmsRight, wants[i].right, fullR * 0.03);
        EXPECT_NEAR(bursts[i].frames / 44.1, 600, 40);
    }
    drive.close();
}

// Mono wave files as the demo's cues are: a short high beep (ok) and a longer low buzz (error).
void writeCue(const std::string& path, double freqHz, int ms, int rate) {
    std::vector<std::int16_t> mono(static_cast<std::size_t>(rate) * ms / 1000);
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * freqHz * i / rate));
    testing::writeAudioFile(path, mono, rate, 1);
}

TEST(AudioEndToEnd, BothCuesAreHeardEveryTimeWithoutWaiting) {
    testing::PrivateSoundServer server;
    std::string why;
    if (!server.start(&why)) GTEST_SKIP() << "no sound server: " << why;
    ensureApp();
    const std::string ok = server.runtimeDir() + "/LIRAFOK1.WAV";
    const std::string error = server.runtimeDir() + "/LIRAFOK2.WAV";
    writeCue(ok, 1000, 120, 22050);
    writeCue(error, 660, 250, 44100);
    const auto pulse = device::real::PulseConnection::connect("lirafok-test", &why);
    ASSERT_TRUE(pulse) << why;
    qt::QtSoundCues cues(std::make_unique<device::real::PulseSink>(pulse, "cue", 150));

    testing::MonitorRecorder recorder(server.runtimeDir() + "/monitor.raw");
    ASSERT_TRUE(recorder.start());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // The first of each is decoded on the player's thread; the caller never waits.
    const std::vector<std::pair<std::string, double>> order = {
        {ok, 1000}, {error, 660}, {ok, 1000}, {ok, 1000}, {error, 660}, {error, 660}};
    for (const auto& [path, freq] : order) {
        const auto t0 = Clock::now();
        cues.play(path);
        EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(450));
    }
    const auto bursts = findBursts(recorder.stop());
    ASSERT_EQ(bursts.size(), order.size()) << "every cue is heard once";
    for (std::size_t i = 0; i < order.size(); ++i) {
        SCOPED_TRACE(i);
        const bool isOk = order[i].first == ok;
        EXPECT_NEAR(bursts[i].freqHz, order[i].second, 15);
        EXPECT_NEAR(bursts[i].frames / 44.1, isOk ? 120 : 250, 15);
        // Mono on both channels, at the file's own level.
        EXPECT_NEAR(bursts[i].rmsLeft, 12000 / std::sqrt(2.0), 400);
        EXPECT_NEAR(bursts[i].rmsRight, 12000 / std::sqrt(2.0), 400);
    }
    EXPECT_EQ(cues.player().started(), static_cast<int>(order.size()));
}

}  // namespace
}  // namespace lirafok
