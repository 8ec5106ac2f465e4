#pragma once
// The syllable side file: the word-by-word timings, readings and offset of one track, kept
// beside its lyrics file under the same name plus ".syl" (00012000.001 -> 00012000.001.syl),
// so that the lyrics file stays exactly as the original format has it.
//
// CP932 text, CR LF after every line:
//
//   #LIRAFOK-SYL 1                   first line: the format and its version
//   #OFFSET=-150                     the track's offset in ms (absent: 0)
//   003=[12340]き[12500]ょう[13000]は[13200]
//   003@0,2=きょう                    a reading: line 3, from character 0, 2 characters
//   004=今日も                        a line with readings only (no split)
//
// A line record "NNN=" holds the line's text with time tags between its syllables. A tag is
// milliseconds from the track start, or "-" for a syllable not timed yet. The tag before a
// piece of text starts that syllable; a tag after the last one ends it; two tags in a row
// end the syllable before and start the next (a pause between them). "[[]" is a literal "[".
// Records come in line order, a line's readings right after it. Lines LIRAFOK does not know
// are kept and written back after the records.
#include <string>
#include <vector>

#include "lyrics/syllables.h"

namespace lirafok {

inline constexpr const char* kSyllableFileSuffix = ".syl";

// The side file of a lyrics file.
std::string syllableFilePath(const std::string& lyricsPath);

struct SyllableFile {
    bool exists = false;  // false: no side file (an empty track)
    bool ok = false;      // the file was read (possibly with lines left out, see `skipped`)
    SyllableTrack track;
    std::vector<std::string> unknown;  // lines kept as they were, written back at the end
    std::vector<std::string> skipped;  // what could not be read, for the user
};

// The lines of the side file for `track` (UTF-8, without line breaks).
std::vector<std::string> formatSyllableFile(const SyllableTrack& track,
                                            const std::vector<std::string>& unknown = {});
// Reads the lines of a side file.
SyllableFile parseSyllableFile(const std::vector<std::string>& lines);
SyllableFile readSyllableFile(const std::string& path);
// Writes the side file safely; an empty track (and no unknown lines) removes it instead.
// False, old file untouched, on failure.
bool writeSyllableFile(const std::string& path, const SyllableTrack& track,
                       const std::vector<std::string>& unknown = {});

// One line record's tagged text ("[12340]き[12500]ょう[13200]") and back. The reader fails
// (false) on a tag that is neither a time nor "-".
std::string formatTaggedLine(const SyllableLine& line);
bool parseTaggedLine(std::string_view tagged, SyllableLine& line);

}  // namespace lirafok
