// The sound server going away under a playing song, on a private server (PulseAudio or
// PipeWire, see sound_server.h): killed and started again, or its null sink unloaded. The disc
// is the coded rip, so the monitor's recording tells which disc frame was heard on either side
// of the outage. Skipped when no server can be started.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "coded_disc.h"
#include "device/real/cd_time.h"
#include "device/real/pulse_sink.h"
#include "device/real/virtual_drive.h"
#include "device/real/wave_player.h"
#include "sound_server.h"
#include "test_discs.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::device::real {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class SoundServerLoss : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!server.start(&why)) GTEST_SKIP() << "no sound server: " << why;
        dir = server.runtimeDir() + "/disc";
        std::filesystem::create_directories(dir);
        testing::writeCodedRip(dir, 2, 20);
        pulse = PulseConnection::connect("lirafok-test", &why);
        ASSERT_TRUE(pulse) << why;
        drive = std::make_unique<VirtualDrive>(
            dir, "virtual", scheduler, [&] { return std::make_unique<PulseSink>(pulse, "CD"); });
        ASSERT_EQ(drive->open(), errors::kNone);
        ASSERT_TRUE(drive->mediaPresent()) << drive->lastError();
    }
    void TearDown() override {
        if (drive) drive->close();
    }

    // Runs the drive's due work for `span`; every call on the window thread's side is timed.
    void pump(std::chrono::milliseconds span) {
        const auto end = Clock::now() + span;
        while (Clock::now() < end) {
            const auto t0 = Clock::now();
            scheduler.runDue();
            drive->positionMs();
            drive->hasSound();
            slowest = std::max(slowest, Clock::now() - t0);
            std::this_thread::sleep_for(5ms);
        }
    }
    template <class Pred>
    bool pumpUntil(Pred done, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (!done()) {
            if (Clock::now() >= end) return false;
            pump(10ms);
        }
        return true;
    }

    testing::PrivateSoundServer server;
    std::string dir;
    ui::VirtualScheduler scheduler;
    std::shared_ptr<PulseConnection> pulse;
    std::unique_ptr<VirtualDrive> drive;
    Clock::duration slowest{};
};

// The last disc frame a recording heard, or -1.
std::int64_t lastHeardIn(testing::MonitorRecorder& recorder) {
    const auto runs = testing::heardRuns(recorder.stop());
    return runs.empty() ? -1 : runs.back().lastDiscFrame;
}

TEST_F(SoundServerLoss, AKilledServerHoldsThePositionAndPlaysOnFromThereOnceItIsBack) {
    testing::MonitorRecorder first(server.runtimeDir() + "/first.raw");
    ASSERT_TRUE(first.startAndWait());
    pump(300ms);
    ASSERT_EQ(drive->play(2000, -1, nullptr), errors::kNone);
    ASSERT_TRUE(pumpUntil([&] { return drive->positionMs() > 3500; }, 5000ms));
    ASSERT_TRUE(drive->hasSound());

    server.kill();
    const std::int64_t stoppedAt = lastHeardIn(first);
    ASSERT_GE(stoppedAt, 0);
    ASSERT_TRUE(pumpUntil([&] { return !drive->hasSound(); }, 1000ms))
        << "the player shows that nothing is heard";
    EXPECT_TRUE(drive->outputLost()) << "and why";
    const std::int32_t heldAt = drive->positionMs();
    pump(1500ms);
    EXPECT_LE(drive->positionMs() - heldAt, 50) << "the position holds while nothing is heard";
    // The server's last milliseconds may not have reached the recording, and the sink knows
    // what was heard only to within its last report: a little either way.
    EXPECT_NEAR(discMsToFrame(heldAt), stoppedAt, 0.25 * 44100)
        << "the position is where the sound stopped";

    // Back by itself, within a second of the server.
    std::string why;
    ASSERT_TRUE(server.restart(&why)) << why;
    const auto back = Clock::now();
    ASSERT_TRUE(pumpUntil([&] { return drive->hasSound(); }, 3000ms))
        << "no new stream once the server is back";
    EXPECT_LT(Clock::now() - back, 1000ms) << "played again more than a second later";
    EXPECT_FALSE(drive->outputLost());
    ASSERT_TRUE(pumpUntil([&] { return drive->positionMs() > heldAt + 100; }, 3000ms))
        << "the position does not move on once the server is back";
    // Recorded once the new null sink runs at its real pace (at first it renders ahead).
    pump(2500ms);
    testing::MonitorRecorder second(server.runtimeDir() + "/second.raw");
    ASSERT_TRUE(second.startAndWait());
    pump(1000ms);

    // Killed again and paused meanwhile: the resume is heard from the frame where the sound
    // stopped (the recording sees the whole of it this time).
    server.kill();
    const std::int64_t stoppedAgain = lastHeardIn(second);
    ASSERT_GT(stoppedAgain, stoppedAt) << "nothing heard after the first restart";
    ASSERT_TRUE(pumpUntil([&] { return !drive->hasSound(); }, 1000ms));
    ASSERT_EQ(drive->pause(), errors::kNone);
    ASSERT_TRUE(server.restart(&why, true)) << why;
    testing::MonitorRecorder third(server.runtimeDir() + "/third.raw");
    ASSERT_TRUE(third.startAndWait());
    pump(700ms);
    ASSERT_EQ(drive->resume(), errors::kNone);
    pump(1500ms);
    const auto runs = testing::heardRuns(third.stop());
    ASSERT_FALSE(runs.empty()) << "nothing heard after the resume";
    EXPECT_NEAR(runs.front().firstDiscFrame, stoppedAgain, 0.25 * 44100)
        << "heard again from frame " << runs.front().firstDiscFrame << ", the sound stopped at "
        << stoppedAgain;
    EXPECT_GE(runs.front().lastDiscFrame - runs.front().firstDiscFrame, 44100) << "and plays on";
    EXPECT_TRUE(drive->hasSound());
    EXPECT_LT(slowest, 100ms) << "the window thread waited for the sound server";
}

