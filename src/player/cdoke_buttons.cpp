// Buttons of the main window that open other functions.
#include "core/text.h"
#include "player/cdoke.h"
#include "player/play_modes.h"
#include "player/player_routines.h"
#include "common/app.h"
#include "player/cdrep.h"

namespace lirafok {

// Windows of the folders above this one, shown and closed by their class.
class CDDATA;
class CDKANKYOX;
class CDPRG;
class CDTEDIT;

void CDOKE::LOADX_Click() {
    app.PlayOkCue();
    // LOAD closes the tray first: an ejected disc goes back in and is loaded.
    // A drive whose tray cannot move is closed by hand: nothing to report.
    if (device::CdAudioDevice* d = app.currentDevice()) (void)d->closeTray();
    LoadDisc(app);
}

void CDOKE::DATAX_Click() {
    if (!discReady()) {
        app.PlayErrorCue();
        return;
    }
    app.PlayOkCue();
    app.state.DataWindowOpen = 1;
    if (!app.show<CDDATA>()) app.state.DataWindowOpen = 0;
}

void CDOKE::EDITX_Click() {
    AppState& s = app.state;
    if (!ModeButtonAllowed(app)) return;
    if (!(!s.TapeSidePlaying.empty() && s.ProgramPlay == 1)) LeaveListForEditor(app);
    app.show<CDTEDIT>();
}

void CDOKE::PROG_Click() {
    AppState& s = app.state;
    if (!ModeButtonAllowed(app)) return;
    if (s.ProgramPlay != 1) LeaveListForEditor(app);
    app.show<CDPRG>();
}

void CDOKE::SETUP_Click() {
    AppState& s = app.state;
    app.PlayOkCue();
    WindowPos& pos = s.ReducedLayout == 1 ? s.ReducedPos : s.FullPos;
    if (left() <= app.svc.screen.widthTwips()) pos.left = left();
    if (top() <= app.svc.screen.heightTwips()) pos.top = top();
    app.show<CDKANKYOX>();
}

void CDOKE::HELPX_Click() {
    app.svc.dialogs.showHelp(app.state.HelpPath, "目次");
}

void CDOKE::REPEAT_Click() {
    if (!discReady() || transportHeld()) {
        app.PlayErrorCue();
        return;
    }
    app.PlayOkCue();
    app.show<CDREP>();
}

void CDOKE::NORMAL_Click() {
    NormalClick(app);
}
void CDOKE::RAN_Click() {
    RandomClick(app);
}
void CDOKE::SCAN_Click() {
    ScanClick(app);
}
void CDOKE::ORG_Click() {
    PrivateClick(app);
}

}  // namespace lirafok
