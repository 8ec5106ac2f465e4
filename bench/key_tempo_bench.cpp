// Key and tempo benchmark: LIRAFOK's PCM pipeline next to mpv (--no-video --ao=pulse with its
// rubberband and scaletempo2 filters), in one run, into the same null sink of a private
// PulseAudio server, everything heard taken from the sink's monitor:
//   - CPU per second of audio of each whole process playing a demo song: key +3, 80 % tempo,
//     and the disc's own key and tempo; the runs alternate and repeat, the spread is printed;
//   - a change of key or tempo to the changed sound heard, and a seek with the stretcher on
//     to the new place heard (a tone whose pitch tells which setting and which place plays);
//   - accuracy: the pitch of a 440 Hz tone at +2 and +12, how long a 60 s song lasts at 80 %
//     (key +3), and the position the player reports against the disc frame heard, over marks
//     every half second of that song.
// Usage: lirafok_key_tempo_bench [--cpu-seconds N (8)] [--repeats N (3)] [--song-seconds N
//                                (60)] [--no-mpv]
#include <fcntl.h>
#include <signal.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_capture.h"
#include "device/real/pcm_player.h"
#include "device/real/pulse_sink.h"
#include "tone_analysis.h"
#include "../tools/demo_music.h"
#include "../tools/demo_songs.h"

using namespace lirafok;
using namespace lirafok::bench;
using device::KeyTempo;
using device::real::PcmPlayer;
using device::real::PulseSink;
using testing::GeneratedSource;
using testing::sine;

extern char** environ;

namespace {

constexpr std::int64_t kSecond = 44100;

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

pid_t spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&quiet);
    return pid;
}

void end(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

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

std::vector<std::int16_t> readWav(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(info.frames) * 2);
    sf_readf_short(f, pcm.data(), info.frames);
    sf_close(f);
    return pcm;
}

bool writeWav(const std::string& path, const std::vector<std::int16_t>& pcm) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    sf_writef_short(f, pcm.data(), static_cast<sf_count_t>(pcm.size() / 2));
    sf_close(f);
    return true;
}

