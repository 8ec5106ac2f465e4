#include "bench_loop_turns.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench_program.h"
#include "busy_loops.h"
#include "coded_disc.h"
#include "core/text.h"
#include "device/real/cd_time.h"
#include "device/real/pulse_sink.h"
#include "device/real/virtual_drive.h"
#include "player/cdoke.h"
#include "player/cdrep.h"
#include "player/play_modes.h"
#include "sound_server.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::bench {

namespace {

// The changes from one heard run to the next, at most `turns`: for change i, how far the run
// left off from `endOf(i)` (the frame after its last one), how far the next run came in from
// `startOf(i + 1)`, and the recorded frames between; a line for each change that is not exact.
struct Turns {
    int counted = 0, exact = 0;
    std::int64_t worstEnd = 0, worstStart = 0, worstGap = 0;
};
Turns checkTurns(const std::vector<testing::HeardRun>& runs, int turns, const char* what,
                 const std::function<std::int64_t(std::size_t)>& endOf,
                 const std::function<std::int64_t(std::size_t)>& startOf) {
    Turns t;
    for (std::size_t i = 0; i + 1 < runs.size() && t.counted < turns; ++i) {
        const auto& r = runs[i];
        const auto& next = runs[i + 1];
        const auto endRecorded =
            static_cast<std::int64_t>(r.firstRecorded) + (r.lastDiscFrame - r.firstDiscFrame) + 1;
        const std::int64_t errEnd = r.lastDiscFrame + 1 - endOf(i);
        const std::int64_t errStart = next.firstDiscFrame - startOf(i + 1);
        const std::int64_t gap = static_cast<std::int64_t>(next.firstRecorded) - endRecorded;
        ++t.counted;
        t.worstEnd = std::max(t.worstEnd, std::abs(errEnd));
        t.worstStart = std::max(t.worstStart, std::abs(errStart));
        t.worstGap = std::max(t.worstGap, std::abs(gap));
        if (errEnd == 0 && errStart == 0 && gap == 0)
            ++t.exact;
        else
            std::printf(
                "  %s %d: left off %+lld frames, came in %+lld frames, %lld frames between\n", what,
                t.counted, static_cast<long long>(errEnd), static_cast<long long>(errStart),
                static_cast<long long>(gap));
    }
    return t;
}

// A graph server now and then leaves a cycle of a stream out, its audio queued well ahead: such
// a skip (joined to the run before, so that it is not taken for a turn) is counted apart.
std::string serverSkips(int skips) {
    return skips ? "; " + std::to_string(skips) + " cycle(s) the server left out mid-run, joined"
                 : std::string();
}

}  // namespace

