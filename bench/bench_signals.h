#pragma once
// Test signals for the playback benchmark, written as FLAC+CUE images.
#include <cstdint>
#include <string>
#include <vector>

namespace lirafok::bench {

// Interval between clicks and where the first one sits (ms into each track).
inline constexpr int kClickEveryMs = 500;
inline constexpr int kClickOffsetMs = 250;

// `dir`/clicks.cue + clicks.flac: two tracks of `seconds` each: track 1 silent but for a loud
// 3 ms click every kClickEveryMs (first at kClickOffsetMs), track 2 silent.
void writeClickDisc(const std::string& dir, int seconds);
// `dir`/music.cue + music.flac: one track of `seconds` of music-like sound (chords that change
// four times a second, with a little noise so that FLAC has work to do).
void writeMusicDisc(const std::string& dir, int seconds);

}  // namespace lirafok::bench

namespace lirafok::bench {

// A long single-file CUE+FLAC image made of the demo disc's songs: track t is demo song
// (t mod 4) played `repeats` times over, tracks laid end to end until `minutes` are filled.
// Its samples are known without reading the file back, for matching a recording against it.
class DemoImage {
public:
    DemoImage(int minutes, int repeats);
    // Writes `dir`/image.flac and image.cue, unless a previous run left the same ones there.
    // False when they cannot be written.
    bool write(const std::string& dir) const;

    int tracks() const { return static_cast<int>(m_trackSong.size()); }
    // First frame of track t (0-based) in the file, and its length in frames.
    std::int64_t trackFirst(int t) const { return m_trackFirst[static_cast<std::size_t>(t)]; }
    std::int64_t trackFrames(int t) const;
    std::int64_t frames() const { return m_frames; }
    // Sample of file frame `frame`, channel 0 (left) or 1 (right); 0 past the end.
    std::int16_t sample(std::int64_t frame, int channel) const;
    // Line times (ms into track t) of the lyric that the demo sings over it; empty for the
    // instrumental song.
    std::vector<std::int32_t> lineTimes(int t) const;
    // The text of those lines.
    std::vector<std::string> lineTexts(int t) const;

private:
    std::vector<std::vector<std::int16_t>> m_songs;  // rendered demo songs, stereo frames
    std::vector<int> m_trackSong;
    std::vector<std::int64_t> m_trackFirst;
    std::int64_t m_frames = 0;
    int m_repeats;
};

}  // namespace lirafok::bench
