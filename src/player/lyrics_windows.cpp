// The two lyrics windows: where they open, how they follow a resize, and what closing them
// means (the user's close switches the lyrics display off; the program's does not).
#include <algorithm>
#include <utility>

#include "player/cdkasif.h"
#include "player/cdkasif2.h"
#include "player/lyrics_display.h"
#include "ui/control_array.h"
#include "player/cdoke.h"
#include "player/player_transport.h"
#include "common/app.h"

namespace lirafok {

namespace {
constexpr int kPanelWindowHeight = 6885;  // twips, when no stored geometry applies
constexpr int kResizedPanels = kLyricPanels;
constexpr int kLoadedPanels = kLyricPanels - 1;
}  // namespace

// --- CDKASIF: the whole lyric as text ---

CDKASIF::CDKASIF(App& a) : ui::Form(a.svc.host, kName), app(a), KASI(*this, "KASI") {
    KASI.setMultiLine(true);
    KASI.setLocked(true);
    move(0, 0, 4500, 6885);
}

void CDKASIF::Form_Load() {
    const AppState& s = app.state;
    KASI.setBackColor(s.CKAS1);
    KASI.setForeColor(s.CKAS2);
    KASI.setFontSize(s.LyricsTextFontSize);
    // Docked at the right edge of the screen, full height.
    const int sw = app.svc.screen.widthTwips(), sh = app.svc.screen.heightTwips();
    move(sw - width(), 0, width(), sh);
    Form_Resize();
}

void CDKASIF::Form_Resize() {
    KASI.move(0, 0, innerWidth(), innerHeight());
}

void CDKASIF::Form_QueryUnload(bool&, ui::UnloadMode mode) {
    if (mode == ui::UnloadMode::User) TurnLyricsDisplayOff(app);
}

// --- CDKASIF2: the karaoke panels ---

namespace {
constexpr double kPointsPerLine = 12;
}  // namespace

CDKASIF2::CDKASIF2(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      KASI(ui::controlArray<ui::Panel, kLyricPanels>(*this, "KASI")) {
    move(720, 30, 7095, kPanelWindowHeight);
    for (int i = 0; i < kLyricPanels; ++i) {
        ui::Panel& p = KASI[static_cast<std::size_t>(i)];
        p.setFlat(true);
        p.setFitsTextToHeight(true);
        p.onClick = [this, i] { KASI_Click(i); };
    }
    stackPanels();
}

void CDKASIF2::KASI_Click(int index) {
    const AppState& s = app.state;
    const int line = s.TopLyricLine + index;
    if (s.TimingSetterActive == 1 || line < 0 || line >= s.Lyrics.count || line >= kLyricSlots)
        return;
    const std::int32_t t = s.Lyrics.times[static_cast<std::size_t>(line)];
    if (t == kNoTiming || !PlayerTransport(app).seekInTrack(t)) app.PlayErrorCue();
}

void CDKASIF2::layLines() {
    const double text = std::max(1.0, innerWidth() / static_cast<double>(kLyricDesignWidth));
    // A 240-twip line holds a 12-point line; a bigger font makes the lines taller (fewer of
    // them), so that they never overlap.
    const double points = KASI[0].font().size;
    const double line = text * std::max(1.0, points / kPointsPerLine);
    if (line != 1 || m_zoom != 1) {  // at 1:1 the window's own scale, as stored, stays
        m_zoom = line;
        setScale(0, 0, innerWidth() / line, innerHeight() / line);
        setFontZoom(text);
    }
    stackPanels();
}

void CDKASIF2::stackPanels() {
    const int left = static_cast<int>(scaleLeft());
    const int top = static_cast<int>(scaleTop());
    const int width = static_cast<int>(scaleWidth());
    for (int i = 0; i < kLyricPanels; ++i)
        KASI[static_cast<std::size_t>(i)].move(left, top + i * kLyricPanelHeight, width,
                                               kLyricPanelHeight);
}

void CDKASIF2::Form_Load() {
    AppState& s = app.state;
    if (s.HOZON == 1) {
        move(s.KASIL, s.KASIT, s.KASIW, s.KASII);
        setScale(s.SASIL, s.SASIT, s.SASIW, s.SASIH);
    } else {
        const int sw = app.svc.screen.widthTwips(), sh = app.svc.screen.heightTwips();
        const int h = std::min(sh, kPanelWindowHeight);
        move(sw - width(), 0, width(), h);
    }
    setBackColor(s.CKAS1);
    for (ui::Panel& p : KASI) p.setBackColor(s.CKAS1);
    layLines();
    s.VisibleLyricLines = lyricPanelsFor(static_cast<int>(lineAreaHeight()), kLoadedPanels);
}

void CDKASIF2::Form_Resize() {
    AppState& s = app.state;
    // The stored inner scale (SASIT … SASIW) stays as it is: the view keeps a unit's size when
    // the window is resized, so a panel stays one line high, and the window stores the same
    // scale again when it closes.
    layLines();
    s.VisibleLyricLines = lyricPanelsFor(static_cast<int>(lineAreaHeight()), kResizedPanels);
    // While the timing setter owns the lyric tables and the timer, the panels stay as they are.
    if (s.TimingSetterActive == 1) return;
    StopLyricsTick(app);
    if (s.TimingsActive == 1) {
        ui::Timer& timer = cdoke(app).Timer2;
        timer.setInterval(10);
        timer.setTimerEnabled(true);
    }
    RepaintLyricsPanels(app);
}

void CDKASIF2::Form_QueryUnload(bool&, ui::UnloadMode mode) {
    AppState& s = app.state;
    const int sw = app.svc.screen.widthTwips(), sh = app.svc.screen.heightTwips();
    if (top() <= sh && left() <= sw && height() != 0 && width() != 0) {
        s.KASIT = top();
        s.KASII = height();
        s.KASIL = left();
        s.KASIW = width();
        s.SASIT = static_cast<std::int32_t>(scaleTop());
        s.SASIH = static_cast<std::int32_t>(scaleHeight());
        s.SASIL = static_cast<std::int32_t>(scaleLeft());
        s.SASIW = static_cast<std::int32_t>(scaleWidth());
    }
    if (mode == ui::UnloadMode::User) TurnLyricsDisplayOff(app);
}

CDKASIF& cdkasif(App& app) {
    return app.form<CDKASIF>();
}

CDKASIF2& cdkasif2(App& app) {
    return app.form<CDKASIF2>();
}

}  // namespace lirafok
