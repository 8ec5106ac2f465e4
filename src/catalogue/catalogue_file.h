#pragma once
// The disc catalogue "LIRAFOK.TXT": one line per field, every line keyed by the 9-digit disc
// key in columns 1-9, records of different discs one after another.
//
//   key "-" tag "-" value        tag "00" title, "AR" artist, "FT" font set, "01".."99" song
//   key "-A" nn "-" value        per-song artist of track nn
//
// Columns count characters of the decoded line (a Japanese character is one column).
// These are plain file routines: the windows call them and keep the shared state themselves.
#include <array>
#include <string>

namespace lirafok {

inline constexpr const char* kCatalogueFileName = "LIRAFOK.TXT";
inline constexpr const char* kCatalogueBackupName = "LIRAFOK.BAK";
// Track numbers 0..101 are held; the two-digit tag limits saved records to tracks 1..99.
inline constexpr int kCatalogueSlots = 102;
inline constexpr int kMaxSavedTrack = 99;
// Font sets of the font list a record can select (0..5).
inline constexpr int kFontSets = 6;
// Bytes of each title half in the system code page.
inline constexpr int kTitleHalfBytes = 26;

struct CatalogueRecord {
    bool found = false;  // a line carried the disc key (DiscUnregistered == !found)
    std::string title;   // as stored: two halves of 26 code-page bytes
    std::string artist;
    int fontSet = 0;  // 0..5; 0 when the record has no FT line or an FT digit beyond 5
    std::array<std::string, kCatalogueSlots> songName;
    std::array<std::string, kCatalogueSlots> songArtist;
    std::array<std::string, kCatalogueSlots> songNumberText;  // tag text as found ("01", ...)
    bool hasSongArtists = false;                              // an "A" line was read
};

struct CatalogueLookup {
    bool opened = false;  // the catalogue could be read
    CatalogueRecord record;
};

// The catalogue in `lyricsFolder` (which ends with "/" or is "" for the current directory).
std::string catalogueFilePath(const std::string& lyricsFolder);
std::string catalogueBackupPath(const std::string& lyricsFolder);

// Reads every line of the catalogue; lines of `discKey` fill the record, a later line
// overriding an earlier one of the same tag. A track number outside 0..101 is ignored. With
// `updateSongNumberText` false, songNumberText stays empty (the caller keeps its own).
CatalogueLookup lookupDisc(const std::string& cataloguePath, const std::string& discKey,
                           bool updateSongNumberText = true);

// Title panel text: half 0 gives bytes 1-26 of the code-page form, half 1 bytes 27-52.
std::string titleLine(const std::string& title, int half);
// Stored title: each line padded with blanks to 26 code-page bytes (a longer line stays whole).
std::string buildTitle(const std::string& line1, const std::string& line2);

// Point size of the artist panel for `caption` (the artist followed by one blank), from its
// length in code-page bytes.
double fitArtistFontSize(const std::string& caption);

struct SaveResult {
    bool ok = false;
    std::string error;  // Japanese message box text when !ok
};

// Replaces the record of `discKey`: "LIRAFOK.BAK" becomes a copy of the old catalogue (empty
// when there was none), then the catalogue holds the new record (title, artist, font set,
// songs 1..trackCount each followed by its artist line when `perSongArtists`) followed by the
// lines of every other disc, byte for byte and in their old order (each ended by CR LF). With
// `perSongArtists` the artist line is written empty. trackCount is limited to 0..99 and
// fontSet to 0..5. On any failure the old catalogue is left whole and `error` says why.
SaveResult saveDiscRecord(const std::string& lyricsFolder, const std::string& discKey,
                          int trackCount, const std::string& title, const std::string& artist,
                          int fontSet, const std::array<std::string, kCatalogueSlots>& songName,
                          const std::array<std::string, kCatalogueSlots>& songArtist,
                          bool perSongArtists);

}  // namespace lirafok
