// Loops through the PCM pipeline into a private sound server's null sink (PulseAudio or
// PipeWire, see sound_server.h): the coded rip tells, frame by frame, what the monitor heard,
// so every turn of the loop must show B's last frame followed at once by A's first. Skipped
// when no server can be started.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "busy_loops.h"
#include "coded_disc.h"
#include "core/text.h"
#include "device/real/cd_time.h"
#include "device/real/pulse_sink.h"
#include "device/real/virtual_drive.h"
#include "player/cdoke.h"
#include "player/cdrep.h"
#include "player/play_modes.h"
#include "program_on_drive.h"
#include "sound_server.h"
#include "test_discs.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::device::real {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

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
        testing::BusyLoops busy(2);
        pump(turns * 257ms);
    }
    ASSERT_EQ(drive.stop(), errors::kNone);
    auto runs = testing::heardRuns(recorder.stop());
    EXPECT_LE(testing::joinOutputSkips(runs, server.skipsCycles()), 8)
        << "the output skipped audio too often";
    ASSERT_GE(runs.size(), static_cast<std::size_t>(2 * turns));

    int broken = 0;
    int turned = 0;
    for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
        const auto& r = runs[i];
        const auto& next = runs[i + 1];
        // The run of a whole turn ends at B's last frame and, without a frame of anything
        // else, the next begins at A's first.
        const std::size_t endRecorded = r.lastRecorded + 1;
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

