// The karaoke screen: follows the audible position of the drive and shows the track's lyric
// line by line, wiped syllable by syllable.
#include "player/cdkara.h"

#include <algorithm>
#include <cstdlib>

#include "common/app.h"
#include "core/raw_file.h"
#include "core/text.h"
#include "lyrics/lyrics_file.h"
#include "lyrics/syllable_file.h"
#include "player/cdcdg.h"
#include "player/cdoke.h"
#include "player/player_transport.h"

namespace lirafok {

namespace {

// A 16:9 picture at half of a 1280 x 720 television: big enough to read, small enough to sit
// beside the main window until it goes full screen.
constexpr int kDefaultInnerWidth = 960 * 15;  // twips
constexpr int kDefaultInnerHeight = 540 * 15;

int readInt(const std::string& text, const std::string& key, int fallback) {
    const auto at = text.find(key + "=");
    if (at == std::string::npos) return fallback;
    return std::atoi(text.c_str() + at + key.size() + 1);
}

std::vector<std::string> splitEditorText(const std::string& text) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        out.push_back(text.substr(from, at - from));
    if (from < text.size()) out.push_back(text.substr(from));
    return out;
}

}  // namespace

std::string karaokeWindowSettingsPath(const App& app) {
    return app.state.AppDir + "karaoke_window.ini";
}

KaraokeWindowSettings loadKaraokeWindowSettings(const App& app) {
    KaraokeWindowSettings s;
    const auto text = rawfile::readBytes(karaokeWindowSettingsPath(app));
    if (!text) return s;
    s.atStartup = readInt(*text, "at_startup", 0) == 1;
    s.monitor = readInt(*text, "monitor", -1);
    s.fullScreen = readInt(*text, "full_screen", 0) == 1;
    s.left = readInt(*text, "left", -1);
    s.top = readInt(*text, "top", -1);
    s.width = std::max(0, readInt(*text, "width", 0));
    s.height = std::max(0, readInt(*text, "height", 0));
    return s;
}

void saveKaraokeWindowSettings(const App& app, const KaraokeWindowSettings& s) {
    // A settings file that cannot be written keeps the old choices; nothing else depends on it.
    auto line = [](const char* key, int v) {
        return std::string(key) + "=" + std::to_string(v) + "\r\n";
    };
    (void)rawfile::writeBytes(karaokeWindowSettingsPath(app),
                              line("at_startup", s.atStartup ? 1 : 0) + line("monitor", s.monitor) +
                                  line("full_screen", s.fullScreen ? 1 : 0) + line("left", s.left) +
                                  line("top", s.top) + line("width", s.width) +
                                  line("height", s.height));
}

