// The sleep timer's countdown and expiry, power-off (POWER and closing the main window by its
// frame) and the elapsed / remaining switch of the time display.
#include "player/sleep_timer.h"

#include <algorithm>

#include "common/app.h"
#include "core/settings_file.h"
#include "player/cdoke.h"
#include "player/lyrics_display.h"
#include "player/player_routines.h"
#include "player/cdkasif.h"
#include "player/cdkasif2.h"

namespace lirafok {

// Windows of the folders above this one, shown and closed by their class.
class CDSKASI;

namespace {
constexpr std::int32_t kPieceMs = 60000;  // the most one timer interval holds
constexpr std::int64_t kDayMs = 86400000;
}  // namespace

std::int64_t msSinceMidnight(std::time_t now) {
    std::tm tm{};
    localtime_r(&now, &tm);
    return ((tm.tm_hour * 60LL + tm.tm_min) * 60 + tm.tm_sec) * 1000;
}

std::int64_t sleepTimerDelay(int hour, int minute, std::time_t now) {
    const std::int64_t target = (hour * 60LL + minute) * 60 * 1000;
    const std::int64_t current = msSinceMidnight(now);
    return target < current ? target + kDayMs - current : target - current;
}

void ArmSleepTimer(App& app, int state, int hour, int minute) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    w.Timer3.setTimerEnabled(false);
    w.Timer3.setInterval(0);
    if (state == kTimerNone) {
        s.TimerArmedState = kTimerNone;
        s.TimerArmedHour = 0;
        s.TimerArmedMinute = 0;
        s.TimerRemainingMs = 0;
        w.POWER.setForeColor(ui::kRed);
        return;
    }
    s.TimerArmedState = state;
    s.TimerArmedHour = hour;
    s.TimerArmedMinute = minute;
    const std::int64_t delay = sleepTimerDelay(hour, minute, app.svc.scheduler.wallClock());
    if (delay > kPieceMs) {
        s.TimerRemainingMs = static_cast<std::int32_t>(delay - kPieceMs);
        w.Timer3.setInterval(kPieceMs);
    } else {
        s.TimerRemainingMs = 0;
        // An interval of 0 would stop the timer for good: a time reached this very second
        // expires at once instead.
        w.Timer3.setInterval(static_cast<int>(std::max<std::int64_t>(delay, 1)));
    }
    w.Timer3.setTimerEnabled(true);
    w.POWER.setForeColor(ui::kBlue);
}

void CDOKE::Timer3_Timer() {
    AppState& s = app.state;
    if (s.TimerRemainingMs >= kPieceMs + 1) {
        s.TimerRemainingMs -= kPieceMs;
        Timer3.setInterval(kPieceMs);
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
    const int state = s.TimerArmedState;
    s.TimerArmedState = kTimerNone;
    if (!discReady()) return;
    if (state == kTimerPlay) {
        if (transportHeld()) return;
        MMControl1.setUpdateInterval(device::StatusMarker::Started);
        if (s.PausedByUser == 1) s.PausedByUser = 0;
        s.startArmedRepeat();
        ShowTrackLyrics(app);
        if (s.ScanPlay != 0) {
            Timer1.setTimerEnabled(true);
            Timer1.setInterval(s.SCANS * 1000);
            s.TimerPhase = Timer1Phase::ScanStep;
        } else if (listPlay(s)) {
            s.PlayListIndex = 0;
        } else {
            TRKNO.setCaption(std::to_string(MMControl1.Track()));
            SuppressScreenSaver(app);
            MMControl1.setTrack(1);
            MMControl1.setFrom(s.DiscStartMs);
            MMControl1.setNotify(true);
            // A play that cannot start leaves the drive stopped; the status events show it.
            (void)MMControl1.command(device::Command::Play);
        }
        return;
    }
    s.LyricsLoadedTrack = 0;
    s.LastCommand = "STOP";
    MMControl1.setUpdateInterval(device::StatusMarker::Idle);
    cueAfterStop();
    s.SliderSetByProgram = 0;
    s.clearRepeat();  // an A-B or one-track loop must not go on behind a black REPEAT
    REPEAT.setForeColor(ui::kBlack);
    s.PlayListIndex = -1;
    Timer1.setInterval(0);
    s.TimerPhase = Timer1Phase::Polling;
    // A list mode stays selected (Play starts its list again) and stays shown; only a scan
    // ends here.
    if (s.ScanPlay != 0) {
        s.ScanPlay = 0;
        STATUS2.setCaption("NORMAL");
        SCAN.setForeColor(ui::kBlack);
        NORMAL.setForeColor(ui::kRed);
    }
    MMControl1.setNotify(true);
    MMControl1.setWait(true);
    RestoreScreenSaver(app);
    // Stopping a drive that has stopped or lost its disc changes nothing.
    (void)MMControl1.command(device::Command::Stop);
    // The display follows the player to where it is cued: no Stop button loses the focus
    // here to refresh it, and the idle status events leave it alone.
    s.CurrentPositionMs = MMControl1.Position();
    UpdateTrackDisplay(app);
}

void CDOKE::POWER_Click() {
    AppState& s = app.state;
    app.PlayOkCue();
    // The lyrics editor's unsaved work is offered for saving, as at a disc change.
    if (s.EditorSavePending == 1) {
        app.show<CDSKASI>(true);
        s.EditorSavePending = 0;
    }
    RestoreScreenSaver(app);
    WindowPos& pos = s.ReducedLayout == 1 ? s.ReducedPos : s.FullPos;
    if (left() <= app.svc.screen.widthTwips()) pos.left = left();
    if (top() <= app.svc.screen.heightTwips()) pos.top = top();
    app.unload<CDKASIF>();
    app.unload<CDKASIF2>();
    s.TextWindowShown = 0;
    s.PanelWindowShown = 0;
    if (s.HOZON == 1 && !SaveSettings(s))
        // The program still ends; the user learns that the positions are not kept.
        app.msgBox("環境ファイルに書き込めません(" + s.IniPath + ")\n" +
                   "ウィンドウの位置は次回に引き継がれません。");
    Timer1.setTimerEnabled(false);
    Timer2.setTimerEnabled(false);
    Timer3.setTimerEnabled(false);
    RestoreScreenSaver(app);
    MMControl1.setUpdateInterval(device::StatusMarker::Off);
    MMControl1.setTo(s.DiscStartMs);
    MMControl1.setNotify(false);
    MMControl1.setWait(true);
    // Stopping a drive that has stopped or lost its disc changes nothing.
    (void)MMControl1.command(device::Command::Stop);
    MMControl1.setNotify(false);
    MMControl1.setWait(true);
    // Closing is the last word to the drive: a failure leaves nothing to undo.
    (void)MMControl1.command(device::Command::Close);
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

}  // namespace lirafok
