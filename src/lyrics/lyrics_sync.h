#pragma once
// The timing rules of the karaoke display as plain functions of the lyric tables, so that the
// window code only moves their answers onto the panels and the line timer.
//
// Two comparisons are deliberately different: the line timer counts a line as reached when
// its time <= elapsed + lead time (it fires ahead of the singer), the re-synchronisation after
// a track load or a restart counts it reached only when its time < elapsed (no lead time; the
// timer's first tick corrects the line 100 ms later).
#include <cstdint>

#include "lyrics/lyrics_file.h"

namespace lirafok {

// The line timer never waits longer than this at once; longer waits are served in pieces.
inline constexpr std::int32_t kMaxTimerWait = 60000;  // ms
// The line timer never fires sooner than this after its previous tick.
inline constexpr std::int32_t kMinTimerWait = 100;  // ms

// Result of the timer's search for the line to light at `target` ms into the track.
struct LinePick {
    int current = -1;  // last timed line whose time <= target; -1 when none is reached yet
    int next = -1;     // first timed line after `current`; -1 when none follows
};
// Walks the lines count-1 .. 0, skipping untimed lines.
LinePick pickLyricLine(const LyricTables& t, std::int32_t target);

// Index of the next line to be sung after a re-synchronisation at `elapsed` ms: one past the
// last timed line whose time is strictly below `elapsed`; 0 when none is (or elapsed < 0).
int resyncNextLine(const LyricTables& t, std::int32_t elapsed);

// How one wait (ms) is put on the timer: the first piece now, the rest remembered.
struct TimerWait {
    std::int32_t interval = 0;  // ms until the next tick
    std::int32_t pending = 0;   // ms still to wait after that tick
};
// The shortest wait of a tick that aims again at the line it was aimed at.
inline constexpr std::int32_t kReaimTimerWait = 1;  // ms
// Until the next line: its time - elapsed - lead, at least `minWait`, in pieces of at most
// kMaxTimerWait.
TimerWait waitForLine(std::int32_t lineTime, std::int32_t elapsed, std::int32_t lead,
                      std::int32_t minWait = kMinTimerWait);
// The next piece of a remaining wait of `pending` ms (> 0).
TimerWait nextWaitPiece(std::int32_t pending);

// Which line the top panel shows, given the current line `cur` (NextLyricLine - 1).
struct TopChoice {
    int top = 0;
    bool repaintAll = false;  // the top changed: every visible panel is redrawn
};
// kaigy 1: the current line is always the top panel. kaigy 0: only a lyric longer than the
// window moves, to a page flag of the current line or when the current line left the window
// while the timer runs.
TopChoice chooseLyricsTop(int kaigy, int cur, int top, int visible, const LyricTables& t,
                          bool timerRunning);

}  // namespace lirafok
