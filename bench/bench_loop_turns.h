#pragma once
// The loops as heard. The loop of the PCM pipeline itself (a drive's playLoop), measured at the
// sink's monitor on a disc whose every frame carries its own number: for each turn, how far from
// B's last frame the music left, how far from A's first it came back in, and how many frames of
// anything else lay between (all three 0 for a sample-exact, gapless turn). Idle, then with busy
// loops beside it.
#include <memory>
#include <string>

namespace lirafok::device::real {
class PulseConnection;
}

namespace lirafok::bench {

// Plays `turns` turns of a `loopMs` loop with `busyThreads` busy loops beside the pipeline and
// prints one line per turn that is not exact and a summary. `runtimeDir`: the private
// server's folder (the disc is written there).
void measureLoopTurns(const std::string& runtimeDir,
                      const std::shared_ptr<device::real::PulseConnection>& pulse, int turns,
                      int loopMs, int busyThreads);

// A private list of the coded disc's two tracks, repeating, through the whole program: for
// `turns` changes from one entry to the next (each entry plays its track up to a second before
// the track's end, 4 s), how far from the entry's last frame the music left, how far from the
// next entry's first it came in, and the frames of anything else between; `busyThreads` busy
// loops beside it.
void measureListTurns(const std::string& runtimeDir,
                      const std::shared_ptr<device::real::PulseConnection>& pulse, int turns,
                      int busyThreads);

}  // namespace lirafok::bench
