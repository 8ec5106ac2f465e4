#include "player/lyrics_display.h"

#include <algorithm>

#include "player/disc_display.h"
#include "core/text.h"
#include "player/cdkasif.h"
#include "player/cdkasif2.h"
#include "lyrics/lyrics_sync.h"
#include "player/cdoke.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

namespace {

using device::DeviceMode;

// Panels in use when the window loads or the lyric is fitted; a resize may use all 27.
constexpr int kFittedPanels = kLyricPanels - 1;

std::size_t slot(int i) {
    return static_cast<std::size_t>(i);
}

const std::string& lineText(const AppState& s, int i) {
    static const std::string kEmpty;
    if (i < 0 || i >= kLyricSlots) return kEmpty;
    return s.Lyrics.lines[slot(i)];
}

const std::string& songName(const AppState& s, int track) {
    static const std::string kEmpty;
    if (track < 0 || track >= kTrackSlots) return kEmpty;
    return s.SongName[slot(track)];
}

// Panel of the karaoke window, or nullptr for an index outside the 27 panels.
ui::Panel* panel(CDKASIF2& w, int j) {
    if (j < 0 || j >= kLyricPanels) return nullptr;
    return &w.KASI[slot(j)];
}

void showSongOfTrack(App& app, int track) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    const std::string& name = songName(s, track);
    if (w.KYOKU.caption() == name) return;
    if (s.HasSongArtists == 1 && track >= 0 && track < kTrackSlots)
        FitArtistFont(app, s.SongArtist[slot(track)]);
    w.KYOKU.setCaption(name);
}

// Places a lyrics window at its own geometry, above other windows when TUNEH is 1, without
// taking the focus from the player.
void placeAndShow(App& app, ui::Form& f) {
    f.setTopMost(app.state.TUNEH == 1);
    f.setShowWithoutActivating(true);
    f.show();
}

// Panels of a newly loaded timed lyric: empty, in the lyrics font and the coming-line colour.
void preparePanels(App& app) {
    const AppState& s = app.state;
    CDKASIF2& w = cdkasif2(app);
    const double size = w.KASI[0].font().size;
    for (ui::Panel& p : w.KASI) {
        p.setCaption("");
        p.setBackColor(s.CKAS1);
        p.setForeColor(s.CKAS2);
        p.setFont({s.FONTN, size, s.FBOLD != 0, s.FITAL != 0});
    }
}

// Panels from TopLyricLine down, as far as the window and the lyric reach; the rest empty.
void fillPanelsFromTop(App& app) {
    const AppState& s = app.state;
    CDKASIF2& w = cdkasif2(app);
    const int last = std::min(s.TopLyricLine + s.VisibleLyricLines - 1, s.Lyrics.count - 1);
    int j = 0;
    for (int i = s.TopLyricLine; i <= last && j < kLyricPanels; ++i, ++j)
        w.KASI[slot(j)].setCaption(lineText(s, i));
    // Panels that showed a longer stretch of the lyric before must not keep stale lines.
    for (; j < kLyricPanels; ++j) w.KASI[slot(j)].setCaption("");
}

// The timer's wait is worked out in disc time: at another tempo, or with a window thread kept
// busy, it comes early or late. A drive that hears its own position brings the tick to the
// moment the line (with the lead time) is heard; the timer stays as the fallback.
void wakeWhenLineHeard(App& app, std::int32_t trackStart, std::int32_t lineTime) {
    const std::int32_t at = trackStart + lineTime - static_cast<std::int32_t>(app.state.CYOUS);
    (void)cdoke(app).MMControl1.WakeWhenHeard(at, [&app] {
        // The line is due: a long wait still served in pieces is over.
        app.state.PendingWait = 0;
        cdoke(app).Timer2.tickNow();
    });
}