// The cue player shares the connection: once the server is back, the next cue is heard, within
// a second of being asked for.
TEST_F(SoundServerLoss, ACueAfterTheServerCameBackIsHeard) {
    const std::string cue = server.runtimeDir() + "/ok.wav";
    std::vector<std::int16_t> tone(44100 / 5 * 2);
    for (std::size_t i = 0; i < tone.size() / 2; ++i)
        tone[i * 2] = tone[i * 2 + 1] = static_cast<std::int16_t>(i % 50 < 25 ? 8000 : -8000);
    testing::writeAudioFile(cue, tone);
    WavePlayer cues(std::make_unique<PulseSink>(pulse, "cue", 150));
    const auto heardWithin = [&](const char* file) {
        testing::MonitorRecorder recorder(server.runtimeDir() + file);
        if (!recorder.startAndWait()) return false;
        cues.play(cue);
        pump(1000ms);
        const auto rec = recorder.stop();
        return std::any_of(rec.begin(), rec.end(), [](std::int16_t v) { return v != 0; });
    };
    ASSERT_TRUE(heardWithin("/before.raw"));
    server.kill();
    std::string why;
    ASSERT_TRUE(server.restart(&why)) << why;
    pump(500ms);
    EXPECT_TRUE(heardWithin("/after.raw")) << "no cue heard after the server came back";
}

TEST_F(SoundServerLoss, AStreamWhoseSinkIsUnloadedPlaysOnAnother) {
    ASSERT_TRUE(server.addSink("lirafok_spare"));
    ASSERT_EQ(drive->play(2000, -1, nullptr), errors::kNone);
    ASSERT_TRUE(pumpUntil([&] { return drive->positionMs() > 3000; }, 5000ms));
    testing::MonitorRecorder spare(server.runtimeDir() + "/spare.raw", "lirafok_spare");
    ASSERT_TRUE(spare.startAndWait());
    pump(300ms);
    const std::int64_t unloadedAt = discMsToFrame(drive->positionMs());
    ASSERT_TRUE(server.removeSink("lirafok_test"));
    pump(2000ms);
    const auto runs = testing::heardRuns(spare.stop());
    if (std::getenv("LIRAFOK_DEBUG"))
        for (const auto& r : runs)
            std::fprintf(stderr, "heard %lld..%lld from recorded frame %zu\n",
                         static_cast<long long>(r.firstDiscFrame),
                         static_cast<long long>(r.lastDiscFrame), r.firstRecorded);
    ASSERT_FALSE(runs.empty()) << "nothing reached the other sink";
    EXPECT_NEAR(runs.front().firstDiscFrame, unloadedAt, 0.5 * 44100);
    EXPECT_GE(runs.back().lastDiscFrame - runs.front().firstDiscFrame, 44100) << "and plays on";
    EXPECT_TRUE(drive->hasSound());
}

TEST_F(SoundServerLoss, WithNoSinkLeftThePositionHoldsUntilOneIsAdded) {
    ASSERT_EQ(drive->play(2000, -1, nullptr), errors::kNone);
    ASSERT_TRUE(pumpUntil([&] { return drive->positionMs() > 3000; }, 5000ms));
    ASSERT_TRUE(server.removeSink("lirafok_test"));
    if (server.kind() == testing::SoundServerKind::PipeWire) {
        // PipeWire's session manager puts a stand-in sink of its own (auto_null) in place of
        // the last one and moves the stream there: it plays on, on time.
        const std::int32_t at = drive->positionMs();
        pump(1000ms);
        EXPECT_GT(drive->positionMs(), at + 500);
        EXPECT_TRUE(drive->hasSound());
        return;
    }
    ASSERT_TRUE(pumpUntil([&] { return !drive->hasSound(); }, 1000ms));
    const std::int32_t heldAt = drive->positionMs();
    pump(1000ms);
    EXPECT_LE(drive->positionMs() - heldAt, 50);
    // A sink is back: playback goes on by itself within a second, from where it stopped.
    ASSERT_TRUE(server.addSink("lirafok_test"));
    const auto back = Clock::now();
    ASSERT_TRUE(pumpUntil([&] { return drive->hasSound(); }, 3000ms));
    EXPECT_LT(Clock::now() - back, 1000ms);
    ASSERT_TRUE(pumpUntil([&] { return drive->positionMs() > heldAt + 100; }, 3000ms));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - back);
    EXPECT_LE(drive->positionMs(), heldAt + elapsed.count() + 100)
        << "part of the song was skipped";
    EXPECT_TRUE(drive->hasSound());
}

}  // namespace
}  // namespace lirafok::device::real
