// The normal-play button and the reset to normal play that the mode buttons and editors share.
#include "player/cdoke.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

void ResetToNormalPlay(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    s.PlayList[1] = "01";
    s.TapeSidePlaying.clear();
    s.PlayListIndex = -1;
    s.ScanPlay = 0;
    s.ListPlay = 0;
    s.ProgramPlay = 0;
    for (ui::Button* b : {&w.RAN, &w.ORG, &w.SCAN, &w.PROG, &w.EDITX}) b->setForeColor(ui::kBlack);
    w.NORMAL.setForeColor(ui::kRed);
}

void NormalClick(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    device::DeviceMode mode = w.MMControl1.Mode();
    if (mode == device::DeviceMode::Paused) {
        app.PlayErrorCue();
        return;
    }
    if (mode == device::DeviceMode::Stopped) {
        app.PlayOkCue();
        if (s.ScanPlay != 0 || s.ListPlay != 0 || s.ProgramPlay != 0) {
            ResetToNormalPlay(app);
            w.STATUS2.setCaption("NORMAL");
            RefreshTrackList(app);
            CueFirstEntry(app);
            return;
        }
    } else {
        app.PlayErrorCue();
    }
    if (mode == device::DeviceMode::Playing) return;
    // Blue: a disc that is loaded does not start playing by itself.
    w.NORMAL.setForeColor(w.NORMAL.foreColor() == ui::kBlue ? ui::kRed : ui::kBlue);
}

// Random, private-list and scan play, list play and the repeat checks are not built yet: their
// buttons and steps leave the player in normal play.
void RandomClick(App&) {}
void ScanClick(App&) {}
void PrivateClick(App&) {}
void PlayNextListEntry(App&) {}
void RepeatChecks(App&) {}
void ScanStep(App&) {}

}  // namespace lirafok