// Re-synchronises the panels with the disc position and starts the line timer. The timer's
// first tick, 100 ms later while playing, lights the line with the lead time applied.
void followTimedLyric(App& app, int track, DeviceMode mode) {
    AppState& s = app.state;
    CDOKE& main = cdoke(app);
    FitLyricsPanels(app);
    const std::int32_t trackStart = main.MMControl1.TrackPosition();
    const std::int32_t elapsed = main.MMControl1.Position() - trackStart;
    s.NextLyricLine = resyncNextLine(s.Lyrics, elapsed);
    s.TopLyricLine = s.NextLyricLine >= s.VisibleLyricLines ? s.NextLyricLine : 0;
    fillPanelsFromTop(app);
    s.LitPanel = -1;
    s.LyricsLoadedTrack = track;
    s.PendingWait = 0;
    s.AimedLyricLine = -1;
    main.Timer2.setInterval(mode == DeviceMode::Playing ? 100 : 1000);
    main.Timer2.setTimerEnabled(true);
    // A disc that is starting may not say Playing yet: the wake is armed all the same, and
    // comes only once the line is heard.
    const LinePick pick = pickLyricLine(s.Lyrics, elapsed + static_cast<std::int32_t>(s.CYOUS));
    if (pick.next >= 0) wakeWhenLineHeard(app, trackStart, s.Lyrics.times[slot(pick.next)]);
    CDKASIF2& w = cdkasif2(app);
    w.setCaption(lyricsWindowCaption(track, songName(s, track)));
    if (s.PanelWindowShown == 0) {
        s.PanelWindowShown = 1;
        placeAndShow(app, w);
        if (s.TextWindowShown == 1) {
            app.unload<CDKASIF>();
            s.TextWindowShown = 0;
        }
    }
}

void showPlainLyric(App& app, int track, const std::string& text) {
    AppState& s = app.state;
    CDKASIF& w = cdkasif(app);
    w.KASI.setText(text);
    w.KASI.setFontSize(s.LyricsTextFontSize);
    w.setCaption(lyricsWindowCaption(track, songName(s, track)));
    s.LyricsLoadedTrack = track;
    if (s.TextWindowShown == 0) {
        w.KASI.setFontName(s.FONTN);
        w.KASI.setFontBold(s.FBOLD != 0);
        w.KASI.setFontItalic(s.FITAL != 0);
        s.TextWindowShown = 1;
        placeAndShow(app, w);
    }
    if (s.PanelWindowShown == 1) {
        app.unload<CDKASIF2>();
        s.PanelWindowShown = 0;
    }
}

// Back to the top of the lyric with no line lit: a seek went back before the first line.
void ShowLyricFromStart(App& app) {
    AppState& s = app.state;
    if (!app.isLoaded<CDKASIF2>()) return;
    s.TopLyricLine = 0;
    RepaintLyricsPanels(app);
    s.LitPanel = -1;
}

}  // namespace

void RetitleLyricsWindows(App& app) {
    const AppState& s = app.state;
    const int track = s.LyricsLoadedTrack;
    if (track < 1 || track >= kTrackSlots) return;
    const std::string caption = lyricsWindowCaption(track, songName(s, track));
    if (CDKASIF* w = app.loaded<CDKASIF>()) w->setCaption(caption);
    if (CDKASIF2* w = app.loaded<CDKASIF2>()) w->setCaption(caption);
}

std::string lyricsWindowCaption(int track, const std::string& songName) {
    return text::pad(track, 2) + " - " + songName;
}

int lyricPanelsFor(int innerHeightTwips, int cap) {
    return std::clamp(innerHeightTwips / kLyricPanelHeight, 0, cap);
}

void StopLyricsTick(App& app) {
    CDOKE& main = cdoke(app);
    (void)main.MMControl1.WakeWhenHeard(0, nullptr);
    main.Timer2.setTimerEnabled(false);
    app.state.PendingWait = 0;
    app.state.AimedLyricLine = -1;
    main.Timer2.setInterval(0);
}

void CloseLyricsWindows(App& app) {
    app.unload<CDKASIF>();
    app.unload<CDKASIF2>();
    app.state.TextWindowShown = 0;
    app.state.PanelWindowShown = 0;
}

void TurnLyricsDisplayOff(App& app) {
    app.state.LyricsOn = 0;
    cdoke(app).KASI.setForeColor(ui::kBlack);
    // Nothing is left to follow; a running tick would only repaint a closed window.
    StopLyricsTick(app);
    CloseLyricsWindows(app);
}

