// Loops through the PCM pipeline into a private sound server's null sink (PulseAudio or
// PipeWire, see sound_server.h): the coded rip tells, frame by frame, what the monitor heard,
// so every turn of the loop must show B's last frame followed at once by A's first. Skipped
// when no server can be started.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "coded_disc.h"
#include "device/real/cd_time.h"
#include "device/real/pulse_sink.h"
#include "device/real/virtual_drive.h"
#include "sound_server.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::device::real {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Threads that keep the processor busy for as long as they live.
class BusyLoops {
public:
    explicit BusyLoops(int count) {
        for (int i = 0; i < count; ++i)
            m_threads.emplace_back([this] {
                volatile std::uint64_t x = 0;
                while (!m_stop) x = x + 1;
            });
    }
    ~BusyLoops() {
        m_stop = true;
        for (auto& t : m_threads) t.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};

TEST(SoundServerLoop, EveryTurnGoesFromBsLastFrameToAsFirstWithoutAGap) {
    testing::PrivateSoundServer server;
    std::string why;
    if (!server.start(&why)) GTEST_SKIP() << "no sound server: " << why;
    const std::string dir = server.runtimeDir() + "/disc";
    std::filesystem::create_directories(dir);
    testing::writeCodedRip(dir, 2, 15);
    ui::VirtualScheduler scheduler;
    const auto pulse = PulseConnection::connect("lirafok-test", &why);
    ASSERT_TRUE(pulse) << why;
    VirtualDrive drive(dir, "virtual", scheduler,
                       [&] { return std::make_unique<PulseSink>(pulse, "CD"); });
    ASSERT_EQ(drive.open(), errors::kNone);
    ASSERT_TRUE(drive.mediaPresent()) << drive.lastError();

    testing::MonitorRecorder recorder(server.runtimeDir() + "/monitor.raw");
    ASSERT_TRUE(recorder.start());
    std::this_thread::sleep_for(300ms);
    // A and B off any block boundary of the reader or the sink; a quarter-second loop.
    const std::int32_t aMs = 4321, bMs = 4321 + 257;
    const std::int64_t a = discMsToFrame(aMs), b = discMsToFrame(bMs);
    ASSERT_EQ(drive.playLoop(aMs - 300, aMs, bMs), errors::kNone);
    const int turns = 20;
    std::int32_t lowest = bMs, highest = 0;
    auto pump = [&](std::chrono::milliseconds span) {
        const auto end = Clock::now() + span;
        while (Clock::now() < end) {
            scheduler.runDue();
            const std::int32_t p = drive.positionMs();
            lowest = std::min(lowest, p);
            highest = std::max(highest, p);
            std::this_thread::sleep_for(3ms);
        }
    };
    pump(300ms + turns * 257ms);
    {
        // The same again with both processors busy beside the pipeline.
        BusyLoops busy(2);
        pump(turns * 257ms);
    }
    ASSERT_EQ(drive.stop(), errors::kNone);
    const auto runs = testing::heardRuns(recorder.stop());
    ASSERT_GE(runs.size(), static_cast<std::size_t>(2 * turns));

    int broken = 0;
    int turned = 0;
    for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
        const auto& r = runs[i];
        const auto& next = runs[i + 1];
        // The run of a whole turn ends at B's last frame and, without a frame of anything
        // else, the next begins at A's first.
        const std::size_t endRecorded =
            r.firstRecorded + static_cast<std::size_t>(r.lastDiscFrame - r.firstDiscFrame) + 1;
        const bool exact = r.lastDiscFrame == b - 1 && next.firstDiscFrame == a &&
                           next.firstRecorded == endRecorded && (i == 0 || r.firstDiscFrame == a);
        if (exact) {
            ++turned;
        } else if (++broken <= 5) {
            ADD_FAILURE() << "turn " << i << ": heard " << r.firstDiscFrame << ".."
                          << r.lastDiscFrame << " then " << next.firstDiscFrame << " after "
                          << static_cast<long long>(next.firstRecorded) -
                                 static_cast<long long>(endRecorded)
                          << " other frames; the loop is " << a << ".." << b - 1;
        }
    }
    EXPECT_EQ(broken, 0);
    EXPECT_GE(turned, 2 * turns - 2);
    // A start goes out without a lead-in of silence: the server may cut its first 2 ms or so.
    EXPECT_GE(runs.front().firstDiscFrame, discMsToFrame(aMs - 300));
    EXPECT_LE(runs.front().firstDiscFrame, discMsToFrame(aMs - 300) + 220) << "the start is heard";
    EXPECT_GE(lowest, aMs - 300);
    EXPECT_LE(highest, bMs) << "the position folds back at each turn";
    drive.close();
}

}  // namespace
}  // namespace lirafok::device::real
