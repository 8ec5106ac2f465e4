// The player's heart beat: the status event of the multimedia control and the disc polling.
#include "core/text.h"
#include "player/cdcdg.h"
#include "player/cdkara.h"
#include "player/cdoke.h"
#include "player/list_total.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

namespace {

const char* statusText(device::DeviceMode mode) {
    switch (mode) {
        case device::DeviceMode::Stopped:
            return "STOP";
        case device::DeviceMode::Playing:
            return "PLAY";
        case device::DeviceMode::Paused:
            return "PAUSE";
        case device::DeviceMode::NotReady:
            return "EJECT";
        default:
            return "";
    }
}

// STATUS1 while the device plays: "PLAY", or that nothing is heard while its sound output is
// gone (the position holds until the output is back).
constexpr const char* kNoSoundOutput = "音声なし";

const char* statusCaption(device::DeviceMode mode, device::CdAudioDevice* device) {
    if (mode == device::DeviceMode::Playing && device && device->outputLost())
        return kNoSoundOutput;
    return statusText(mode);
}

}  // namespace

void CDOKE::showStateNow() {
    if (transportHeld()) return;
    AppState& s = app.state;
    const device::DeviceMode mode = MMControl1.Mode();
    if (mode != device::DeviceMode::Stopped && mode != device::DeviceMode::Playing &&
        mode != device::DeviceMode::Paused)
        return;
    STATUS1.setCaption(statusCaption(mode, MMControl1.device()));
    // A seek has taken effect once the device plays: the slider follows the position again.
    if (mode == device::DeviceMode::Playing && s.SliderSetByProgram == 1) s.SliderSetByProgram = 0;
    const std::int32_t pos = MMControl1.Position();
    s.CurrentPositionMs = pos;
    if (mode == device::DeviceMode::Stopped || pos < s.CurrentTrackStartMs ||
        pos > s.CurrentTrackEndMs || s.CurrentTrackLengthMs == 0) {
        UpdateTrackDisplay(app);
        return;
    }
    const std::int64_t t = trackTimeShown(s, pos, s.CurrentTrackStartMs, s.CurrentTrackLengthMs);
    const std::int64_t total = listPlay(s) ? t + listOtherEntriesMs(s) : discTimeShown(s, pos);
    ShowTimeFigures(app, t, pos, s.CurrentTrackStartMs, s.CurrentTrackLengthMs, total);
}

void CDOKE::MMCONTROL1_StatusUpdate() {
    AppState& s = app.state;
    device::DeviceMode mode = MMControl1.Mode();
    STATUS1.setCaption(statusCaption(mode, MMControl1.device()));
    keyTempo.checkDevice();
    if (mode == device::DeviceMode::NotReady) RestoreScreenSaver(app);
    if (mode == device::DeviceMode::DoorOpen) {
        ResetToNoDisc(app);
        STATUS1.setCaption("EJECT");
        return;
    }
    if (MMControl1.marks(device::StatusMarker::Started)) {
        MMControl1.setUpdateInterval(device::StatusMarker::Running);
        s.CurrentPositionMs = MMControl1.Position();
        UpdateTrackDisplay(app);
    }
    FollowHeardEntry(app);
    if (mode == device::DeviceMode::Stopped)
        statusStopped();
    else if (mode == device::DeviceMode::Playing)
        statusPlaying();
    if (listPlay(s) || s.QueuedEntry) QueueFollowingEntry(app);
    FollowCdg(app);
    FollowKaraoke(app);
}

