#pragma once
// The CD+G window: the karaoke graphics of the track that plays, in step with the music.
//
// It shows the packet of the audible disc position and nothing else: every tick of its refresh
// timer it reads the position the drive reports (what the listener hears, output latency
// accounted for) and shows the screen the track's packets have drawn by then; it keeps no clock
// of its own, so play, pause, seeks, track changes and repeats all follow by themselves. The
// graphics of a track are read on a worker thread (a drive may take long) and shown as far as
// they have arrived.
//
// It opens by itself when a track with graphics plays (unless the user turned that off), goes
// full screen on the monitor the user picked (double click or F11; Escape leaves), and scales
// sharp or smooth. Closing it hides it until the next track with graphics.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cdg/timeline.h"
#include "device/cd_audio_device.h"
#include "device/disc_graphics.h"
#include "ui/cdg_picture.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/timer.h"

namespace lirafok {

class App;
class CdgLoader;

// The choices of the CD+G window, kept in their own small file in the program folder.
struct CdgWindowSettings {
    bool autoOpen = true;
    bool smooth = false;
    int monitor = -1;  // full screen on this monitor; -1: the one the window is on
};
CdgWindowSettings loadCdgWindowSettings(const App& app);
void saveCdgWindowSettings(const App& app, const CdgWindowSettings& settings);
std::string cdgWindowSettingsPath(const App& app);

class CDCDG : public ui::Form {
public:
    static constexpr const char* kName = "CDCDG";
    // How often the picture follows the position: well inside one screen refresh.
    static constexpr int kRefreshMs = 4;
    static constexpr int kMonitors = 4;

    explicit CDCDG(App& app);
    ~CDCDG() override;

    App& app;
    ui::CdgPicture PICTURE;
    ui::Timer Refresh;
    ui::Menu VIEW;      // 表示
    ui::Menu FULL;      // 全画面
    ui::Menu SMOOTH;    // なめらかに拡大
    ui::Menu MONITORS;  // 全画面にするモニター
    std::array<ui::Menu, kMonitors> MONITOR;
    ui::Menu AUTO;  // CD+G の曲で自動的に開く

    void Refresh_Timer();
    void PICTURE_DblClick();
    void FULL_Click();
    void SMOOTH_Click();
    void AUTO_Click();
    void MONITOR_Click(int index);

    // Brings the window up to the drive's present state (disc, track, position), loading
    // graphics as needed; shows the window when it should open by itself. Called by the main
    // window's status events while the window is hidden, and by every refresh tick.
    void follow();
    // Shows the window now (the user asked for it).
    void open();

    // For tests and measurements.
    const cdg::Timeline& timeline() const { return m_timeline; }
    int loadedTrack() const { return m_track; }
    // A CD+G packet arrived for the loaded track (or its source says it has graphics).
    bool hasGraphics() const { return m_hasGraphics; }
    bool loading() const { return m_loader != nullptr; }
    const device::DiscGraphics::Counts& counts() const { return m_counts; }

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;
    bool Form_KeyDown(int keyCode, int shift) override;

private:
    int trackAt(std::int32_t discMs) const;
    void startTrack(int track);
    void onPiece(std::vector<std::uint8_t> packets);
    void onDone(bool ok, const std::string& error, const device::DiscGraphics::Counts& counts);
    void showPicture(std::int32_t discMs);
    void applySettings();
    void setFullScreen(bool on);

    CdgWindowSettings m_settings;
    std::shared_ptr<device::DiscGraphics> m_graphics;
    std::vector<device::TrackInfo> m_tracks;
    int m_track = 0;             // the track whose graphics the timeline holds; 0: none
    bool m_hasGraphics = false;  // a CD+G packet arrived for the track
    cdg::Timeline m_timeline;
    std::unique_ptr<CdgLoader> m_loader;
    std::uint64_t m_shownGeneration = ~0ull;
    device::DiscGraphics::Counts m_counts;
    int m_closedOnTrack = -1;  // the user closed the window during this track
};

// The main window's status events: keep the CD+G window in step (opening it when a track with
// graphics plays). Cheap when the disc has no graphics.
void FollowCdg(App& app);
// The main window's F11: opens the CD+G window when the disc can have graphics.
bool ShowCdgWindow(App& app);

}  // namespace lirafok
