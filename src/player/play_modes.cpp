// The play-mode buttons of the main window: normal, random, private list and intro scan, and
// the reset to normal play that the mode buttons and editors share.
#include "core/text.h"
#include "player/cdoke.h"
#include "player/play_modes.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

void ResetToNormalPlay(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    s.PlayList[1] = "01";
    s.TapeSidePlaying.clear();
    s.PlayListIndex = -1;
    DropFollowingEntry(app);  // the entry that was to follow is not played
    s.ScanPlay = 0;
    s.ListPlay = 0;
    s.ProgramPlay = 0;
    for (ui::Button* b : {&w.RAN, &w.ORG, &w.SCAN, &w.PROG, &w.EDITX}) b->setForeColor(ui::kBlack);
    w.NORMAL.setForeColor(ui::kRed);
    // The mode word follows the mode in force; a mode button that enters its own mode writes
    // its word afterwards.
    w.STATUS2.setCaption("NORMAL");
}

void LeaveListForEditor(App& app) {
    AppState& s = app.state;
    const bool listShown = listPlay(s) || s.ScanPlay != 0;
    ResetToNormalPlay(app);
    // The track list and the cued track were the list's: back to the disc in track order.
    if (listShown) {
        RefreshTrackList(app);
        CueFirstEntry(app);
    }
}

bool ModeButtonAllowed(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    if (w.transportHeld() || s.PausedByUser == 1 || !w.discReady() ||
        w.MMControl1.Mode() != device::DeviceMode::Stopped || s.PlayListIndex >= 0) {
        app.PlayErrorCue();
        return false;
    }
    app.PlayOkCue();
    return true;
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

namespace {

// A list that is ready: it starts playing entry 1 at the next status event.
void armList(App& app, int count) {
    AppState& s = app.state;
    s.PlayListCount = count;
    s.PlayListIndex = 0;
    cdoke(app).MMControl1.setUpdateInterval(device::StatusMarker::Started);
    s.startArmedRepeat();
    RefreshTrackList(app);
    CueFirstEntry(app);
}

}  // namespace

void RandomClick(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    if (!ModeButtonAllowed(app)) return;
    ResetToNormalPlay(app);
    w.STATUS2.setCaption("RANDOM");
    s.ListPlay = 1;
    w.RAN.setForeColor(ui::kRed);
    w.NORMAL.setForeColor(ui::kBlack);
    for (int i = 1; i <= s.TrackCount && i < kTrackSlots; ++i) {
        s.PickedMark[static_cast<std::size_t>(i)].clear();
        s.PlayList[static_cast<std::size_t>(i)].clear();
    }
    int count = 0;
    for (int t : shuffledTracks(s.TrackCount)) {
        ++count;
        s.PlayList[static_cast<std::size_t>(count)] = trackEntryText(s, t);
        s.PickedMark[static_cast<std::size_t>(t)] = "SET";
    }
    armList(app, count);
}

void PrivateClick(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    if (w.transportHeld() || s.PausedByUser == 1 || !w.discReady() ||
        w.MMControl1.Mode() != device::DeviceMode::Stopped || s.PlayListIndex >= 0) {
        app.PlayErrorCue();
        return;
    }
    // The whole file is read before anything changes: a missing or bad list leaves the mode
    // in force, and the mode shown, as they were.
    auto tracks = readPrivateList(privateListPath(s), s.TrackCount, kTrackSlots - 1);
    if (!tracks) {
        app.PlayErrorCue();
        app.msgBox("プライベート演奏データが登録されていません。");
        return;
    }
    app.PlayOkCue();
    std::int32_t normalColour = w.NORMAL.foreColor();
    ResetToNormalPlay(app);
    w.NORMAL.setForeColor(normalColour);
    for (int i = 1; i <= s.TrackCount && i < kTrackSlots; ++i) {
        s.PickedMark[static_cast<std::size_t>(i)].clear();
        s.PlayList[static_cast<std::size_t>(i)].clear();
    }
    int count = 0;
    for (int t : *tracks) s.PlayList[static_cast<std::size_t>(++count)] = trackEntryText(s, t);
    w.STATUS2.setCaption("PRIVATE");
    s.ListPlay = 1;
    w.ORG.setForeColor(ui::kRed);
    w.NORMAL.setForeColor(ui::kBlack);
    armList(app, count);
}

void ScanClick(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    if (!ModeButtonAllowed(app)) return;
    ResetToNormalPlay(app);
    if (s.ScanPlay != 0) return;
    device::MMControl& mci = w.MMControl1;
    w.STATUS2.setCaption("SCAN");
    s.ScanPlay = 1;
    w.SCAN.setForeColor(ui::kRed);
    w.NORMAL.setForeColor(ui::kBlack);
    mci.setUpdateInterval(device::StatusMarker::Started);
    w.Timer1.setTimerEnabled(true);
    w.Timer1.setInterval(s.SCANS * 1000);
    s.TimerPhase = Timer1Phase::ScanStep;
    mci.setTrack(1);
    w.TRKNO.setCaption("1");
    const std::int32_t start = mci.TrackPosition();
    const std::int32_t length = mci.TrackLength();
    // SCANA is not limited (the settings window takes any number): milliseconds in 64 bits.
    const std::int32_t offset =
        length < (std::int64_t{s.SCANA} + s.SCANS) * 1000 ? 0 : s.SCANA * 1000;
    RefreshTrackList(app);
    SuppressScreenSaver(app);
    mci.setFrom(start + offset);
    mci.setTo(start + length);
    // A play that cannot start leaves the drive stopped; the status events show it.
    (void)mci.command(device::Command::Play);
}

std::optional<std::pair<std::int32_t, std::int32_t>> repeatLoop(const AppState& s) {
    if (listPlay(s)) return std::nullopt;
    if (s.repeating(RepeatMode::AB)) return std::make_pair(s.RepeatStartMs, s.RepeatEndMs);
    if (s.repeating(RepeatMode::OneTrack)) {
        // To the next track's first frame (the disc end after the last track): the track's
        // length in milliseconds would round past it.
        const int next = s.RepeatTrack + 1;
        const std::int32_t end = next <= s.TrackCount && next < kTrackSlots
                                     ? s.TrackStartMs[static_cast<std::size_t>(next)]
                                     : -1;
        return std::make_pair(s.RepeatStartMs, end);
    }
    if (s.repeating(RepeatMode::WholeDisc)) return std::make_pair(s.DiscStartMs, -1);
    return std::nullopt;
}

}  // namespace lirafok
