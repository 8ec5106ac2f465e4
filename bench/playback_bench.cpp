// Playback benchmark: LIRAFOK next to mpv (--no-video --ao=pulse), in one run, on the same
// single-file CUE+FLAC image (the demo disc's songs, 70 minutes) into the same null sink of a
// private server (PulseAudio, then PipeWire), everything heard taken from the sink's monitor:
//   - start to first audible frame: from the process's start (the program plays the disc at
//     once: automatic play on), and in LIRAFOK also from stopped, inside the process;
//   - seek to the audible frame asked for (mpv through its IPC socket, LIRAFOK through the
//     drive, in process); a start or seek heard more than 5 ms past its frame counts as lost;
//   - steady CPU per second of audio and peak RSS of each whole process while it plays, the
//     program with its lyrics window open (offscreen); the CPU also over three runs of each
//     player in turn, with their spread;
//   - the lyrics highlight and the timing setter's presses against the audible frame, over
//     timed lines on the demo songs, with the machine idle, with another process keeping one
//     core busy and with two such processes.
// Usage: lirafok_playback_bench [--cpu-seconds N (30)] [--lines N (60)] [--seeks N (12)]
//                               [--no-mpv]
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_capture.h"
#include "bench_highlight.h"
#include "bench_taps.h"
#include "bench_signals.h"
#include "core/text.h"
#include "device/real/virtual_drive.h"
#include "lyrics/lyrics_file.h"
#include "bench_servers.h"
#include "sound_server.h"

using namespace lirafok;
using namespace lirafok::bench;
namespace fs = std::filesystem;

namespace {

struct ProcessFigures {
    bool ran = false;
    double firstSoundMs = NAN;
    double startCutMs = NAN;
    double cpuMsPerSecond = NAN;
    double peakRssMb = NAN;
    StartResult seeks;
};

double cpuSecondsOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos) return NAN;
    std::istringstream fields(line.substr(close + 2));
    std::string f;
    double ticks = 0;
    for (int i = 3; fields >> f; ++i) {
        if (i == 14 || i == 15) ticks += std::stod(f);  // utime, stime (all threads)
        if (i == 15) break;
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double peakRssMb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (in >> key) {
        if (key == "VmHWM:") {
            double kb = 0;
            in >> kb;
            return kb / 1024;
        }
        in.ignore(1 << 20, '\n');
    }
    return NAN;
}

pid_t spawn(const std::vector<std::string>& args, const std::string& dir,
            const std::vector<std::pair<std::string, std::string>>& env) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (chdir(dir.c_str()) != 0) _exit(127);
    for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
    const int null = ::open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// A process that keeps one core busy until it is killed.
pid_t busyCore() {
    const pid_t pid = fork();
    if (pid == 0) {
        volatile unsigned long x = 0;
        for (;;) x = x + 1;
    }
    return pid;
}

void stopProcess(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Runs a player as a whole process: the time to its first audible frame of the image, then
// its steady CPU and its peak RSS while it plays; `during` may command it before it ends.
ProcessFigures measureProcess(const std::vector<std::string>& args, const std::string& dir,
                              const std::vector<std::pair<std::string, std::string>>& env,
                              MonitorCapture& capture, const DemoImage& image, int cpuSeconds,
                              const std::function<void(pid_t)>& during) {
    ProcessFigures out;
    const std::int64_t t0 = nowUs();
    const pid_t pid = spawn(args, dir, env);
    if (pid <= 0) return out;
    std::this_thread::sleep_for(std::chrono::seconds(4));
    if (waitpid(pid, nullptr, WNOHANG) == pid) return out;
    out.ran = true;
    const Source src = [&](std::int64_t f, int c) { return image.sample(f, c); };
    const auto rec = capture.samples();
    if (const auto o =
            onsetOf(rec, capture.frameAtUs(static_cast<double>(t0)), src, 0, 4 * 44100)) {
        out.firstSoundMs = (capture.heardUs(o->recFrame) - static_cast<double>(t0)) / 1000;
        out.startCutMs = static_cast<double>(o->srcFrame) / 44.1;
    }
    // Steady state: well after start-up, while it plays on by itself.
    const double c0 = cpuSecondsOf(pid);
    const std::int64_t w0 = nowUs();
    std::this_thread::sleep_for(std::chrono::seconds(cpuSeconds));
    const double c1 = cpuSecondsOf(pid);
    const std::int64_t w1 = nowUs();
    out.cpuMsPerSecond = (c1 - c0) * 1000 / (static_cast<double>(w1 - w0) / 1e6);
    out.peakRssMb = peakRssMb(pid);
    if (during) during(pid);
    stopProcess(pid);
    return out;
}

// Sends one JSON command to mpv's IPC socket.
bool mpvCommand(const std::string& socketPath, const std::string& json) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    const std::string line = json + "\n";
    const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    return ok;
}

