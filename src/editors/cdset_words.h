#pragma once
// The timing setter's word mode: one tap per syllable instead of one per line.
//
// Each line is split into syllables (the stored split from the side file, else the automatic
// one); the cursor is a line (the setter's NextLyricLine) and a syllable in it. A tap stores
// the audible disc time (from the track start) as the start of the syllable under the cursor
// and moves on; the first syllable's tap is also the line's time, so the lyrics file keeps
// its line times as before. A blank line takes one tap, as in line mode (it ends the line
// before it). "区切り" (Enter) ends the syllable before the cursor where it is, for a pause.
#include <cstdint>
#include <string>
#include <vector>

#include "lyrics/syllables.h"

namespace lirafok {

class SetterWords {
public:
    // `rawLines`: the lyric's lines as the file holds them (index = line index).
    SetterWords(std::vector<std::string> rawLines, SyllableTrack stored);

    // The syllables of line `line` (empty for a blank line or one beyond the lyric).
    const std::vector<Syllable>& units(int line) const;
    std::size_t cursor() const { return m_cursor; }
    // The cursor to the first syllable (the line cursor moved).
    void resetCursor() { m_cursor = 0; }

    struct Tap {
        bool stored = false;    // false: no line there (past the lyric)
        bool lineTime = false;  // the time is also the line's time
        bool lineDone = false;  // the cursor moved on to the next line
    };
    // Stores `time` for the syllable under the cursor of line `line` and moves the cursor.
    Tap tap(int line, std::int32_t time);
    // The syllable before the cursor (in `line`, else the last of the line before) ends at
    // `time`. False when there is none or the time is before its start.
    bool markEnd(int line, std::int32_t time);
    // Splits the syllable under the cursor after its first character / joins it with the
    // next. False when nothing changed.
    bool split(int line);
    bool join(int line);
    // Moves the start of the syllable under the cursor; returns its new time (kNoTiming: none).
    std::int32_t nudge(int line, std::int32_t deltaMs);

    // "始発/の/【電車】/待つ" for the cursor's line, "始発/の/電車/待つ" for others; a blank or
    // unsplit line as it is.
    std::string caption(int line, bool withCursor) const;
    // The first line whose syllable times run backwards; -1 when none does.
    int firstDisorder() const;
    // What the side file keeps: timed or re-split lines and readings; offset as stored.
    SyllableTrack track() const;
    const std::vector<std::string>& rawLines() const { return m_raw; }

private:
    std::vector<std::string> m_raw;
    std::vector<std::vector<Syllable>> m_units;
    SyllableTrack m_stored;
    std::size_t m_cursor = 0;
};

}  // namespace lirafok
