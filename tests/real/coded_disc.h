#pragma once
// A disc whose every frame says where it is: the left sample holds the low 16 bits of the disc
// frame number and the right sample a marker and the higher bits. A bit-exact recording of
// the sound server's monitor then tells, frame by frame, which disc frame was heard, so that a
// lost start, a repeat or stale audio shows as a break in the sequence.
#include <sndfile.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lirafok::testing {

inline constexpr std::int64_t kCodedFirstFrame = 88200;  // track 1 starts after the lead-in

inline std::int16_t codedLeft(std::int64_t discFrame) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(discFrame & 0xFFFF));
}
inline std::int16_t codedRight(std::int64_t discFrame) {
    return static_cast<std::int16_t>(0x4000 | ((discFrame >> 16) & 0x3FFF));
}
// The disc frame a recorded frame carries; nullopt for silence or anything not from the disc.
inline std::optional<std::int64_t> codedFrame(std::int16_t left, std::int16_t right) {
    const auto r = static_cast<std::uint16_t>(right);
    if ((r & 0xC000) != 0x4000) return std::nullopt;
    return (static_cast<std::int64_t>(r & 0x3FFF) << 16) | static_cast<std::uint16_t>(left);
}

// `dir`/coded.cue with one FLAC file of `tracks` tracks, `trackSeconds` each.
inline void writeCodedRip(const std::string& dir, int tracks, int trackSeconds) {
    const std::int64_t frames = std::int64_t{tracks} * trackSeconds * 44100;
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames) * 2);
    for (std::int64_t i = 0; i < frames; ++i) {
        pcm[static_cast<std::size_t>(i) * 2] = codedLeft(kCodedFirstFrame + i);
        pcm[static_cast<std::size_t>(i) * 2 + 1] = codedRight(kCodedFirstFrame + i);
    }
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open((dir + "/coded.flac").c_str(), SFM_WRITE, &info);
    if (!f) throw std::runtime_error("cannot write " + dir + "/coded.flac");
    double fast = 0.0;
    sf_command(f, SFC_SET_COMPRESSION_LEVEL, &fast, sizeof fast);
    sf_writef_short(f, pcm.data(), frames);
    sf_close(f);
    std::ofstream cue(dir + "/coded.cue", std::ios::binary);
    cue << "FILE \"coded.flac\" WAVE\r\n";
    for (int t = 0; t < tracks; ++t) {
        const int s = t * trackSeconds;
        char line[64];
        std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\r\n    INDEX 01 %02d:%02d:00\r\n",
                      t + 1, s / 60, s % 60);
        cue << line;
    }
}

// A stretch of the recording that plays consecutive disc frames (silence inside it, as in a
// pause, does not break it).
struct HeardRun {
    std::int64_t firstDiscFrame = 0;
    std::int64_t lastDiscFrame = 0;
    std::size_t firstRecorded = 0;  // frames of the recording
    std::size_t lastRecorded = 0;
};

inline std::vector<HeardRun> heardRuns(const std::vector<std::int16_t>& rec) {
    std::vector<HeardRun> runs;
    for (std::size_t i = 0; i + 1 < rec.size(); i += 2) {
        const auto f = codedFrame(rec[i], rec[i + 1]);
        if (!f) continue;
        if (runs.empty() || *f != runs.back().lastDiscFrame + 1) {
            runs.push_back({*f, *f, i / 2, i / 2});
        } else {
            runs.back().lastDiscFrame = *f;
            runs.back().lastRecorded = i / 2;
        }
    }
    return runs;
}

// The output's own skips, joined to the run before: a run that goes on a little further (at
// most `maxSkip` frames) from where the one before stopped, after at least as much silence as
// it left out. Only on an output that skips (`outputSkips`); returns how many were joined.
inline int joinOutputSkips(std::vector<HeardRun>& runs, bool outputSkips,
                           std::int64_t maxSkip = 4096) {
    int joined = 0;
    if (!outputSkips) return 0;
    for (std::size_t i = 1; i < runs.size();) {
        HeardRun& before = runs[i - 1];
        const std::int64_t skipped = runs[i].firstDiscFrame - before.lastDiscFrame - 1;
        const auto silence = static_cast<std::int64_t>(runs[i].firstRecorded) -
                             static_cast<std::int64_t>(before.lastRecorded) - 1;
        if (skipped > 0 && skipped <= maxSkip && silence >= skipped) {
            before.lastDiscFrame = runs[i].lastDiscFrame;
            before.lastRecorded = runs[i].lastRecorded;
            runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(i));
            ++joined;
        } else {
            ++i;
        }
    }
    return joined;
}

}  // namespace lirafok::testing
