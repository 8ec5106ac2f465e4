#include "test_discs.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace lirafok::testing {

namespace {
std::string msf(std::int64_t frames) {
    const std::int64_t sectors = frames / 588;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld",
                  static_cast<long long>(sectors / 75 / 60),
                  static_cast<long long>(sectors / 75 % 60), static_cast<long long>(sectors % 75));
    return buf;
}

void appendTrack(std::vector<std::int16_t>& out, const ToneTrack& t) {
    out.insert(out.end(), static_cast<std::size_t>(t.gapFrames) * 2, 0);
    for (std::int64_t i = 0; i < t.frames; ++i) {
        out.push_back(toneSample(t, i, 0));
        out.push_back(toneSample(t, i, 1));
    }
}
}  // namespace

std::int16_t toneSample(const ToneTrack& track, std::int64_t i, int channel) {
    const double v = std::sin(2 * M_PI * track.freqHz * static_cast<double>(i) / 44100.0);
    return static_cast<std::int16_t>(std::lround(v * (channel == 0 ? 16000 : 8000)));
}

std::vector<std::int16_t> expectedDisc(const std::vector<ToneTrack>& tracks) {
    std::vector<std::int16_t> out(88200 * 2, 0);
    for (const auto& t : tracks) appendTrack(out, t);
    return out;
}

void writeBinCue(const std::string& dir, const std::vector<ToneTrack>& tracks) {
    std::vector<std::int16_t> pcm;
    std::ofstream cue(dir + "/disc.cue", std::ios::binary);
    cue << "TITLE \"Test Disc\"\r\nPERFORMER \"Tester\"\r\nFILE \"disc.bin\" BINARY\r\n";
    int n = 1;
    for (const auto& t : tracks) {
        if (t.frames % 588 || t.gapFrames % 588) throw std::runtime_error("not whole sectors");
        char num[24];
        std::snprintf(num, sizeof num, "%02d", n++);
        cue << "  TRACK " << num << " AUDIO\r\n";
        if (t.gapFrames)
            cue << "    INDEX 00 " << msf(static_cast<std::int64_t>(pcm.size() / 2)) << "\r\n";
        cue << "    INDEX 01 " << msf(static_cast<std::int64_t>(pcm.size() / 2) + t.gapFrames)
            << "\r\n";
        appendTrack(pcm, t);
    }
    std::ofstream bin(dir + "/disc.bin", std::ios::binary);
    bin.write(reinterpret_cast<const char*>(pcm.data()),
              static_cast<std::streamsize>(pcm.size() * 2));
}

void writeAudioFile(const std::string& path, const std::vector<std::int16_t>& frames, int rate,
                    int channels) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    const bool flac = path.ends_with(".flac");
    info.format = (flac ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) throw std::runtime_error("cannot write " + path);
    sf_write_short(f, frames.data(), static_cast<sf_count_t>(frames.size()));
    sf_close(f);
}

void writeRip(const std::string& dir, const std::vector<ToneTrack>& tracks, bool perTrack,
              const std::string& ext) {
    std::ofstream cue(dir + "/rip.cue", std::ios::binary);
    cue << "TITLE \"Rip\"\r\n";
    if (!perTrack) {
        std::vector<std::int16_t> pcm;
        cue << "FILE \"rip." << ext << "\" WAVE\r\n";
        int n = 1;
        for (const auto& t : tracks) {
            char num[24];
            std::snprintf(num, sizeof num, "%02d", n++);
            cue << "  TRACK " << num << " AUDIO\r\n";
            if (t.gapFrames)
                cue << "    INDEX 00 " << msf(static_cast<std::int64_t>(pcm.size() / 2)) << "\r\n";
            cue << "    INDEX 01 " << msf(static_cast<std::int64_t>(pcm.size() / 2) + t.gapFrames)
                << "\r\n";
            appendTrack(pcm, t);
        }
        writeAudioFile(dir + "/rip." + ext, pcm);
        return;
    }
    // One file per track, each holding its own INDEX 00 gap before the track proper.
    for (std::size_t k = 0; k < tracks.size(); ++k) {
        std::vector<std::int16_t> pcm;
        appendTrack(pcm, tracks[k]);
        char name[32];
        std::snprintf(name, sizeof name, "%02zu Track.%s", k + 1, ext.c_str());
        writeAudioFile(dir + "/" + name, pcm);
        char num[24];
        std::snprintf(num, sizeof num, "%02zu", k + 1);
        cue << "FILE \"" << name << "\" WAVE\r\n  TRACK " << num << " AUDIO\r\n    TITLE \"Song "
            << num << "\"\r\n";
        if (tracks[k].gapFrames) cue << "    INDEX 00 00:00:00\r\n";
        cue << "    INDEX 01 " << msf(tracks[k].gapFrames) << "\r\n";
    }
}

std::string makeTempDir(const std::string& tag) {
    static std::mt19937_64 rng{std::random_device{}()};
    auto dir = std::filesystem::temp_directory_path() /
               ("lirafok-" + tag + "-" + std::to_string(rng() % 100000000));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

bool RecordingSink::open() {
    std::lock_guard lk(m_mutex);
    return m_clock.open();
}
void RecordingSink::close() {
    std::lock_guard lk(m_mutex);
    m_clock.close();
}
std::int64_t RecordingSink::writableFrames() {
    std::lock_guard lk(m_mutex);
    return m_clock.writableFrames();
}
std::int64_t RecordingSink::write(const std::int16_t* frames, std::int64_t count) {
    std::lock_guard lk(m_mutex);
    const std::int64_t n = m_clock.write(frames, count);
    m_data.insert(m_data.end(), frames, frames + n * 2);
    m_accepted += n;
    return n;
}
std::int64_t RecordingSink::bufferedFrames() {
    std::lock_guard lk(m_mutex);
    return m_clock.bufferedFrames();
}
void RecordingSink::pause() {
    std::lock_guard lk(m_mutex);
    m_clock.pause();
    m_paused = true;
}
void RecordingSink::resume() {
    std::lock_guard lk(m_mutex);
    m_clock.resume();
    m_paused = false;
}
void RecordingSink::flush() {
    std::lock_guard lk(m_mutex);
    const std::int64_t unheard = m_clock.bufferedFrames();
    m_data.resize(m_data.size() - static_cast<std::size_t>(unheard) * 2);
    m_clock.flush();
}
std::int64_t RecordingSink::acceptedFrames() {
    std::lock_guard lk(m_mutex);
    return m_accepted;
}
bool RecordingSink::paused() {
    std::lock_guard lk(m_mutex);
    return m_paused;
}
std::vector<std::int16_t> RecordingSink::heard() {
    std::lock_guard lk(m_mutex);
    std::vector<std::int16_t> out = m_data;
    out.resize(out.size() - static_cast<std::size_t>(m_clock.bufferedFrames()) * 2);
    return out;
}
void RecordingSink::clear() {
    std::lock_guard lk(m_mutex);
    m_data.clear();
}

}  // namespace lirafok::testing