// The program's folder for a run of the GUI: the image in its virtual drive, the demo's lyric
// of track 1 (so the lyrics window opens and follows), automatic play, no cues.
bool prepareProgram(const std::string& work, const std::string& imageDir, const DemoImage& image) {
    fs::create_directories(work + "/disc");
    fs::create_directories(work + "/lyrics");
    fs::create_directories(work + "/config");
    std::error_code ec;
    for (const char* f : {"image.cue", "image.flac"})
        fs::create_symlink(imageDir + "/" + f, work + "/disc/" + f, ec);
    std::string why;
    const auto disc = device::real::readVirtualDisc(work + "/disc", nullptr, &why);
    if (!disc) {
        std::fprintf(stderr, "the image does not read: %s\n", why.c_str());
        return false;
    }
    const std::string key = text::pad(disc->lengthMs(), 9);
    const std::string lyrics = work + "/lyrics/";
    // The settings of a first run (faces that exist here; the built-in ones are Windows faces).
    const std::string face = "Noto Sans CJK JP";
    std::vector<std::string> lines = image.lineTexts(0);
    const auto times = image.lineTimes(0);
    lines.push_back(std::string(1, kLyricsSeparator));
    for (std::size_t i = 0; i < times.size(); ++i)
        lines.push_back(formatTimingLine(static_cast<int>(i), times[i], 0));
    return text::writeLines(lyricsFilePath(lyrics, key, 1), lines) &&
           text::writeLines(
               work + "/LIRAFOK.INI",
               {"KASIH=1", "KASID=" + lyrics, "AUTOX=1", "SOUND=0", "CYOUS=0300", "VOLUM=065536",
                "VOLU2=065536", "CKAS1=0", "CKAS2=16777215", "CKAS3=65535", "CKAS4=8421504",
                "FONTN=" + face, "FBOLD=-1", "GPT1N=" + face, "GPT2N=" + face, "GPASN=" + face,
                "GPBSN=" + face, "GPOTN=" + face}) &&
           fs::copy_file(LIRAFOK_SOURCE_DIR "/data/LIRAFOK.FOX", work + "/LIRAFOK.FOX",
                         fs::copy_options::overwrite_existing, ec);
}

std::string ratio(double a, double b) {
    if (std::isnan(a) || std::isnan(b) || b == 0) return "   -";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%5.2fx", a / b);
    return buf;
}

void row(const char* what, double ours, double theirs, const char* unit) {
    std::printf("  %-44s %9.1f %9.1f   %s  %s\n", what, ours, theirs, ratio(ours, theirs).c_str(),
                unit);
}

void printHighlight(const char* name, const HighlightResult& r) {
    std::vector<double> abs;
    for (double e : r.errorsMs) abs.push_back(std::abs(e));
    const double worst = abs.empty() ? NAN : *std::max_element(abs.begin(), abs.end());
    std::int64_t dropped = 0;
    for (auto d : r.dropouts) dropped += d;
    std::printf(
        "  highlight, %s: %zu of %d lines matched; error (audible - (line - lead)) median %+.1f ms,"
        " |median| %.1f ms, p95 |e| %.1f ms, worst |e| %.1f ms; dropouts %zu (%.1f ms)\n",
        name, r.errorsMs.size(), r.lines, percentile(r.errorsMs, 0.5), percentile(abs, 0.5),
        percentile(abs, 0.95), worst, r.dropouts.size(), static_cast<double>(dropped) / 44.1);
}

