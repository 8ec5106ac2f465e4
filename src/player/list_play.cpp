// The steps of list play, intro scan and the repeat loops that the status routine, the play
// completion and Timer1 drive.
#include <algorithm>

#include "core/text.h"
#include "player/cdoke.h"
#include "player/play_modes.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

namespace {

// What plays after the entry playing now, as the status events and PlayNextListEntry() would
// start it; nullopt when the list stops after this entry.
std::optional<AppState::FollowingEntry> followingEntry(const AppState& s) {
    using Follow = AppState::Follow;
    if (!listPlay(s) || s.PlayListIndex < 1 || s.PlayListIndex > s.PlayListCount) return {};
    AppState::FollowingEntry f;
    if (s.repeating(RepeatMode::AB) && s.PlayListIndex == s.RepeatEndEntry) {
        // At B, back to A in the entry that held it, which then plays to its track's end.
        f.kind = Follow::ABRepeat;
        f.index = s.RepeatStartEntry;
        f.track = s.RepeatTrack;
        f.atMs = s.RepeatEndMs;
        f.fromMs = s.RepeatStartMs;
        f.toMs = s.RepeatEntryEndMs;
        // A and B in one entry: a loop the drive turns at every pass.
        f.everyPass = s.RepeatStartEntry == s.RepeatEndEntry;
    } else if (s.PlayListIndex < s.PlayListCount && s.repeating(RepeatMode::OneTrack)) {
        f.kind = Follow::TrackRepeat;
        f.index = s.PlayListIndex;
        f.track = s.RepeatTrack;
        f.fromMs = s.RepeatStartMs;
        f.toMs = s.RepeatEndMs - 1000;
    } else {
        if (s.PlayListIndex >= s.PlayListCount && s.RepeatOn == RepeatSwitch::Off) return {};
        f.index = s.PlayListIndex < s.PlayListCount ? s.PlayListIndex + 1 : 1;
        f.track = entryTrackNumber(s.PlayList[static_cast<std::size_t>(f.index)]);
        if (f.track < 1 || f.track >= kTrackSlots) return {};
        f.fromMs = s.TrackStartMs[static_cast<std::size_t>(f.track)];
        // Each entry stops one second before its track ends.
        f.toMs = f.fromMs + s.TrackLengthMs[static_cast<std::size_t>(f.track)] - 1000;
    }
    if (f.toMs <= f.fromMs) return {};
    return f;
}

}  // namespace

void DropFollowingEntry(App& app) {
    AppState& s = app.state;
    if (s.QueuedEntry) (void)cdoke(app).MMControl1.queueNext(-1, -1, -1);
    s.QueuedEntry.reset();
}

void QueueFollowingEntry(App& app) {
    AppState& s = app.state;
    device::MMControl& mci = cdoke(app).MMControl1;
    std::optional<AppState::FollowingEntry> next = followingEntry(s);
    const device::DeviceMode mode = mci.Mode();
    if (mode != device::DeviceMode::Playing && mode != device::DeviceMode::Paused) next.reset();
    if (!next) {
        DropFollowingEntry(app);  // the list stops after this entry
        return;
    }
    // Asked again on every status event: the drive keeps a jump it already has, and takes it
    // back when a command in between dropped it.
    next->jumpsBefore = s.QueuedEntry && s.QueuedEntry->sameSpan(*next) ? s.QueuedEntry->jumpsBefore
                                                                        : mci.JumpsHeard();
    if (mci.queueNext(next->atMs, next->fromMs, next->toMs, next->everyPass))
        s.QueuedEntry = next;
    else
        s.QueuedEntry.reset();  // the drive cannot: the entry's end (or B) starts it
}

void FollowHeardEntry(App& app) {
    AppState& s = app.state;
    if (!s.QueuedEntry) return;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    if (!listPlay(s) || s.PlayListIndex < 1) {
        // List play ended or starts afresh: the drive must not play on into the old next entry.
        DropFollowingEntry(app);
        return;
    }
    if (mci.JumpsHeard() <= s.QueuedEntry->jumpsBefore) return;
    // The listener is in the queued entry: the player moves on as if it had started it.
    const AppState::FollowingEntry heard = *s.QueuedEntry;
    s.QueuedEntry.reset();
    s.LastCommand = "PLAY";
    if (heard.kind != AppState::Follow::Entry || heard.index <= s.PlayListIndex) {
        s.LyricsLoadedTrack = 0;
        SuppressScreenSaver(app);
        mci.setUpdateInterval(heard.kind == AppState::Follow::ABRepeat
                                  ? device::StatusMarker::InRepeat
                                  : device::StatusMarker::Running);
    }
    s.PlayListIndex = heard.index;
    mci.setTrack(heard.track);
    w.TRKNO.setCaption(std::to_string(heard.track));
    s.CurrentPositionMs = mci.Position();
    UpdateTrackDisplay(app);
}

