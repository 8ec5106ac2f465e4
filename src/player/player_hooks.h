#pragma once
// Routines of other windows that the player calls. They are filled in by those windows'
// modules at start-up (a routine left empty does nothing), so that the player does not depend
// on every window it drives.
#include <functional>

namespace lirafok {

class App;

struct PlayerHooks {
    std::function<void(App&)> AutoPlayStart;
    std::function<void(App&)> LookupDisc;
    std::function<void(App&)> ShowTrackLyrics;
    std::function<void(App&)> PlayNextListEntry;
    std::function<void(App&)> ToggleLayout;
    std::function<void(App&)> ShowDiscFonts;
    std::function<void(App&)> RepeatChecks;  // A-B and one-track checks while playing
    std::function<void(App&)> ScanStep;      // Timer1 in scan play
    // Modal save confirmations when the disc goes while an editor holds unsaved work.
    std::function<void(App&)> ConfirmLyricsSave;
    std::function<void(App&)> ConfirmDataSave;
    std::function<void(App&)> ConfirmTimingSave;
    // Windows opened by buttons of the main window.
    std::function<void(App&)> OpenDataWindow;
    std::function<void(App&)> OpenTapeEditor;
    std::function<void(App&)> OpenProgramEditor;
    std::function<void(App&)> OpenSettings;
    std::function<void(App&)> OpenRepeatWindow;
    // Play-mode buttons and the reset to normal play before an editor opens.
    std::function<void(App&)> NormalClick;
    std::function<void(App&)> RandomClick;
    std::function<void(App&)> ScanClick;
    std::function<void(App&)> PrivateClick;
    std::function<void(App&)> ResetToNormalPlay;
};

// The hooks of this program; every member callable (empty ones do nothing).
PlayerHooks& hooks(App& app);

}  // namespace lirafok
