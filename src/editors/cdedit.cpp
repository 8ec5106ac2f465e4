#include "editors/cdedit.h"

#include <optional>

#include "common/app.h"
#include "common/online_use.h"
#include "core/raw_file.h"
#include "core/text.h"
#include "lyrics/lyrics_file.h"
#include "ui/services.h"
#include "editors/cdskasi.h"

namespace lirafok {

namespace {

// Twips: wide enough for the whole menu bar. The window is docked at the right screen edge.
constexpr int kWindowWidth = 6600;

const char* const kSaveFailed = "歌詞ファイルを保存できません";

// The track the editor's file belongs to: the path rule ends every lyrics file name in the
// track number as two digits.
int pathTrack(const std::string& path) {
    const std::size_t chars = text::charLength(path);
    return chars >= 2 ? text::val(text::mid(path, chars - 1, 2)) : 0;
}

// The edit box holds its lines separated by CR LF; text from the clipboard may end its lines
// with LF alone.
std::string withCrLf(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) out += '\r';
        out += s[i];
    }
    return out;
}

// A copy answer: one or two of the digits 0 to 9 naming a track of the disc; 0 otherwise.
int copyTrack(const std::optional<std::string>& answer, int trackCount) {
    if (!answer || answer->empty() || answer->size() > 2) return 0;
    for (char c : *answer)
        if (c < '0' || c > '9') return 0;
    const int n = std::stoi(*answer);
    return n >= 1 && n <= trackCount ? n : 0;
}

CDEDIT* loadedEditor(App& app) {
    return app.loaded<CDEDIT>();
}

}  // namespace