void ShowTrackLyrics(App& app) {
    AppState& s = app.state;
    if (s.TimingSetterActive == 1) return;
    CDOKE& main = cdoke(app);
    const int track = text::val(main.TRKNO.caption());
    const device::DeviceMode mode = main.MMControl1.Mode();
    if (track == s.LyricsLoadedTrack && mode == DeviceMode::Stopped) return;

    const bool newTrack = track != s.LyricsLoadedTrack;
    if (newTrack) {
        SelectTrackInList(app, track);
        showSongOfTrack(app, track);
    }
    if (s.LyricsOn == 0) {
        s.LyricsLoadedTrack = track;
        return;
    }
    if (!newTrack) {
        // Same track, not stopped: only an idle timed display needs re-synchronising.
        if (s.TimingsActive == 0 || main.Timer2.interval() != 0) return;
        StopLyricsTick(app);
        followTimedLyric(app, track, mode);
        return;
    }

    s.TimingsActive = 0;
    s.LyricsFilePath = lyricsFilePath(s.KASID, s.DiscKey, track);
    const DisplayLyrics read = readDisplayLyrics(s.LyricsFilePath, s.Lyrics);
    if (!read.ok) {
        // No lyric for this track: no window, no message; the display stays switched on so
        // that the next track with a lyric shows again.
        StopLyricsTick(app);
        CloseLyricsWindows(app);
        s.LyricsLoadedTrack = track;
        return;
    }
    const int fontSize = read.fontSize != 0 ? read.fontSize : s.KASIF;
    s.LyricsTextFontSize = fontSize;
    if (app.isLoaded<CDKASIF>()) cdkasif(app).KASI.setFontSize(fontSize);
    if (read.timed || app.isLoaded<CDKASIF2>()) cdkasif2(app).KASI[0].setFontSize(fontSize);
    if (read.timed) {
        s.TimingsActive = 1;
        preparePanels(app);
    }

    StopLyricsTick(app);
    if (s.TimingsActive == 1)
        followTimedLyric(app, track, mode);
    else
        showPlainLyric(app, track, read.rawText);
}

void LyricsTimerTick(App& app) {
    AppState& s = app.state;
    CDOKE& main = cdoke(app);
    ui::Timer& timer = main.Timer2;
    if (s.TimingSetterActive == 1) {
        timer.setInterval(0);
        s.PendingWait = 0;
        return;
    }
    if (s.PendingWait != 0) {
        const TimerWait piece = nextWaitPiece(s.PendingWait);
        s.PendingWait = piece.pending;
        timer.setInterval(piece.interval);
        return;
    }
    const device::DeviceMode mode = main.MMControl1.Mode();
    // Only a playing or paused disc is followed: stopped, door open or no disc end the tick.
    // Without a panel window (display switched off, track without lyric) there is nothing to
    // follow either, even when a seek re-armed the timer.
    if ((mode != DeviceMode::Playing && mode != DeviceMode::Paused) || s.PanelWindowShown == 0) {
        s.PendingWait = 0;
        timer.setInterval(0);
        return;
    }
    const std::int32_t elapsed = main.MMControl1.Position() - s.CurrentTrackStartMs;
    if (elapsed >= s.CurrentTrackLengthMs) {
        timer.setInterval(0);
        s.PendingWait = 0;
        s.TimingsActive = 0;
        return;
    }

    const LinePick pick = pickLyricLine(s.Lyrics, elapsed + s.CYOUS);
    if (pick.current == -1 && pick.next == -1) {
        // Not one line of the lyric has a usable time: nothing to light, nothing to wait for.
        s.NextLyricLine = 0;
        timer.setInterval(0);
        s.TimingsActive = 0;
        return;
    }
    if (pick.current == s.Lyrics.count - 1 || pick.next == -1) {
        s.NextLyricLine = s.Lyrics.count;
        timer.setInterval(1000);
        timer.setTimerEnabled(false);
        PaintLyricsLines(app);
        s.TimingsActive = 0;
        return;
    }
    // The timer was aimed at this very line and the heard position is a little short of it:
    // the line is due within moments, so the next tick comes at its time, not 100 ms late.
    // Once only: a position that stands still (the sound output went away) is then looked at
    // every 100 ms, as any other.
    const bool reaim = mode == DeviceMode::Playing && pick.next == s.AimedLyricLine;
    s.NextLyricLine = pick.next;
    s.AimedLyricLine = reaim ? -1 : pick.next;
    const TimerWait wait =
        waitForLine(s.Lyrics.times[slot(pick.next)], elapsed, static_cast<std::int32_t>(s.CYOUS),
                    reaim ? kReaimTimerWait : kMinTimerWait);
    s.PendingWait = wait.pending;
    timer.setInterval(wait.interval);
    timer.setTimerEnabled(true);
    if (mode == DeviceMode::Playing)
        wakeWhenLineHeard(app, s.CurrentTrackStartMs, s.Lyrics.times[slot(pick.next)]);
    if (s.NextLyricLine != 0)
        PaintLyricsLines(app);
    else if (s.LitPanel >= 0)
        ShowLyricFromStart(app);
}