// The child: plays `wav` in a loop through the pipeline at `semitones` and `tempo` until ended.
int childMain(const std::string& wav, int semitones, int tempo) {
    const auto pcm = std::make_shared<std::vector<std::int16_t>>(readWav(wav));
    const auto frames = static_cast<std::int64_t>(pcm->size() / 2);
    if (frames == 0) return 1;
    std::string why;
    const auto pulse = device::real::PulseConnection::connect("lirafok-bench-child", &why);
    if (!pulse) return 1;
    auto source = std::make_shared<GeneratedSource>(
        [pcm, frames](std::int64_t f, std::int16_t& l, std::int16_t& r) {
            const auto i = static_cast<std::size_t>(f % frames) * 2;
            l = (*pcm)[i];
            r = (*pcm)[i + 1];
        });
    PcmPlayer player(std::make_unique<PulseSink>(pulse, "CD"), nullptr);
    player.setKeyTempo({semitones, tempo});
    player.play(source, 0, 1000 * frames);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

struct Spread {
    std::vector<double> values;
    std::string text() const {
        if (values.empty()) return "-";
        const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
        double sum = 0;
        for (double v : values) sum += v;
        char b[96];
        std::snprintf(b, sizeof b, "%.1f (%.1f..%.1f)", sum / values.size(), *lo, *hi);
        return b;
    }
};

// CPU ms per second of a process that plays `args` steadily.
double cpuOf(const std::vector<std::string>& args, int seconds) {
    const pid_t pid = spawn(args);
    if (pid <= 0) return NAN;
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    const double c0 = cpuSecondsOf(pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double c1 = cpuSecondsOf(pid);
    end(pid);
    return (c1 - c0) * 1000 / seconds;
}

// The first recorded frame from `from` on where a 20 ms window plays `hz` (within 2 %): the
// whole window already has the new sound, so the change was heard at the latest there.
std::optional<std::int64_t> firstAt(const std::vector<std::int16_t>& rec, std::int64_t from,
                                    double hz, std::int64_t within = kSecond) {
    const auto frames = static_cast<std::int64_t>(rec.size() / 2);
    for (std::int64_t f = std::max<std::int64_t>(from, 0);
         f + 882 < std::min(frames, from + within); f += 22) {
        const double got = testing::frequency(rec, f, f + 882);
        if (std::abs(got / hz - 1) < 0.02) return f;
    }
    return std::nullopt;
}

// A tone of 440 Hz before disc second 30 and 660 Hz from there on.
std::shared_ptr<GeneratedSource> twoTones() {
    return std::make_shared<GeneratedSource>([](std::int64_t f, std::int16_t& l, std::int16_t& r) {
        l = r = static_cast<std::int16_t>(10000 * sine(f < 30 * kSecond ? 440 : 660, f));
    });
}

double pitchScale(int semitones) {
    return std::pow(2.0, semitones / 12.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--child")
        return childMain(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    int cpuSeconds = 8, repeats = 3, songSeconds = 60;
    bool withMpv = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&] { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
        if (a == "--no-mpv")
            withMpv = false;
        else if (a == "--cpu-seconds")
            cpuSeconds = std::max(3, next());
        else if (a == "--repeats")
            repeats = std::max(1, next());
        else if (a == "--song-seconds")
            songSeconds = std::max(10, next());
    }
    if (withMpv && std::system("mpv --version >/dev/null 2>&1") != 0) {
        std::printf("mpv not found: its figures are left out\n");
        withMpv = false;
    }
    SoundBench sb;
    if (!sb.start("lirafok-bench")) return 1;
    const std::string dir = sb.server.runtimeDir();
    std::system("uptime");

    // --- CPU, whole processes, alternating ---
    const std::string song = dir + "/song.wav", tones = dir + "/tones.wav";
    writeWav(song, tools::renderSong(tools::demoSongs().front()));
    {
        std::vector<std::int16_t> pcm(static_cast<std::size_t>(90 * kSecond) * 2);
        auto src = twoTones();
        src->read(0, pcm.data(), 90 * kSecond);
        writeWav(tones, pcm);
    }
    const std::string self = "/proc/self/exe";
    char exe[4096] = {};
    const ssize_t len = ::readlink(self.c_str(), exe, sizeof exe - 1);
    const std::string us = len > 0 ? std::string(exe, static_cast<std::size_t>(len)) : argv[0];
    const std::vector<std::string> mpvBase = {"mpv",
                                              "--no-config",
                                              "--no-video",
                                              "--ao=pulse",
                                              "--really-quiet",
                                              "--loop-file=inf",
                                              "--audio-samplerate=44100"};
    auto mpv = [&](std::vector<std::string> extra, const std::string& file) {
        std::vector<std::string> a = mpvBase;
        a.insert(a.end(), extra.begin(), extra.end());
        a.push_back(file);
        return a;
    };
    struct CpuCase {
        const char* name;
        std::vector<std::string> ours, theirs, theirs2;
        Spread a, b, c;
    };
    std::vector<CpuCase> cpu = {
        {"key +3",
         {us, "--child", song, "3", "100"},
         mpv({"--af=rubberband=pitch-scale=1.189207"}, song),
         {}},
        {"tempo 80 %",
         {us, "--child", song, "0", "80"},
         mpv({"--speed=0.8", "--af=scaletempo2"}, song),
         mpv({"--speed=0.8", "--af=rubberband"}, song)},
        {"key +3 and tempo 80 %",
         {us, "--child", song, "3", "80"},
         mpv({"--speed=0.8", "--af=rubberband=pitch-scale=1.189207"}, song),
         {}},
        {"key 0, tempo 100 %", {us, "--child", song, "0", "100"}, mpv({}, song), {}},
    };
    std::printf("CPU: %d runs of %d s each, alternating ...\n", repeats, cpuSeconds);
    for (int r = 0; r < repeats; ++r)
        for (auto& c : cpu) {
            c.a.values.push_back(cpuOf(c.ours, cpuSeconds));
            if (withMpv) c.b.values.push_back(cpuOf(c.theirs, cpuSeconds));
            if (withMpv && !c.theirs2.empty()) c.c.values.push_back(cpuOf(c.theirs2, cpuSeconds));
        }
    std::system("uptime");

    // --- Latencies, in process against mpv through its IPC socket ---
    std::string why;
    std::vector<double> keyMs, retuneMs, offMs, seekMs, mpvKeyMs, mpvSeekMs;
    {
        auto src = twoTones();
        PcmPlayer player(std::make_unique<PulseSink>(sb.pulse, "CD"), nullptr);
        for (int k = 0; k < 6; ++k) {
            // Stretcher in: 0 -> +3.
            player.setKeyTempo({});
            player.play(src, 5 * kSecond, 29 * kSecond);
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            double t0 = nowUs();
            player.setKeyTempo({3, 100});
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            auto rec = sb.capture.samples();
            if (auto f = firstAt(rec, sb.capture.frameAtUs(t0), 440 * pitchScale(3)))
                keyMs.push_back((sb.capture.heardUs(*f) - t0) / 1000);
            // Retuned while stretching: +3 -> +5 at 80 %.
            t0 = nowUs();
            player.setKeyTempo({5, 80});
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            rec = sb.capture.samples();
            if (auto f = firstAt(rec, sb.capture.frameAtUs(t0), 440 * pitchScale(5)))
                retuneMs.push_back((sb.capture.heardUs(*f) - t0) / 1000);
            // A seek at +5 / 80 % into the 660 Hz part.
            t0 = nowUs();
            player.play(src, 40 * kSecond, 80 * kSecond);
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            rec = sb.capture.samples();
            if (auto f = firstAt(rec, sb.capture.frameAtUs(t0), 660 * pitchScale(5)))
                seekMs.push_back((sb.capture.heardUs(*f) - t0) / 1000);
            // Back to the disc's own key and tempo.
            t0 = nowUs();
            player.setKeyTempo({});
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            rec = sb.capture.samples();
            if (auto f = firstAt(rec, sb.capture.frameAtUs(t0), 660))
                offMs.push_back((sb.capture.heardUs(*f) - t0) / 1000);
            player.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    }
    if (withMpv) {
        const std::string sock = dir + "/mpv.sock";
        auto a = mpv({"--af=@rb:rubberband=pitch-scale=1.0", "--input-ipc-server=" + sock,
                      "--start=5", "--pause"},
                     tones);
        const pid_t pid = spawn(a);
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        for (int k = 0; k < 6; ++k) {
            mpvCommand(sock, R"({"command":["af-command","rb","set-pitch","1.0"]})");
            mpvCommand(sock, R"({"command":["seek","5","absolute"]})");
            mpvCommand(sock, R"({"command":["set_property","pause",false]})");
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            double t0 = nowUs();
            mpvCommand(sock, R"({"command":["af-command","rb","set-pitch","1.189207"]})");
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            auto rec = sb.capture.samples();
            if (auto f = firstAt(rec, sb.capture.frameAtUs(t0), 440 * pitchScale(3)))
                mpvKeyMs.push_back((sb.capture.heardUs(*f) - t0) / 1000);
            t0 = nowUs();
            mpvCommand(sock, R"({"command":["seek","40","absolute"]})");
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            rec = sb.capture.samples();
            if (auto f = firstAt(rec, sb.capture.frameAtUs(t0), 660 * pitchScale(3)))
                mpvSeekMs.push_back((sb.capture.heardUs(*f) - t0) / 1000);
            mpvCommand(sock, R"({"command":["set_property","pause",true]})");
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        end(pid);
    }

    // --- Accuracy: pitch ---
    double hz2 = 0, hz12 = 0;
    {
        auto tone =
            std::make_shared<GeneratedSource>([](std::int64_t f, std::int16_t& l, std::int16_t& r) {
                l = r = static_cast<std::int16_t>(12000 * sine(440, f));
            });
        PcmPlayer player(std::make_unique<PulseSink>(sb.pulse, "CD"), nullptr);
        for (int semis : {2, 12}) {
            player.setKeyTempo({semis, 100});
            player.play(tone, 0, 60 * kSecond);
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            const std::int64_t from = sb.capture.frameAtUs(nowUs());
            std::this_thread::sleep_for(std::chrono::milliseconds(1200));
            const auto rec = sb.capture.samples();
            (semis == 2 ? hz2 : hz12) = testing::frequency(rec, from, from + kSecond);
            player.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    }

    // --- Accuracy: a song at 80 % with key +3, its length and the position against the heard
    // disc frame, over marks every half second ---
    constexpr std::int64_t kMarkEvery = kSecond / 2;
    const std::int64_t songFrames = songSeconds * kSecond;
    auto marked = std::make_shared<GeneratedSource>(
        [songFrames](std::int64_t f, std::int16_t& l, std::int16_t& r) {
            if (f >= songFrames) {
                l = r = 0;
                return;
            }
            const std::int64_t m = f / kMarkEvery * kMarkEvery;
            const double v = 3000 * sine(330, f) + (m > 0 ? 30000 * testing::mark(m, f) : 0.0);
            l = r = static_cast<std::int16_t>(v);
        });
    std::mutex endMutex;
    double endedUs = 0;
    std::vector<std::pair<double, std::int64_t>> samples;  // (us, position)
    double startUs = 0;
    {
        PcmPlayer player(std::make_unique<PulseSink>(sb.pulse, "CD"),
                         [&](std::uint64_t, device::SpanEnd) {
                             std::lock_guard lk(endMutex);
                             endedUs = nowUs();
                         });
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        player.setKeyTempo({3, 80});
        startUs = nowUs();
        player.play(marked, 0, songFrames);
        std::printf("a %d s song at 80 %% with key +3 (%.0f s) ...\n", songSeconds,
                    songSeconds * 1.25);
        for (;;) {
            {
                std::lock_guard lk(endMutex);
                if (endedUs > 0) break;
            }
            samples.emplace_back(nowUs(), player.position());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (nowUs() - startUs > (songSeconds * 1.25 + 5) * 1e6) break;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto rec = sb.capture.samples();
    const std::int64_t recFrom = sb.capture.frameAtUs(startUs);
    // The song heard: from its first audible frame to its last.
    std::int64_t firstHeard = -1, lastHeard = -1;
    for (std::int64_t f = recFrom; f < static_cast<std::int64_t>(rec.size() / 2); ++f)
        if (std::abs(rec[static_cast<std::size_t>(2 * f)]) > 200) {
            if (firstHeard < 0) firstHeard = f;
            lastHeard = f;
        }
    std::vector<double> highlight;
    double firstMarkUs = 0, lastMarkUs = 0, firstMarkFrame = 0, lastMarkFrame = 0;
    for (std::int64_t m = kMarkEvery; m < songFrames; m += kMarkEvery) {
        // When the position passed the mark's disc frame.
        double passedUs = 0;
        for (std::size_t i = 1; i < samples.size(); ++i)
            if (samples[i - 1].second < m && samples[i].second >= m) {
                const double t = double(m - samples[i - 1].second) /
                                 double(samples[i].second - samples[i - 1].second);
                passedUs = samples[i - 1].first + t * (samples[i].first - samples[i - 1].first);
                break;
            }
        if (passedUs == 0) continue;
        const std::int64_t around = sb.capture.frameAtUs(passedUs);
        const auto at = testing::markAt(rec, around - kSecond / 10, around + kSecond / 10, 1.25);
        if (!at) continue;
        const double heardUs = sb.capture.heardUs(static_cast<std::int64_t>(std::llround(*at)));
        highlight.push_back((passedUs - heardUs) / 1000);
        if (firstMarkUs == 0) firstMarkUs = heardUs, firstMarkFrame = *at;
        lastMarkUs = heardUs;
        lastMarkFrame = *at;
    }
    double worstHighlight = 0;
    for (double e : highlight) worstHighlight = std::max(worstHighlight, std::abs(e));
    const double markSpan = (lastMarkFrame - firstMarkFrame) / kSecond;
    const double markSpanWall = (lastMarkUs - firstMarkUs) / 1e6;
    const double wantMarkSpan = (songSeconds - 1) * 1.25;
    const double heardSeconds =
        firstHeard >= 0 ? double(lastHeard - firstHeard + 1) / kSecond : NAN;
    const double endWall =
        firstHeard >= 0 && endedUs > 0 ? (endedUs - sb.capture.heardUs(firstHeard)) / 1e6 : NAN;
    std::system("uptime");

    // --- The figures ---
    auto p = [](const std::vector<double>& v, double q) {
        return v.empty() ? NAN : percentile(v, q);
    };
    std::printf("\n%-40s %-22s %-22s %-22s\n", "CPU ms per second of audio", "LIRAFOK",
                "mpv (rubberband/plain)", "mpv scaletempo2");
    for (const auto& c : cpu) {
        const bool tempoCase = !c.theirs2.empty();
        std::printf("%-40s %-22s %-22s %-22s\n", c.name, c.a.text().c_str(),
                    (tempoCase ? c.c : c.b).text().c_str(), tempoCase ? c.b.text().c_str() : "");
    }
    std::printf("\n%-52s %10s %10s   %s\n", "to audible (ms)", "median", "worst", "");
    auto row = [&](const char* name, const std::vector<double>& v) {
        std::printf("%-52s %10.1f %10.1f   (%zu runs)\n", name, p(v, 0.5), p(v, 1.0), v.size());
    };
    row("LIRAFOK key 0 -> +3 (stretcher joins)", keyMs);
    row("LIRAFOK key +3 -> +5 and tempo 100 -> 80 %", retuneMs);
    row("LIRAFOK seek with the stretcher on (+5, 80 %)", seekMs);
    row("LIRAFOK back to key 0, 100 % (stretcher leaves)", offMs);
    if (withMpv) {
        row("mpv rubberband set-pitch 1.0 -> 1.189 (IPC)", mpvKeyMs);
        row("mpv seek with rubberband on (IPC)", mpvSeekMs);
    }
    std::printf("\naccuracy\n");
    std::printf("  440 Hz at +2:  %.2f Hz (want 493.88 +- 0.5 %%: %+.3f %%)\n", hz2,
                (hz2 / 493.883 - 1) * 100);
    std::printf("  440 Hz at +12: %.2f Hz (want 880.00 +- 0.5 %%: %+.3f %%)\n", hz12,
                (hz12 / 880 - 1) * 100);
    std::printf(
        "  %d.000 s song at 80 %%, key +3: heard %.3f s (want %.3f), end notice %.3f s "
        "after its first frame was heard\n",
        songSeconds, heardSeconds, songSeconds * 1.25, endWall);
    std::printf(
        "  its first and last marks (disc 0.5 s, %.1f s) heard %.3f s of audio apart (want "
        "%.3f: %+.1f ms); by the capture's clock %.3f s\n",
        songSeconds - 0.5, markSpan, wantMarkSpan, (markSpan - wantMarkSpan) * 1000, markSpanWall);
    std::printf(
        "  position passing a mark - mark heard, %zu marks: median %+.1f ms, worst |%.1f| ms "
        "(goal 17)\n",
        highlight.size(), p(highlight, 0.5), worstHighlight);
    return 0;
}
