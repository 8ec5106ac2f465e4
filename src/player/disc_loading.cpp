#include <string>

#include "core/text.h"
#include "device/cd_audio_device.h"
#include "player/cdoke.h"
#include "player/disc_display.h"
#include "player/lyrics_display.h"
#include "player/player_routines.h"
#include "ui/services.h"
#include "common/app.h"
#include "player/cdkasif.h"
#include "player/cdkasif2.h"

namespace lirafok {

// Windows of the folders above this one, shown and closed by their class.
class CDCHG;
class CDDATA;
class CDEDIT;
class CDPRG;
class CDSDATA;
class CDSET;
class CDSKASI;
class CDSTIME;
class CDTEDIT;
class CPRINT;

void LoadDisc(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    s.LastCommand = "STOP";

    mci.setDevice(app.currentDevice());
    mci.setWait(true);
    mci.setNotify(true);
    if (mci.command(device::Command::Open) != 0) {
        app.msgBox("MCI_ERROR");
        app.endProgram();
        return;
    }

    if (!mci.CanPlay() && !mci.CanEject()) {
        w.Timer1.setTimerEnabled(true);
        w.Timer1.setInterval(CDOKE::kDiscPollMs);
        return;
    }

    w.LOADX.setForeColor(ui::kRed);
    mci.setUpdateInterval(device::StatusMarker::Idle);
    w.Timer1.setInterval(0);
    s.TimerPhase = Timer1Phase::Polling;

    mci.setTimeFormat(0);
    s.TrackCount = mci.Tracks();
    if (s.TrackCount == 0) {
        w.Timer1.setTimerEnabled(true);
        w.Timer1.setInterval(CDOKE::kDiscPollMs);
        return;
    }

    if (mci.Mode() == device::DeviceMode::Stopped) {
        w.Timer1.setInterval(0);
        w.TRKNO.setCaption("1");
        mci.setTrack(1);
        mci.setWait(true);
        mci.setTo(mci.Start());
        // A seek that fails leaves the position where it was; the display reads it back.
        (void)mci.command(device::Command::Seek);
    }
    if (mci.Mode() == device::DeviceMode::Stopped) w.TRKNO.setCaption("1");
    s.DiscStartMs = mci.Start();
    s.DiscLengthMs = mci.Length();

    if (s.TrackCount > kMaxTracks) {
        app.msgBox("このＣＤは、１００曲以上あります。正常に処理できません。");
        s.TrackCount = kMaxTracks;
    }

    for (int n = 1; n <= s.TrackCount; ++n) {
        mci.setTrack(n);
        auto i = static_cast<std::size_t>(n);
        s.TrackStartMs[i] = mci.TrackPosition();
        s.TrackLengthMs[i] = mci.TrackLength();
        s.TrackTimeText[i] = minutesSeconds(s.TrackLengthMs[i]);
    }
    mci.setTrack(1);
    s.DiscKey = text::pad(s.DiscLengthMs, 9);

    LookupDisc(app);
    s.CurrentPositionMs = mci.Position();
    UpdateTrackDisplay(app);
    RefreshTrackList(app);
    ShowTrackLyrics(app);
    ApplyVolume(app);

    if (w.List1.listCount() > 0) w.List1.setListIndex(0);

    if (s.AUTOX == 1 && w.NORMAL.foreColor() != ui::kBlue) {
        SuppressScreenSaver(app);
        // A play that cannot start leaves the drive stopped; the status events show it.
        (void)mci.command(device::Command::Play);
        mci.setUpdateInterval(device::StatusMarker::Started);
    }
}

void UnloadDisc(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    w.MMControl1.setUpdateInterval(device::StatusMarker::Off);
    app.unload<CDPRG>();
    app.unload<CPRINT>();
    app.unload<CDTEDIT>();
    app.unload<CDKASIF>();
    app.unload<CDKASIF2>();
    app.unload<CDCHG>();
    s.TextWindowShown = 0;
    s.PanelWindowShown = 0;
    // The save prompts are modal: each returns when the user has answered it.
    if (s.EditorSavePending == 1) {
        app.show<CDSKASI>(true);
        s.EditorSavePending = 0;
        app.unload<CDEDIT>();
    }
    if (s.DataWindowOpen == 1) {
        app.show<CDSDATA>(true);
        s.DataWindowOpen = 0;
        app.unload<CDDATA>();
    }
    if (s.TimingSetterActive == 1) {
        app.show<CDSTIME>(true);
        app.unload<CDSTIME>();
        s.SetterFromData = 0;
        // Saved or not, the setter worked on the disc that is gone: it closes, and closing it
        // lets go of the player.
        app.unload<CDSET>();
        app.unload<CDDATA>();
    }
    w.MMControl1.setUpdateInterval(device::StatusMarker::Off);
    w.Timer1.setTimerEnabled(true);
    w.Timer1.setInterval(CDOKE::kDiscPollMs);
}

std::string deviceErrorText(int error) {
    namespace e = device::errors;
    switch (error) {
        case e::kCannotLoadDriver:
            return "Error load media device driver.";
        case e::kDeviceNotOpen:
            return "The device is not open or is not known.";
        case e::kInvalidDeviceId:
            return "Invalid device id.";
        case e::kInvalidFile:
            return "Invalid filename.";
        case e::kUnsupportedFunction:
            return "Action not available for this device.";
        default:
            break;
    }
    // A non-negative number is printed with a leading blank, as numbers are turned into text.
    std::string n = error >= 0 ? " " + std::to_string(error) : std::to_string(error);
    return "Unknown error (" + n + ").";
}

void ShowDeviceError(App& app, int error) {
    app.msgBox(deviceErrorText(error), ui::mb::kOkOnly + ui::mb::kExclamation);
}

void ResetToNoDisc(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    w.LOADX.setForeColor(ui::kBlack);
    RestoreScreenSaver(app);
    w.STATUS1.setCaption("EJECT");
    UnloadDisc(app);
    for (ui::Button* b : {&w.PROG, &w.RAN, &w.SCAN, &w.ORG, &w.REPEAT}) b->setForeColor(ui::kBlack);
    w.NORMAL.setForeColor(ui::kRed);
    s.TapeSidePlaying.clear();
    s.LastCommand.clear();
    s.PausedByUser = 0;
    s.PlayListCount = 0;
    s.PlayListIndex = -1;
    s.ListPlay = 0;
    s.ProgramPlay = 0;
    s.ScanPlay = 0;
    w.STATUS2.setCaption("NORMAL");
    // No disc, no track: the sound goes back to the disc's own for whatever comes next.
    w.keyTempo.trackShown("", 0);
    for (std::size_t n = 1; n <= 50; ++n) {
        s.SongName[n].clear();
        s.SongArtist[n].clear();
        s.TrackTimeText[n] = "00:00";
        s.TrackStartMs[n] = 0;
        s.TrackLengthMs[n] = 0;
    }
    s.RepeatOn = RepeatSwitch::Off;
    s.DiscKey.clear();
    s.ListTotalKeyIndex = kNoListTotalIndex;
    s.ListTotalKeyMode = kNoListTotalMode;
    s.ListTotalMs = 0;
    s.LyricsLoadedTrack = 0;
    s.TrackCount = 0;
    w.MMControl1.setUpdateInterval(device::StatusMarker::Off);
    w.Timer1.setTimerEnabled(true);
    w.Timer1.setInterval(CDOKE::kDiscPollMs);
    s.TimerPhase = Timer1Phase::Polling;
    w.MMControl1.setWait(true);
    // Closing is the last word to the drive: a failure leaves nothing to undo.
    (void)w.MMControl1.command(device::Command::Close);
    w.TRKNO.setCaption("0");
    w.TRKLEN.setCaption("00:00");
    w.TOTALLEN.setCaption("00:00");
    w.TITLE[0].setCaption("");
    w.TITLE[1].setCaption("");
    w.ART.setCaption("");
    w.KYOKU.setCaption("");
    w.List1.clear();
    w.MMControl1.setAutoEnable(true);
}

}  // namespace lirafok
