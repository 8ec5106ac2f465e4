#pragma once
// Giving the disc in the drive a record that the catalogue holds under another disc key (the
// same album in another pressing): the record's lines take the new key and the lyrics files
// of its tracks take names under it.
//
// A re-key is all or nothing. It is planned in memory first (nothing on disk changes while the
// user is asked about the differences), then applied: the lyrics files are moved one by one,
// the old catalogue is copied to "LIRAFOK.BAK" and the re-keyed catalogue replaces
// "LIRAFOK.TXT". When any step fails, every step made so far is undone, so that the
// catalogue, its backup and every lyrics file are exactly as they were.
#include <optional>
#include <string>
#include <vector>

namespace lirafok {

// Records are identified by position: record n (from 1) begins at the n-th title line.
struct CatalogueTitles {
    bool opened = false;              // the catalogue could be read
    std::vector<std::string> titles;  // the value of every title line, in file order
};
CatalogueTitles readCatalogueTitles(const std::string& cataloguePath);

struct RecordSummary {
    bool found = false;
    bool hasArtist = false;          // the record has an artist line
    std::string artist;              // its value
    int fontSet = 0;                 // FT digit (0 without one)
    std::vector<std::string> songs;  // "nn name" for each song line, in file order
};
RecordSummary readRecordAt(const std::string& cataloguePath, int n);

struct RekeyPlan {
    enum class Outcome {
        Ready,         // `catalogue` holds the re-keyed file
        Unreadable,    // the catalogue cannot be read
        NoSuchRecord,  // fewer than n title lines
        AlreadyKeyed,  // a line already carries the new key
    };
    Outcome outcome = Outcome::Unreadable;
    std::string oldKey;     // columns 1-9 of the record's title line
    int songCount = 0;      // song lines of the record
    std::string original;   // the catalogue's bytes as read
    std::string catalogue;  // the re-keyed catalogue's bytes
};
// Record n re-keyed to `newKey`; every other line byte for byte as it was.
RekeyPlan planRekey(const std::string& cataloguePath, int n, const std::string& newKey);

struct RekeyResult {
    bool ok = false;
    std::string error;             // Japanese text for the message box when !ok
    std::vector<int> movedTracks;  // tracks whose lyrics file now carries the new key
    std::string notice;  // Japanese, when the re-key is done but something beside it was not
};
// Applies a Ready plan in `lyricsFolder`: the lyrics files of tracks 1..songCount move from
// the old key's names to the new key's (a track without a file is skipped; a syllable side
// file moves with its lyrics file), then the backup and the catalogue are written, and the
// key and tempo remembered for those tracks follow. A move is refused, and the whole re-key undone,
// when the file is write-protected or the new name is already taken (that file is never replaced).
RekeyResult applyRekey(const std::string& lyricsFolder, const RekeyPlan& plan,
                       const std::string& newKey);

}  // namespace lirafok
