// The virtual drive playing a FLAC+CUE rip through the sound-server sink into a private
// PulseAudio null sink, its monitor recorded bit for bit. Every frame of the disc carries its
// own number, so the recording shows exactly what was heard after each transport command.
// Skipped when no server can be started.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include "coded_disc.h"
#include "device/real/cd_time.h"
#include "device/real/pulse_sink.h"
#include "device/real/virtual_drive.h"
#include "sound_server.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::device::real {
namespace {

using Clock = std::chrono::steady_clock;

TEST(PulsePlayback, TwoHundredTransportCommandsNeitherLoseNorRepeatNorPlayStaleAudio) {
    testing::PrivateSoundServer server;
    std::string why;
    if (!server.start(&why)) GTEST_SKIP() << "no sound server: " << why;
    const std::string dir = server.runtimeDir() + "/disc";
    std::filesystem::create_directories(dir);
    testing::writeCodedRip(dir, 4, 15);

    ui::VirtualScheduler scheduler;
    const auto pulse = PulseConnection::connect("lirafok-test", &why);
    ASSERT_TRUE(pulse) << why;
    PulseSink* sink = nullptr;
    VirtualDrive drive(dir, "virtual", scheduler, [&] {
        auto s = std::make_unique<PulseSink>(pulse, "CD");
        sink = s.get();
        return s;
    });
    ASSERT_EQ(drive.open(), errors::kNone);
    ASSERT_TRUE(drive.hasSound());
    ASSERT_TRUE(drive.mediaPresent()) << drive.lastError();
    const auto tracks = drive.tracks();
    ASSERT_EQ(tracks.size(), 4u);

    testing::MonitorRecorder recorder(server.runtimeDir() + "/monitor.raw");
    ASSERT_TRUE(recorder.start());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto pump = [&](int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < end) {
            scheduler.runDue();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    };

    // Each command is followed by 150 ms of play. A seek, a start from stopped and a track
    // change must each be heard from exactly the frame asked for; a pause must resume exactly
    // where it was heard last (no new run in the recording).
    struct Start {
        std::int64_t frame;
        const char* what;
    };
    std::vector<Start> starts;
    std::mt19937 rng(20240);
    const std::int32_t last = tracks.back().startMs + tracks.back().lengthMs - 1000;
    std::uniform_int_distribution<std::int32_t> anywhere(tracks.front().startMs, last);
    for (int k = 0; k < 200; ++k) {
        const std::int32_t target = anywhere(rng);
        switch (k % 4) {
            case 0:
                ASSERT_EQ(drive.play(target, -1, nullptr), errors::kNone);
                starts.push_back({discMsToFrame(target), "seek while playing"});
                break;
            case 1:
                ASSERT_EQ(drive.stop(), errors::kNone);
                pump(60);
                ASSERT_EQ(drive.play(target, -1, nullptr), errors::kNone);
                starts.push_back({discMsToFrame(target), "start from stopped"});
                break;
            case 2:
                if (k % 8 == 6) {
                    // Paused at once, or as soon as the first frames reach the sink: the server
                    // has not yet said where its flushed queue ends.
                    ASSERT_EQ(drive.play(target, -1, nullptr), errors::kNone);
                    starts.push_back({discMsToFrame(target), "start paused at once"});
                    const auto until = Clock::now() + std::chrono::milliseconds(k % 16 / 8 * 500);
                    while (drive.player()->writtenFrames() == 0 && Clock::now() < until)
                        std::this_thread::yield();
                }
                ASSERT_EQ(drive.pause(), errors::kNone);
                pump(60);
                ASSERT_EQ(drive.resume(), errors::kNone);
                break;
            default: {
                const std::int32_t t = tracks[static_cast<std::size_t>(k / 4) % 4].startMs;
                ASSERT_EQ(drive.seek(t), errors::kNone);
                ASSERT_EQ(drive.play(t, -1, nullptr), errors::kNone);
                starts.push_back({discMsToFrame(t), "track change"});
                break;
            }
        }
        pump(150);
    }
    ASSERT_EQ(drive.stop(), errors::kNone);
    pump(300);
    EXPECT_TRUE(sink->streaming()) << "the stream must live through every command";
    auto runs = testing::heardRuns(recorder.stop());
    // A skip of PipeWire's own is no command's doing; the sink's handling of every command is
    // the same on both servers, and PulseAudio's output skips nothing.
    EXPECT_LE(testing::joinOutputSkips(runs, server.skipsCycles()), 8)
        << "the output skipped audio too often";

    if (std::getenv("LIRAFOK_DEBUG")) {
        for (const auto& r : runs)
            std::fprintf(stderr, "heard %lld..%lld from recorded frame %zu\n",
                         static_cast<long long>(r.firstDiscFrame),
                         static_cast<long long>(r.lastDiscFrame), r.firstRecorded);
    }
    // Run i of the recording is start i: any lost start, repeat or stale audio shifts them.
    int lost = 0;
    std::int64_t worst = 0;
    for (std::size_t i = 0; i < std::min(runs.size(), starts.size()); ++i) {
        const std::int64_t late = runs[i].firstDiscFrame - starts[i].frame;
        worst = std::max(worst, std::abs(late));
        if (late < 0 || late > 220) {
            ++lost;
            ADD_FAILURE() << "start " << i << " (" << starts[i].what << ") heard from frame "
                          << runs[i].firstDiscFrame << ", asked for " << starts[i].frame;
            if (lost > 5) break;
        }
    }
    EXPECT_EQ(runs.size(), starts.size()) << "a run of the recording is no command's start";
    EXPECT_EQ(lost, 0) << "worst start " << worst << " frames from the frame asked for";
    drive.close();
}

}  // namespace
}  // namespace lirafok::device::real