void ChooseLyricsTop(App& app) {
    AppState& s = app.state;
    const TopChoice c =
        chooseLyricsTop(s.KAIGY, s.NextLyricLine - 1, s.TopLyricLine, s.VisibleLyricLines, s.Lyrics,
                        cdoke(app).Timer2.interval() != 0);
    s.TopLyricLine = c.top;
    s.RepaintAll = c.repaintAll ? 1 : 0;
}

void PaintLyricsLines(App& app) {
    AppState& s = app.state;
    if (s.TimingSetterActive == 1 || !app.isLoaded<CDKASIF2>()) return;
    ChooseLyricsTop(app);
    if (s.RepaintAll == 1) {
        RepaintLyricsPanels(app);
        return;
    }
    CDKASIF2& w = cdkasif2(app);
    const int p = s.NextLyricLine - s.TopLyricLine - 1;
    // Lines above the current one are passed, lines below it coming. Going forward only the
    // previously lit panel and the new one change; after a seek backwards the panels below
    // the current line must lose the colours of lines that are no longer passed.
    const int visible = std::min(s.VisibleLyricLines, kLyricPanels);
    for (int j = 0; j < std::max(visible, p + 1) && j < kLyricPanels; ++j) {
        const ui::Color c = j < p ? s.CKAS4 : j == p ? s.CKAS3 : s.CKAS2;
        if (w.KASI[slot(j)].foreColor() != c) w.KASI[slot(j)].setForeColor(c);
    }
    // The current line may lie outside the panels (a lyric ended above a resync's top line).
    s.LitPanel = panel(w, p) ? p : -1;
}

void RepaintLyricsPanels(App& app) {
    AppState& s = app.state;
    CDKASIF2& w = cdkasif2(app);
    const int cur = s.NextLyricLine - 1;
    int j = 0;
    for (int i = s.TopLyricLine; i < s.TopLyricLine + s.VisibleLyricLines && j < kLyricPanels;
         ++i, ++j) {
        ui::Panel& p = w.KASI[slot(j)];
        ui::Color c = s.CKAS2;
        if (i == cur) {
            c = s.CKAS3;
            s.LitPanel = j;
        } else if (i < cur) {
            c = s.CKAS4;
        }
        // Caption first: a view that sees the colour change already sees the new line.
        p.setCaption(lineText(s, i));
        p.setForeColor(c);
    }
    for (; j < kLyricPanels; ++j) w.KASI[slot(j)].setCaption("");
}

void FitLyricsPanels(App& app) {
    AppState& s = app.state;
    CDKASIF2& w = cdkasif2(app);
    const double size = w.KASI[0].font().size;
    for (int j = 1; j < kLyricPanels; ++j) {
        w.KASI[slot(j)].setFontSize(size);
        w.KASI[slot(j)].setFontName(s.FONTN);
    }
    w.layLines();
    s.VisibleLyricLines = lyricPanelsFor(static_cast<int>(w.lineAreaHeight()), kFittedPanels);
}

}  // namespace lirafok
