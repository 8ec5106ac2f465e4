#pragma once
// Lays a track's lyric out for the karaoke screen: which line goes on which of the two rows
// and when, how each line is wiped, where the count-in dots and the title card come.
//
// Lines are sung in blocks; a block ends where the music goes on for more than kLongGapMs
// without a line. A block's lines take the upper and the lower row in turn. A block's first
// two lines appear kCountInMs before its first line is sung (with the count-in dots when the
// block follows a long instrumental); every later line takes the row of the line two before
// it as soon as that one is sung. The last two lines of a block stay kLingerMs after the
// block's last line. Lines with syllable times are wiped syllable by syllable; the others
// light as a whole at their time, as the lyrics panels do.
#include <cstdint>
#include <string>
#include <vector>

#include "lyrics/syllables.h"
#include "ui/karaoke_screen.h"

namespace lirafok {

inline constexpr std::int32_t kLongGapMs = 5000;
inline constexpr std::int32_t kLingerMs = 1000;
// How long the last syllable of a line is wiped when nothing says when it ends.
inline constexpr std::int32_t kTailMs = 1000;
// The title card shows at least this long at the start of a track (when the singing starts
// late enough), and gives way this long before the first line is sung.
inline constexpr std::int32_t kTitleMs = 3000;
inline constexpr std::int32_t kTitleLeadMs = 1000;

struct KaraokeLyricInput {
    std::vector<std::string> lines;   // the lyric's text lines as the file holds them
    std::vector<std::int32_t> times;  // per line: ms from the track start, or kNoTiming
    SyllableTrack syllables;          // anchored to `lines`
    std::string title, artist;
};

ui::KaraokeScene buildKaraokeScene(const KaraokeLyricInput& in);

// Lyric time of the audible position: elapsed time in the track, plus the lead time, less the
// track's offset (a positive offset shows the lyric later).
std::int32_t lyricClock(std::int32_t elapsedMs, std::int32_t leadMs, std::int32_t offsetMs);

}  // namespace lirafok
