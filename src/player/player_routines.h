#pragma once
// Routines of the player that several windows call. They work on the App's shared state and
// the main window's controls.
#include <cstdint>
#include <string>

namespace lirafok {

class App;
struct AppState;

// Disc life cycle.
void LoadDisc(App& app);
void UnloadDisc(App& app);
// Shows the message for a device error number (exclamation icon, OK).
void ShowDeviceError(App& app, int error);
std::string deviceErrorText(int error);
// The no-disc state after door open, eject or a drive change: every display and play state
// cleared, the device closed, disc polling every 2000 ms.
void ResetToNoDisc(App& app);

// Display.
void UpdateTrackDisplay(App& app);
void UpdateTimeDisplay(App& app);
void RefreshTrackList(App& app);
// Selects the track list's line of `track` (characters 2-3 of a line hold its track number).
void SelectTrackInList(App& app, int track);
void CueFirstEntry(App& app);
// Minutes and seconds, two digits each (more minutes when above 99): 62:05.
std::string minutesSeconds(std::int64_t ms);
// The track time shown for position `pos` (ms): elapsed or remaining as TRKLE says.
std::int64_t trackTimeShown(const AppState& s, std::int32_t pos, std::int32_t trackStart,
                            std::int32_t trackLen);
// The disc time shown for `pos`: elapsed from the disc start or remaining, as TOTLE says.
std::int64_t discTimeShown(const AppState& s, std::int32_t pos);
// Shows a track time and a total (ms) in TRKLEN and TOTALLEN and moves the slider to the
// position's share of the track (unless the user holds it).
void ShowTimeFigures(App& app, std::int64_t trackTime, std::int32_t pos, std::int32_t trackStart,
                     std::int32_t trackLen, std::int64_t total);

// Colours of the main window's panels and list from the settings.
void ApplyMainColours(App& app);

// Play modes: back to normal play (lists, scan and program off), and the NORMAL button.
void ResetToNormalPlay(App& app);
void NormalClick(App& app);
// The other play-mode buttons and the steps of list, repeat and scan play that the status
// routine and the play completion drive.
void RandomClick(App& app);
void ScanClick(App& app);
void PrivateClick(App& app);
void PlayNextListEntry(App& app);
// List play without a gap between entries: QueueFollowingEntry() asks the drive to play on with
// what follows the entry playing (the next entry, the first again when the list repeats, a
// one-track repeat's next turn) when it ends; FollowHeardEntry() moves the player on once the
// listener is there. Both are called on every status event; a drive that cannot jump leaves
// the entry's end to start the next one.
// DropFollowingEntry() takes back what was queued (list play ends or starts afresh).
void QueueFollowingEntry(App& app);
void FollowHeardEntry(App& app);
void DropFollowingEntry(App& app);
void RepeatChecks(App& app);
// The repeat loop the device turns by itself (A-B, one track, the whole disc; not in list
// play): ArmLoop() makes the next Play such a loop; KeepLoop() is true while the device plays
// the loop wanted now, and otherwise ends a loop that is no longer wanted.
void ArmLoop(App& app);
bool KeepLoop(App& app);
void ScanStep(App& app);

// Start-up from the AutoPlay command line ("program-directory drive").
void AutoPlayStart(App& app);

// Screen saver while playing.
void SuppressScreenSaver(App& app);
void RestoreScreenSaver(App& app);

// Volume.
void ApplyVolume(App& app);
void StepVolumeUp(App& app, int channel);
std::uint32_t volumeWord(std::int32_t level0, std::int32_t level1);

}  // namespace lirafok
