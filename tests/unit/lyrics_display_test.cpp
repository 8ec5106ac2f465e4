#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "lyrics/lyrics_sync.h"

namespace lirafok {
namespace {

// Tables with `count` lines; `timed` gives (index, time) pairs, every other line untimed.
LyricTables tables(int count, std::initializer_list<std::pair<int, int>> timed,
                   std::initializer_list<int> pageFlags = {}) {
    LyricTables t;
    t.count = count;
    for (auto [i, ms] : timed) t.times[static_cast<std::size_t>(i)] = ms;
    for (int i : pageFlags) t.pageFlags[static_cast<std::size_t>(i)] = 1;
    return t;
}

TEST(LyricsSync, PickLyricLine) {
    // Lines 0, 1, 3 timed; line 2 untimed; line 4 untimed at the end.
    const LyricTables t = tables(5, {{0, 1000}, {1, 2000}, {3, 3000}});
    struct Case {
        int target, current, next;
    } cases[] = {
        {0, -1, 0},     // nothing reached: next is the first timed line
        {999, -1, 0},   //
        {1000, 0, 1},   // a line is reached at its time exactly
        {1999, 0, 1},   //
        {2000, 1, 3},   // the untimed line 2 is skipped as "next"
        {2999, 1, 3},   //
        {3000, 3, -1},  // last timed line: nothing follows
        {999999, 3, -1},
    };
    for (const Case& c : cases) {
        const LinePick p = pickLyricLine(t, c.target);
        EXPECT_EQ(p.current, c.current) << "target " << c.target;
        EXPECT_EQ(p.next, c.next) << "target " << c.target;
    }
}

TEST(LyricsSync, PickLyricLineWithoutTimedLines) {
    const LinePick p = pickLyricLine(tables(3, {}), 5000);
    EXPECT_EQ(p.current, -1);
    EXPECT_EQ(p.next, -1);
}

TEST(LyricsSync, ResyncCountsOnlyLinesStrictlyBeforeTheElapsedTime) {
    const LyricTables t = tables(4, {{0, 1000}, {1, 2000}, {3, 3000}});
    struct Case {
        int elapsed, next;
    } cases[] = {
        {-500, 0}, {0, 0}, {1000, 0}, {1001, 1}, {2000, 1}, {2001, 2}, {3001, 4}, {90000, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resyncNextLine(t, c.elapsed), c.next) << "elapsed " << c.elapsed;
}

TEST(LyricsSync, WaitsAreAtLeast100MsAndServedInPiecesOf60000) {
    struct Case {
        int lineTime, elapsed, lead, interval, pending;
    } cases[] = {
        {10000, 4700, 300, 5000, 0},
        {10000, 9650, 300, 100, 0},   // 50 ms away: raised to the minimum
        {10000, 12000, 300, 100, 0},  // already late
        {60400, 100, 300, 60000, 0},  // exactly 60000: one piece
        {60401, 100, 300, 60000, 1},
        {151000, 1000, 0, 60000, 90000},
    };
    for (const Case& c : cases) {
        const TimerWait w = waitForLine(c.lineTime, c.elapsed, c.lead);
        EXPECT_EQ(w.interval, c.interval) << "line " << c.lineTime << " at " << c.elapsed;
        EXPECT_EQ(w.pending, c.pending) << "line " << c.lineTime << " at " << c.elapsed;
    }
    // The rest of 150000 ms after the first piece: 60000, then 30000.
    TimerWait rest = nextWaitPiece(90000);
    EXPECT_EQ(rest.interval, 60000);
    EXPECT_EQ(rest.pending, 30000);
    rest = nextWaitPiece(rest.pending);
    EXPECT_EQ(rest.interval, 30000);
    EXPECT_EQ(rest.pending, 0);
}

TEST(LyricsSync, ChooseTop) {
    const LyricTables longLyric = tables(40, {}, {25});
    const LyricTables fits = tables(20, {}, {5});
    struct Case {
        const char* what;
        int kaigy;
        const LyricTables* t;
        int cur, top;
        bool running;
        int newTop;
        bool repaint;
    } cases[] = {
        {"scrolling: every line to the top", 1, &fits, 3, 0, true, 3, true},
        {"scrolling: even the same line", 1, &longLyric, 7, 7, false, 7, true},
        {"page: inside the window", 0, &longLyric, 10, 0, true, 0, false},
        {"page: last panel", 0, &longLyric, 19, 0, true, 0, false},
        {"page: below the window", 0, &longLyric, 20, 0, true, 20, true},
        {"page: above the window (seek back)", 0, &longLyric, 3, 20, true, 3, true},
        {"page: outside but timer stopped", 0, &longLyric, 20, 0, false, 0, false},
        {"page flag on a visible line", 0, &longLyric, 25, 20, true, 25, true},
        {"page flag in a lyric that fits", 0, &fits, 5, 0, true, 0, false},
        {"lyric exactly as long as the window", 0, &fits, 19, 0, true, 0, false},
    };
    for (const Case& c : cases) {
        const TopChoice got = chooseLyricsTop(c.kaigy, c.cur, c.top, 20, *c.t, c.running);
        EXPECT_EQ(got.top, c.newTop) << c.what;
        EXPECT_EQ(got.repaintAll, c.repaint) << c.what;
    }
}

}  // namespace
}  // namespace lirafok
