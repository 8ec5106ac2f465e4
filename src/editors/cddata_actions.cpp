// What the registration window opens and how it ends: the lyrics editor or the timing setter
// for a row's track, the catalogue change window, saving the record, cancelling, closing.
#include "common/app.h"
#include "core/text.h"
#include "editors/cddata.h"
#include "editors/cdedit.h"
#include "editors/cdnetsel.h"
#include "editors/cdset.h"
#include "lyrics/lyrics_file.h"
#include "player/cdoke.h"
#include "player/font_routines.h"
#include "editors/cdchg.h"

namespace lirafok {

namespace {

bool playerStopped(App& app) {
    return cdoke(app).MMControl1.Mode() == device::DeviceMode::Stopped;
}

void refuse(App& app, const std::string& why) {
    app.PlayErrorCue();
    app.msgBox(why);
}

}  // namespace

void CDDATA::KYOKUNO_Click(int index) {
    AppState& s = app.state;
    const int track = text::val(KYOKUNO[static_cast<std::size_t>(index)].caption());
    if (track < 1 || track > s.TrackCount) {
        app.PlayErrorCue();
        return;
    }
    EditTrack = track;
    if (KUBUN.foreColor() == ui::kRed) {
        if (s.TimingSetterActive == 1) return refuse(app, "タイミング設定中です");
        app.PlayOkCue();
        OpenLyricsEditor(app, EditTrack);
        return;
    }
    if (s.EditorActive == 1) return refuse(app, "歌詞編集中です");
    if (!playerStopped(app)) return refuse(app, "演奏を停止して下さい");
    app.PlayOkCue();
    OpenTimingSetter(app, EditTrack);
}

void CDDATA::Command3D8_Click() {
    if (!playerStopped(app)) return refuse(app, "演奏を停止して下さい");
    app.PlayOkCue();
    app.show<CDCHG>();
}

DiscRecordEntry CDDATA::recordEntry() {
    storeRows();
    DiscRecordEntry e;
    e.title1 = TITLE1.text();
    e.title2 = TITLE2.text();
    e.artist = ARTIST.text();
    e.perSongArtists = perSongArtists();
    e.fontSet = WorkFontSet;
    e.songName = WorkSongName;
    e.songArtist = WorkSongArtist;
    return e;
}

void CDDATA::Command3D3_Click() {
    AppState& s = app.state;
    if (TITLE1.text().empty()) {
        refuse(app, "Ｔｉｔｌｅは必ず指定して下さい。");
    } else if (!marksAccepted()) {
        return;
    } else {
        // Marked unregistered so that the save rebuilds the main window's full layout; a
        // catalogue that cannot be written leaves the mark as it was.
        const std::int32_t wasUnregistered = s.DiscUnregistered;
        s.DiscUnregistered = 1;
        if (SaveDiscRecord(app, recordEntry()))
            app.PlayOkCue();
        else
            s.DiscUnregistered = wasUnregistered;
    }
    s.CurrentFontSet = s.DiscFontSet;
    ShowDiscFonts(app);
}

void CDDATA::discardWork() {
    AppState& s = app.state;
    s.HasSongArtists = 0;
    for (int n = 1; n <= s.TrackCount; ++n)
        if (!s.SongArtist[static_cast<std::size_t>(n)].empty()) s.HasSongArtists = 1;
    s.DataWindowOpen = 0;
}

void CDDATA::Command3D4_Click() {
    app.PlayOkCue();
    app.unload<CDDATA>();
}

void CDDATA::Form_QueryUnload(bool&, ui::UnloadMode) {
    stopLookup();
    app.unload<CDNETSEL>();
    discardWork();
}

void CDDATA::Form_LostFocus() {
    // The window stays open with its working copies when another window takes the focus: the
    // flag that makes a disc removal offer to save them stays set.
}

}  // namespace lirafok
