#include "bench_loop_turns.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "coded_disc.h"
#include "device/real/cd_time.h"
#include "device/real/pulse_sink.h"
#include "device/real/virtual_drive.h"
#include "sound_server.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::bench {

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
    std::atomic<bool> stopBusy{false};
    std::vector<std::thread> busy;
    for (int i = 0; i < busyThreads; ++i)
        busy.emplace_back([&] {
            volatile std::uint64_t x = 0;
            while (!stopBusy) x = x + 1;
        });
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
    stopBusy = true;
    for (auto& t : busy) t.join();
    drive.close();
    const auto runs = testing::heardRuns(recorder.stop());
    int exact = 0, counted = 0;
    std::int64_t worstB = 0, worstA = 0, worstGap = 0;
    for (std::size_t i = 0; i + 1 < runs.size() && counted < turns; ++i) {
        const auto& r = runs[i];
        const auto& next = runs[i + 1];
        const auto endRecorded =
            static_cast<std::int64_t>(r.firstRecorded) + (r.lastDiscFrame - r.firstDiscFrame) + 1;
        const std::int64_t errB = r.lastDiscFrame - (b - 1);
        const std::int64_t errA = next.firstDiscFrame - a;
        const std::int64_t gap = static_cast<std::int64_t>(next.firstRecorded) - endRecorded;
        ++counted;
        worstB = std::max(worstB, std::abs(errB));
        worstA = std::max(worstA, std::abs(errA));
        worstGap = std::max(worstGap, std::abs(gap));
        if (errB == 0 && errA == 0 && gap == 0)
            ++exact;
        else
            std::printf(
                "  turn %d: left B %+lld frames, back at A %+lld frames, %lld frames "
                "between\n",
                counted, static_cast<long long>(errB), static_cast<long long>(errA),
                static_cast<long long>(gap));
    }
    std::printf(
        "pipeline loop of %d ms, %d busy loop(s): %d of %d turns sample-exact and gapless; worst "
        "|B| %lld, |A| %lld, between %lld frames\n",
        loopMs, busyThreads, exact, counted, static_cast<long long>(worstB),
        static_cast<long long>(worstA), static_cast<long long>(worstGap));
    std::fflush(stdout);
}

}  // namespace lirafok::bench
