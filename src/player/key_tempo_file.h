#pragma once
// "LIRAFOK.KEY" in the lyrics folder: the key, tempo and guide-vocal setting the user last chose
// for a track, so that the track starts with it the next time. One line per track, fixed
// columns, plain ASCII (CP932 like every data file), CR LF:
//
//   columns  1-9   disc key, nine digits (as in LIRAFOK.TXT)
//   column   10    "-"
//   columns 11-12  track number, 01..99
//   column   13    blank
//   columns 14-16  semitones: a sign and two digits ("+00", "+03", "-12")
//   column   17    blank
//   columns 18-20  tempo in percent, three digits ("050" .. "150")
//   column   21    blank
//   column   22    voice: B both channels, L left only, R right only, V voice reduced
//
//   000360000-03 +02 090 B
//
// A line that does not have this shape exactly is ignored and written back unchanged; values
// out of range are read clamped (a tempo between steps goes to the nearest 5 %). A later line
// of the same track wins. A track at the disc's own settings (0, 100 %, both) has no line.
// Every rewrite keeps the previous file as "LIRAFOK.KBK" and goes through a temporary file.
#include <optional>
#include <string>
#include <string_view>

#include "device/key_tempo_settings.h"

namespace lirafok {

inline constexpr const char* kKeyTempoFileName = "LIRAFOK.KEY";
inline constexpr const char* kKeyTempoBackupName = "LIRAFOK.KBK";

// The files in `lyricsFolder` (which ends with "/" or is "" for the current directory).
std::string keyTempoFilePath(const std::string& lyricsFolder);
std::string keyTempoBackupPath(const std::string& lyricsFolder);

struct TrackKeyTempo {
    std::string discKey;  // nine digits
    int track = 0;        // 1..99
    device::KeyTempo settings;
};

// One line of the file; std::nullopt when it does not have the fixed shape.
std::optional<TrackKeyTempo> parseKeyTempoLine(std::string_view line);
// The line for a track (settings clamped first).
std::string formatKeyTempoLine(const std::string& discKey, int track,
                               const device::KeyTempo& settings);
// Whether a disc key and track can have a line (nine digits, 1..99).
bool keyTempoRememberable(const std::string& discKey, int track);

// The settings last chosen for the track; the disc's own when the file has none for it or
// cannot be read.
device::KeyTempo rememberedKeyTempo(const std::string& lyricsFolder, const std::string& discKey,
                                    int track);

struct KeyTempoSave {
    bool ok = false;
    std::string error;  // Japanese, for a message box, when !ok
};

// Makes `settings` the track's remembered ones. Every other line stays as it was, in its
// place; the track's line is replaced where it was (or added at the end, or dropped for the
// disc's own settings). Nothing is written when the file already gives the track these
// settings (as read, clamped). On failure the old file is left whole.
KeyTempoSave rememberKeyTempo(const std::string& lyricsFolder, const std::string& discKey,
                              int track, const device::KeyTempo& settings);

// A disc got a new key (its record was re-keyed): the lines of its tracks 1..lastTrack now
// name `newKey`, in their places, every other byte as it was; a line `newKey` already had for
// one of those tracks gives way. Nothing is written when the old key has no such line.
KeyTempoSave moveKeyTempoDisc(const std::string& lyricsFolder, const std::string& oldKey,
                              const std::string& newKey, int lastTrack);

}  // namespace lirafok