// A private list that repeats, through the whole program: each entry (its track up to a second
// before the track's end) follows the one before on the monitor without a frame of anything
// else between, the first entry follows the last, and the player's entry and track number
// follow what is heard.
TEST(SoundServerLoop, AListThatRepeatsGoesFromEachEntryToTheNextWithoutAGap) {
    testing::PrivateSoundServer server;
    std::string why;
    if (!server.start(&why)) GTEST_SKIP() << "no sound server: " << why;
    const std::string dir = server.runtimeDir() + "/program";
    std::filesystem::create_directories(dir + "/disc");
    std::filesystem::create_directories(dir + "/cat");
    testing::writeCodedRip(dir + "/disc", 2, 5);
    // Full level, so that the monitor gets the coded frames bit-exact.
    text::writeLines(dir + "/LIRAFOK.INI", {"KASID=cat/", "VOLUM=065536", "VOLU2=065536"});
    text::writeLines(dir + "/LIRAFOK.FOT", {"00NNoto Sans CJK JP"});
    const auto pulse = PulseConnection::connect("lirafok-test", &why);
    ASSERT_TRUE(pulse) << why;
    testing::ProgramOnVirtualDrive p(dir, dir + "/disc",
                                     [&] { return std::make_unique<PulseSink>(pulse, "CD"); });
    App& app = *p.app;
    ASSERT_TRUE(app.run(""));
    ASSERT_EQ(app.state.TrackCount, 2) << p.drive.lastError();
    const std::vector<int> list = {2, 1};
    ASSERT_TRUE(writePrivateList(privateListPath(app.state), list));
    auto entry = [&](int track) {
        const std::int32_t from = app.state.TrackStartMs[static_cast<std::size_t>(track)];
        const std::int32_t to =
            from + app.state.TrackLengthMs[static_cast<std::size_t>(track)] - 1000;
        return std::make_pair(discMsToFrame(from), discMsToFrame(to));
    };

    testing::MonitorRecorder recorder(server.runtimeDir() + "/monitor.raw");
    ASSERT_TRUE(recorder.start());
    std::this_thread::sleep_for(300ms);
    CDOKE& w = cdoke(app);
    // The program's clock runs with the real one, in small steps.
    std::vector<std::pair<int, std::string>> shown;  // entry and track number, as they change
    auto run = [&](std::chrono::milliseconds span) {
        const auto end = Clock::now() + span;
        while (Clock::now() < end) {
            p.m.sched.advance(5);
            std::this_thread::sleep_for(5ms);
            const std::pair<int, std::string> now{app.state.PlayListIndex, w.TRKNO.caption()};
            if (now.first > 0 && (shown.empty() || shown.back() != now)) shown.push_back(now);
        }
    };
    w.ORG.userClick();
    run(500ms);
    w.REPEAT.userClick();
    app.form<CDREP>().Command3D1.userClick();  // repeat all: the whole list
    ASSERT_EQ(app.state.RepeatKind, RepeatMode::WholeDisc);
    run(19000ms);  // two turns of the list and a half: five entries follow one another
    w.MMControl1.userButton(device::TransportButton::Stop);
    run(300ms);
    auto runs = testing::heardRuns(recorder.stop());
    // PipeWire's private daemons leave out a cycle now and then, inside an entry as anywhere.
    EXPECT_LE(testing::joinOutputSkips(runs, server.skipsCycles()), 8)
        << "the output skipped audio too often";

    ASSERT_GE(runs.size(), 5u) << "entries shown: " << shown.size();
    int followed = 0;
    for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
        SCOPED_TRACE(i);
        const auto [from, to] = entry(list[i % 2]);
        const auto [nextFrom, nextTo] = entry(list[(i + 1) % 2]);
        const auto& r = runs[i];
        const std::size_t endRecorded = r.lastRecorded + 1;
        EXPECT_EQ(r.lastDiscFrame, to - 1) << "the entry is heard to its last frame";
        if (i > 0) {
            EXPECT_EQ(r.firstDiscFrame, from);
        }
        EXPECT_EQ(runs[i + 1].firstDiscFrame, nextFrom);
        EXPECT_EQ(runs[i + 1].firstRecorded, endRecorded) << "frames of anything else between";
        if (r.lastDiscFrame == to - 1 && runs[i + 1].firstDiscFrame == nextFrom &&
            runs[i + 1].firstRecorded == endRecorded)
            ++followed;
    }
    EXPECT_GE(followed, 4);
    // The player moved on with the sound: entries 1, 2, 1, 2, 1 of the list, tracks 2, 1, ...
    ASSERT_GE(shown.size(), 5u);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].first, static_cast<int>(i % 2) + 1) << i;
        EXPECT_EQ(shown[i].second, std::to_string(list[i % 2])) << i;
    }

    // An A-B repeat inside the list's first entry: after its first turn (a play from A, as B
    // is set where the music is), the drive turns it at B, every pass.
    testing::MonitorRecorder abRecorder(server.runtimeDir() + "/monitor-ab.raw");
    ASSERT_TRUE(abRecorder.start());
    std::this_thread::sleep_for(300ms);
    w.ORG.userClick();
    run(500ms);
    w.REPEAT.userClick();
    app.form<CDREP>().STRX.userClick();
    run(1500ms);
    app.form<CDREP>().ENDX.userClick();
    ASSERT_TRUE(app.state.repeating(RepeatMode::AB));
    const std::int64_t a = discMsToFrame(app.state.RepeatStartMs);
    const std::int64_t b = discMsToFrame(app.state.RepeatEndMs);
    run(5000ms);
    EXPECT_EQ(app.state.PlayListIndex, 1);
    EXPECT_EQ(w.TRKNO.caption(), "2");
    w.MMControl1.userButton(device::TransportButton::Stop);
    run(300ms);
    auto abRuns = testing::heardRuns(abRecorder.stop());
    EXPECT_LE(testing::joinOutputSkips(abRuns, server.skipsCycles()), 8)
        << "the output skipped audio too often";
    int turned = 0;
    for (std::size_t i = 1; i + 1 < abRuns.size(); ++i) {
        const auto& r = abRuns[i];
        const std::size_t endRecorded = r.lastRecorded + 1;
        if (r.firstDiscFrame == a && r.lastDiscFrame == b - 1 &&
            abRuns[i + 1].firstDiscFrame == a && abRuns[i + 1].firstRecorded == endRecorded)
            ++turned;
        else if (i >= 2)
            ADD_FAILURE() << "turn " << i << ": heard " << r.firstDiscFrame << ".."
                          << r.lastDiscFrame << " then " << abRuns[i + 1].firstDiscFrame
                          << "; the loop is " << a << ".." << b - 1;
    }
    EXPECT_GE(turned, 2) << "A-B turns heard sample-exact";
}

}  // namespace
}  // namespace lirafok::device::real
