#pragma once
// Pieces of the play modes that the program editor and the tests use: the track entry text,
// the shuffle and the private list file.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lirafok {

class App;
struct AppState;

// "tt mm:ss name": the track as two digits, a blank, its time, a blank, its song name. The
// first two characters are the only part ever read back.
std::string trackEntryText(const AppState& s, int track);
// The track of an entry text: the value of its first two characters (0 when there is none).
int entryTrackNumber(const std::string& entry);

// The mode buttons' common checks: refused (error cue, false) while the timing setter holds
// the player, while paused, without a disc, or unless stopped with no list running; otherwise
// the ok cue and true.
bool ModeButtonAllowed(App& app);
// The reset to normal play when an editor opens over a selected list or scan: the track list
// and the cued track become the disc's again.
void LeaveListForEditor(App& app);

// Tracks 1..count, each exactly once, in the order drawn: `draw(count)` returns a track from
// 1 to count at random; a track already drawn is drawn again.
std::vector<int> shuffledTracks(int count, const std::function<int(int)>& draw);
// The shuffle of the RAN button, from a generator seeded afresh by std::random_device.
std::vector<int> shuffledTracks(int count);

// The disc's private list file: the lyrics folder's file of track "00" for the disc key.
std::string privateListPath(const AppState& s);
// The tracks of a private list, in order. nullopt when the file cannot be read, a line is not
// a track number, a track is not on the disc (1..trackCount) or there are more than
// `maxEntries` lines. Blank lines are skipped.
std::optional<std::vector<int>> readPrivateList(const std::string& path, int trackCount,
                                                int maxEntries);
// Writes the tracks as two-digit lines, CP932 with CR LF, replacing the file safely. False
// (old file untouched) on failure.
bool writePrivateList(const std::string& path, const std::vector<int>& tracks);

// The loop a drive turns by itself for the repeat switched on now, as [from, to) in disc
// milliseconds (to < 0: the disc end): A-B, one track (to the next track's start) or the whole
// disc. nullopt for none and in list play, whose entries end before their tracks do.
std::optional<std::pair<std::int32_t, std::int32_t>> repeatLoop(const AppState& s);

}  // namespace lirafok