void CDOKE::statusStopped() {
    AppState& s = app.state;
    if (s.SetterRunFinished == 1) {
        s.SetterHoldStatus = 0;
        // The timing setter holds the stopped disc where it is; the events go on at the idle
        // interval only so that a disc removed meanwhile is still noticed.
        MMControl1.setUpdateInterval(device::StatusMarker::Idle);
        return;
    }
    auto replay = [&](int track, std::int32_t from, int interval) {
        SuppressScreenSaver(app);
        MMControl1.setUpdateInterval(interval);
        MMControl1.setTrack(track);
        MMControl1.setFrom(from);
        ArmLoop(app);
        // A play that cannot start leaves the drive stopped; the status events show it.
        (void)MMControl1.command(device::Command::Play);
        TRKNO.setCaption(std::to_string(track));
        s.CurrentPositionMs = MMControl1.Position();
        UpdateTrackDisplay(app);
    };
    if (s.repeating(RepeatMode::WholeDisc) && !listPlay(s)) {
        replay(1, s.DiscStartMs, 1000);
        return;
    }
    if (s.PlayListIndex == 0) {
        MMControl1.setUpdateInterval(device::StatusMarker::Running);
        PlayNextListEntry(app);
        s.LastCommand = "PLAY";
        s.CurrentPositionMs = MMControl1.Position();
        UpdateTrackDisplay(app);
        return;
    }
    if (s.PlayListIndex > 0) return;
    if (s.repeating(RepeatMode::OneTrack)) {
        replay(s.RepeatTrack, s.RepeatStartMs, 1000);
        return;
    }
    if (MMControl1.marks(device::StatusMarker::Running) && !listPlay(s)) {
        // The disc has ended: back to its start, idle.
        MMControl1.setUpdateInterval(device::StatusMarker::Idle);
        MMControl1.setTrack(1);
        MMControl1.setTo(s.DiscStartMs);
        MMControl1.setWait(true);
        // A seek that fails leaves the position where it was; the display reads it back.
        (void)MMControl1.command(device::Command::Seek);
        TRKNO.setCaption("1");
        RestoreScreenSaver(app);
        s.CurrentPositionMs = MMControl1.Position();
        UpdateTrackDisplay(app);
    }
}

void CDOKE::statusPlaying() {
    AppState& s = app.state;
    // A user seek has taken effect once the device plays again: the slider follows the
    // position from here on (otherwise it would stay frozen until the disc ends).
    if (s.SliderSetByProgram == 1) s.SliderSetByProgram = 0;
    KeepLoop(app);
    std::int32_t pos = MMControl1.Position();
    s.CurrentPositionMs = pos;
    if (pos < s.CurrentTrackStartMs || pos > s.CurrentTrackEndMs) {
        if (s.repeating(RepeatMode::OneTrack) && !listPlay(s)) {
            SuppressScreenSaver(app);
            MMControl1.setUpdateInterval(device::StatusMarker::InRepeat);
            MMControl1.setTrack(s.RepeatTrack);
            MMControl1.setFrom(s.RepeatStartMs);
            ArmLoop(app);
            // A play that cannot start leaves the drive stopped; the status events show it.
            (void)MMControl1.command(device::Command::Play);
            TRKNO.setCaption(std::to_string(s.RepeatTrack));
            s.CurrentPositionMs = MMControl1.Position();
        }
        UpdateTrackDisplay(app);
        return;
    }
    RepeatChecks(app);
    if (MMControl1.Mode() != device::DeviceMode::Playing)
        return;  // a repeat check moved the device

    // Time display from the position just read.
    std::int32_t start = s.CurrentTrackStartMs;
    std::int32_t len = s.CurrentTrackLengthMs;
    if (len == 0) return;
    const std::int64_t t = trackTimeShown(s, pos, start, len);
    // In list play the total is this entry's time plus the other entries' lengths.
    const std::int64_t total = listPlay(s) ? t + listOtherEntriesMs(s) : discTimeShown(s, pos);
    ShowTimeFigures(app, t, pos, start, len, total);
}

void CDOKE::Timer1_Timer() {
    AppState& s = app.state;
    if (s.TimerPhase == Timer1Phase::PrevWindow) {
        Timer1.setInterval(0);
        s.TimerPhase = Timer1Phase::Polling;
        return;
    }
    if (s.TimerPhase == Timer1Phase::ScanStep) {
        ScanStep(app);
        return;
    }
    if (MMControl1.Mode() == device::DeviceMode::Stopped) {
        Timer1.setInterval(0);
        MMControl1.setTrack(1);
        TRKNO.setCaption("1");
        MMControl1.setTo(s.DiscStartMs);
        // A seek that fails leaves the position where it was; the display reads it back.
        (void)MMControl1.command(device::Command::Seek);
    } else {
        MMControl1.setAutoEnable(true);
    }
    LoadDisc(app);
}

}  // namespace lirafok
