#include "core/text.h"
#include "player/cdoke.h"
#include "player/list_total.h"
#include "player/lyrics_display.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

std::string minutesSeconds(std::int64_t ms) {
    std::int64_t s = ms / 1000;
    std::int64_t m = s / 60;
    return text::pad(m, 2) + ":" + text::pad(s - 60 * m, 2);
}

void UpdateTrackDisplay(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    s.CurrentTrackIndex = 0;
    for (int i = s.TrackCount; i >= 1; --i) {
        if (s.TrackStartMs[static_cast<std::size_t>(i)] <= s.CurrentPositionMs) {
            w.TRKNO.setCaption(std::to_string(i));
            mci.setTrack(i);
            s.CurrentTrackIndex = i;
            break;
        }
    }
    s.CurrentTrackStartMs = mci.TrackPosition();
    s.CurrentTrackLengthMs = mci.TrackLength();
    s.CurrentTrackEndMs = s.CurrentTrackStartMs + s.CurrentTrackLengthMs;
    // Another track comes up with the key, tempo and voice last chosen for it.
    w.keyTempo.trackShown(s.DiscKey, s.CurrentTrackIndex);
    UpdateTimeDisplay(app);
}

namespace {

int entryTrack(const AppState& s, int entry) {
    if (entry < 1 || entry >= kTrackSlots) return 0;
    return text::val(text::left(s.PlayList[static_cast<std::size_t>(entry)], 2));
}

std::int32_t trackLength(const AppState& s, int track) {
    if (track < 0 || track >= kTrackSlots) return 0;
    return s.TrackLengthMs[static_cast<std::size_t>(track)];
}

}  // namespace

std::int32_t listOtherEntriesMs(const AppState& s) {
    std::int32_t sum = 0;
    if (s.TOTLE != 0) {
        for (int e = 1; e <= s.PlayListIndex - 1; ++e) sum += trackLength(s, entryTrack(s, e));
    } else {
        int from = s.PlayListIndex < 1 ? 1 : s.PlayListIndex;
        for (int e = from + 1; e <= s.PlayListCount; ++e) sum += trackLength(s, entryTrack(s, e));
    }
    return sum;
}

std::int64_t trackTimeShown(const AppState& s, std::int32_t pos, std::int32_t trackStart,
                            std::int32_t trackLen) {
    return s.TRKLE != 0 ? static_cast<std::int64_t>(pos) - trackStart
                        : static_cast<std::int64_t>(trackStart) + trackLen - pos;
}

std::int64_t discTimeShown(const AppState& s, std::int32_t pos) {
    return s.TOTLE != 0 ? static_cast<std::int64_t>(pos) - s.DiscStartMs
                        : static_cast<std::int64_t>(s.DiscStartMs) + s.DiscLengthMs - pos;
}

void ShowTimeFigures(App& app, std::int64_t trackTime, std::int32_t pos, std::int32_t trackStart,
                     std::int32_t trackLen, std::int64_t total) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    w.TRKLEN.setCaption(minutesSeconds(trackTime));
    std::int64_t p =
        trackLen == 0 ? 0 : (static_cast<std::int64_t>(pos) - trackStart) * 100 / trackLen;
    if (p < 0 || p > 100) p = 0;
    if (s.SliderSetByProgram != 1 && w.POINTX.value() != p) {
        s.SliderSetByProgram = -1;
        w.POINTX.setValue(static_cast<int>(p));
    }
    w.TOTALLEN.setCaption(minutesSeconds(total));
}

void UpdateTimeDisplay(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    std::int32_t trackLen = mci.TrackLength();
    if (trackLen != 0) {
        std::int32_t trackStart = mci.TrackPosition();
        bool stopped = mci.Mode() == device::DeviceMode::Stopped;
        std::int32_t pos = s.CurrentPositionMs;
        // Stopped, the track shows its start: no time elapsed, the whole length remaining.
        std::int64_t t =
            stopped ? (s.TRKLE != 0 ? 0 : trackLen) : trackTimeShown(s, pos, trackStart, trackLen);
        std::int64_t total;
        if (!listPlay(s)) {
            total = discTimeShown(s, pos);
        } else {
            if (s.PlayListIndex != s.ListTotalKeyIndex || s.TOTLE != s.ListTotalKeyMode) {
                s.ListTotalMs = listOtherEntriesMs(s);
                s.ListTotalKeyIndex = s.PlayListIndex;
                s.ListTotalKeyMode = s.TOTLE;
            }
            total = s.ListTotalMs;
        }
        ShowTimeFigures(app, t, pos, trackStart, trackLen, total);
    }
    if (!s.DiscKey.empty()) ShowTrackLyrics(app);
}

void RefreshTrackList(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    w.List1.clear();
    auto line = [&](int t) {
        auto i = static_cast<std::size_t>(t < 0 || t >= kTrackSlots ? 0 : t);
        return " " + text::pad(t, 2) + " " + s.TrackTimeText[i] + " " + s.SongName[i];
    };
    if (listPlay(s)) {
        for (int e = 1; e <= s.PlayListCount; ++e) w.List1.addItem(line(entryTrack(s, e)));
    } else {
        for (int t = 1; t <= s.TrackCount; ++t) w.List1.addItem(line(t));
    }
}

void SelectTrackInList(App& app, int track) {
    ui::ListBox& list = cdoke(app).List1;
    for (int i = 0; i < list.listCount(); ++i)
        if (text::val(text::mid(list.list(i), 2, 2)) == track) list.setSelected(i, true);
}

void CueFirstEntry(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    device::MMControl& mci = w.MMControl1;
    int track = entryTrack(s, 1);
    if (track < 1) track = 1;
    w.TRKNO.setCaption(std::to_string(track));
    mci.setTrack(track);
    s.CurrentTrackStartMs = mci.TrackPosition();
    s.CurrentTrackLengthMs = mci.TrackLength();
    s.CurrentTrackEndMs = s.CurrentTrackStartMs + s.CurrentTrackLengthMs;
    mci.setTo(s.CurrentTrackStartMs);
    // A seek that fails leaves the position where it was; the display reads it back.
    (void)mci.command(device::Command::Seek);
    RestoreScreenSaver(app);
    ShowTrackLyrics(app);
    UpdateTimeDisplay(app);
}

void SuppressScreenSaver(App& app) {
    if (app.state.SCREN == 1 && app.state.SaverSuppressed == 0) {
        app.svc.saver.setSuppressed(true);
        app.state.SaverSuppressed = 1;
    }
}

void RestoreScreenSaver(App& app) {
    if (app.state.SaverSuppressed == 1) {
        app.svc.saver.setSuppressed(false);
        app.state.SaverSuppressed = 0;
    }
}

}  // namespace lirafok
