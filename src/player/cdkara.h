#pragma once
// The karaoke screen: the lyric of the track that plays, for a television or a second
// monitor. Two lines, the upper left-aligned and the lower right-aligned, each replaced after
// it is sung; a colour wipe through every syllable; readings above the kanji; count-in dots
// after a long instrumental; the song's title and artist before the first line.
//
// Like the CD+G window it keeps no clock: each refresh tick reads the audible disc position
// from the drive, and the view reads it again at every frame it draws. A track with CD+G
// graphics shows the CD+G window in its place (same place, same full screen) and the karaoke
// screen comes back for the next track without graphics.
//
// F11 or a double click toggles full screen on the monitor chosen in its menu; "+" and "-"
// move the track's lyric 50 ms later or earlier (kept in the track's syllable side file);
// Ctrl with "+" or "-" moves the key a semitone, "[" and "]" the tempo, "0" resets both and
// "V" switches the guide vocal, as in the main window; Space and the arrow keys act as there
// too; a click on a line plays from it.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/karaoke_layout.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/karaoke_screen.h"
#include "ui/timer.h"

namespace lirafok {

class App;

// The karaoke screen's own choices, in "karaoke_window.ini" in the program folder.
struct KaraokeWindowSettings {
    bool atStartup = false;  // opens by itself when the program starts
    int monitor = -1;        // full screen on this monitor; -1: the one the window is on
    bool fullScreen = false;
    int left = -1, top = -1, width = 0, height = 0;  // twips; width 0: the first-run place
};
KaraokeWindowSettings loadKaraokeWindowSettings(const App& app);
void saveKaraokeWindowSettings(const App& app, const KaraokeWindowSettings& settings);
std::string karaokeWindowSettingsPath(const App& app);

class CDKARA : public ui::Form {
public:
    static constexpr const char* kName = "CDKARA";
    // The refresh tick while shown: a frame at least every 8 ms, well inside a 60 Hz refresh.
    static constexpr int kRefreshMs = 8;
    static constexpr int kMonitors = 4;
    static constexpr std::int32_t kOffsetStepMs = 50;

    explicit CDKARA(App& app);

    App& app;
    ui::KaraokeScreen SCREEN;
    ui::Timer Refresh;
    ui::Menu VIEW;      // 表示
    ui::Menu FULL;      // 全画面
    ui::Menu MONITORS;  // 全画面にするモニター
    std::array<ui::Menu, kMonitors> MONITOR;
    ui::Menu STARTUP;  // 起動時に開く
    ui::Menu LATER;    // 歌詞を遅らせる (Ctrl++)
    ui::Menu EARLIER;  // 歌詞を早める (Ctrl+-)

    void Refresh_Timer();
    void SCREEN_DblClick();
    void SCREEN_LineClick(int lyricLine);
    void FULL_Click();
    void MONITOR_Click(int index);
    void STARTUP_Click();
    void LATER_Click();
    void EARLIER_Click();

    // Brings the screen up to the drive's present state: disc, track, lyric, position.
    void follow();
    // Shows the window (the user asked for it).
    void open();
    // The track's lyrics file or side file changed: read them again.
    void reload();
    // The timing setter's test: this lyric instead of the files, until endTest().
    void playTest(KaraokeLyricInput input, int track);
    void endTest();

    // For tests and measurements.
    int loadedTrack() const { return m_track; }
    std::int32_t offsetMs() const { return m_syllables.offsetMs; }
    bool yieldedToCdg() const { return m_yielded; }
    bool testing() const { return m_test.has_value(); }
    const KaraokeWindowSettings& settings() const { return m_settings; }

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;
    bool Form_KeyDown(int keyCode, int shift) override;

private:
    void loadTrack(int track);
    void applyScene();
    // Colours CKAS1-CKAS4 and the lyrics font, as the settings have them now.
    void applyLook();
    void showCaption();
    void setFullScreen(bool on);
    void nudgeOffset(std::int32_t deltaMs);
    void rememberGeometry();
    int trackAt(std::int32_t discMs) const;
    std::int32_t clockAt(std::int32_t discMs) const;
    // A track with graphics: the CD+G window takes the screen's place. True while it does.
    bool yieldToCdg(int track);

    KaraokeWindowSettings m_settings;
    int m_track = 0;
    std::string m_discKey;
    std::string m_sidePath;
    std::string m_songCaption;
    SyllableTrack m_syllables;
    std::vector<std::string> m_unknownSideLines;
    KaraokeLyricInput m_input;
    std::optional<KaraokeLyricInput> m_test;
    int m_testTrack = 0;
    bool m_wanted = false;   // the user opened it: it comes back after a CD+G track
    bool m_yielded = false;  // hidden while the CD+G window shows a track's graphics
    bool m_cdgOpenedHere = false;
    std::int32_t m_lastPosition = -1;
};

// The main window's K key and context menu entry: opens the karaoke screen.
void ShowKaraokeWindow(App& app);
// The main window's status events: keeps an open karaoke screen in step.
void FollowKaraoke(App& app);
// The editors saved a lyric or its side file: an open karaoke screen reads it again.
void ReloadKaraoke(App& app);
// Program start: opens the karaoke screen when its settings say so.
void OpenKaraokeAtStartup(App& app);

}  // namespace lirafok
