// The CD+G window: follows the audible position of the drive and shows the track's picture.
#include "player/cdcdg.h"

#include <algorithm>

#include "common/app.h"
#include "core/raw_file.h"
#include "device/real/cd_time.h"
#include "player/cdg_loader.h"

namespace lirafok {

namespace {

// A television picture: CD+G was made for it, so the 300 x 216 screen fills a 4:3 frame.
constexpr int kDefaultInnerWidth = 640 * 15;  // twips
constexpr int kDefaultInnerHeight = 480 * 15;

bool readFlag(const std::string& text, const std::string& key, bool fallback) {
    const auto at = text.find(key + "=");
    if (at == std::string::npos) return fallback;
    return text.compare(at + key.size() + 1, 1, "1") == 0;
}

}  // namespace

std::string cdgWindowSettingsPath(const App& app) {
    return app.state.AppDir + "cdg_window.ini";
}

CdgWindowSettings loadCdgWindowSettings(const App& app) {
    CdgWindowSettings s;
    const auto text = rawfile::readBytes(cdgWindowSettingsPath(app));
    if (!text) return s;
    s.autoOpen = readFlag(*text, "auto_open", s.autoOpen);
    s.smooth = readFlag(*text, "smooth", s.smooth);
    if (const auto at = text->find("monitor="); at != std::string::npos)
        s.monitor = std::atoi(text->c_str() + at + 8);
    return s;
}

void saveCdgWindowSettings(const App& app, const CdgWindowSettings& s) {
    // A settings file that cannot be written keeps the old choices; nothing else depends on it.
    (void)rawfile::writeBytes(cdgWindowSettingsPath(app),
                              std::string("auto_open=") + (s.autoOpen ? "1" : "0") + "\r\n" +
                                  "smooth=" + (s.smooth ? "1" : "0") + "\r\n" +
                                  "monitor=" + std::to_string(s.monitor) + "\r\n");
}

CDCDG::CDCDG(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      PICTURE(*this, "PICTURE"),
      Refresh(*this, a.svc.scheduler, "Refresh"),
      VIEW(*this, "VIEW"),
      FULL(*this, "FULL", "VIEW"),
      SMOOTH(*this, "SMOOTH", "VIEW"),
      MONITORS(*this, "MONITORS", "VIEW"),
      MONITOR{{{*this, "MONITOR", "MONITORS", 0},
               {*this, "MONITOR", "MONITORS", 1},
               {*this, "MONITOR", "MONITORS", 2},
               {*this, "MONITOR", "MONITORS", 3}}},
      AUTO(*this, "AUTO", "VIEW") {
    setCaption("CD+G");
    VIEW.setCaption("表示(&V)");
    FULL.setCaption("全画面 (F11 / ダブルクリック)");
    SMOOTH.setCaption("なめらかに拡大する");
    MONITORS.setCaption("全画面にするモニター");
    AUTO.setCaption("CD+G の曲で自動的に開く");
    setBackColor(ui::kBlack);
    move(0, 0, kDefaultInnerWidth + kFrameWidth, kDefaultInnerHeight + kFrameHeight);
    Refresh.setInterval(0);
    Refresh.onTimer = [this] { Refresh_Timer(); };
    PICTURE.onDblClick = [this] { PICTURE_DblClick(); };
    FULL.onClick = [this] { FULL_Click(); };
    SMOOTH.onClick = [this] { SMOOTH_Click(); };
    AUTO.onClick = [this] { AUTO_Click(); };
    for (int i = 0; i < kMonitors; ++i) {
        ui::Menu& m = MONITOR[static_cast<std::size_t>(i)];
        m.onClick = [this, i] { MONITOR_Click(i); };
    }
}

CDCDG::~CDCDG() = default;

void CDCDG::Form_Load() {
    m_settings = loadCdgWindowSettings(app);
    const auto names = app.svc.screen.monitorNames();
    for (int i = 0; i < kMonitors; ++i) {
        ui::Menu& m = MONITOR[static_cast<std::size_t>(i)];
        const bool there = i < static_cast<int>(names.size());
        m.setVisible(there);
        if (there) m.setCaption(std::to_string(i + 1) + ": " + names[static_cast<std::size_t>(i)]);
    }
    MONITORS.setVisible(names.size() > 1);
    // The lower right corner of the screen: the main window sits top left, the lyrics top right.
    const int sw = app.svc.screen.widthTwips(), sh = app.svc.screen.heightTwips();
    move(std::max(0, sw - width()), std::max(0, sh - height()), width(), height());
    applySettings();
    Form_Resize();
}

void CDCDG::applySettings() {
    SMOOTH.setChecked(m_settings.smooth);
    AUTO.setChecked(m_settings.autoOpen);
    for (int i = 0; i < kMonitors; ++i)
        MONITOR[static_cast<std::size_t>(i)].setChecked(i == m_settings.monitor);
    PICTURE.setSmooth(m_settings.smooth);
}

void CDCDG::Form_Resize() {
    if (minimized()) return;
    PICTURE.move(0, 0, innerWidth(), innerHeight());
}

void CDCDG::Form_QueryUnload(bool& cancel, ui::UnloadMode mode) {
    // The user's close hides the window until the next track with graphics; the graphics
    // already read stay.
    if (mode != ui::UnloadMode::User) return;
    cancel = true;
    m_closedOnTrack = m_track;
    setFullScreen(false);
    hide();
    Refresh.setInterval(0);
}

bool CDCDG::Form_KeyDown(int keyCode, int shift) {
    if (keyCode == ui::key::kF11) {
        FULL_Click();
        return true;
    }
    if (keyCode == ui::key::kEscape && fullScreen()) {
        setFullScreen(false);
        return true;
    }
    return false;
}

void CDCDG::PICTURE_DblClick() {
    FULL_Click();
}

void CDCDG::FULL_Click() {
    setFullScreen(!fullScreen());
}

void CDCDG::setFullScreen(bool on) {
    ui::Form::setFullScreen(on, m_settings.monitor);
    FULL.setChecked(on);
}

void CDCDG::SMOOTH_Click() {
    m_settings.smooth = !m_settings.smooth;
    applySettings();
    saveCdgWindowSettings(app, m_settings);
}

void CDCDG::AUTO_Click() {
    m_settings.autoOpen = !m_settings.autoOpen;
    applySettings();
    saveCdgWindowSettings(app, m_settings);
}

void CDCDG::MONITOR_Click(int index) {
    m_settings.monitor = index;
    applySettings();
    saveCdgWindowSettings(app, m_settings);
    if (fullScreen()) ui::Form::setFullScreen(true, index);
}

void CDCDG::Refresh_Timer() {
    follow();
}

void CDCDG::open() {
    m_closedOnTrack = -1;
    show();
    follow();
}

int CDCDG::trackAt(std::int32_t discMs) const {
    int track = 0;
    for (std::size_t i = 0; i < m_tracks.size(); ++i)
        if (discMs >= m_tracks[i].startMs) track = static_cast<int>(i) + 1;
    return track;
}

void CDCDG::follow() {
    device::CdAudioDevice* dev = app.currentDevice();
    // The drive forgets a disc that went (its graphics with it): no need to ask it for its
    // mode, which looks at the medium, on every tick.
    auto graphics = dev ? dev->graphics() : nullptr;
    if (graphics != m_graphics) {
        // Another disc (or none): start afresh.
        m_graphics = graphics;
        m_tracks = graphics ? dev->tracks() : std::vector<device::TrackInfo>{};
        m_track = 0;
        m_loader.reset();
        m_timeline = cdg::Timeline();
        m_closedOnTrack = -1;
        PICTURE.clear();
        m_shownGeneration = ~0ull;
    }
    if (!m_graphics) return;
    const std::int32_t position = dev->positionMs();
    const int track = trackAt(position);
    if (track != m_track) startTrack(track);
    if (m_hasGraphics && !shown() && m_settings.autoOpen && m_closedOnTrack != m_track) show();
    if (shown()) showPicture(position);
    // The picture follows closely only while it is seen.
    const int interval = shown() ? kRefreshMs : 0;
    if (Refresh.interval() != interval) Refresh.setInterval(interval);
}

void CDCDG::startTrack(int track) {
    m_track = track;
    m_loader.reset();
    m_timeline = cdg::Timeline();
    m_hasGraphics = false;
    m_counts = {};
    PICTURE.clear();
    m_shownGeneration = ~0ull;
    if (track < 1 || m_graphics->presence(track) == device::DiscGraphics::Presence::None) return;
    m_hasGraphics = m_graphics->presence(track) == device::DiscGraphics::Presence::Present;
    m_loader = std::make_unique<CdgLoader>(
        app.svc.scheduler, m_graphics, track,
        [this](std::vector<std::uint8_t> packets) { onPiece(std::move(packets)); },
        [this](bool ok, const std::string& error, const device::DiscGraphics::Counts& counts) {
            onDone(ok, error, counts);
        });
}

void CDCDG::onPiece(std::vector<std::uint8_t> packets) {
    if (!m_hasGraphics)
        for (std::size_t i = 0; i + cdg::kPacketBytes <= packets.size(); i += cdg::kPacketBytes)
            if (cdg::isCdgPacket(packets.data() + i)) {
                m_hasGraphics = true;
                break;
            }
    m_timeline.append(packets);
    // The packets the position had already reached may have just arrived.
    m_shownGeneration = ~0ull;
}

void CDCDG::onDone(bool ok, const std::string& error, const device::DiscGraphics::Counts& counts) {
    m_loader.reset();
    m_counts = counts;
    // A drive that cannot read the sub-channel says so once; the audio plays on.
    if (!ok && !error.empty()) app.msgBox(error, ui::mb::kOkOnly + ui::mb::kInformation);
}

void CDCDG::showPicture(std::int32_t position) {
    // No graphics (yet) for the track: black, not a screen of colour 0.
    if (m_track < 1 || m_track > static_cast<int>(m_tracks.size()) ||
        m_timeline.packetCount() == 0) {
        if (PICTURE.screen()) PICTURE.clear();
        return;
    }
    using device::real::discMsToFrame;
    const std::int64_t frames =
        discMsToFrame(position) -
        discMsToFrame(m_tracks[static_cast<std::size_t>(m_track - 1)].startMs);
    m_timeline.screenAtFrame(frames);
    if (m_timeline.generation() == m_shownGeneration) return;
    m_shownGeneration = m_timeline.generation();
    PICTURE.showScreen(m_timeline.screen());
}

void FollowCdg(App& app) {
    if (CDCDG* w = app.loaded<CDCDG>()) {
        w->follow();
        return;
    }
    device::CdAudioDevice* dev = app.currentDevice();
    if (!dev) return;
    const device::DeviceMode mode = dev->mode();
    if (mode != device::DeviceMode::Playing) return;
    auto graphics = dev->graphics();
    if (!graphics || !loadCdgWindowSettings(app).autoOpen) return;
    // Loaded hidden: it shows itself once the track's graphics are there.
    app.form<CDCDG>().follow();
}

bool ShowCdgWindow(App& app) {
    device::CdAudioDevice* dev = app.currentDevice();
    if (!dev || !dev->graphics()) return false;
    app.form<CDCDG>().open();
    return true;
}

}  // namespace lirafok
