// Lyrics synchronisation benchmark: how exactly the karaoke panels light each line.
//
// The whole program runs (main window, lyrics window, Timer2) on the real QtScheduler with
// headless windows. A disc of one silent track (WAV in a folder) plays in the virtual drive
// through the real PCM pipeline into a clocked silent sink, whose reported position is the
// audible one. A timed lyric of one line every 2-6 s covers the track. A view on every panel
// notes the moment a line turns to the current-line colour, and the drive's audible position
// at that moment. Error = (audible track time) - (line time - CYOUS); positive = late.
//
// Usage: lirafok_lyrics_sync_bench [seconds (180)] [--stand-in]
//   --stand-in  a device stand-in whose position is a steady clock, instead of the PCM pipeline
#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench_program.h"
#include "core/text.h"
#include "device/real/virtual_drive.h"
#include "device/silent_sink.h"
#include "player/cdkasif2.h"
#include "lyrics/lyrics_file.h"
#include "player/cdoke.h"
#include "qt/qt_scheduler.h"
#include "scenario/headless.h"
#include "common/app.h"
#include "windows/windows.h"

using namespace lirafok;
namespace fs = std::filesystem;

namespace {

constexpr int kLead = 300;  // CYOUS, ms
constexpr ui::Color kComing = 0, kCurrent = 255, kPassed = 65280;

// A drive whose position is a steady clock: one track from 2000 ms, no audio at all.
class ClockDrive final : public device::CdAudioDevice {
public:
    ClockDrive(ui::Scheduler& s, std::int32_t trackMs) : m_scheduler(s), m_trackMs(trackMs) {}
    std::string name() const override { return "clock"; }
    int open() override { return m_open = true, 0; }
    int close() override { return stop(), m_open = false, 0; }
    bool isOpen() const override { return m_open; }
    bool mediaPresent() override { return m_open; }
    std::vector<device::TrackInfo> tracks() override { return {{kStart, m_trackMs}}; }
    std::int32_t discStartMs() override { return kStart; }
    std::int32_t discLengthMs() override { return m_trackMs; }
    device::DeviceMode mode() override {
        if (!m_open) return device::DeviceMode::NotReady;
        if (m_playing && positionMs() >= m_to) finish(device::SpanEnd::Reached);
        if (m_playing) return m_paused ? device::DeviceMode::Paused : device::DeviceMode::Playing;
        return device::DeviceMode::Stopped;
    }
    std::int32_t positionMs() override {
        if (!m_playing || m_paused) return m_pos;
        return std::min(m_to, static_cast<std::int32_t>(m_pos + (m_scheduler.nowMs() - m_since)));
    }
    int play(std::int32_t from, std::int32_t to, device::SpanEndHandler onEnd) override {
        if (m_playing) finish(device::SpanEnd::Superseded);
        m_pos = from;
        m_to = to < 0 ? kStart + m_trackMs : to;
        m_since = m_scheduler.nowMs();
        m_playing = true;
        m_paused = false;
        m_onEnd = std::move(onEnd);
        return 0;
    }
    int seek(std::int32_t ms) override { return stop(), m_pos = ms, 0; }
    int stop() override {
        if (m_playing) m_pos = positionMs(), finish(device::SpanEnd::Aborted);
        return 0;
    }
    int pause() override { return m_pos = positionMs(), m_paused = true, 0; }
    int resume() override { return m_since = m_scheduler.nowMs(), m_paused = false, 0; }
    int eject() override { return stop(), 0; }
    void setSilent(bool) override {}
    void setVolumeWord(std::uint32_t) override {}

private:
    static constexpr std::int32_t kStart = 2000;
    void finish(device::SpanEnd why) {
        m_pos = positionMs();
        m_playing = false;
        if (auto h = std::move(m_onEnd)) m_scheduler.post([h, why] { h(why); });
        m_onEnd = nullptr;
    }
    ui::Scheduler& m_scheduler;
    std::int32_t m_trackMs;
    bool m_open = false, m_playing = false, m_paused = false;
    std::int32_t m_pos = kStart, m_to = 0;
    std::int64_t m_since = 0;
    device::SpanEndHandler m_onEnd;
};

// 16-bit stereo 44.1 kHz silence.
void writeSilentWav(const fs::path& path, int seconds) {
    const std::uint32_t bytes = static_cast<std::uint32_t>(seconds) * 44100u * 4u;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    std::vector<char> zeros(1 << 20, 0);
    for (std::uint32_t left = bytes; left > 0;) {
        const std::uint32_t n =
            std::min<std::uint32_t>(left, static_cast<std::uint32_t>(zeros.size()));
        out.write(zeros.data(), n);
        left -= n;
    }
}

void writeFile(const fs::path& path, const std::vector<std::string>& lines) {
    if (!text::writeLines(path.string(), lines)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// Line times: one line every 2 to 6 s from 3 s up to 2 s before the track's end.
std::vector<std::int32_t> lineTimes(std::int32_t trackMs) {
    std::mt19937 rng(20240);
    std::uniform_int_distribution<int> gap(2000, 6000);
    std::vector<std::int32_t> out;
    for (std::int32_t t = 3000;
         t < trackMs - 2000 && out.size() < static_cast<std::size_t>(kTimedLyricLines);
         t += gap(rng))
        out.push_back(t);
    return out;
}

struct Lit {
    int line;
    std::int32_t audibleTrackMs;
};

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

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const double at = p * (v.size() - 1);
    const auto lo = static_cast<std::size_t>(at);
    const std::size_t hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (v[hi] - v[lo]) * (at - lo);
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 180;
    bool standIn = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--stand-in") == 0)
            standIn = true;
        else
            seconds = std::max(20, std::atoi(argv[i]));
    }
    QCoreApplication qapp(argc, argv);
    qt::QtScheduler scheduler;

    char pattern[] = "/tmp/lirafok_lyrics_bench_XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const fs::path dir = pattern;
    fs::create_directories(dir / "disc");
    writeSilentWav(dir / "disc" / "01.wav", seconds);

    std::unique_ptr<device::CdAudioDevice> drive;
    if (standIn) {
        drive = std::make_unique<ClockDrive>(scheduler, seconds * 1000);
    } else {
        drive = std::make_unique<device::real::VirtualDrive>(
            (dir / "disc").string(), "仮想ドライブ", scheduler,
            [] { return std::make_unique<device::SilentSink>(); });
    }
    drive->open();
    if (!drive->mediaPresent() || drive->tracks().empty()) {
        std::fprintf(stderr, "the drive has no disc\n");
        return 1;
    }
    const device::TrackInfo track = drive->tracks().front();
    const std::string key = text::pad(drive->discLengthMs(), 9);
    drive->close();

    // Program files: settings, font list, the lyric of track 1.
    const std::string folder = dir.string() + "/";
    writeFile(dir / "LIRAFOK.INI",
              {"KASIH=1", "KAIGY=0", "KASID=" + folder, "CYOUS=" + text::pad(kLead, 4),
               "CKAS2=" + std::to_string(kComing), "CKAS3=" + std::to_string(kCurrent),
               "CKAS4=" + std::to_string(kPassed)});
    writeFile(dir / "LIRAFOK.FOT", {"00NＭＳ Ｐゴシック"});
    const std::vector<std::int32_t> times = lineTimes(track.lengthMs);
    std::vector<std::string> lyric;
    for (std::size_t i = 0; i < times.size(); ++i) lyric.push_back("line " + std::to_string(i));
    lyric.push_back(std::string(1, kLyricsSeparator));
    for (std::size_t i = 0; i < times.size(); ++i)
        lyric.push_back(formatTimingLine(static_cast<int>(i), times[i], 0));
    writeFile(lyricsFilePath(folder, key, 1), lyric);
    if (::chdir(dir.c_str()) != 0) return 1;

    bench::BenchProgram program(scheduler, *drive);
    App& app = program.app;
    if (!app.run("") || !app.isLoaded("CDKASIF2")) {
        std::fprintf(stderr, "the program did not start with the lyrics window\n");
        return 1;
    }

    std::vector<Lit> lit;
    std::vector<bool> seen(times.size(), false);
    auto onLit = [&](const std::string& caption) {
        if (caption.rfind("line ", 0) != 0) return;
        const int line = std::atoi(caption.c_str() + 5);
        if (line < 0 || line >= static_cast<int>(times.size()) || seen[line]) return;
        seen[line] = true;
        lit.push_back({line, drive->positionMs() - track.startMs});
        if (lit.size() == times.size()) QTimer::singleShot(200, &qapp, &QCoreApplication::quit);
    };
    std::vector<std::unique_ptr<PanelWatch>> watches;
    for (ui::Panel& p : cdkasif2(app).KASI) {
        watches.push_back(std::make_unique<PanelWatch>(p, onLit));
        p.attachView(watches.back().get());
    }

    std::printf("lyrics sync: %zu lines over %d s, CYOUS %d ms, device: %s\n", times.size(),
                seconds, kLead,
                standIn ? "stand-in (position = steady clock, no audio pipeline)"
                        : "virtual drive, PCM pipeline, silent sink (position = audible frame)");
    std::fflush(stdout);
    cdoke(app).MMControl1.userButton(device::TransportButton::Play);
    QTimer::singleShot(seconds * 1000 + 3000, &qapp, &QCoreApplication::quit);
    qapp.exec();
    for (ui::Panel& p : cdkasif2(app).KASI) p.attachView(nullptr);
    app.endProgram();

    std::vector<double> errors, absErrors;
    for (const Lit& l : lit) {
        const double e = l.audibleTrackMs - (times[static_cast<std::size_t>(l.line)] - kLead);
        errors.push_back(e);
        absErrors.push_back(std::abs(e));
    }
    if (errors.empty()) {
        std::printf("no line lit\n");
        return 1;
    }
    const auto worst = std::max_element(absErrors.begin(), absErrors.end()) - absErrors.begin();
    std::printf("lines lit: %zu of %zu\n", lit.size(), times.size());
    std::printf(
        "error (audible time - (line time - CYOUS)), ms: median %+.1f, |median| %.1f, "
        "p95 |e| %.1f, worst %+.0f (line %d)\n",
        percentile(errors, 0.5), percentile(absErrors, 0.5), percentile(absErrors, 0.95),
        errors[static_cast<std::size_t>(worst)], lit[static_cast<std::size_t>(worst)].line);
    std::printf("goal: median under 5 ms, worst under 17 ms: %s\n",
                percentile(absErrors, 0.5) < 5 && absErrors[static_cast<std::size_t>(worst)] < 17
                    ? "met"
                    : "NOT met");
    fs::remove_all(dir);
    return lit.size() == times.size() ? 0 : 1;
}
