// The lyrics editor's LRC entries: a lyric with its timings from another player's LRC file
// into the editor (saved with the editor's save, like any edit), and the editor's lyric out
// to an LRC file for other players.
#include <string>

#include "catalogue/title_text.h"
#include "core/app_state.h"
#include "common/app.h"
#include "core/text.h"
#include "editors/cdedit.h"
#include "lyrics/lrc_file.h"
#include "ui/services.h"

namespace lirafok {

namespace {

const char* const kFilter = "LRCファイル (*.lrc);;すべてのファイル (*)";
const char* const kTitle = "歌詞編集";

}  // namespace

ui::Menu& CDEDIT::sizeEntry(int points) {
    switch (points) {
        case 10:
            return P10;
        case 11:
            return P11;
        case 12:
            return P12;
        case 13:
            return P13;
        case 14:
            return P14;
        default:
            return PHY;
    }
}

void CDEDIT::LRC_IN_Click() {
    const std::optional<std::string> path =
        app.svc.dialogs.openFileDialog("LRCファイルを読み込む", kFilter);
    if (!path) return;
    const LrcImport in = readLrcFile(*path);
    if (!in.ok) {
        // Nothing of the editor's lyric changes.
        app.PlayErrorCue();
        app.msgBox(in.error, ui::mb::kOkOnly + ui::mb::kExclamation, kTitle);
        return;
    }
    const EditorForm form = lrcToEditor(in.lyrics);
    EDTEXT.setText(form.text);
    EditorLyricTimes = form.times;
    EditorPageFlags = form.pageFlags;
    chooseSize(sizeEntry(in.lyrics.fontSize), in.lyrics.fontSize);
    m_imported = true;
    app.PlayOkCue();
}

void CDEDIT::LRC_OUT_Click() {
    const AppState& s = app.state;
    const std::size_t chars = text::charLength(s.EditorLyricsPath);
    const int track = chars >= 2 ? text::val(text::mid(s.EditorLyricsPath, chars - 1, 2)) : 0;
    LrcTags tags;
    if (track >= 1 && track < kTrackSlots) {
        const auto t = static_cast<std::size_t>(track);
        tags.title = s.SongName[t];
        tags.artist = s.HasSongArtists == 1 ? s.SongArtist[t] : s.DiscArtist;
    }
    tags.album = titleText(s.DiscTitle);
    const std::string suggested =
        text::pad(track, 2) + (tags.title.empty() ? "" : " " + tags.title) + ".lrc";
    const std::optional<std::string> path =
        app.svc.dialogs.saveFileDialog("LRCファイルに書き出す", kFilter, suggested);
    if (!path) return;
    const LrcLyrics lyrics =
        lrcFromEditor(checkedFontSize(), EDTEXT.text(), EditorLyricTimes, EditorPageFlags);
    if (!writeLrcFile(*path, lyrics, tags)) {
        app.PlayErrorCue();
        app.msgBox("LRCファイルを書き込めません", ui::mb::kOkOnly + ui::mb::kExclamation, kTitle);
        return;
    }
    app.PlayOkCue();
}

}  // namespace lirafok
