// Buttons of the main window that open other functions, the time display mode, the timer
// countdown and power-off.
#include "core/settings_file.h"
#include "core/text.h"
#include "player/cdoke.h"
#include "player/lyrics_display.h"
#include "player/layout.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

void CDOKE::LOADX_Click() {
    app.PlayOkCue();
    LoadDisc(app);
}

void CDOKE::DATAX_Click() {
    if (!discReady()) {
        app.PlayErrorCue();
        return;
    }
    app.PlayOkCue();
    app.state.DataWindowOpen = 1;
    if (!app.show("CDDATA")) app.state.DataWindowOpen = 0;
}

void CDOKE::EDITX_Click() {
    AppState& s = app.state;
    if (!discReady() || MMControl1.Mode() != device::DeviceMode::Stopped || s.PlayListIndex > 0 ||
        s.PausedByUser == 1) {
        app.PlayErrorCue();
        return;
    }
    app.PlayOkCue();
    if (!(!s.TapeSidePlaying.empty() && s.ProgramPlay == 1)) ResetToNormalPlay(app);
    app.show("CDTEDIT");
}

void CDOKE::PROG_Click() {
    AppState& s = app.state;
    if (!discReady() || MMControl1.Mode() != device::DeviceMode::Stopped || s.PlayListIndex > 0 ||
        s.PausedByUser == 1) {
        app.PlayErrorCue();
        return;
    }
    app.PlayOkCue();
    if (s.ProgramPlay != 1) ResetToNormalPlay(app);
    app.show("CDPRG");
}

void CDOKE::SETUP_Click() {
    AppState& s = app.state;
    app.PlayOkCue();
    WindowPos& pos = s.ReducedLayout == 1 ? s.ReducedPos : s.FullPos;
    if (left() <= app.svc.screen.widthTwips()) pos.left = left();
    if (top() <= app.svc.screen.heightTwips()) pos.top = top();
    app.show("CDKANKYOX");
}

void CDOKE::HELPX_Click() {
    app.svc.dialogs.showHelp(app.state.HelpPath, "目次");
}

void CDOKE::REPEAT_Click() {
    if (!discReady()) {
        app.PlayErrorCue();
        return;
    }
    app.PlayOkCue();
    app.show("CDREP");
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

void CDOKE::TIMEDSP_Click() {
    AppState& s = app.state;
    app.PlayOkCue();
    if (s.TRKLE != 0) {
        s.TRKLE = 0;
        s.TOTLE = 0;
        TIMEDSP.setForeColor(ui::kBlue);
    } else {
        s.TRKLE = 1;
        s.TOTLE = 1;
        TIMEDSP.setForeColor(ui::kBlack);
    }
    UpdateTimeDisplay(app);
}

void CDOKE::Timer3_Timer() {
    AppState& s = app.state;
    if (s.TimerRemainingMs >= 60001) {
        s.TimerRemainingMs -= 60000;
        Timer3.setInterval(60000);
        return;
    }
    if (s.TimerRemainingMs != 0) {
        Timer3.setInterval(s.TimerRemainingMs);
        s.TimerRemainingMs = 0;
        return;
    }
    s.TimerArmedHour = 0;
    s.TimerArmedMinute = 0;
    POWER.setForeColor(ui::kRed);
    Timer3.setInterval(0);
    Timer3.setTimerEnabled(false);
    int state = s.TimerArmedState;
    s.TimerArmedState = 0;
    if (!discReady()) return;
    if (state == 1) {
        if (transportHeld()) return;
        MMControl1.setUpdateInterval(1);
        if (s.PausedByUser == 1) s.PausedByUser = 0;
        if (s.RepeatOn == 9) s.RepeatOn = 1;
        ShowTrackLyrics(app);
        if (s.ScanPlay != 0) {
            Timer1.setTimerEnabled(true);
            Timer1.setInterval(s.SCANS * 1000);
            s.TimerPhase = 2;
        } else if (listPlay(s)) {
            s.PlayListIndex = 0;
        } else {
            TRKNO.setCaption(std::to_string(MMControl1.Track()));
            SuppressScreenSaver(app);
            MMControl1.setTrack(1);
            MMControl1.setFrom(s.DiscStartMs);
            MMControl1.setNotify(true);
            MMControl1.setCommand("PLAY");
        }
        return;
    }
    s.LyricsLoadedTrack = 0;
    s.LastCommand = "STOP";
    MMControl1.setUpdateInterval(3000);
    cueAfterStop();
    s.SliderSetByProgram = 0;
    s.RepeatOn = 0;
    REPEAT.setForeColor(ui::kBlack);
    s.PlayListIndex = -1;
    Timer1.setInterval(0);
    s.TimerPhase = 0;
    s.ScanPlay = 0;
    STATUS2.setCaption("NORMAL");
    SCAN.setForeColor(ui::kBlack);
    MMControl1.setNotify(true);
    MMControl1.setWait(true);
    RestoreScreenSaver(app);
    MMControl1.setCommand("STOP");
}

void CDOKE::POWER_Click() {
    AppState& s = app.state;
    app.PlayOkCue();
    // The lyrics editor's unsaved work is offered for saving, as at a disc change.
    if (s.EditorSavePending == 1) {
        app.show("CDSKASI", true);
        s.EditorSavePending = 0;
    }
    RestoreScreenSaver(app);
    WindowPos& pos = s.ReducedLayout == 1 ? s.ReducedPos : s.FullPos;
    if (left() <= app.svc.screen.widthTwips()) pos.left = left();
    if (top() <= app.svc.screen.heightTwips()) pos.top = top();
    app.unloadForm("CDKASIF");
    app.unloadForm("CDKASIF2");
    s.TextWindowShown = 0;
    s.PanelWindowShown = 0;
    if (s.HOZON == 1 && !SaveSettings(s))
        // The program still ends; the user learns that the positions are not kept.
        app.msgBox("環境ファイルを保存できません(" + s.IniPath + ")\n" +
                   "ウィンドウの位置は次回に引き継がれません。");
    Timer1.setTimerEnabled(false);
    Timer2.setTimerEnabled(false);
    Timer3.setTimerEnabled(false);
    RestoreScreenSaver(app);
    MMControl1.setUpdateInterval(0);
    MMControl1.setTo(s.DiscStartMs);
    MMControl1.setNotify(false);
    MMControl1.setWait(true);
    MMControl1.setCommand("STOP");
    MMControl1.setNotify(false);
    MMControl1.setWait(true);
    MMControl1.setCommand("CLOSE");
    app.endProgram();
}

void CDOKE::Form_QueryUnload(bool& cancel, ui::UnloadMode mode) {
    if (mode == ui::UnloadMode::User && !app.ended()) {
        // Closing the main window by its frame is the same as POWER; POWER ends the program
        // itself, so this unload does not continue.
        POWER_Click();
        cancel = true;
    }
}

}  // namespace lirafok