void PlayNextListEntry(App& app) {
    AppState& s = app.state;
    if (!listPlay(s)) return;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    if (s.PlayListIndex >= s.PlayListCount) {
        if (s.RepeatOn != RepeatSwitch::Off) {
            s.PlayListIndex = 0;  // the next status event starts the list again
            s.LyricsLoadedTrack = 0;
        } else {
            mci.setUpdateInterval(device::StatusMarker::Idle);
            s.PlayListIndex = -1;
            CueFirstEntry(app);
        }
        return;
    }
    if (s.repeating(RepeatMode::OneTrack)) {
        s.LyricsLoadedTrack = 0;
        SuppressScreenSaver(app);
        mci.setUpdateInterval(device::StatusMarker::Running);
        mci.setTrack(s.RepeatTrack);
        mci.setFrom(s.RepeatStartMs);
        mci.setTo(s.RepeatEndMs - 1000);
        // The end of this play must come back here, or the loop would stop after one turn.
        mci.setNotify(true);
        // A play that cannot start leaves the drive stopped; the status events show it.
        (void)mci.command(device::Command::Play);
        w.TRKNO.setCaption(std::to_string(s.RepeatTrack));
        s.CurrentPositionMs = mci.Position();
        UpdateTrackDisplay(app);
        s.QueuedEntry.reset();
        QueueFollowingEntry(app);
        return;
    }
    ++s.PlayListIndex;
    s.LastCommand = "PLAY";
    const int t = entryTrackNumber(s.PlayList[static_cast<std::size_t>(s.PlayListIndex)]);
    SuppressScreenSaver(app);
    mci.setNotify(true);
    mci.setWait(false);
    mci.setTrack(t);
    const std::int32_t start =
        t >= 1 && t < kTrackSlots ? s.TrackStartMs[static_cast<std::size_t>(t)] : 0;
    mci.setFrom(start);
    // Each entry stops one second before its track ends.
    mci.setTo(start + mci.TrackLength() - 1000);
    // A play that cannot start leaves the drive stopped; the status events show it.
    (void)mci.command(device::Command::Play);
    w.TRKNO.setCaption(std::to_string(t));
    s.QueuedEntry.reset();
    QueueFollowingEntry(app);
}

void ArmLoop(App& app) {
    if (const auto loop = repeatLoop(app.state))
        cdoke(app).MMControl1.setLoop(loop->first, loop->second);
}

bool KeepLoop(App& app) {
    AppState& s = app.state;
    device::MMControl& mci = cdoke(app).MMControl1;
    const auto loop = mci.Loop();
    if (!loop) return false;
    if (loop == repeatLoop(s)) return true;
    // The repeat was changed or cancelled: play on from here to the end without turning.
    mci.setFrom(mci.Position());
    // A play that cannot start leaves the drive stopped; the status events show it.
    (void)mci.command(device::Command::Play);
    return false;
}

void RepeatChecks(App& app) {
    AppState& s = app.state;
    if (s.RepeatKind != RepeatMode::OneTrack && s.RepeatKind != RepeatMode::AB) return;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    const bool list = listPlay(s);
    const std::int32_t pos = s.CurrentPositionMs;
    if (list ? s.PlayListIndex < s.RepeatStartEntry : pos < s.RepeatStartMs) {
        s.clearRepeat();
        w.REPEAT.setForeColor(ui::kBlack);
        return;
    }
    if (s.RepeatKind != RepeatMode::AB || (list && s.PlayListIndex != s.RepeatEndEntry)) return;
    if (pos > s.RepeatEndMs) {
        s.LyricsLoadedTrack = 0;
        SuppressScreenSaver(app);
        mci.setUpdateInterval(device::StatusMarker::InRepeat);
        mci.setTrack(s.RepeatTrack);
        mci.setFrom(s.RepeatStartMs);
        if (list) {
            mci.setTo(s.RepeatEntryEndMs);
            s.PlayListIndex = s.RepeatStartEntry;
            // The entry that held A then ends as any entry does and the list goes on.
            mci.setNotify(true);
            s.LastCommand = "PLAY";
        }
        ArmLoop(app);  // from here on the device turns at B by itself, without a gap
        // A play that cannot start leaves the drive stopped; the status events show it.
        (void)mci.command(device::Command::Play);
        w.TRKNO.setCaption(std::to_string(s.RepeatTrack));
        s.CurrentPositionMs = mci.Position();
        UpdateTrackDisplay(app);
        return;
    }
    // The device turns at B itself: its loop, or the turn queued with it in list play.
    if (mci.Loop() || (s.QueuedEntry && s.QueuedEntry->kind == AppState::Follow::ABRepeat)) return;
    // Close to B the next status event comes when B is due, not up to a whole interval later,
    // so that the loop turns at B. Never 1: that value marks a play just started.
    const int interval = mci.UpdateInterval();
    const std::int32_t left = s.RepeatEndMs - pos;
    if (left < interval) mci.setUpdateInterval(std::max(2, left + 1));
}

void ScanStep(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    // The last track has had its turn, or the disc ran out under a short last track.
    if (text::val(w.TRKNO.caption()) == s.TrackCount || mci.Mode() == device::DeviceMode::Stopped) {
        w.Timer1.setInterval(0);
        s.TimerPhase = Timer1Phase::Polling;
        s.ScanPlay = 0;
        s.LyricsLoadedTrack = 0;
        w.NORMAL.setForeColor(ui::kRed);
        w.SCAN.setForeColor(ui::kBlack);
        w.STATUS2.setCaption("NORMAL");
        RestoreScreenSaver(app);
        // Stopping a drive that has stopped or lost its disc changes nothing.
        (void)mci.command(device::Command::Stop);
        return;
    }
    mci.setTrack(mci.Track() + 1);
    const std::int32_t start = mci.TrackPosition();
    const std::int32_t offset =
        mci.TrackLength() < (std::int64_t{s.SCANA} + s.SCANS + 1) * 1000 ? 0 : s.SCANA * 1000;
    SuppressScreenSaver(app);
    mci.setFrom(start + offset);
    mci.setTo(start + offset + s.SCANS * 1000 + 1000);
    // A play that cannot start leaves the drive stopped; the status events show it.
    (void)mci.command(device::Command::Play);
}

}  // namespace lirafok
