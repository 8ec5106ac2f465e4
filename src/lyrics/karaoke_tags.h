#pragma once
// Word-timed lyrics in the formats of other programs, to and from a lyric with syllables:
//
// Enhanced LRC (UTF-8): a line tag, then a word tag before every word and one after the last:
//   [00:12.34]<00:12.34>き<00:12.50>ょう<00:13.00>は<00:13.20>
//
// Karaoke time tags with readings (CP932, as Japanese karaoke makers write them): a tag
// [mm:ss:cc] (cc hundredths) before every piece of text and one after the last; readings as
// @Ruby lines after the lyric, each for a base text within a time window (both ends optional):
//   [00:12:34]今日[00:13:00]は[00:13:20]
//   @Ruby1=今日,きょう,,[00:20:00]
//   @Ruby2=今日,こんにち,[00:20:00]
//
// What LIRAFOK keeps of a line: its text, its syllables with start and (where not running on
// into the next) end times, and its readings. A file LIRAFOK wrote reads back to the same
// lyric and writes again byte for byte (times in hundredths, as the formats have them, stay
// in hundredths; a time that is not a whole hundredth is written with milliseconds).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lyrics/syllables.h"

namespace lirafok {

struct KaraokeLyric {
    std::vector<SyllableLine> lines;  // every line of the lyric, in order
    std::vector<std::int32_t> times;  // per line: its time (the first syllable's), or kNoTiming
    std::string title, artist;        // [ti:]/[ar:] or @Title/@Artist; empty when absent
};

struct KaraokeImport {
    bool ok = false;
    std::string error;  // Japanese message when !ok
    KaraokeLyric lyric;
    std::vector<std::string> dropped;  // what the file had that was not kept, one entry each
};

enum class KaraokeFormat {
    EnhancedLrc,  // <mm:ss.xx> word tags
    TimeTags,     // [mm:ss:cc] tags between characters, @Ruby readings
    PlainLrc,     // line tags only: the LRC reader of the lyrics editor takes it
};
// Which format a text is written in: word tags make it enhanced LRC; tags inside a line or
// @Ruby/@Title lines make it time tags; anything else is plain LRC.
KaraokeFormat detectKaraokeFormat(std::string_view utf8);

std::string formatEnhancedLrc(const KaraokeLyric& lyric);
KaraokeImport parseEnhancedLrc(std::string_view utf8);

std::string formatTimeTags(const KaraokeLyric& lyric);
KaraokeImport parseTimeTags(std::string_view utf8);

// "[mm:ss:cc]" (hundredths), or "[mm:ss:mmm]" for a time that is not a whole hundredth.
std::string formatTimeTag(std::int32_t ms);

// Reads a file in either word-timed format (detected); text as the LRC reader decodes it
// (UTF-8, else CP932). A plain LRC file is refused here (the LRC reader takes it).
KaraokeImport readKaraokeFile(const std::string& path);
// Writes enhanced LRC as UTF-8, time tags as CP932; CR LF after every line; safely.
bool writeEnhancedLrcFile(const std::string& path, const KaraokeLyric& lyric);
bool writeTimeTagFile(const std::string& path, const KaraokeLyric& lyric);

// The message that lists what a read left out ("" when nothing was).
std::string droppedMessage(const std::vector<std::string>& dropped);

}  // namespace lirafok
