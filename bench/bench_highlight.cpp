#include "bench_highlight.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "bench_events.h"
#include "bench_program.h"
#include "core/text.h"
#include "device/real/cd_time.h"
#include "device/real/pulse_sink.h"
#include "device/real/virtual_drive.h"
#include "player/cdkasif2.h"
#include "lyrics/lyrics_file.h"
#include "player/cdoke.h"
#include "qt/qt_scheduler.h"
#include "scenario/headless.h"
#include "common/app.h"
#include "windows/windows.h"

namespace lirafok::bench {

namespace fs = std::filesystem;
using device::real::discMsToFrame;

namespace {

constexpr int kLead = 300;  // CYOUS, ms
constexpr ui::Color kComing = 0, kCurrent = 255, kPassed = 65280;
// Notes the first moment each line shows in the current-line colour.
class PanelWatch final : public ui::ControlView {
public:
    PanelWatch(ui::Control& panel, std::function<void(const std::string&)> onLit)
        : m_panel(panel), m_onLit(std::move(onLit)) {}
    void update(ui::Prop what) override {
        if ((what == ui::Prop::ForeColor || what == ui::Prop::Caption) &&
            m_panel.foreColor() == kCurrent)
            m_onLit(m_panel.caption());
    }

private:
    ui::Control& m_panel;
    std::function<void(const std::string&)> m_onLit;
};

std::unique_ptr<device::real::VirtualDrive> makeDrive(
    const std::string& discDir, ui::Scheduler& s,
    std::shared_ptr<device::real::PulseConnection> pulse) {
    auto d = std::make_unique<device::real::VirtualDrive>(discDir, "bench", s, [pulse] {
        return std::make_unique<device::real::PulseSink>(pulse, "CD");
    });
    d->open();
    return d;
}

}  // namespace

HighlightResult measureHighlight(const std::string& work, const std::string& discDir,
                                 const DemoImage& image, int lines,
                                 std::shared_ptr<device::real::PulseConnection> pulse,
                                 MonitorCapture& capture) {
    HighlightResult result;
    qt::QtScheduler scheduler;
    auto drive = makeDrive(discDir, scheduler, pulse);
    if (!drive->mediaPresent()) return result;
    const device::TrackInfo track = drive->tracks().front();
    const std::string key = text::pad(drive->discLengthMs(), 9);
    drive->close();

    const std::string folder = work + "/";
    text::writeLines(work + "/LIRAFOK.INI",
                     {"KASIH=1", "KAIGY=0", "KASID=" + folder, "VOLUM=065536", "VOLU2=065536",
                      "CYOUS=" + text::pad(kLead, 4), "CKAS2=" + std::to_string(kComing),
                      "CKAS3=" + std::to_string(kCurrent), "CKAS4=" + std::to_string(kPassed)});
    text::writeLines(work + "/LIRAFOK.FOX", {"00NＭＳ Ｐゴシック"});
    std::mt19937 rng(20240);
    std::uniform_int_distribution<int> gap(800, 1600);
    std::vector<std::int32_t> times;
    for (std::int32_t t = 1500; static_cast<int>(times.size()) < lines; t += gap(rng))
        times.push_back(t);
    std::vector<std::string> lyric;
    for (std::size_t i = 0; i < times.size(); ++i) lyric.push_back("line " + std::to_string(i));
    lyric.push_back(std::string(1, kLyricsSeparator));
    for (std::size_t i = 0; i < times.size(); ++i)
        lyric.push_back(formatTimingLine(static_cast<int>(i), times[i], 0));
    text::writeLines(lyricsFilePath(folder, key, 1), lyric);
    const fs::path back = fs::current_path();
    fs::current_path(work);

    bench::BenchProgram program(scheduler, *drive);
    App& app = program.app;
    if (!app.run("") || !app.isLoaded("CDKASIF2")) {
        std::fprintf(stderr, "the program did not start with the lyrics window\n");
        fs::current_path(back);
        return result;
    }
    struct Lit {
        int line;
        std::int64_t us;
    };
    std::vector<Lit> lit;
    // Timers of this run only: one left over must not end the next run's event loop.
    QTimer done, deadline;
    done.setSingleShot(true);
    deadline.setSingleShot(true);
    QObject::connect(&done, &QTimer::timeout, &QCoreApplication::quit);
    QObject::connect(&deadline, &QTimer::timeout, &QCoreApplication::quit);
    std::vector<bool> seen(times.size(), false);
    auto onLit = [&](const std::string& caption) {
        if (caption.rfind("line ", 0) != 0) return;
        const int line = std::atoi(caption.c_str() + 5);
        if (line < 0 || line >= static_cast<int>(times.size()) || seen[line]) return;
        seen[line] = true;
        lit.push_back({line, nowUs()});
        if (lit.size() == times.size()) done.start(200);
    };
    std::vector<std::unique_ptr<PanelWatch>> watches;
    for (ui::Panel& p : cdkasif2(app).KASI) {
        watches.push_back(std::make_unique<PanelWatch>(p, onLit));
        p.attachView(watches.back().get());
    }
    const std::int64_t recFrom = capture.frames();
    cdoke(app).MMControl1.userButton(device::TransportButton::Play);
    deadline.start(times.back() + 4000);
    QCoreApplication::exec();
    for (ui::Panel& p : cdkasif2(app).KASI) p.attachView(nullptr);
    app.endProgram();
    fs::current_path(back);
    runEvents(300);

    const auto rec = capture.samples();
    if (std::getenv("BENCH_DEBUG"))
        std::printf("highlight: %zu lines lit, recording %zu frames\n", lit.size(), rec.size() / 2);
    const Source src = [&](std::int64_t f, int c) { return image.sample(f, c); };
    const std::int64_t trackFirst = discMsToFrame(track.startMs) - kLeadInFrames;
    for (const Lit& l : lit) {
        const std::int64_t r = capture.frameAtUs(static_cast<double>(l.us));
        const std::int64_t expect =
            trackFirst + (times[static_cast<std::size_t>(l.line)] - kLead) * 441 / 10;
        // The window at r begins with the frame heard at that moment (a quiet one is skipped
        // back from).
        for (std::int64_t back2 = 0; back2 < 44100; back2 += 64) {
            const auto s =
                locate(rec, r - back2, src, expect - 5 * 44100 - back2, expect + 5 * 44100);
            if (!s) continue;
            const double heardMs = static_cast<double>(*s + back2 - trackFirst) / 44.1;
            result.errorsMs.push_back(heardMs - (times[static_cast<std::size_t>(l.line)] - kLead));
            if (std::getenv("BENCH_DEBUG"))
                std::printf("line %d: r %lld back %lld heard %.1f ms want %d ms\n", l.line,
                            static_cast<long long>(r), static_cast<long long>(back2), heardMs,
                            times[static_cast<std::size_t>(l.line)] - kLead);
            break;
        }
    }
    result.lines = static_cast<int>(times.size());
    result.dropouts = dropouts(rec, recFrom, static_cast<std::int64_t>(rec.size() / 2), src,
                               trackFirst, trackFirst + image.trackFrames(0));
    return result;
}

void scoreStarts(MonitorCapture& capture, const DemoImage& image,
                 const std::vector<std::pair<std::int64_t, std::int64_t>>& commands,
                 StartResult& result) {
    const auto rec = capture.samples();
    const Source src = [&](std::int64_t f, int c) { return image.sample(f, c); };
    for (const auto& [t0, target] : commands) {
        const auto o = onsetOf(rec, capture.frameAtUs(static_cast<double>(t0)), src, target, 44100);
        if (!o) {
            ++result.missing;
            continue;
        }
        result.latencyMs.push_back((capture.heardUs(o->recFrame) - static_cast<double>(t0)) / 1000);
        const double cutMs = static_cast<double>(o->srcFrame - target) / 44.1;
        result.worstCutMs = std::max(result.worstCutMs, cutMs);
        if (cutMs > 5) ++result.lost;
    }
}

void measureStarts(const std::string& discDir, const DemoImage& image, int count,
                   std::shared_ptr<device::real::PulseConnection> pulse, MonitorCapture& capture,
                   StartResult& starts, StartResult& seeks) {
    qt::QtScheduler scheduler;
    auto drive = makeDrive(discDir, scheduler, pulse);
    if (!drive->mediaPresent()) return;
    const auto tracks = drive->tracks();
    std::vector<std::pair<std::int64_t, std::int64_t>> startCmds, seekCmds;
    auto target = [&](int i) {
        // Track i mod 4 plays a different song from track (i + 1) mod 4: what plays before a
        // seek never looks like its target.
        const auto& t = tracks[static_cast<std::size_t>(i % std::min<int>(4, tracks.size()))];
        return t.startMs + 5000 + 1000 * (i / 4);
    };
    for (int i = 0; i < count; ++i) {
        drive->stop();
        runEvents(400);
        const std::int32_t a = target(i);
        startCmds.emplace_back(nowUs(), discMsToFrame(a) - kLeadInFrames);
        drive->play(a, -1, nullptr);
        runEvents(500);
        const std::int32_t b = target(i + 1);
        seekCmds.emplace_back(nowUs(), discMsToFrame(b) - kLeadInFrames);
        drive->play(b, -1, nullptr);
        runEvents(500);
    }
    drive->stop();
    runEvents(300);
    drive->close();
    scoreStarts(capture, image, startCmds, starts);
    scoreStarts(capture, image, seekCmds, seeks);
}

}  // namespace lirafok::bench
