#include "bench_signals.h"

#include <sndfile.h>

#include <cmath>
#include <fstream>
#include <random>
#include <vector>

namespace lirafok::bench {

namespace {
void writeFlac(const std::string& path, const std::vector<std::int16_t>& pcm) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    sf_write_short(f, pcm.data(), static_cast<sf_count_t>(pcm.size()));
    sf_close(f);
}
}  // namespace

void writeClickDisc(const std::string& dir, int seconds) {
    const std::size_t trackFrames = static_cast<std::size_t>(seconds) * 44100;
    std::vector<std::int16_t> pcm(trackFrames * 2 * 2, 0);
    for (int ms = kClickOffsetMs; ms < seconds * 1000; ms += kClickEveryMs) {
        const std::size_t at = static_cast<std::size_t>(ms) * 441 / 10;
        for (std::size_t i = 0; i < 132; ++i) {
            const auto v =
                static_cast<std::int16_t>(20000 * std::sin(2 * M_PI * 3000 * i / 44100.0));
            pcm[(at + i) * 2] = v;
            pcm[(at + i) * 2 + 1] = v;
        }
    }
    writeFlac(dir + "/clicks.flac", pcm);
    const int m = seconds / 60, s = seconds % 60;
    char second[16];
    std::snprintf(second, sizeof second, "%02d:%02d:00", m, s);
    std::ofstream(dir + "/clicks.cue")
        << "FILE \"clicks.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
        << "  TRACK 02 AUDIO\n    INDEX 01 " << second << "\n";
}

void writeMusicDisc(const std::string& dir, int seconds) {
    const std::size_t frames = static_cast<std::size_t>(seconds) * 44100;
    std::vector<std::int16_t> pcm(frames * 2);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(-600, 600);
    const double roots[] = {261.6, 220.0, 174.6, 196.0};
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = i / 44100.0;
        const double root = roots[(i / 11025) % 4];
        double v = 0;
        for (double ratio : {1.0, 1.25, 1.5, 2.0}) v += std::sin(2 * M_PI * root * ratio * t);
        const double env = 0.6 + 0.4 * std::sin(2 * M_PI * 2 * t);
        pcm[i * 2] = static_cast<std::int16_t>(v * 5000 * env + noise(rng));
        pcm[i * 2 + 1] = static_cast<std::int16_t>(v * 4500 * env + noise(rng));
    }
    writeFlac(dir + "/music.flac", pcm);
    std::ofstream(dir + "/music.cue")
        << "FILE \"music.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
}

}  // namespace lirafok::bench
