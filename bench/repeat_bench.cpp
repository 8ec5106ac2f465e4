// Where an A-B repeat turns, as heard: the whole program plays track 1 of a demo image through
// a private sound server's null sink (PulseAudio and PipeWire, one after the other); A and B are
// set while it plays, as a user would set them in the repeat window, and the sink's monitor shows
// where each loop left the music (against B) and where it came back in (against A). Then, on a
// disc whose every frame carries its number: the pipeline's own loop turn by turn, and a list
// that repeats, entry change by entry change, idle and with one and two busy loops beside it.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "bench_capture.h"
#include "bench_loop_turns.h"
#include "bench_events.h"
#include "bench_program.h"
#include "bench_signals.h"
#include "core/text.h"
#include "device/real/cd_time.h"
#include "device/real/pulse_sink.h"
#include "device/real/virtual_drive.h"
#include "player/cdoke.h"
#include "player/cdrep.h"
#include "bench_servers.h"
#include "sound_server.h"
#include "qt/qt_scheduler.h"

using namespace lirafok;
using namespace lirafok::bench;
namespace fs = std::filesystem;

namespace {

std::int64_t imageFrame(std::int32_t discMs) {
    return device::real::discMsToFrame(discMs) - kLeadInFrames;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int done = bench::runPerServer(argc, argv); done >= 0) return done;
    int rounds = 5;
    int loopMs = 3000;
    int turns = 50;
    int listTurns = 12;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rounds") rounds = std::max(1, std::atoi(argv[++i]));
        if (a == "--loop-ms") loopMs = std::max(500, std::atoi(argv[++i]));
        if (a == "--turns") turns = std::max(2, std::atoi(argv[++i]));
        if (a == "--list-turns") listTurns = std::max(2, std::atoi(argv[++i]));
    }
    const std::string imageDir = fs::temp_directory_path() / "lirafok-repeat-image";
    fs::create_directories(imageDir);
    const DemoImage image(8, 1);
    if (!image.write(imageDir)) return 1;

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QCoreApplication qapp(argc, argv);
    bench::SoundBench sound;
    if (!sound.start("lirafok-repeat-bench")) return 1;
    testing::PrivateSoundServer& server = sound.server;
    bench::MonitorCapture& capture = sound.capture;
    const auto pulse = sound.pulse;

    const std::string work = server.runtimeDir() + "/work";
    const std::string discDir = server.runtimeDir() + "/disc";
    fs::create_directories(work);
    fs::create_directories(discDir);
    for (const char* f : {"image.cue", "image.flac"})
        fs::create_symlink(imageDir + "/" + f, discDir + "/" + f);
    text::writeLines(work + "/LIRAFOK.INI",
                     {"KASID=" + work + "/", "VOLUM=065536", "VOLU2=065536"});
    text::writeLines(work + "/LIRAFOK.FOX", {"00NＭＳ Ｐゴシック"});
    fs::current_path(work);

    qt::QtScheduler scheduler;
    device::real::VirtualDrive drive(discDir, "bench", scheduler, [pulse] {
        return std::make_unique<device::real::PulseSink>(pulse, "CD");
    });
    BenchProgram program(scheduler, drive);
    App& app = program.app;
    if (!app.run("")) return 1;
    runEvents(500);
    CDOKE& main = cdoke(app);
    const Source src = [&](std::int64_t f, int c) { return image.sample(f, c); };

    std::printf("A-B repeat of %d ms inside track 1, %d rounds, heard at the null sink's monitor\n",
                loopMs, rounds);
    std::vector<double> errA, errB;
    for (int round = 0; round < rounds; ++round) {
        main.MMControl1.userButton(device::TransportButton::Play);
        runEvents(4000 + 700 * round);
        main.REPEAT.userClick();
        auto& rep = static_cast<CDREP&>(app.form("CDREP"));
        rep.STRX.userClick();
        runEvents(loopMs);
        rep.ENDX.userClick();
        const std::int32_t a = app.state.RepeatStartMs, b = app.state.RepeatEndMs;
        const std::int64_t fromRec = capture.frames();
        runEvents(3 * loopMs + 1500);
        main.MMControl1.userButton(device::TransportButton::Stop);
        runEvents(600);

        const auto rec = capture.samples();
        const std::int64_t fa = imageFrame(a), fb = imageFrame(b);
        std::int64_t at = fromRec;
        for (int loop = 0; loop < 3; ++loop) {
            // The loop comes back in: the first frame from `at` on that plays A's audio again.
            const auto in = onsetOf(rec, at, src, fa, 2 * device::real::msToFrame(loopMs));
            if (!in) {
                std::printf("  round %d loop %d: no return to A heard\n", round + 1, loop + 1);
                break;
            }
            // Where the music left off: the source frame of the last window before the jump.
            std::optional<std::int64_t> left;
            for (std::int64_t back = 64; back < 4410 && !left; back += 16) {
                const auto s = locate(rec, in->recFrame - back, src, fa, fb + 44100);
                if (s) left = *s + back;
            }
            const double aMs = static_cast<double>(in->srcFrame - fa) / 44.1;
            errA.push_back(aMs);
            if (left) {
                const double bMs = static_cast<double>(*left - fb) / 44.1;
                errB.push_back(bMs);
                std::printf("  round %d loop %d: left at B %+7.1f ms, back in at A %+7.1f ms\n",
                            round + 1, loop + 1, bMs, aMs);
            } else {
                std::printf("  round %d loop %d: back in at A %+7.1f ms (end not matched)\n",
                            round + 1, loop + 1, aMs);
            }
            at = in->recFrame + device::real::msToFrame(loopMs) / 2;
        }
    }
    app.endProgram();
    runEvents(300);
    capture.stop();
    auto worst = [](const std::vector<double>& v) {
        double w = 0;
        for (double e : v) w = std::max(w, std::abs(e));
        return w;
    };
    std::printf(
        "loops heard: %zu; B: median %+.1f ms, worst |e| %.1f ms; A: median %+.1f ms, "
        "worst |e| %.1f ms\n",
        errA.size(), percentile(errB, 0.5), worst(errB), percentile(errA, 0.5), worst(errA));
    // The pipeline's own loop, as the repeat would turn if it asked the drive for one.
    for (int busy : {0, 1, 2}) measureLoopTurns(server.runtimeDir(), pulse, turns, 257, busy);
    // The loop of a whole program: a list that repeats, turned entry by entry by the drive.
    for (int busy : {0, 1, 2}) measureListTurns(server.runtimeDir(), pulse, listTurns, busy);
    return 0;
}
