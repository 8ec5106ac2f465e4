#pragma once
// CUE sheets as rippers and burning programs write them: the text of a sheet becomes its FILE
// entries, its tracks with their indexes, PREGAP and POSTGAP, and the titles and performers
// of the disc and its tracks. No file is touched here: where the files are and how long they
// are is the layout's business (virtual_layout.h).
//
// Read the way players read sheets:
// - text: a UTF-8 byte-order mark is skipped; UTF-16 (LE or BE, with its byte-order mark) is
//   read; otherwise one encoding is chosen for the whole sheet: UTF-8 when the bytes are valid
//   UTF-8, else CP932 when they are valid CP932 that looks Japanese, else CP1252;
// - keywords in any case; CR, LF or CR LF line ends; index numbers without zero padding;
//   times of one to three fields read from the right ("ff", "ss:ff", "mm:ss:ff");
// - a quoted value runs from the line's first quote to its last, so that a stray quote inside
//   a title stays in it; a file name may be left unquoted;
// - unknown TRACK modes are data tracks; unknown FILE types are audio files; REM, CATALOG,
//   ISRC, FLAGS, SONGWRITER and every other keyword are ignored;
// - a FILE entry naming the same file as the entry before it continues that file.
//
// Refused, naming the line: a TRACK before any FILE, more than 99 tracks, a TRACK number or an
// INDEX number or time that is no number, an INDEX, PREGAP or POSTGAP outside a track, a track
// without INDEX 01, and indexes that do not move forward through the disc (INDEX 00 after
// INDEX 01, an index at or before one of the previous track's).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirafok::device::real {

// The most a CUE sheet file may hold; a larger ".cue" is no sheet (a renamed image, say).
inline constexpr std::size_t kMaxCueSheetBytes = 1 << 20;

enum class CueFileKind {
    Audio,     // decoded by libsndfile (WAVE, FLAC, AIFF, MP3 and any other type word)
    Binary,    // raw CD sectors, samples little-endian (BINARY)
    Motorola,  // raw CD sectors, samples big-endian (MOTOROLA)
};

enum class CueEncoding {
    Utf8,    // UTF-8, with or without a byte-order mark
    Utf16,   // UTF-16 LE or BE with a byte-order mark
    Cp932,   // Shift-JIS as Japanese Windows writes it
    Cp1252,  // Western European Windows
};

struct CueFile {
    std::string name;     // UTF-8, as the sheet's encoding reads it
    std::string rawName;  // the name's bytes as the sheet holds them (legacy encodings)
    CueFileKind kind = CueFileKind::Audio;
    int line = 0;  // 1-based line of the FILE entry
};

struct CueIndex {
    int number = 1;           // 0..99
    int file = 0;             // into CueSheet::files: the FILE entry above the INDEX line
    std::int64_t sector = 0;  // from the start of that file, in sectors of 1/75 s
    int line = 0;
};

struct CueTrack {
    int number = 0;  // as written; the disc numbers its tracks by their order
    int line = 0;    // of the TRACK entry
    int file = 0;    // the FILE entry above the TRACK line
    bool audio = true;
    // Bytes per sector in a raw image file (BINARY/MOTOROLA): 2352 for AUDIO and MODEx/2352,
    // 2048, 2336, ... for the other data modes, 2448 for CDG (2352 bytes of audio followed
    // by 96 bytes of sub-channel).
    int sectorBytes = 2352;
    std::vector<CueIndex> indexes;  // ascending numbers and positions; INDEX 01 among them
    std::int64_t pregap = 0;        // generated silence before the first index, sectors
    std::int64_t postgap = 0;       // generated silence after the track's audio, sectors
    std::string title, performer;   // UTF-8

    // The track's first index (INDEX 00 when it has one): where its audio, gap included,
    // begins.
    const CueIndex& first() const { return indexes.front(); }
    // INDEX 01: where the track starts in the table of contents.
    const CueIndex& start() const;
};

struct CueSheet {
    CueEncoding encoding = CueEncoding::Utf8;
    std::string title, performer;  // UTF-8, of the disc
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks;  // 1..99
};

struct CueRefusal {
    // In Japanese, the rest of a sentence that begins with the sheet's name
    // (" の 12 行目の TRACK が正しくありません").
    std::string why;
    // The text is no CUE sheet at all (binary data): the sentence begins with the path alone,
    // not with "CUE シート".
    bool notASheet = false;
};

// Parses the bytes of a sheet. std::nullopt when they cannot describe a CD; `refusal` then
// says why.
std::optional<CueSheet> parseCueSheet(std::string_view bytes, CueRefusal* refusal = nullptr);

// Text of unknown encoding as UTF-8, decided as for a whole sheet: UTF-8 when valid, else
// CP932 when valid and Japanese-looking, else CP1252 (CD-TEXT that libcdio hands over raw).
std::string cueTextToUtf8(std::string_view bytes);

}  // namespace lirafok::device::real
