// Transport buttons, their completions and the position slider of the main window.
#include "core/text.h"
#include "player/cdoke.h"
#include "player/lyrics_display.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

void CDOKE::MMCONTROL1_PlayClick(bool& cancel) {
    AppState& s = app.state;
    if (transportHeld()) {
        app.PlayErrorCue();
        cancel = true;
        return;
    }
    app.PlayOkCue();
    SuppressScreenSaver(app);
    MMControl1.setUpdateInterval(device::StatusMarker::Started);
    if (s.PausedByUser == 1) {
        s.PausedByUser = 0;
        return;
    }
    s.startArmedRepeat();
    ShowTrackLyrics(app);
    if (s.ScanPlay != 0) {
        Timer1.setTimerEnabled(true);
        Timer1.setInterval(s.SCANS * 1000);
        s.TimerPhase = Timer1Phase::ScanStep;
        UpdateTrackDisplay(app);
    } else if (listPlay(s)) {
        cancel = true;
        RestoreScreenSaver(app);
        s.PlayListIndex = 0;
    } else {
        TRKNO.setCaption(std::to_string(MMControl1.Track()));
        MMControl1.setFrom(s.DiscStartMs);
    }
}

void CDOKE::MMCONTROL1_PauseClick(bool& cancel) {
    if (transportHeld()) {
        app.PlayErrorCue();
        cancel = true;
        return;
    }
    app.PlayOkCue();
    app.state.PausedByUser = 1;
    MMControl1.setUpdateInterval(device::StatusMarker::Idle);
}

void CDOKE::MMCONTROL1_StopClick(bool& cancel) {
    if (transportHeld()) {
        app.PlayErrorCue();
        cancel = true;
        return;
    }
    app.PlayOkCue();
    RestoreScreenSaver(app);
    app.state.LyricsLoadedTrack = 0;
}

void CDOKE::listNextPrev(bool next) {
    AppState& s = app.state;
    if (next) {
        if (s.PlayListIndex != s.PlayListCount) {
            s.LastCommand = "NEXT";
            RestoreScreenSaver(app);
            // Stopping a drive that has stopped or lost its disc changes nothing.
            (void)MMControl1.command(device::Command::Stop);
        }
        s.LastCommand = "NEXT";
        return;
    }
    bool moved = false;
    if (s.PlayListIndex > 1 && s.TimerPhase == Timer1Phase::PrevWindow) {
        s.PlayListIndex -= 2;
        moved = true;
    } else if (s.PlayListIndex > 0) {
        s.PlayListIndex -= 1;
        moved = true;
    }
    if (moved) {
        s.LastCommand = "PREV";
        RestoreScreenSaver(app);
        // Stopping a drive that has stopped or lost its disc changes nothing.
        (void)MMControl1.command(device::Command::Stop);
        Timer1.setTimerEnabled(true);
        Timer1.setInterval(kPrevWindowMs);
        s.TimerPhase = Timer1Phase::PrevWindow;
    }
    s.LastCommand = "PREV";
}

void CDOKE::MMCONTROL1_NextClick(bool& cancel) {
    // From the entry heard now, even between two status events.
    FollowHeardEntry(app);
    AppState& s = app.state;
    if (transportHeld()) {
        app.PlayErrorCue();
        cancel = true;
        return;
    }
    app.PlayOkCue();
    if (s.loopChosen()) {
        s.clearRepeat();
        REPEAT.setForeColor(ui::kBlack);
    }
    if (s.PlayListIndex > 0) {
        cancel = true;
        listNextPrev(true);
    }
}

void CDOKE::MMCONTROL1_PrevClick(bool& cancel) {
    // From the entry heard now, even between two status events.
    FollowHeardEntry(app);
    AppState& s = app.state;
    if (transportHeld()) {
        app.PlayErrorCue();
        cancel = true;
        return;
    }
    app.PlayOkCue();
    if (s.PlayListIndex > 0) {
        cancel = true;
        listNextPrev(false);
    }
}

void CDOKE::refreshAfterCompletion() {
    if (transportHeld()) return;
    app.state.CurrentPositionMs = MMControl1.Position();
    UpdateTrackDisplay(app);
}

// Stopped: cued at the first entry of the list being played, or at the disc's start.
void CDOKE::cueAfterStop() {
    AppState& s = app.state;
    if (listPlay(s)) {
        int t = text::val(text::left(s.PlayList[1], 2));
        MMControl1.setTrack(t);
        TRKNO.setCaption(std::to_string(t));
        MMControl1.setTo(MMControl1.TrackPosition());
    } else {
        MMControl1.setTo(s.DiscStartMs);
        MMControl1.setWait(true);
        MMControl1.setTrack(1);
        TRKNO.setCaption("1");
    }
    // A seek that fails leaves the position where it was; the display reads it back.
    (void)MMControl1.command(device::Command::Seek);
}

void CDOKE::MMCONTROL1_PlayCompleted(int error) {
    // A resume that failed leaves the disc paused, and so the player: the next Play resumes
    // again (in list play it would otherwise wait for a stop that never comes).
    if (error != 0 && !transportHeld() && MMControl1.Mode() == device::DeviceMode::Paused) {
        app.state.PausedByUser = 1;
        MMControl1.setUpdateInterval(device::StatusMarker::Idle);
    }
    refreshAfterCompletion();
}

void CDOKE::MMCONTROL1_NextCompleted(int) {
    refreshAfterCompletion();
}

