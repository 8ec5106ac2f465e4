#pragma once
// A tiny synthesiser for the demo disc: songs written as scale degrees, rendered with a soft
// lead voice, a chord pad and a bass line, each note shaped by an envelope.
#include <cstdint>
#include <string>
#include <vector>

namespace lirafok::tools {

struct Note {
    int degree;    // 1..7 of the scale (8 = the octave above, negative = below); 0 = rest
    double beats;  // length
};

struct Phrase {
    std::vector<Note> notes;  // exactly two bars (8 beats)
    std::string lyric;        // the line sung over it; empty for none
    // What is sung on each note that sounds (rests have none); joined they are the lyric.
    // Empty: the line is timed as a whole.
    std::vector<std::string> sung;
    // Readings of kanji in the line, each on the first match of its base not already read.
    std::vector<std::pair<std::string, std::string>> readings;
};

struct Song {
    std::string title;     // Japanese song name (catalogue)
    std::string cueTitle;  // ASCII title for the CUE sheet
    int bpm = 100;
    int rootMidi = 60;  // tonic of the key
    bool minor = false;
    std::vector<int> chords;  // chord root (scale degree) per bar, repeated over the song
    int introBars = 2;
    int outroBars = 2;
    std::vector<Phrase> phrases;
};

// One syllable of a phrase: its text and when it is sung, ms from the track's start.
struct SungSyllable {
    std::string text;
    std::int32_t startMs;
    std::int32_t endMs;
    bool restAfter;  // a rest (or the phrase's end) follows: the syllable ends on its own
};
// The syllables of phrase `p`, timed by its notes. Empty when the phrase has no `sung`, or
// when `sung` does not have one entry per sounding note.
std::vector<SungSyllable> phraseSyllables(const Song& song, std::size_t p);

// Milliseconds from the track's start to the start of each phrase (the lyric line times).
std::vector<std::int32_t> phraseStartsMs(const Song& song);

// The song as 44.1 kHz stereo frames, padded with silence to whole CD sectors.
std::vector<std::int16_t> renderSong(const Song& song);

// Short cues: a soft click-beep and a low buzz (mono frames).
std::vector<std::int16_t> renderOkCue();
std::vector<std::int16_t> renderErrorCue();

}  // namespace lirafok::tools
