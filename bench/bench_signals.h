#pragma once
// Test signals for the playback benchmark, written as FLAC+CUE images.
#include <cstdint>
#include <string>

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