void CDOKE::MMCONTROL1_PrevCompleted(int) {
    refreshAfterCompletion();
}

void CDOKE::MMControl1_StopCompleted(int) {
    AppState& s = app.state;
    if (transportHeld()) return;
    s.LastCommand = "STOP";
    MMControl1.setUpdateInterval(device::StatusMarker::Idle);
    cueAfterStop();
    s.LyricsLoadedTrack = 0;
    s.SliderSetByProgram = 0;
    s.clearRepeat();
    s.PausedByUser = 0;
    REPEAT.setForeColor(ui::kBlack);
    s.PlayListIndex = -1;
    Timer1.setInterval(0);
    s.TimerPhase = Timer1Phase::Polling;
    ShowTrackLyrics(app);
    if (s.ScanPlay != 0) {
        s.ScanPlay = 0;
        STATUS2.setCaption("NORMAL");
        NORMAL.setForeColor(ui::kRed);
        SCAN.setForeColor(ui::kBlack);
    }
}

void CDOKE::MMCONTROL1_EjectClick(bool& cancel) {
    if (!discReady()) {
        // No disc: the button closes the tray, as on a CD player, and the disc loads.
        cancel = true;
        app.PlayOkCue();
        if (device::CdAudioDevice* d = app.currentDevice()) (void)d->closeTray();
        LoadDisc(app);
        return;
    }
    app.PlayOkCue();
    app.state.SetterHoldTransport = 0;
    app.state.SetterHoldStatus = 0;
    ResetToNoDisc(app);
    MMControl1.setWait(true);
    if (int e = MMControl1.command(device::Command::Eject)) ShowDeviceError(app, e);
    MMControl1.setWait(true);
    if (int e = MMControl1.command(device::Command::Close)) ShowDeviceError(app, e);
}

void CDOKE::MMControl1_EjectCompleted(int) {
    MMControl1.setAutoEnable(true);
}

void CDOKE::MMCONTROL1_StopLostFocus() {
    if (transportHeld()) return;
    UpdateTimeDisplay(app);
}

void CDOKE::MMControl1_Done(int notifyCode) {
    AppState& s = app.state;
    if (transportHeld()) return;
    if (s.LastCommand == "OPEN" && notifyCode == device::kNotifySuccessful) {
        Timer1.setInterval(0);
        return;
    }
    if (MMControl1.Mode() != device::DeviceMode::Stopped) {
        s.SliderSetByProgram = 0;
        s.LastCommand = "PLAY";
        return;
    }
    if (s.PausedByUser != 0) return;
    if (notifyCode == device::kNotifyFailure) {
        s.LastCommand.clear();
        s.SliderSetByProgram = 0;
    }
    if (!s.LastCommand.empty() && s.PlayListIndex >= 0) {
        // An entry queued to follow may have been heard since the last status event.
        FollowHeardEntry(app);
        s.LastCommand.clear();
        PlayNextListEntry(app);
    }
}

void CDOKE::List1_MouseDown() {
    AppState& s = app.state;
    if (s.loopChosen()) {
        s.clearRepeat();
        REPEAT.setForeColor(ui::kBlack);
    }
    s.LyricsLoadedTrack = 0;
    if (listPlay(s) || s.ScanPlay != 0) return;
    int track = List1.listIndex() + 1;
    if (track < 1 || track > s.TrackCount) return;
    s.startArmedRepeat();
    SuppressScreenSaver(app);
    MMControl1.setUpdateInterval(device::StatusMarker::Off);
    MMControl1.setTrack(track);
    MMControl1.setFrom(MMControl1.TrackPosition());
    MMControl1.setWait(false);
    // A play that cannot start leaves the drive stopped; the status events show it.
    (void)MMControl1.command(device::Command::Play);
    TRKNO.setCaption(std::to_string(track));
    MMControl1.setUpdateInterval(device::StatusMarker::Running);
    s.CurrentPositionMs = MMControl1.Position();
    UpdateTrackDisplay(app);
    showStateNow();
}

void CDOKE::POINTX_Change() {
    AppState& s = app.state;
    device::DeviceMode mode = MMControl1.Mode();
    if (mode == device::DeviceMode::Stopped) {
        if (POINTX.value() != 0) {
            s.SliderSetByProgram = -1;
            POINTX.setValue(0);
        }
        s.SliderSetByProgram = 0;
        return;
    }
    if (s.SliderSetByProgram == -1) {
        s.SliderSetByProgram = 0;
        return;
    }
    if (mode != device::DeviceMode::Playing && mode != device::DeviceMode::Paused) return;
    // A user seek: the lyrics tick searches the line afresh from the new position.
    Timer2.setTimerEnabled(true);
    Timer2.setInterval(100);
    s.SliderSetByProgram = 1;
    std::int64_t from = static_cast<std::int64_t>(POINTX.value()) * s.CurrentTrackLengthMs / 100 +
                        s.CurrentTrackStartMs - 2000;
    if (from < s.CurrentTrackStartMs) from = s.CurrentTrackStartMs;
    MMControl1.setFrom(static_cast<std::int32_t>(from));
    if (listPlay(s)) MMControl1.setTo(s.CurrentTrackStartMs + s.CurrentTrackLengthMs - 1000);
    s.LastCommand.clear();
    SuppressScreenSaver(app);
    MMControl1.setNotify(true);
    MMControl1.setWait(false);
    // A play that cannot start leaves the drive stopped; the status events show it.
    (void)MMControl1.command(device::Command::Play);
    showStateNow();
}

}  // namespace lirafok
