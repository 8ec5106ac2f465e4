#pragma once
// The lyrics display: loads the lyric of the track the main window shows, keeps the karaoke
// panels of CDKASIF2 in step with the disc through the main window's Timer2, or shows an
// untimed lyric as plain text in CDKASIF.
//
// Every routine here does nothing while the timing setter is open (TimingSetterActive 1): the
// setter then owns the lyric tables and the line cursor.
#include <string>

namespace lirafok {

class App;

// Loads and shows the lyric of the track in the main window's TRKNO, or re-synchronises the
// panels of the loaded one after a stop. Called by the player on every time display, at play,
// stop and disc load, and by the KASI button.
void ShowTrackLyrics(App& app);

// One tick of the main window's Timer2: lights the line due at the elapsed track time plus the
// lead time CYOUS and arms the timer for the next timed line (waits over 60 s in pieces).
void LyricsTimerTick(App& app);

// Picks the top line of the panels for the current line; sets RepaintAll when it changed.
void ChooseLyricsTop(App& app);
// Colours the panels for the current line (NextLyricLine - 1); redraws every visible panel
// when the top line changed, otherwise only the two or three panels whose colour changes.
void PaintLyricsLines(App& app);
// VisibleLyricLines from the panel window's inner height (at most 26); panels 1..26 take the
// font of panel 0.
void FitLyricsPanels(App& app);
// Redraws every visible panel from TopLyricLine: captions, and colours for the current line
// NextLyricLine - 1 (none when NextLyricLine is 0). Empties the panels below the lyric.
void RepaintLyricsPanels(App& app);

// Panels that fit an inner height (twips), at most `cap`.
int lyricPanelsFor(int innerHeightTwips, int cap);

// Stops the line timer and forgets a remaining long wait.
void StopLyricsTick(App& app);
// The program closes both lyrics windows (no change to the display switch).
void CloseLyricsWindows(App& app);
// The display is switched off: both windows closed, the KASI button's caption black.
void TurnLyricsDisplayOff(App& app);
// The open lyrics window's caption names the song of the track it shows as the record has it
// now (after the record was saved).
void RetitleLyricsWindows(App& app);

// "07 - song name": caption of both lyrics windows.
std::string lyricsWindowCaption(int track, const std::string& songName);

}  // namespace lirafok
