#pragma once
// The lyric of one track as the windows share it: its lines, each line's time from the track
// start and its page flag. Filled by the lyrics file readers, read by the display and the
// editors.
#include <array>
#include <cstdint>
#include <string>

namespace lirafok {

// Time of a line without timing; never written to a file.
constexpr std::int32_t kNoTiming = 999999;
// Lines the tables hold (index 0..200); timing lines are written for indices 0..199 only.
constexpr int kLyricSlots = 201;
constexpr int kTimedLyricLines = 200;
constexpr char kLyricsSeparator = '\x03';

using LyricTimeTable = std::array<std::int32_t, kLyricSlots>;

struct LyricTables {
    std::array<std::string, kLyricSlots> lines;  // LyricLines, prepared for the reader's use
    LyricTimeTable times = filledTimes();        // LyricTimes, kNoTiming when untimed
    LyricTimeTable pageFlags{};                  // LyricPageFlags, 1 = the line starts a page
    int count = 0;                               // LyricCount
    int anyPageFlag = 0;                         // AnyPageFlag

    static LyricTimeTable filledTimes() {
        LyricTimeTable t;
        t.fill(kNoTiming);
        return t;
    }
};

}  // namespace lirafok
