#include "bench_taps.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "bench_events.h"
#include "bench_program.h"
#include "common/app.h"
#include "core/text.h"
#include "device/real/cd_time.h"
#include "device/real/pulse_sink.h"
#include "device/real/virtual_drive.h"
#include "editors/cdset.h"
#include "lyrics/lyrics_file.h"
#include "qt/qt_scheduler.h"

namespace lirafok::bench {

namespace fs = std::filesystem;
using device::real::discMsToFrame;

TapResult measureTaps(const std::string& work, const std::string& discDir, const DemoImage& image,
                      int presses, std::shared_ptr<device::real::PulseConnection> pulse,
                      MonitorCapture& capture) {
    TapResult result;
    qt::QtScheduler scheduler;
    device::real::VirtualDrive drive(discDir, "bench", scheduler, [pulse] {
        return std::make_unique<device::real::PulseSink>(pulse, "CD");
    });
    drive.open();
    if (!drive.mediaPresent()) return result;
    const device::TrackInfo track = drive.tracks().front();
    const std::string key = text::pad(drive.discLengthMs(), 9);
    drive.close();

    const std::string folder = work + "/";
    text::writeLines(work + "/LIRAFOK.INI", {"KASIH=0", "KAIGY=0", "KASID=" + folder,
                                             "VOLUM=065536", "VOLU2=065536", "CYOUS=0000"});
    text::writeLines(work + "/LIRAFOK.FOX", {"00NＭＳ Ｐゴシック"});
    std::vector<std::string> lyric;
    for (int i = 0; i < presses; ++i) lyric.push_back("line " + std::to_string(i));
    text::writeLines(lyricsFilePath(folder, key, 1), lyric);
    const fs::path back = fs::current_path();
    fs::current_path(work);

    BenchProgram program(scheduler, drive);
    App& app = program.app;
    if (!app.run("")) {
        std::fprintf(stderr, "the program did not start\n");
        fs::current_path(back);
        return result;
    }
    OpenTimingSetter(app, 1);
    if (!app.isLoaded("CDSET")) {
        std::fprintf(stderr, "the timing setter did not open\n");
        app.endProgram();
        fs::current_path(back);
        return result;
    }
    CDSET& setter = dynamic_cast<CDSET&>(app.form("CDSET"));
    setter.Command3D1_Click();  // 設定開始: plays the track from its start
    runEvents(1500);

    std::vector<std::int64_t> pressedUs;
    std::mt19937 rng(7713);
    std::uniform_int_distribution<int> gap(300, 900);
    QTimer press;
    press.setSingleShot(true);
    QObject::connect(&press, &QTimer::timeout, [&] {
        // The moment of the press is taken where the handler is called, as a click would be.
        pressedUs.push_back(nowUs());
        setter.Command3D2_Click();
        if (static_cast<int>(pressedUs.size()) < presses)
            press.start(gap(rng));
        else
            QCoreApplication::quit();
    });
    press.start(gap(rng));
    QCoreApplication::exec();
    std::vector<std::int32_t> stored;
    for (int i = 0; i < static_cast<int>(pressedUs.size()); ++i)
        stored.push_back(app.state.Lyrics.times[static_cast<std::size_t>(i)]);
    setter.Command3D8_Click();  // 停止
    runEvents(300);
    app.endProgram();
    fs::current_path(back);
    runEvents(300);

    result.presses = static_cast<int>(pressedUs.size());
    const auto rec = capture.samples();
    const Source src = [&](std::int64_t f, int c) { return image.sample(f, c); };
    const std::int64_t trackFirst = discMsToFrame(track.startMs) - kLeadInFrames;
    for (std::size_t i = 0; i < pressedUs.size(); ++i) {
        if (stored[i] == kNoTiming) continue;
        const std::int64_t r = capture.frameAtUs(static_cast<double>(pressedUs[i]));
        const std::int64_t expect = trackFirst + std::int64_t{stored[i]} * 441 / 10;
        // The window at r begins with the frame heard at the press (a quiet one is skipped
        // back from).
        for (std::int64_t back2 = 0; back2 < 44100; back2 += 64) {
            const auto s =
                locate(rec, r - back2, src, expect - 5 * 44100 - back2, expect + 5 * 44100);
            if (!s) continue;
            const double heardMs = static_cast<double>(*s + back2 - trackFirst) / 44.1;
            result.errorsMs.push_back(stored[i] - heardMs);
            break;
        }
    }
    return result;
}

}  // namespace lirafok::bench
