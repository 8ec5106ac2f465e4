#include "player/player_transport.h"

#include <algorithm>
#include <cmath>

#include "catalogue/title_text.h"
#include "common/app.h"
#include "core/text.h"
#include "player/cdoke.h"
#include "player/cdrep.h"
#include "player/player_routines.h"

namespace lirafok {

namespace {

// The level spinners move in steps of 1024 from 1024 (shown as 0) to 65536 (shown as 63).
constexpr std::int32_t kLevelStep = 1024;
constexpr int kLevelSteps = 63;

CDOKE* mainWindow(App& app) {
    return app.loaded<CDOKE>();
}

// A press of a transport button as the user makes it: only a button drawn enabled can be
// pressed.
void press(App& app, device::TransportButton b) {
    CDOKE* w = mainWindow(app);
    if (w && w->MMControl1.buttonEnabled(b)) w->MMControl1.userButton(b);
}

}  // namespace

NowPlaying PlayerTransport::nowPlaying() {
    NowPlaying n;
    CDOKE* w = mainWindow(m_app);
    if (!w) return n;
    const AppState& s = m_app.state;
    n.tempo = w->keyTempo.current().tempo;
    device::MMControl& mci = w->MMControl1;
    const device::DeviceMode mode = mci.Mode();
    switch (mode) {
        case device::DeviceMode::Playing:
            n.state = PlaybackState::Playing;
            break;
        case device::DeviceMode::Paused:
            n.state = PlaybackState::Paused;
            break;
        case device::DeviceMode::Stopped:
            n.state = PlaybackState::Stopped;
            break;
        default:
            break;
    }
    if (s.DiscKey.empty() || s.TrackCount == 0) n.state = PlaybackState::NoDisc;
    if (s.RepeatOn != RepeatSwitch::Off)
        n.loop = s.RepeatKind == RepeatMode::WholeDisc ? LoopMode::Playlist
                 : s.RepeatKind == RepeatMode::None    ? LoopMode::None
                                                       : LoopMode::Track;
    n.shuffle = w->RAN.foreColor() == ui::kRed;
    n.volume = std::clamp(
        ((s.VolumeLevel[0] + s.VolumeLevel[1]) / 2.0 / kLevelStep - 1) / kLevelSteps, 0.0, 1.0);
    if (n.state == PlaybackState::NoDisc) return n;

    n.discKey = s.DiscKey;
    n.trackCount = s.TrackCount;
    n.track = std::clamp(text::val(w->TRKNO.caption()), 0, s.TrackCount);
    if (n.track >= 1) {
        const auto t = static_cast<std::size_t>(n.track);
        n.lengthMs = s.TrackLengthMs[t];
        if (n.state != PlaybackState::Stopped)
            n.positionMs = std::clamp(mci.Position() - s.TrackStartMs[t], 0, n.lengthMs);
        n.title = s.SongName[t];
        n.artist = s.HasSongArtists == 1 ? s.SongArtist[t] : s.DiscArtist;
        // The lit line of the timed lyric on screen (still lit after the lyric's end).
        if (s.LyricsLoadedTrack == n.track && s.PanelWindowShown == 1 && s.NextLyricLine >= 1 &&
            s.NextLyricLine <= s.Lyrics.count)
            n.lyricLine = s.Lyrics.lines[static_cast<std::size_t>(s.NextLyricLine - 1)];
    }
    n.album = titleText(s.DiscTitle);
    n.canControl = !w->transportHeld();
    n.canSeek = n.canControl && n.track >= 1 && n.state != PlaybackState::Stopped;
    n.canGoNext = n.canControl && mci.buttonEnabled(device::TransportButton::Next);
    n.canGoPrevious = n.canControl && mci.buttonEnabled(device::TransportButton::Prev);
    return n;
}

void PlayerTransport::play() {
    press(m_app, device::TransportButton::Play);
}

void PlayerTransport::pause() {
    press(m_app, device::TransportButton::Pause);
}

void PlayerTransport::playPause() {
    CDOKE* w = mainWindow(m_app);
    if (!w) return;
    press(m_app, w->MMControl1.Mode() == device::DeviceMode::Playing
                     ? device::TransportButton::Pause
                     : device::TransportButton::Play);
}

void PlayerTransport::stop() {
    press(m_app, device::TransportButton::Stop);
}

void PlayerTransport::next() {
    press(m_app, device::TransportButton::Next);
}

void PlayerTransport::previous() {
    press(m_app, device::TransportButton::Prev);
}

bool PlayerTransport::seekInTrack(std::int32_t ms) {
    CDOKE* w = mainWindow(m_app);
    if (!w || w->transportHeld()) return false;
    AppState& s = m_app.state;
    device::MMControl& mci = w->MMControl1;
    const device::DeviceMode mode = mci.Mode();
    if (mode != device::DeviceMode::Playing && mode != device::DeviceMode::Paused) return false;
    if (s.CurrentTrackLengthMs <= 0) return false;
    // As a seek with the position slider, but to the exact position asked for.
    const std::int32_t inTrack = std::clamp(ms, 0, s.CurrentTrackLengthMs - 1);
    w->Timer2.setTimerEnabled(true);
    w->Timer2.setInterval(100);
    s.SliderSetByProgram = 1;
    mci.setFrom(s.CurrentTrackStartMs + inTrack);
    if (listPlay(s)) mci.setTo(s.CurrentTrackStartMs + s.CurrentTrackLengthMs - 1000);
    s.LastCommand.clear();
    if (mode == device::DeviceMode::Paused) {
        // The seek plays on from the new place, as a press of Play after the pause would.
        s.PausedByUser = 0;
        mci.setUpdateInterval(device::StatusMarker::Started);
    }
    SuppressScreenSaver(m_app);
    mci.setNotify(true);
    mci.setWait(false);
    // A play that cannot start leaves the drive stopped; the status events show it.
    (void)mci.command(device::Command::Play);
    w->showStateNow();
    return true;
}

bool PlayerTransport::seekBy(std::int32_t deltaMs) {
    CDOKE* w = mainWindow(m_app);
    if (!w) return false;
    const AppState& s = m_app.state;
    return seekInTrack(w->MMControl1.Position() - s.CurrentTrackStartMs + deltaMs);
}

void PlayerTransport::setLoop(LoopMode loop) {
    CDOKE* w = mainWindow(m_app);
    if (!w) return;
    // The repeat window's own buttons, pressed without showing it (REP's guard first).
    if (!w->discReady() || w->transportHeld()) {
        m_app.PlayErrorCue();
        return;
    }
    CDREP& rep = m_app.form<CDREP>();
    switch (loop) {
        case LoopMode::Playlist:
            rep.Command3D1_Click();
            break;
        case LoopMode::Track:
            rep.Command3D2_Click();
            break;
        case LoopMode::None:
            rep.Command3D5_Click();
            break;
    }
}

void PlayerTransport::setShuffle(bool on) {
    CDOKE* w = mainWindow(m_app);
    if (!w || on == (w->RAN.foreColor() == ui::kRed)) return;
    if (on)
        w->RAN_Click();
    else
        w->NORMAL_Click();
}

void PlayerTransport::setTempo(int percent) {
    CDOKE* w = mainWindow(m_app);
    if (!w) return;
    device::KeyTempo k = w->keyTempo.current();
    k.tempo = percent;
    w->keyTempo.set(k);
}

void PlayerTransport::setVolume(double level) {
    AppState& s = m_app.state;
    if (!mainWindow(m_app) || s.SWVOL == 2) return;
    const auto steps =
        static_cast<std::int32_t>(std::lround(std::clamp(level, 0.0, 1.0) * kLevelSteps));
    s.VolumeLevel[0] = s.VolumeLevel[1] = (steps + 1) * kLevelStep;
    ApplyVolume(m_app);
}

}  // namespace lirafok
