#pragma once
// Lyrics files: one per disc and track in the lyrics folder, named after the disc key.
//
//   [marker line]   first character 0x02/0x04/0x01/0x05/0x06 = 10/11/12/13/14 pt
//   text lines      line index 0 upwards
//   "\x03"          separator (absent: the whole file is text)
//   timing lines    "iii tttttt f": line index, milliseconds from the track start, page flag
//
// Three readers prepare the lines differently (display, timing setter, editor); three writers
// replace the file safely (temporary file + rename).
#include <array>
#include <cstdint>
#include <string>

#include "core/lyric_tables.h"

namespace lirafok {

// folder (as stored, with its trailing "/") + key characters 1-8 + "." + key character 9 +
// track as two digits. Track 0 names the disc's private list file.
std::string lyricsFilePath(const std::string& folder, const std::string& discKey, int track);

// Point size of a marker line's first character; 0 when it is no marker (the line is text).
int markerFontSize(char32_t first);
// The marker character written for a point size; 0 for the standard size (no marker line).
char markerForFontSize(int fontSize);

// One timing line. Fields are taken by position: index columns 1-3, time `timeWidth`
// characters from column 5, flag column 12, each with the lenient number parse.
struct TimingLine {
    std::int32_t index = 0;
    std::int32_t time = 0;
    std::int32_t flag = 0;
};
TimingLine parseTimingLine(const std::string& line, int timeWidth = 6);
// "iii tttttt f"; a negative time is written "-" and five digits; a time above 999999 keeps
// all its digits.
std::string formatTimingLine(int index, std::int32_t time, std::int32_t flag);

// Tab stops every 8 columns (display reader).
std::string expandTabsToStops(const std::string& line);
// Every tab becomes exactly 8 blanks (timing setter reader).
std::string expandTabsFixed(const std::string& line);

struct DisplayLyrics {
    bool ok = false;      // false: missing/unreadable file, > 201 text lines, bad line index
    int fontSize = 0;     // marker size; 0 = none, the KASIF setting applies
    std::string rawText;  // text lines as read (tabs kept), each followed by CR LF
    bool timed = false;   // a non-empty timing line was present
};
// Display reader. Text lines go tab-expanded into `t.lines`; count = number of text lines,
// then each accepted timing line sets count = index + 1. Timing lines with time 999999, 0 or
// 999 are skipped. Times and flags of every entry are reset first and text beyond the new
// lyric is cleared. On failure `t` is left unchanged.
DisplayLyrics readDisplayLyrics(const std::string& path, LyricTables& t);

struct SetterLyrics {
    bool ok = false;       // false: missing/unreadable file, > 201 text lines, bad line index
    bool hasText = false;  // at least one text line
    int fontSize = 0;
};
// Timing setter reader. `t` is reset fully (also on failure); text lines with tabs as 8
// blanks; count = number of text lines; every timing line is stored, including times 0/999.
SetterLyrics readSetterLyrics(const std::string& path, LyricTables& t);

// The largest lyrics file the readers take (bytes): 201 lines and 200 timing lines need a few
// kilobytes; anything near this size is not a lyric and would only tie up the window.
inline constexpr std::uintmax_t kMaxLyricsFileBytes = 1024 * 1024;

// True when `path` names a file that the readers cannot take (too large or not readable), so
// that an editor opened on it would start empty and its save would replace the file.
bool lyricsFileUnreadable(const std::string& path);

struct EditorLyrics {
    bool exists = false;  // false: the file could not be read (the editor starts empty)
    int fontSize = 0;     // 0 = standard
    std::string text;     // text lines, tabs kept, each followed by CR LF
    LyricTimeTable times = LyricTables::filledTimes();
    LyricTimeTable pageFlags{};
};
// Editor reader: the text is not limited to the table size; timing lines whose index lies
// outside the tables are left out.
EditorLyrics readEditorLyrics(const std::string& path);

// Writes marker line (none for fontSize 0), the lines of `editText`, the separator and a
// timing line for every timed entry 0..199. Line breaks of `editText` (CR LF or LF) become
// CR LF; a final line without one gets one, a final line break adds no empty line (so the
// editor reader's text saves back as it was read; an empty text writes no text line).
bool saveLyricsText(const std::string& path, int fontSize, const std::string& editText,
                    const LyricTimeTable& times, const LyricTimeTable& pageFlags);

// Copies the file to `backupPath`, then rewrites it: every line before the first separator
// kept byte for byte, the separator, a timing line for every timed entry 0..199 of `t`.
// False (file untouched) when the file cannot be read or either write fails.
bool saveLyricsTimings(const std::string& path, const std::string& backupPath,
                       const LyricTables& t);

// The lyrics file of `sourceTrack` of the same disc: `editorPath` with its last two
// characters replaced by the track as two digits.
std::string lyricsSourcePath(const std::string& editorPath, int sourceTrack);
// Replaces the file at `editorPath` by a copy of the source track's file, and its syllable
// side file by the source's (none when the source has none). False, target untouched, when
// the source cannot be read or the copy cannot be written.
bool copyLyrics(const std::string& editorPath, int sourceTrack);

}  // namespace lirafok
