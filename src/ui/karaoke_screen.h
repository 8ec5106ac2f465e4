#pragma once
// The karaoke screen control: two lines of lyric, the upper one left-aligned and the lower one
// right-aligned, each replaced after it is sung; a colour wipe through each syllable; readings
// above the kanji; count-in dots before a line after a long instrumental; the song's title
// and artist before the first line.
//
// The scene says what is shown when, in lyric time (ms from the track start). The screen has
// no clock: the window gives it a way to read the lyric time of what is heard now (the
// audible disc position, with lead time and offset), and the view reads it each time it draws
// a frame, so the wipe's edge is where the music is at that moment.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/control.h"

namespace lirafok::ui {

// One syllable (or a whole line, for a line timed as a whole): wiped from start to end.
struct KaraokePiece {
    std::string text;
    std::int32_t start = 0;
    std::int32_t end = 0;  // == start: lit at once
};

struct KaraokeRubySpan {
    std::size_t first = 0;  // characters of the line's text, from 0
    std::size_t length = 0;
    std::string reading;
};

struct KaraokeLine {
    int lyricLine = -1;  // index in the lyric (a click seeks there)
    std::vector<KaraokePiece> pieces;
    std::vector<KaraokeRubySpan> rubies;
    bool wipe = false;  // syllable by syllable; false: the whole line lights at its start
    std::int32_t start = 0, end = 0;      // sung
    std::int32_t appear = 0, vanish = 0;  // shown in its row
    int row = 0;                          // 0 upper (left-aligned), 1 lower (right-aligned)
    bool countIn = false;                 // dots count down to its start
    std::string text() const;
};

struct KaraokeScene {
    std::vector<KaraokeLine> lines;  // in the order they are sung
    std::string title, artist;
    std::int32_t titleUntil = 0;  // the title card shows before this time
};

// How long the count-in runs and how many dots it has (one goes each second).
inline constexpr std::int32_t kCountInMs = 3000;
inline constexpr int kCountInDots = 3;

enum class LineState {
    Coming,   // not sung yet
    Singing,  // being sung: wiped up to the edge (or lit whole)
    Passed,   // sung, still shown
};

struct KaraokeRowFrame {
    int line = -1;  // index into the scene's lines; -1: the row is empty
    LineState state = LineState::Coming;
    double wiped = 0;  // pieces wiped: 2.25 = two whole and a quarter of the third
};

struct KaraokeFrame {
    bool title = false;
    std::array<KaraokeRowFrame, 2> rows;
    int dots = 0;  // count-in dots shown
    int dotsRow = 0;
};

// What the screen shows at lyric time `t`.
KaraokeFrame karaokeFrameAt(const KaraokeScene& scene, std::int32_t t);
// Pieces of `line` wiped at time `t` (see KaraokeRowFrame::wiped).
double wipedPieces(const KaraokeLine& line, std::int32_t t);

struct KaraokeColours {
    Color background = kWhite;  // CKAS1
    Color coming = kBlack;      // CKAS2
    Color current = kRed;       // CKAS3
    Color passed = kBlack;      // CKAS4
    bool operator==(const KaraokeColours&) const = default;
};

class KaraokeScreen : public Control {
public:
    KaraokeScreen(Form& f, std::string name)
        : Control(f, ControlKind::KaraokeScreen, std::move(name)) {}

    // What to show (nullptr: nothing, the background only).
    void setScene(std::shared_ptr<const KaraokeScene> scene) {
        m_scene = std::move(scene);
        changed(Prop::Items);
    }
    const KaraokeScene* scene() const { return m_scene.get(); }

    // Reads the lyric time of what is heard now; called by the view at every frame and by
    // frame(). Not set: the time given to refresh() last.
    void setClock(std::function<std::int32_t()> clock) { m_clock = std::move(clock); }
    std::int32_t now() const { return m_clock ? m_clock() : m_lastTime; }

    // The window's refresh tick: the view draws what moved since its last frame.
    void refresh(std::int32_t lyricTime) {
        m_lastTime = lyricTime;
        ++m_refreshes;
        changed(Prop::Value);
    }
    // Whether the picture moves on by itself (playing): the view draws frames only then.
    bool running() const { return m_running; }
    void setRunning(bool r) {
        if (r == m_running) return;
        m_running = r;
        changed(Prop::Value);
    }
    std::uint64_t refreshes() const { return m_refreshes; }

    // The frame at the present lyric time (tests and the headless checks).
    KaraokeFrame frame() const {
        return m_scene ? karaokeFrameAt(*m_scene, now()) : KaraokeFrame{};
    }

    const KaraokeColours& colours() const { return m_colours; }
    void setColours(const KaraokeColours& c) {
        if (c == m_colours) return;
        m_colours = c;
        changed(Prop::ForeColor);
    }

    // A click on a shown line: its lyric line index.
    std::function<void(int lyricLine)> onLineClick;
    void userClickLine(int lyricLine) {
        if (onLineClick) onLineClick(lyricLine);
    }
    // A click on row 0 (upper) or 1 (lower): the line shown there, if any.
    void userClickRow(int row);

private:
    std::shared_ptr<const KaraokeScene> m_scene;
    std::function<std::int32_t()> m_clock;
    std::int32_t m_lastTime = 0;
    std::uint64_t m_refreshes = 0;
    bool m_running = false;
    KaraokeColours m_colours;
};

}  // namespace lirafok::ui
