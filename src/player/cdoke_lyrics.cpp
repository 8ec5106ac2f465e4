// The main window's side of the lyrics display: the line timer and the lyrics button.
#include "player/lyrics_display.h"
#include "player/cdkasif.h"
#include "player/cdkasif2.h"
#include "player/cdoke.h"
#include "ui/services.h"
#include "common/app.h"

namespace lirafok {

void CDOKE::Timer2_Timer() {
    LyricsTimerTick(app);
}

void CDOKE::KASI_Click() {
    AppState& s = app.state;
    if (s.KASID.empty()) {
        app.PlayErrorCue();
        app.msgBox("環境設定を行ってください", ui::mb::kOkOnly, "歌詞表示");
        return;
    }
    if (!discReady()) {
        app.PlayErrorCue();
        return;
    }
    app.PlayOkCue();
    if (s.LyricsOn == 1) {
        // A lyrics window the user minimised comes back first; the next press turns it off.
        CDKASIF* text = app.loaded<CDKASIF>();
        CDKASIF2* panels = app.loaded<CDKASIF2>();
        if (text && text->shown() && text->minimized()) {
            app.show<CDKASIF>();
            return;
        }
        if (panels && panels->shown() && panels->minimized()) {
            app.show<CDKASIF2>();
            return;
        }
        TurnLyricsDisplayOff(app);
        return;
    }
    s.LyricsLoadedTrack = 0;
    s.LyricsOn = 1;
    ShowTrackLyrics(app);
    KASI.setForeColor(ui::kRed);
}

}  // namespace lirafok
