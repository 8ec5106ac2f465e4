#pragma once
// Word-by-word timing of a lyric: each lyric line split into syllables (the units the singer
// taps), each syllable with the time it starts and, where it does not simply run on into the
// next one, the time it ends; readings (furigana) over runs of characters; a per-track offset.
//
// Times are milliseconds from the track start on the disc's timeline, as the lyrics file's
// line times are: a tap stores the audible disc position, so the times stay right at any
// tempo. The lyrics file itself is never changed by any of this; its line time stays the
// time of the line's first syllable.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/lyric_tables.h"

namespace lirafok {

struct Syllable {
    std::string text;                // UTF-8, at least one character
    std::int32_t start = kNoTiming;  // kNoTiming: not tapped yet
    std::int32_t end = kNoTiming;    // kNoTiming: runs on to the next syllable (or line end)
    bool operator==(const Syllable&) const = default;
};

// A reading over characters first .. first + length - 1 of the line (code points from 0).
struct Ruby {
    std::size_t first = 0;
    std::size_t length = 0;
    std::string reading;
    bool operator==(const Ruby&) const = default;
};

struct SyllableLine {
    std::string text;                 // the lyric line as the lyrics file holds it
    std::vector<Syllable> syllables;  // empty: no split; else their texts joined are `text`
    std::vector<Ruby> rubies;         // ascending, not overlapping, inside `text`
    bool operator==(const SyllableLine&) const = default;

    // Every syllable has a start time, and there is at least one.
    bool timed() const;
    // Start of the first syllable (kNoTiming when not timed).
    std::int32_t firstTime() const;
    // The end of the last syllable: its own end, else kNoTiming.
    std::int32_t lastEnd() const;
    // Nothing to keep: no syllables and no readings.
    bool empty() const { return syllables.empty() && rubies.empty(); }
};

struct SyllableTrack {
    std::int32_t offsetMs = 0;        // lyrics shown this much later (negative: earlier)
    std::vector<SyllableLine> lines;  // by lyric line index; an empty entry holds nothing
    bool operator==(const SyllableTrack&) const = default;

    bool empty() const;
    // The entry of line `index`, made (empty) when the track is shorter.
    SyllableLine& at(std::size_t index);
    const SyllableLine* find(std::size_t index) const;
};

// What kind of character a code point is, for the automatic split.
enum class CharClass {
    Kana,       // hiragana, katakana: one syllable each
    SmallKana,  // small kana and the long-vowel mark: joins the unit before it
    Kanji,      // ideographs and the iteration mark: a run is one unit
    Word,       // Latin letters and digits: a word is one unit
    Space,      // blanks (half and full width): joins the unit before it
    Mark,       // punctuation and symbols: joins the unit before it
};
CharClass classify(char32_t c);

// The automatic split of a line: kana one by one (small kana and ー join the kana before
// them), a run of kanji as one unit, Latin words word by word; blanks and punctuation join
// the unit before them (at the line's start, the unit after them). Untimed syllables.
std::vector<Syllable> splitSyllables(std::string_view line);

// Splits syllable `index` after its first character (a unit of one character is left as it
// is). The times stay with the first part. False when nothing changed.
bool splitSyllableAt(std::vector<Syllable>& syllables, std::size_t index);
// Joins syllable `index` with the one after it (the joined one keeps the first's start and
// the second's end). False when there is no next syllable.
bool joinSyllables(std::vector<Syllable>& syllables, std::size_t index);

// The time syllable `index` ends: its own end, else the next syllable's start, else
// `lineEnd`. Never before its start.
std::int32_t syllableEnd(const SyllableLine& line, std::size_t index, std::int32_t lineEnd);

// Sets the reading over characters first .. first + length - 1; rubies it overlaps are
// replaced. An empty reading removes them. False when the range lies outside the text.
bool setRuby(SyllableLine& line, std::size_t first, std::size_t length, std::string reading);

// Re-anchors the track to the lyric's current lines (raw text, as the lyrics file holds them):
// an entry whose text is no longer its line's moves to the nearest line with that text that
// has no entry, else it is dropped. Returns how many entries were dropped.
int anchorToLyric(SyllableTrack& track, const std::vector<std::string>& lyricLines);

}  // namespace lirafok