void measureLoopTurns(const std::string& runtimeDir,
                      const std::shared_ptr<device::real::PulseConnection>& pulse, int turns,
                      int loopMs, int busyThreads) {
    using namespace std::chrono_literals;
    const std::string dir = runtimeDir + "/coded";
    std::filesystem::create_directories(dir);
    if (!std::filesystem::exists(dir + "/coded.cue")) testing::writeCodedRip(dir, 2, 20);
    ui::VirtualScheduler scheduler;
    device::real::VirtualDrive drive(dir, "loop", scheduler, [&] {
        return std::make_unique<device::real::PulseSink>(pulse, "CD");
    });
    if (drive.open() != device::errors::kNone || !drive.mediaPresent()) {
        std::printf("  the coded disc cannot be opened\n");
        return;
    }
    testing::MonitorRecorder recorder(runtimeDir + "/loop-" + std::to_string(busyThreads) + ".raw");
    recorder.start();
    std::this_thread::sleep_for(300ms);
    std::optional<testing::BusyLoops> busy(std::in_place, busyThreads);
    const std::int32_t aMs = 5003, bMs = aMs + loopMs;
    const std::int64_t a = device::real::discMsToFrame(aMs), b = device::real::discMsToFrame(bMs);
    if (drive.playLoop(aMs - 200, aMs, bMs) != device::errors::kNone) {
        std::printf("  the loop does not start\n");
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(200) +
                     std::chrono::milliseconds(loopMs) * (turns + 1);
    while (std::chrono::steady_clock::now() < end) {
        scheduler.runDue();
        std::this_thread::sleep_for(5ms);
    }
    (void)drive.stop();
    busy.reset();
    drive.close();
    auto runs = testing::heardRuns(recorder.stop());
    const int skips = testing::joinOutputSkips(runs, pulse->runsInCycles());
    const Turns t = checkTurns(
        runs, turns, "turn", [&](std::size_t) { return b; }, [&](std::size_t) { return a; });
    std::printf(
        "pipeline loop of %d ms, %d busy loop(s): %d of %d turns sample-exact and gapless; worst "
        "|B| %lld, |A| %lld, between %lld frames%s\n",
        loopMs, busyThreads, t.exact, t.counted, static_cast<long long>(t.worstEnd),
        static_cast<long long>(t.worstStart), static_cast<long long>(t.worstGap),
        serverSkips(skips).c_str());
    std::fflush(stdout);
}

void measureListTurns(const std::string& runtimeDir,
                      const std::shared_ptr<device::real::PulseConnection>& pulse, int turns,
                      int busyThreads) {
    using namespace std::chrono_literals;
    namespace fs = std::filesystem;
    const std::string dir = runtimeDir + "/list-" + std::to_string(busyThreads);
    fs::create_directories(dir + "/disc");
    fs::create_directories(dir + "/cat");
    testing::writeCodedRip(dir + "/disc", 2, 5);
    // Full level, so that the monitor gets the coded frames bit-exact.
    text::writeLines(dir + "/LIRAFOK.INI", {"KASID=cat/", "VOLUM=065536", "VOLU2=065536"});
    text::writeLines(dir + "/LIRAFOK.FOX", {"00NＭＳ Ｐゴシック"});
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    ui::VirtualScheduler scheduler;
    device::real::VirtualDrive drive(dir + "/disc", "list", scheduler, [&] {
        return std::make_unique<device::real::PulseSink>(pulse, "CD");
    });
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;  // disc frames of entries 1, 2
    const std::vector<int> list = {2, 1};
    testing::MonitorRecorder recorder(runtimeDir + "/list-" + std::to_string(busyThreads) + ".raw");
    {
        BenchProgram program(scheduler, drive);
        App& app = program.app;
        auto run = [&](std::chrono::milliseconds span) {
            const auto end = std::chrono::steady_clock::now() + span;
            while (std::chrono::steady_clock::now() < end) {
                scheduler.advance(5);
                std::this_thread::sleep_for(5ms);
            }
        };
        if (!app.run("") || app.state.TrackCount != 2 ||
            !writePrivateList(privateListPath(app.state), list)) {
            std::printf("  the coded disc cannot be played as a list\n");
            fs::current_path(before);
            return;
        }
        for (int t : list) {
            const std::int32_t from = app.state.TrackStartMs[static_cast<std::size_t>(t)];
            const std::int32_t to =
                from + app.state.TrackLengthMs[static_cast<std::size_t>(t)] - 1000;
            spans.emplace_back(device::real::discMsToFrame(from), device::real::discMsToFrame(to));
        }
        recorder.start();
        std::this_thread::sleep_for(300ms);
        testing::BusyLoops busy(busyThreads);
        CDOKE& w = cdoke(app);
        w.ORG.userClick();
        run(500ms);
        w.REPEAT.userClick();
        app.form<CDREP>().Command3D1.userClick();  // repeat all: the whole list
        run(std::chrono::milliseconds(4000 * turns + 3000));
        w.MMControl1.userButton(device::TransportButton::Stop);
        run(300ms);
        app.endProgram();
    }
    fs::current_path(before);
    auto runs = testing::heardRuns(recorder.stop());
    const int skips = testing::joinOutputSkips(runs, pulse->runsInCycles());
    const Turns t = checkTurns(
        runs, turns, "entry change", [&](std::size_t i) { return spans[i % 2].second; },
        [&](std::size_t i) { return spans[i % 2].first; });
    std::printf(
        "list of 2 entries repeating (4 s each), %d busy loop(s): %d of %d entry changes "
        "sample-exact and gapless (%d of them from the last entry to the first); worst |end| "
        "%lld, |start| %lld, between %lld frames%s\n",
        busyThreads, t.exact, t.counted, t.counted / 2, static_cast<long long>(t.worstEnd),
        static_cast<long long>(t.worstStart), static_cast<long long>(t.worstGap),
        serverSkips(skips).c_str());
    std::fflush(stdout);
}

}  // namespace lirafok::bench
