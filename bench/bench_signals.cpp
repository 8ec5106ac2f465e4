#include "bench_signals.h"

#include <sndfile.h>

#include <cmath>
#include <fstream>
#include <random>
#include <vector>
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "../tools/demo_music.h"
#include "../tools/demo_songs.h"

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

namespace lirafok::bench {

DemoImage::DemoImage(int minutes, int repeats) : m_repeats(repeats) {
    for (const auto& song : tools::demoSongs()) m_songs.push_back(tools::renderSong(song));
    const std::int64_t want = std::int64_t{minutes} * 60 * 44100;
    for (int t = 0; m_frames < want && t < 99; ++t) {
        const int s = t % static_cast<int>(m_songs.size());
        m_trackSong.push_back(s);
        m_trackFirst.push_back(m_frames);
        m_frames +=
            static_cast<std::int64_t>(m_songs[static_cast<std::size_t>(s)].size() / 2) * repeats;
    }
}

std::int64_t DemoImage::trackFrames(int t) const {
    return static_cast<std::int64_t>(m_songs[static_cast<std::size_t>(m_trackSong[t])].size() / 2) *
           m_repeats;
}

std::int16_t DemoImage::sample(std::int64_t frame, int channel) const {
    if (frame < 0 || frame >= m_frames) return 0;
    const auto it = std::upper_bound(m_trackFirst.begin(), m_trackFirst.end(), frame);
    const auto t = static_cast<std::size_t>(it - m_trackFirst.begin() - 1);
    const auto& song = m_songs[static_cast<std::size_t>(m_trackSong[t])];
    const std::int64_t len = static_cast<std::int64_t>(song.size() / 2);
    const std::int64_t i = (frame - m_trackFirst[t]) % len;
    return song[static_cast<std::size_t>(i * 2 + channel)];
}

std::vector<std::int32_t> DemoImage::lineTimes(int t) const {
    const auto songs = tools::demoSongs();
    const auto& song = songs[static_cast<std::size_t>(m_trackSong[static_cast<std::size_t>(t)])];
    const auto starts = tools::phraseStartsMs(song);
    const std::int64_t lenMs =
        static_cast<std::int64_t>(m_songs[static_cast<std::size_t>(m_trackSong[t])].size() / 2) *
        1000 / 44100;
    std::vector<std::int32_t> out;
    for (int r = 0; r < m_repeats; ++r)
        for (std::size_t p = 0; p < song.phrases.size(); ++p)
            if (!song.phrases[p].lyric.empty())
                out.push_back(static_cast<std::int32_t>(starts[p] + r * lenMs));
    return out;
}

std::vector<std::string> DemoImage::lineTexts(int t) const {
    const auto songs = tools::demoSongs();
    const auto& song = songs[static_cast<std::size_t>(m_trackSong[static_cast<std::size_t>(t)])];
    std::vector<std::string> out;
    for (int r = 0; r < m_repeats; ++r)
        for (const auto& p : song.phrases)
            if (!p.lyric.empty()) out.push_back(p.lyric);
    return out;
}

bool DemoImage::write(const std::string& dir) const {
    std::string cue = "FILE \"image.flac\" WAVE\r\n";
    for (int t = 0; t < tracks(); ++t) {
        const std::int64_t sectors = m_trackFirst[static_cast<std::size_t>(t)] / 588;
        char line[80];
        std::snprintf(
            line, sizeof line, "  TRACK %02d AUDIO\r\n    INDEX 01 %02lld:%02lld:%02lld\r\n", t + 1,
            static_cast<long long>(sectors / 75 / 60), static_cast<long long>(sectors / 75 % 60),
            static_cast<long long>(sectors % 75));
        cue += line;
    }
    const std::string cuePath = dir + "/image.cue", flacPath = dir + "/image.flac";
    {
        std::ifstream old(cuePath, std::ios::binary);
        const std::string had((std::istreambuf_iterator<char>(old)), {});
        SF_INFO info{};
        SNDFILE* f = had == cue ? sf_open(flacPath.c_str(), SFM_READ, &info) : nullptr;
        if (f) sf_close(f);
        if (f && info.frames == m_frames) return true;
    }
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(flacPath.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    std::vector<std::int16_t> block;
    for (int t = 0; t < tracks(); ++t) {
        const auto& song =
            m_songs[static_cast<std::size_t>(m_trackSong[static_cast<std::size_t>(t)])];
        for (int r = 0; r < m_repeats; ++r)
            sf_writef_short(f, song.data(), static_cast<sf_count_t>(song.size() / 2));
    }
    sf_close(f);
    std::ofstream(cuePath, std::ios::binary) << cue;
    return true;
}

}  // namespace lirafok::bench
