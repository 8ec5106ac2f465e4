#include "lyrics/lyrics_sync.h"

#include <algorithm>
#include <cstdint>

namespace lirafok {

namespace {

// Highest table index a walk may read; LyricCount never exceeds the tables, but a count
// taken from a corrupt file must not read past them either.
int lastIndex(int from) {
    return std::min(from, kLyricSlots - 1);
}

}  // namespace

LinePick pickLyricLine(const LyricTables& t, std::int32_t target) {
    LinePick pick;
    for (int j = lastIndex(t.count - 1); j >= 0; --j) {
        const std::int32_t time = t.times[static_cast<std::size_t>(j)];
        if (time == kNoTiming) continue;
        if (time <= target) {
            pick.current = j;
            return pick;
        }
        pick.next = j;
    }
    return pick;
}

int resyncNextLine(const LyricTables& t, std::int32_t elapsed) {
    if (elapsed < 0) return 0;
    for (int u = lastIndex(t.count); u >= 0; --u) {
        const std::int32_t time = t.times[static_cast<std::size_t>(u)];
        if (time != kNoTiming && time < elapsed) return u + 1;
    }
    return 0;
}

TimerWait nextWaitPiece(std::int32_t pending) {
    if (pending <= kMaxTimerWait) return {pending, 0};
    return {kMaxTimerWait, pending - kMaxTimerWait};
}

TimerWait waitForLine(std::int32_t lineTime, std::int32_t elapsed, std::int32_t lead,
                      std::int32_t minWait) {
    std::int64_t wait = static_cast<std::int64_t>(lineTime) - elapsed - lead;
    if (wait < minWait) wait = minWait;
    return nextWaitPiece(static_cast<std::int32_t>(std::min<std::int64_t>(wait, INT32_MAX)));
}

TopChoice chooseLyricsTop(int kaigy, int cur, int top, int visible, const LyricTables& t,
                          bool timerRunning) {
    if (kaigy == 1) return {cur, true};
    if (visible < t.count) {
        const bool pageStart =
            cur >= 0 && cur < kLyricSlots && t.pageFlags[static_cast<std::size_t>(cur)] == 1;
        if (pageStart) return {cur, true};
        const bool outside = cur < top || cur > top + visible - 1;
        if (outside && timerRunning) return {cur, true};
    }
    return {top, false};
}

}  // namespace lirafok
