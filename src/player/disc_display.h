#pragma once
// The catalogue as the main window shows it: looking up the loaded disc, saving its record
// from the registration window, redisplaying it, and fitting the artist panel.
#include <array>
#include <string>

#include "core/app_state.h"
#include "device/cd_audio_device.h"

namespace lirafok {

class App;

void LookupDisc(App& app);
// Sets the artist panel's caption and fits its font size to the caption's byte length.
void FitArtistFont(App& app, const std::string& caption);

// What the registration window hands over when its record is saved.
struct DiscRecordEntry {
    std::string title1, title2;  // the two title lines
    std::string artist;
    bool perSongArtists = false;  // the "曲別" switch is on
    int fontSet = 0;
    std::array<std::string, kTrackSlots> songName;    // tracks 1..TrackCount
    std::array<std::string, kTrackSlots> songArtist;  // tracks 1..TrackCount
    bool operator==(const DiscRecordEntry&) const = default;
};

// Writes the loaded disc's record at the top of the catalogue (the previous file kept as the
// backup), then shows it on the main window, rebuilds the layout of a newly registered disc,
// refills the track list and closes the registration window. When the catalogue cannot be
// written, a message says why, the catalogue and the shown disc stay as they were, the window
// stays open, and false is returned.
bool SaveDiscRecord(App& app, const DiscRecordEntry& entry);

// For a disc without a record (DiscUnregistered 1): the titles the disc carries (CD-TEXT, the
// CUE sheet's TITLE and PERFORMER) become the shared record shown on the main window, for the
// registration window to start from; nothing is written. One performer for every track is the
// disc artist, differing ones are per-song artists. False, nothing changed, when the disc
// carries no titles.
bool ApplyDiscText(App& app);
// The same for titles from elsewhere (an online database), in the shape the disc's own take.
bool ApplyDiscText(App& app, const device::DiscText& text);
// Titles found for a disc without a record, shown as ApplyDiscText does and from then on
// treated as the disc's own: the full layout gets its title panels, the track list and the
// song panel their names. Nothing is written. False, nothing changed, for a registered disc
// or titles without any text.
bool ShowFoundTitles(App& app, const device::DiscText& titles);
// Whether the disc in the drive carries any title, performer or track title of its own.
bool DiscCarriesText(App& app);
// The full layout is compact for a disc without a record that carries no titles either.
bool CompactLayoutWanted(const App& app);
// A disc title as the two title halves of 26 code-page bytes (cut between characters; what
// does not fit the second half is dropped).
std::string discTextTitle(const std::string& title);

// Re-reads the disc's record and repaints colours, fonts, layout, texts and the track list
// (after the settings change or a record was re-keyed).
void RedisplayDisc(App& app);

}  // namespace lirafok