CDEDIT::CDEDIT(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      EDTEXT(*this, "EDTEXT"),
      Quit(*this, "Quit"),
      File_Edit(*this, "File_Edit"),
      COPY(*this, "COPY", "File_Edit"),
      Paste(*this, "Paste", "File_Edit"),
      Cut(*this, "Cut", "File_Edit"),
      Delete(*this, "Delete", "File_Edit"),
      FONT_R(*this, "FONT_R"),
      PHY(*this, "PHY", "FONT_R"),
      P14(*this, "P14", "FONT_R"),
      P13(*this, "P13", "FONT_R"),
      P12(*this, "P12", "FONT_R"),
      P11(*this, "P11", "FONT_R"),
      P10(*this, "P10", "FONT_R"),
      CANCEL_R(*this, "CANCEL_R"),
      COPY_RTN(*this, "COPY_RTN"),
      LRC_R(*this, "LRC_R"),
      LRC_IN(*this, "LRC_IN", "LRC_R"),
      LRC_OUT(*this, "LRC_OUT", "LRC_R"),
      NET_GET(*this, "NET_GET", "LRC_R"),
      NET_PUB(*this, "NET_PUB", "LRC_R"),
      KARA_IN(*this, "KARA_IN", "LRC_R"),
      ELRC_OUT(*this, "ELRC_OUT", "LRC_R"),
      TAGS_OUT(*this, "TAGS_OUT", "LRC_R"),
      RUBY_R(*this, "RUBY_R"),
      RUBY_SET(*this, "RUBY_SET", "RUBY_R"),
      RUBY_DEL(*this, "RUBY_DEL", "RUBY_R") {
    setCaption("歌詞編集");
    setResizable(true);
    move(0, 0, kWindowWidth, 7200);
    EDTEXT.setMultiLine(true);
    EDTEXT.move(0, 0, innerWidth(), innerHeight());
    Quit.setCaption("終了(&Q)");
    File_Edit.setCaption("編集(&E)");
    COPY.setCaption("複写(&C)");
    Paste.setCaption("貼り付け(&P)");
    Cut.setCaption("切り抜き(&T)");
    Delete.setCaption("消去(&D)");
    FONT_R.setCaption("フォント(&F)");
    PHY.setCaption("標準");
    PHY.setChecked(true);
    P14.setCaption("１４ポ");
    P13.setCaption("１３ポ");
    P12.setCaption("１２ポ");
    P11.setCaption("１１ポ");
    P10.setCaption("１０ポ");
    CANCEL_R.setCaption("取り消し(&C)");
    COPY_RTN.setCaption("曲複写(&H)");
    LRC_R.setCaption("LRC(&L)");
    LRC_IN.setCaption("LRCファイルを読み込む(&I)...");
    LRC_OUT.setCaption("LRCファイルに書き出す(&O)...");
    NET_GET.setCaption(kNetGetCaption);
    NET_PUB.setCaption("この歌詞を LRCLIB に公開(&U)...");
    KARA_IN.setCaption("文字ごとの時刻付き歌詞を読み込む(&K)...");
    ELRC_OUT.setCaption("拡張LRCに書き出す(&E)...");
    TAGS_OUT.setCaption("カラオケタグ（ルビ付き）で書き出す(&T)...");
    RUBY_R.setCaption("ふりがな(&R)");
    RUBY_SET.setCaption("選んだ文字にふりがなを付ける(&S)...");
    RUBY_DEL.setCaption("選んだ文字のふりがなを消す(&D)");
    wireEvents();
}

void CDEDIT::wireEvents() {
    Quit.onClick = [this] { Quit_Click(); };
    COPY.onClick = [this] { COPY_Click(); };
    Paste.onClick = [this] { Paste_Click(); };
    Cut.onClick = [this] { Cut_Click(); };
    Delete.onClick = [this] { Delete_Click(); };
    PHY.onClick = [this] { PHY_Click(); };
    P14.onClick = [this] { P14_Click(); };
    P13.onClick = [this] { P13_Click(); };
    P12.onClick = [this] { P12_Click(); };
    P11.onClick = [this] { P11_Click(); };
    P10.onClick = [this] { P10_Click(); };
    CANCEL_R.onClick = [this] { CANCEL_R_Click(); };
    COPY_RTN.onClick = [this] { COPY_RTN_Click(); };
    LRC_IN.onClick = [this] { LRC_IN_Click(); };
    LRC_OUT.onClick = [this] { LRC_OUT_Click(); };
    NET_GET.onClick = [this] { NET_GET_Click(); };
    NET_PUB.onClick = [this] { NET_PUB_Click(); };
    KARA_IN.onClick = [this] { KARA_IN_Click(); };
    ELRC_OUT.onClick = [this] { ELRC_OUT_Click(); };
    TAGS_OUT.onClick = [this] { TAGS_OUT_Click(); };
    RUBY_SET.onClick = [this] { RUBY_SET_Click(); };
    RUBY_DEL.onClick = [this] { RUBY_DEL_Click(); };
}

void CDEDIT::Form_Load() {
    AppState& s = app.state;
    const int sw = app.svc.screen.widthTwips(), sh = app.svc.screen.heightTwips();
    move(sw - width(), 0, width(), sh);
    Form_Resize();
    const int track = pathTrack(s.EditorLyricsPath);
    const std::string song =
        track >= 0 && track < kTrackSlots ? s.SongName[static_cast<std::size_t>(track)] : "";
    setCaption(text::pad(track, 2) + " - " + song);
    m_plainCaption = caption();

    EditorLyricTimes.fill(kNoTiming);
    EditorPageFlags.fill(0);
    // The lock on the track's file is held while the window is open, with or without a file:
    // the timing setter must not rewrite a file the editor is about to create.
    s.EditorActive = 1;

    EditorLyrics file = readEditorLyrics(s.EditorLyricsPath);
    m_fileExisted = file.exists;
    loadSyllables();
    if (!file.exists) {
        // A missing file: an empty editor at the standard size; saving creates the file.
        EDTEXT.setText("");
        chooseSize(PHY, 0);
        m_loadedSize = 0;
        m_loadedText.clear();
        // A track without lyrics gets them from LRCLIB by itself, once the user has allowed
        // online look-ups; they stay in the editor until the user saves.
        // It starts once the window is on the screen.
        if (OnlineAllowedQuietly(app))
            m_autoLookup = app.svc.scheduler.schedule(0, [this] {
                m_autoLookup = 0;
                startLyricsLookup(false);
            });
        return;
    }
    ui::Menu* entry = &PHY;
    switch (file.fontSize) {
        case 10:
            entry = &P10;
            break;
        case 11:
            entry = &P11;
            break;
        case 12:
            entry = &P12;
            break;
        case 13:
            entry = &P13;
            break;
        case 14:
            entry = &P14;
            break;
        default:
            break;
    }
    chooseSize(*entry, file.fontSize);
    EditorLyricTimes = file.times;
    EditorPageFlags = file.pageFlags;
    EDTEXT.setText(file.text);
    m_loadedText = file.text;
    m_loadedSize = file.fontSize;
}

void CDEDIT::Form_Resize() {
    EDTEXT.move(0, 0, innerWidth(), innerHeight());
}

void CDEDIT::Form_QueryUnload(bool& cancel, ui::UnloadMode mode) {
    AppState& s = app.state;
    if (mode == ui::UnloadMode::User) {
        // Closing by the frame discards like CANCEL_R, but edited text is offered for saving
        // first.
        if (modified()) {
            app.show<CDSKASI>(true);
            app.unload<CDSKASI>();
            if (m_saveFailed) {
                m_saveFailed = false;
                cancel = true;
                return;
            }
        }
    } else if (m_saveFailed) {
        // The save prompt of a disc change could not write the file: the text stays, and so
        // does the offer to save it at the next disc change.
        m_saveFailed = false;
        s.EditorSavePending = 1;
        cancel = true;
        return;
    }
    stopLyricsLookup();
    s.EditorActive = 0;
    s.EditorSavePending = 0;
}

void CDEDIT::Form_LostFocus() {
    // The pending save stays armed while the window is open: a disc change must offer to save
    // even after the user has worked in another window.
}

int CDEDIT::checkedFontSize() const {
    if (P14.checked()) return 14;
    if (P13.checked()) return 13;
    if (P12.checked()) return 12;
    if (P11.checked()) return 11;
    if (P10.checked()) return 10;
    return 0;
}

bool CDEDIT::textModified() const {
    return !m_fileExisted || m_imported || EDTEXT.text() != m_loadedText ||
           checkedFontSize() != m_loadedSize;
}

bool CDEDIT::modified() const {
    return textModified() || currentSyllables() != m_loadedSyllables;
}

void CDEDIT::chooseSize(ui::Menu& entry, int points) {
    EDTEXT.setFontSize(points == 0 ? app.state.KASIF : points);
    for (ui::Menu* m : {&PHY, &P14, &P13, &P12, &P11, &P10}) m->setChecked(m == &entry);
}

void CDEDIT::PHY_Click() {
    chooseSize(PHY, 0);
}
void CDEDIT::P14_Click() {
    chooseSize(P14, 14);
}
void CDEDIT::P13_Click() {
    chooseSize(P13, 13);
}
void CDEDIT::P12_Click() {
    chooseSize(P12, 12);
}
void CDEDIT::P11_Click() {
    chooseSize(P11, 11);
}
void CDEDIT::P10_Click() {
    chooseSize(P10, 10);
}

void CDEDIT::COPY_Click() {
    app.svc.clipboard.setText(EDTEXT.selText());
}

void CDEDIT::Cut_Click() {
    app.svc.clipboard.setText(EDTEXT.selText());
    EDTEXT.setSelText("");
}

void CDEDIT::Paste_Click() {
    EDTEXT.setSelText(withCrLf(app.svc.clipboard.text()));
}

void CDEDIT::Delete_Click() {
    EDTEXT.setSelText("");
}

void CDEDIT::Quit_Click() {
    SaveLyricsText(app);
}

void CDEDIT::CANCEL_R_Click() {
    app.state.EditorActive = 0;
    app.state.EditorSavePending = 0;
    app.unload<CDEDIT>();
}

void CDEDIT::COPY_RTN_Click() {
    AppState& s = app.state;
    const std::optional<std::string> answer =
        app.svc.dialogs.inputBox("曲番号を入力して下さい", "歌詞複写", "01");
    const int track = copyTrack(answer, s.TrackCount);
    if (track == 0) {
        app.PlayErrorCue();
        app.msgBox("曲番号が誤っています");
        return;
    }
    if (!rawfile::fileExists(lyricsSourcePath(s.EditorLyricsPath, track))) {
        app.PlayErrorCue();
        app.msgBox("複写元の歌詞が登録されていません");
        return;
    }
    if (!copyLyrics(s.EditorLyricsPath, track)) {
        app.PlayErrorCue();
        app.msgBox(kSaveFailed);
        return;
    }
    s.EditorActive = 0;
    s.EditorSavePending = 0;
    app.unload<CDEDIT>();
}

bool SaveLyricsText(App& app) {
    AppState& s = app.state;
    s.EditorSavePending = 0;
    CDEDIT* w = loadedEditor(app);
    if (!w) {
        s.EditorActive = 0;
        return true;
    }
    // An unchanged text is not rewritten, so that a file in any layout the readers accept
    // (no separator, no final line break) stays exactly as it is.
    if (w->textModified() &&
        !saveLyricsText(s.EditorLyricsPath, w->checkedFontSize(), w->EDTEXT.text(),
                        w->EditorLyricTimes, w->EditorPageFlags)) {
        app.PlayErrorCue();
        app.msgBox(kSaveFailed);
        s.EditorSavePending = 1;
        return false;
    }
    if (!w->saveSyllables()) {
        s.EditorSavePending = 1;
        return false;
    }
    s.EditorActive = 0;
    app.unload<CDEDIT>();
    return true;
}

void OpenLyricsEditor(App& app, int track) {
    AppState& s = app.state;
    const std::string path = lyricsFilePath(s.KASID, s.DiscKey, track);
    if (CDEDIT* open = loadedEditor(app); open && s.EditorLyricsPath != path) {
        // The open editor belongs to another track: it closes as the user would close it, with
        // the offer to save its edits; a failed save keeps it open.
        if (!open->userClose()) return;
    }
    if (lyricsFileUnreadable(path)) {
        // Opened empty, the editor's save would replace the file the user has.
        app.PlayErrorCue();
        app.msgBox("歌詞ファイルを読めません");
        return;
    }
    s.EditorLyricsPath = path;
    s.EditorSavePending = 1;
    app.show<CDEDIT>();
}

}  // namespace lirafok