void printTaps(const char* name, const TapResult& r) {
    std::vector<double> abs;
    for (double e : r.errorsMs) abs.push_back(std::abs(e));
    const double worst = abs.empty() ? NAN : *std::max_element(abs.begin(), abs.end());
    std::printf(
        "  presses, %s: %zu of %d matched; error (stored - audible) median %+.1f ms, "
        "|median| %.1f ms, p95 |e| %.1f ms, worst |e| %.1f ms\n",
        name, r.errorsMs.size(), r.presses, percentile(r.errorsMs, 0.5), percentile(abs, 0.5),
        percentile(abs, 0.95), worst);
}

void printStarts(const char* name, const StartResult& r) {
    std::printf(
        "  %-26s %2zu heard: median %.1f ms, worst %.1f ms; lost %d, never heard %d, worst cut "
        "%.1f ms\n",
        name, r.latencyMs.size(), percentile(r.latencyMs, 0.5), percentile(r.latencyMs, 1.0),
        r.lost, r.missing, r.worstCutMs);
}

}  // namespace

int main(int argc, char** argv) {
    if (const int done = bench::runPerServer(argc, argv); done >= 0) return done;
    int cpuSeconds = 30, lines = 60, seekCount = 12, presses = 60;
    bool withMpv = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&] { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
        if (a == "--no-mpv")
            withMpv = false;
        else if (a == "--cpu-seconds")
            cpuSeconds = std::max(5, next());
        else if (a == "--lines")
            lines = std::max(10, next());
        else if (a == "--seeks")
            seekCount = std::max(2, next());
        else if (a == "--presses")
            presses = std::max(10, next());
    }
    if (withMpv && std::system("mpv --version >/dev/null 2>&1") != 0) {
        std::printf("mpv not found: its figures are left out\n");
        withMpv = false;
    }
    const std::string imageDir = fs::temp_directory_path() / "lirafok-bench-image";
    fs::create_directories(imageDir);
    std::printf("writing the 70-minute CUE+FLAC image of the demo songs (kept for later runs)\n");
    std::fflush(stdout);
    const DemoImage image(70, 4);
    if (!image.write(imageDir)) return 1;

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QCoreApplication app(argc, argv);
    bench::SoundBench sound;
    if (!sound.start("lirafok-bench")) return 1;
    testing::PrivateSoundServer& server = sound.server;
    bench::MonitorCapture& capture = sound.capture;
    const auto pulse = sound.pulse;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    // In process: highlight idle and busy, starts and seeks.
    const std::string work = server.runtimeDir() + "/work";
    const std::string discDir = server.runtimeDir() + "/disc";
    fs::create_directories(discDir);
    for (const char* f : {"image.cue", "image.flac"})
        fs::create_symlink(imageDir + "/" + f, discDir + "/" + f);
    fs::create_directories(work + "/idle");
    fs::create_directories(work + "/busy");
    fs::create_directories(work + "/taps-idle");
    fs::create_directories(work + "/taps-busy");
    fs::create_directories(work + "/busy2");
    fs::create_directories(work + "/taps-busy2");
    std::printf("lyrics highlight, %d lines, idle ...\n", lines);
    std::fflush(stdout);
    const HighlightResult idle =
        measureHighlight(work + "/idle", discDir, image, lines, pulse, capture);
    std::printf("lyrics highlight, %d lines, one core busy ...\n", lines);
    std::fflush(stdout);
    std::printf("timing setter, %d presses, idle ...\n", presses);
    std::fflush(stdout);
    const TapResult tapsIdle =
        measureTaps(work + "/taps-idle", discDir, image, presses, pulse, capture);
    const pid_t hog = busyCore();
    const HighlightResult busy =
        measureHighlight(work + "/busy", discDir, image, lines, pulse, capture);
    std::printf("timing setter, %d presses, one core busy ...\n", presses);
    std::fflush(stdout);
    const TapResult tapsBusy =
        measureTaps(work + "/taps-busy", discDir, image, presses, pulse, capture);
    StartResult startsBusy, seeksBusy;
    measureStarts(discDir, image, seekCount, pulse, capture, startsBusy, seeksBusy);
    // Both cores busy beside the program.
    std::printf("lyrics highlight and timing setter, both cores busy ...\n");
    std::fflush(stdout);
    const pid_t hog2 = busyCore();
    const HighlightResult busy2 =
        measureHighlight(work + "/busy2", discDir, image, lines, pulse, capture);
    const TapResult tapsBusy2 =
        measureTaps(work + "/taps-busy2", discDir, image, presses, pulse, capture);
    stopProcess(hog2);
    stopProcess(hog);
    StartResult starts, seeks;
    measureStarts(discDir, image, seekCount, pulse, capture, starts, seeks);

    // Whole processes, one after the other into the same sink.
    const std::string program = work + "/program";
    if (!prepareProgram(program, imageDir, image)) return 1;
    // Steady CPU: each player three times, one after the other in turn, so that a change of
    // the machine's load touches both alike.
    const std::vector<std::string> mpvArgs = {
        "mpv",        "--no-config",    "--no-video",
        "--ao=pulse", "--really-quiet", imageDir + "/image.cue"};
    std::vector<double> cpuOurs, cpuMpv;
    for (int run = 1; run <= 3; ++run) {
        std::printf("steady CPU, run %d of 3: LIRAFOK%s (%d s each) ...\n", run,
                    withMpv ? ", then mpv" : "", cpuSeconds);
        std::fflush(stdout);
        cpuOurs.push_back(measureProcess({LIRAFOK_GUI_PATH}, program,
                                         {{"QT_QPA_PLATFORM", "offscreen"},
                                          {"XDG_CONFIG_HOME", program + "/config"}},
                                         capture, image, cpuSeconds, nullptr)
                              .cpuMsPerSecond);
        if (withMpv)
            cpuMpv.push_back(measureProcess(mpvArgs, server.runtimeDir(), {}, capture, image,
                                            cpuSeconds, nullptr)
                                 .cpuMsPerSecond);
    }
    std::printf("LIRAFOK as a process (%d s of steady play) ...\n", cpuSeconds);
    std::fflush(stdout);
    const ProcessFigures ours =
        measureProcess({LIRAFOK_GUI_PATH}, program,
                       {{"QT_QPA_PLATFORM", "offscreen"}, {"XDG_CONFIG_HOME", program + "/config"}},
                       capture, image, cpuSeconds, nullptr);
    ProcessFigures mpv;
    StartResult mpvSeeks;
    if (withMpv) {
        std::printf("mpv as a process (%d s of steady play, then %d seeks) ...\n", cpuSeconds,
                    seekCount);
        std::fflush(stdout);
        const std::string sock = server.runtimeDir() + "/mpv.sock";
        mpv = measureProcess({"mpv", "--no-config", "--no-video", "--ao=pulse", "--really-quiet",
                              "--input-ipc-server=" + sock, imageDir + "/image.cue"},
                             server.runtimeDir(), {}, capture, image, cpuSeconds, [&](pid_t) {
                                 std::vector<std::pair<std::int64_t, std::int64_t>> cmds;
                                 for (int i = 0; i < seekCount; ++i) {
                                     const int t = i % 4;
                                     const std::int64_t frame =
                                         image.trackFirst(t) +
                                         (5000 + 1000 * (i / 4) + 1000 * ((i + 1) % 4)) * 441 / 10;
                                     char json[128];
                                     std::snprintf(json, sizeof json,
                                                   "{\"command\":[\"seek\",\"%.4f\",\"absolute\"]}",
                                                   static_cast<double>(frame) / 44100);
                                     cmds.emplace_back(nowUs(), frame);
                                     mpvCommand(sock, json);
                                     std::this_thread::sleep_for(std::chrono::milliseconds(700));
                                 }
                                 scoreStarts(capture, image, cmds, mpvSeeks);
                             });
    }
    mpv.seeks = mpvSeeks;
    capture.stop();

    std::printf(
        "\nPlayback on a %.0f-minute single-file CUE+FLAC image (%d tracks), private "
        "%s null sink, heard = the sink's monitor\n",
        static_cast<double>(image.frames()) / 44100 / 60, image.tracks(), server.name());
    std::printf("  %-44s %9s %9s   %s\n", "", "LIRAFOK", withMpv ? "mpv" : "(no mpv)", "ratio");
    row("process start to first audible frame (ms)", ours.firstSoundMs, mpv.firstSoundMs, "");
    row("start cut (ms of the disc's first frames lost)", ours.startCutMs, mpv.startCutMs, "");
    row("steady CPU per second of audio (ms)", ours.cpuMsPerSecond, mpv.cpuMsPerSecond,
        "(whole process; LIRAFOK with its lyrics window open)");
    row("peak RSS (MB)", ours.peakRssMb, mpv.peakRssMb, "(whole process)");
    {
        // The three alternating runs: each run's figures, their spread, and the runs in
        // which LIRAFOK took at most 0.4x mpv's CPU.
        int within = 0;
        std::string runs;
        for (std::size_t i = 0; i < cpuOurs.size(); ++i) {
            char one[96];
            const double ratio = i < cpuMpv.size() && cpuMpv[i] > 0 ? cpuOurs[i] / cpuMpv[i] : 0;
            if (ratio > 0 && ratio <= 0.4) ++within;
            std::snprintf(one, sizeof one, "%s%.1f/%.1f (%.2fx)", i ? ", " : "", cpuOurs[i],
                          i < cpuMpv.size() ? cpuMpv[i] : 0.0, ratio);
            runs += one;
        }
        const auto [ourLo, ourHi] = std::minmax_element(cpuOurs.begin(), cpuOurs.end());
        std::printf("  steady CPU, 3 alternating runs (ms per s, LIRAFOK/mpv): %s\n", runs.c_str());
        if (!cpuMpv.empty()) {
            const auto [mpvLo, mpvHi] = std::minmax_element(cpuMpv.begin(), cpuMpv.end());
            std::printf(
                "    spread: LIRAFOK %.1f-%.1f, mpv %.1f-%.1f; runs at or under 0.4x: %d of %zu\n",
                *ourLo, *ourHi, *mpvLo, *mpvHi, within, cpuOurs.size());
        }
    }
    row("seek to the audible frame, median (ms)", percentile(seeks.latencyMs, 0.5),
        percentile(mpv.seeks.latencyMs, 0.5), "(LIRAFOK: the drive in process; mpv: IPC seek)");
    row("seek to the audible frame, worst (ms)", percentile(seeks.latencyMs, 1.0),
        percentile(mpv.seeks.latencyMs, 1.0), "");
    std::printf("Starts and seeks (a start heard more than 5 ms past its frame is lost):\n");
    printStarts("LIRAFOK start, idle:", starts);
    printStarts("LIRAFOK seek, idle:", seeks);
    printStarts("LIRAFOK start, busy:", startsBusy);
    printStarts("LIRAFOK seek, busy:", seeksBusy);
    if (withMpv) printStarts("mpv seek, idle:", mpv.seeks);
    std::printf(
        "Lyrics highlight against the audible frame (goal: |median| < 5 ms, worst < 17 ms):\n");
    printHighlight("idle", idle);
    printHighlight("one core busy", busy);
    printHighlight("both cores busy", busy2);
    std::printf(
        "Timing setter presses: stored time against the audible frame (goal: within 10 ms):\n");
    printTaps("idle", tapsIdle);
    printTaps("one core busy", tapsBusy);
    printTaps("both cores busy", tapsBusy2);
    return 0;
}
