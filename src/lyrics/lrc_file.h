#pragma once
// LRC files, the lyrics exchange format of other players, converted to and from what a lyrics
// file holds (size marker, text lines, one time and page flag per line).
//
//   [ti:Song] [ar:Artist] [al:Album] [offset:+250]   ID tags, one per line
//   [01:23.45]text   [01:23.456]text   [00:10.00][01:10.00]text (one text, several times)
//   text             a line without a time tag: an untimed lyric line
//
// LRC has no page breaks and no display size; these two travel in tags of this program's own,
// which other players skip as unknown ID tags:
//   [lirafok-size:13]   the display size of the lyric (absent: standard size)
//   [lirafok-page:]     the next timed line starts a new page
//
// A lyrics file's times ascend with its lines, so export-then-import gives back the same
// lines, times and flags. Imported times are ordered, because the display finds the current
// line by walking the lines in order: a line with several times becomes one line per time,
// every line (untimed ones keep their place after the timed line above them) sorted by time.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/lyric_tables.h"

namespace lirafok {

struct LrcLyrics {
    int fontSize = 0;                 // marker size in points; 0 = standard
    std::vector<std::string> lines;   // UTF-8, tabs kept
    std::vector<std::int32_t> times;  // per line: ms from the track start, or kNoTiming
    std::vector<std::int32_t> pages;  // per line: 1 = starts a page (timed lines only)
};

// ID tags written at the top of an exported file for other players; empty ones are left out.
struct LrcTags {
    std::string title;   // [ti:]
    std::string artist;  // [ar:]
    std::string album;   // [al:]
};

struct LrcImport {
    bool ok = false;
    std::string error;  // Japanese message box text when !ok
    LrcLyrics lyrics;
};

// "[mm:ss.xx]" when the time is a whole number of hundredths, else "[mm:ss.xxx]"; minutes
// above 99 keep all their digits.
std::string formatLrcTime(std::int32_t ms);

// The LRC text (UTF-8, CR LF after every line). Lines without a time (kNoTiming) are written
// without a tag; times of lines from index 200 on are left out, as a lyrics file cannot keep
// them either.
std::string formatLrc(const LrcLyrics& lyrics, const LrcTags& tags);

// Parses LRC text (UTF-8; a byte-order mark is skipped). A text without any time tag is an
// untimed lyric. Refused, with the reason, when the lyric would have more lines than the lyric
// tables hold or a timed line beyond the 200 that keep a time, or when a time (after [offset:]) is
// 999999 ms or more, which the six-digit time field cannot hold.
LrcImport parseLrc(std::string_view utf8);

// File bytes as text: a UTF-8 byte-order mark is dropped; valid UTF-8 is taken as it is,
// anything else is read as CP932 (Japanese LRC files of older tools).
std::string decodeLrcBytes(std::string_view bytes);

// Reads and parses an LRC file; a file that cannot be read is refused with a message.
LrcImport readLrcFile(const std::string& path);
// Writes formatLrc() to `path` as UTF-8 through the safe rewrite. False, old file untouched,
// on failure.
bool writeLrcFile(const std::string& path, const LrcLyrics& lyrics, const LrcTags& tags);

// The editor's form of a lyric (text lines each ended by CR LF, times and flags by line index)
// and back. Entries beyond the tables are untimed.
LrcLyrics lrcFromEditor(int fontSize, const std::string& editText, const LyricTimeTable& times,
                        const LyricTimeTable& pageFlags);
struct EditorForm {
    std::string text;  // each line followed by CR LF
    LyricTimeTable times = LyricTables::filledTimes();
    LyricTimeTable pageFlags{};
};
EditorForm lrcToEditor(const LrcLyrics& lyrics);

}  // namespace lirafok