CDKARA::CDKARA(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      SCREEN(*this, "SCREEN"),
      Refresh(*this, a.svc.scheduler, "Refresh"),
      VIEW(*this, "VIEW"),
      FULL(*this, "FULL", "VIEW"),
      MONITORS(*this, "MONITORS", "VIEW"),
      MONITOR{{{*this, "MONITOR", "MONITORS", 0},
               {*this, "MONITOR", "MONITORS", 1},
               {*this, "MONITOR", "MONITORS", 2},
               {*this, "MONITOR", "MONITORS", 3}}},
      STARTUP(*this, "STARTUP", "VIEW"),
      LATER(*this, "LATER", "VIEW"),
      EARLIER(*this, "EARLIER", "VIEW") {
    setCaption("カラオケ");
    VIEW.setCaption("表示(&V)");
    FULL.setCaption("全画面 (F11 / ダブルクリック)");
    MONITORS.setCaption("全画面にするモニター");
    STARTUP.setCaption("起動時に開く");
    LATER.setCaption("歌詞を 50 ms 遅らせる (Ctrl++)");
    EARLIER.setCaption("歌詞を 50 ms 早める (Ctrl+-)");
    move(0, 0, kDefaultInnerWidth + kFrameWidth, kDefaultInnerHeight + kFrameHeight);
    Refresh.setInterval(0);
    Refresh.onTimer = [this] { Refresh_Timer(); };
    SCREEN.onDblClick = [this] { SCREEN_DblClick(); };
    SCREEN.onLineClick = [this](int line) { SCREEN_LineClick(line); };
    FULL.onClick = [this] { FULL_Click(); };
    STARTUP.onClick = [this] { STARTUP_Click(); };
    LATER.onClick = [this] { LATER_Click(); };
    EARLIER.onClick = [this] { EARLIER_Click(); };
    for (int i = 0; i < kMonitors; ++i)
        MONITOR[static_cast<std::size_t>(i)].onClick = [this, i] { MONITOR_Click(i); };
    // The screen reads what is heard each time it draws.
    SCREEN.setClock([this] {
        device::CdAudioDevice* dev = app.currentDevice();
        return clockAt(dev ? dev->positionMs() : 0);
    });
}

void CDKARA::Form_Load() {
    m_settings = loadKaraokeWindowSettings(app);
    const auto names = app.svc.screen.monitorNames();
    for (int i = 0; i < kMonitors; ++i) {
        ui::Menu& m = MONITOR[static_cast<std::size_t>(i)];
        const bool there = i < static_cast<int>(names.size());
        m.setVisible(there);
        if (there) m.setCaption(std::to_string(i + 1) + ": " + names[static_cast<std::size_t>(i)]);
        m.setChecked(i == m_settings.monitor);
    }
    MONITORS.setVisible(names.size() > 1);
    STARTUP.setChecked(m_settings.atStartup);
    const int sw = app.svc.screen.widthTwips(), sh = app.svc.screen.heightTwips();
    if (m_settings.width > 0 && m_settings.height > 0 && m_settings.left < sw &&
        m_settings.top < sh)
        move(m_settings.left, m_settings.top, m_settings.width, m_settings.height);
    else  // the lower left corner: the CD+G window takes the lower right
        move(0, std::max(0, sh - height()), width(), height());
    applyLook();
    Form_Resize();
}

void CDKARA::applyLook() {
    const AppState& s = app.state;
    SCREEN.setColours({s.CKAS1, s.CKAS2, s.CKAS3, s.CKAS4});
    ui::Font font = SCREEN.font();
    font.name = s.FONTN;
    font.bold = s.FBOLD != 0;
    font.italic = s.FITAL != 0;
    if (!(font == SCREEN.font())) SCREEN.setFont(font);
    if (backColor() != s.CKAS1) setBackColor(s.CKAS1);
}

void CDKARA::Form_Resize() {
    if (minimized()) return;
    SCREEN.move(0, 0, innerWidth(), innerHeight());
}

void CDKARA::rememberGeometry() {
    if (fullScreen()) return;
    m_settings.left = left();
    m_settings.top = top();
    m_settings.width = width();
    m_settings.height = height();
}

void CDKARA::Form_QueryUnload(bool& cancel, ui::UnloadMode mode) {
    rememberGeometry();
    saveKaraokeWindowSettings(app, m_settings);
    if (mode != ui::UnloadMode::User) return;
    // The user's close ends the screen until it is opened again.
    m_wanted = false;
    m_yielded = false;
    Refresh.setInterval(0);
}

bool CDKARA::Form_KeyDown(int keyCode, int shift) {
    switch (keyCode) {
        case ui::key::kF11:
            FULL_Click();
            return true;
        case ui::key::kEscape:
            if (!fullScreen()) return false;
            setFullScreen(false);
            return true;
        // With Ctrl, "+" and "-" move the lyric; alone they change the key as in the main
        // window (passed on below with "[", "]", "0" and "V").
        case ui::key::kPlus:
            if (!(shift & ui::key::kCtrlMask)) break;
            LATER_Click();
            return true;
        case ui::key::kMinus:
            if (!(shift & ui::key::kCtrlMask)) break;
            EARLIER_Click();
            return true;
        default:
            break;
    }
    // Space, the arrows, the media keys and the key/tempo keys work as in the main window.
    if (CDOKE* main = app.loaded<CDOKE>()) return main->userKeyDown(keyCode, shift);
    return false;
}

void CDKARA::SCREEN_DblClick() {
    FULL_Click();
}

void CDKARA::SCREEN_LineClick(int lyricLine) {
    const auto& times = (m_test ? *m_test : m_input).times;
    if (lyricLine < 0 || static_cast<std::size_t>(lyricLine) >= times.size()) return;
    std::int32_t t = times[static_cast<std::size_t>(lyricLine)];
    if (const SyllableLine* syl =
            (m_test ? *m_test : m_input).syllables.find(static_cast<std::size_t>(lyricLine));
        syl && syl->timed())
        t = syl->firstTime();
    // Where the line is heard: its time, moved by the track's offset.
    if (t == kNoTiming || !PlayerTransport(app).seekInTrack(std::max(0, t + offsetMs())))
        app.PlayErrorCue();
}

void CDKARA::FULL_Click() {
    setFullScreen(!fullScreen());
}

void CDKARA::setFullScreen(bool on) {
    ui::Form::setFullScreen(on, m_settings.monitor);
    FULL.setChecked(on);
    if (m_settings.fullScreen != on) {
        m_settings.fullScreen = on;
        saveKaraokeWindowSettings(app, m_settings);
    }
}

void CDKARA::MONITOR_Click(int index) {
    m_settings.monitor = index;
    for (int i = 0; i < kMonitors; ++i) MONITOR[static_cast<std::size_t>(i)].setChecked(i == index);
    saveKaraokeWindowSettings(app, m_settings);
    if (fullScreen()) ui::Form::setFullScreen(true, index);
}

void CDKARA::STARTUP_Click() {
    m_settings.atStartup = !m_settings.atStartup;
    STARTUP.setChecked(m_settings.atStartup);
    saveKaraokeWindowSettings(app, m_settings);
}

void CDKARA::LATER_Click() {
    nudgeOffset(kOffsetStepMs);
}

void CDKARA::EARLIER_Click() {
    nudgeOffset(-kOffsetStepMs);
}

void CDKARA::nudgeOffset(std::int32_t deltaMs) {
    if (m_track < 1 || m_sidePath.empty()) {
        app.PlayErrorCue();
        return;
    }
    m_syllables.offsetMs += deltaMs;
    m_input.syllables.offsetMs = m_syllables.offsetMs;
    if (!m_test && !writeSyllableFile(m_sidePath, m_syllables, m_unknownSideLines)) {
        app.PlayErrorCue();
        app.msgBox("ずれの設定を保存できません（" + m_sidePath + "）",
                   ui::mb::kOkOnly + ui::mb::kExclamation, "カラオケ");
    }
    showCaption();
}

void CDKARA::showCaption() {
    // The offset shows while it is not 0, so that the keys' effect is seen.
    const std::int32_t o = m_syllables.offsetMs;
    setCaption(o == 0
                   ? m_songCaption
                   : m_songCaption + "（歌詞 " + (o > 0 ? "+" : "") + std::to_string(o) + " ms）");
}

void CDKARA::Refresh_Timer() {
    follow();
}

void CDKARA::open() {
    m_wanted = true;
    show();
    if (m_settings.fullScreen) setFullScreen(true);
    follow();
}

void CDKARA::reload() {
    m_track = 0;
    follow();
}

void CDKARA::playTest(KaraokeLyricInput input, int track) {
    m_test = std::move(input);
    m_testTrack = track;
    m_track = 0;
    if (!shown()) open();
    follow();
}

void CDKARA::endTest() {
    if (!m_test) return;
    m_test.reset();
    m_track = 0;
    follow();
}

int CDKARA::trackAt(std::int32_t discMs) const {
    const AppState& s = app.state;
    int track = 0;
    for (int t = 1; t <= s.TrackCount && t < kTrackSlots; ++t)
        if (discMs >= s.TrackStartMs[static_cast<std::size_t>(t)]) track = t;
    return track;
}

std::int32_t CDKARA::clockAt(std::int32_t discMs) const {
    if (m_track < 1 || m_track >= kTrackSlots) return 0;
    const std::int32_t elapsed = discMs - app.state.TrackStartMs[static_cast<std::size_t>(m_track)];
    return lyricClock(elapsed, app.state.CYOUS, m_syllables.offsetMs);
}

void CDKARA::loadTrack(int track) {
    const AppState& s = app.state;
    m_track = track;
    m_discKey = s.DiscKey;
    m_input = KaraokeLyricInput{};
    m_syllables = SyllableTrack{};
    m_unknownSideLines.clear();
    m_sidePath.clear();
    std::string caption = "カラオケ";
    if (track >= 1 && track < kTrackSlots) {
        const auto t = static_cast<std::size_t>(track);
        caption += " - " + text::pad(track, 2) + " " + s.SongName[t];
        if (m_test && m_testTrack == track) {
            m_input = *m_test;
            m_syllables = m_input.syllables;
        } else if (!s.KASID.empty() && !s.DiscKey.empty()) {
            const std::string path = lyricsFilePath(s.KASID, s.DiscKey, track);
            m_sidePath = syllableFilePath(path);
            const EditorLyrics lyric = readEditorLyrics(path);
            if (lyric.exists) {
                m_input.lines = splitEditorText(lyric.text);
                m_input.times.assign(lyric.times.begin(), lyric.times.end());
                m_input.times.resize(m_input.lines.size(), kNoTiming);
            }
            SyllableFile side = readSyllableFile(m_sidePath);
            if (side.ok) {
                m_syllables = std::move(side.track);
                m_unknownSideLines = std::move(side.unknown);
                anchorToLyric(m_syllables, m_input.lines);
            }
            m_input.syllables = m_syllables;
        }
        m_input.title = s.SongName[t];
        m_input.artist = s.HasSongArtists == 1 ? s.SongArtist[t] : s.DiscArtist;
    }
    m_songCaption = caption;
    showCaption();
    // The settings may have changed colours or font since the last track.
    applyLook();
    applyScene();
}

void CDKARA::applyScene() {
    if (m_input.lines.empty() && m_input.title.empty() && m_input.artist.empty()) {
        SCREEN.setScene(nullptr);
        return;
    }
    SCREEN.setScene(std::make_shared<const ui::KaraokeScene>(buildKaraokeScene(m_input)));
}

bool CDKARA::yieldToCdg(int track) {
    if (!shown() && !m_yielded) return false;
    device::CdAudioDevice* dev = app.currentDevice();
    auto graphics = dev ? dev->graphics() : nullptr;
    CDCDG* cdg = app.loaded<CDCDG>();
    const auto presence =
        track >= 1 && graphics ? graphics->presence(track) : device::DiscGraphics::Presence::None;
    // A drive's sub-channel tells only by reading: the CD+G window knows once packets came.
    const bool has = presence == device::DiscGraphics::Presence::Present ||
                     (presence == device::DiscGraphics::Presence::Unknown && cdg &&
                      cdg->loadedTrack() == track && cdg->hasGraphics());
    if (has && !m_yielded && shown()) {
        // The CD+G window takes this window's place, full screen where this one was.
        rememberGeometry();
        const bool full = fullScreen();
        CDCDG& g = app.form<CDCDG>();
        g.move(left(), top(), width(), height());
        g.open();
        if (full) static_cast<ui::Form&>(g).setFullScreen(true, m_settings.monitor);
        m_cdgOpenedHere = true;
        ui::Form::setFullScreen(false);
        hide();
        m_yielded = true;
    } else if (!has && m_yielded) {
        m_yielded = false;
        if (m_cdgOpenedHere) {
            if (CDCDG* g = app.loaded<CDCDG>()) {
                static_cast<ui::Form&>(*g).setFullScreen(false);
                g->hide();
            }
            m_cdgOpenedHere = false;
        }
        show();
        if (m_settings.fullScreen) setFullScreen(true);
    }
    return m_yielded;
}

void CDKARA::follow() {
    const AppState& s = app.state;
    device::CdAudioDevice* dev = app.currentDevice();
    const std::int32_t position = dev ? dev->positionMs() : 0;
    const int track = s.DiscKey.empty() ? 0 : trackAt(position);
    if (track != m_track || s.DiscKey != m_discKey) loadTrack(track);
    const bool moving = position != m_lastPosition && m_lastPosition >= 0;
    m_lastPosition = position;
    // The graphics take over once the track plays (a stopped disc shows its lyric).
    const bool away = m_wanted && (moving || m_yielded) && yieldToCdg(track);
    if (shown()) {
        SCREEN.setRunning(moving);
        SCREEN.refresh(clockAt(position));
    }
    // While hidden for a CD+G track it only watches for the next track.
    const int interval = shown() ? kRefreshMs : (away ? 100 : 0);
    if (Refresh.interval() != interval) Refresh.setInterval(interval);
}

void ShowKaraokeWindow(App& app) {
    app.form<CDKARA>().open();
}

void FollowKaraoke(App& app) {
    if (CDKARA* w = app.loaded<CDKARA>()) w->follow();
}

void ReloadKaraoke(App& app) {
    if (CDKARA* w = app.loaded<CDKARA>()) w->reload();
}

void OpenKaraokeAtStartup(App& app) {
    if (loadKaraokeWindowSettings(app).atStartup) ShowKaraokeWindow(app);
}

}  // namespace lirafok
