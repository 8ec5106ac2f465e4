// The registration window's layout, its opening, the paging of the rows and the two views of
// them (song names, per-song artists).
#include "editors/cddata.h"
#include "ui/control_array.h"

#include <utility>

#include "catalogue/catalogue_file.h"
#include "common/app.h"
#include "common/online_use.h"
#include "core/text.h"
#include "player/cdoke.h"

namespace lirafok {

namespace {

constexpr int kRowTop = 1560;    // top of the first row, twips
constexpr int kRowStep = 360;    // from one row to the next
constexpr int kRowHeight = 330;  // of a row's controls
constexpr int kButtonHeight = 405;

}  // namespace

CDDATA::CDDATA(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      TITLE1(*this, "TITLE1"),
      TITLE2(*this, "TITLE2"),
      ARTIST(*this, "ARTIST"),
      KYOKUNO(ui::controlArray<ui::Button, kDataRows>(*this, "KYOKUNO")),
      TRKLEN(ui::controlArray<ui::Panel, kDataRows>(*this, "TRKLEN")),
      KYOKU(ui::controlArray<ui::TextBox, kDataRows>(*this, "KYOKU")),
      Panel3D1(*this, "Panel3D1"),
      Panel3D2(*this, "Panel3D2"),
      Panel3D3(*this, "Panel3D3"),
      FONTNO(*this, "FONTNO"),
      Command3D1(*this, "Command3D1"),
      Command3D2(*this, "Command3D2"),
      Command3D3(*this, "Command3D3"),
      Command3D4(*this, "Command3D4"),
      Command3D5(*this, "Command3D5"),
      Command3D6(*this, "Command3D6"),
      Command3D7(*this, "Command3D7"),
      Command3D8(*this, "Command3D8"),
      KUBUN(*this, "KUBUN"),
      KUBUNS(*this, "KUBUNS"),
      NETGET(*this, "NETGET"),
      NETMSG(*this, "NETMSG") {
    layoutDesign();
    wireEvents();
    for (ui::Button* b : {&KUBUN, &KUBUNS, &Command3D5, &Command3D6, &Command3D7})
        b->setShowsModeState(true);
    setToolTips({
        {"KYOKUNO", "この曲の歌詞・タイミングを開く"},
        {"FONTNO", "このディスクの画面フォント（フォントセット）"},
        {"Command3D1", "次の 10 曲"},
        {"Command3D2", "前の 10 曲"},
        {"Command3D3", "登録内容を保存する"},
        {"Command3D4", "保存せずに閉じる"},
        {"Command3D5", "曲名を入力する欄にする"},
        {"Command3D6", "曲ごとのアーティストを入力する欄にする"},
        {"Command3D7", "曲ごとのアーティストを使う・使わない"},
        {"Command3D8", "別のプレスのディスクの登録を引き継ぐ（ファイル変更）"},
        {"KUBUN", "曲番号のボタンで歌詞エディタを開く"},
        {"KUBUNS", "曲番号のボタンでタイミング設定を開く"},
        {"NETGET", "タイトルと曲名をインターネット（MusicBrainz・gnudb）で探す"},
    });
}

// Inner area 8400 x 5820 twips: the title and artist at the top, the ten rows (number,
// length, name) below them with the view and tool buttons at their right, and the page, save
// and cancel buttons at the bottom.
void CDDATA::layoutDesign() {
    setCaption("ＣＤデータ登録");
    setResizable(false);
    move(2400, 1200, 8400 + kFrameWidth, 5820 + kFrameHeight);

    auto button = [](ui::Button& b, int left, int top, int width, const char* caption) {
        b.move(left, top, width, kButtonHeight);
        b.setCaption(caption);
    };
    Panel3D1.move(120, 120, 900, kRowHeight);
    Panel3D1.setCaption("Title");
    TITLE1.move(1080, 120, 4500, kRowHeight);
    TITLE2.move(1080, 480, 4500, kRowHeight);
    button(FONTNO, 5760, 120, 1320, "ﾌｫﾝﾄ標準");
    Panel3D2.move(120, 900, 900, kRowHeight);
    Panel3D2.setCaption("Artist");
    ARTIST.move(1080, 900, 4500, kRowHeight);
    button(Command3D7, 5760, 860, 1320, "曲別");
    Panel3D3.move(1560, 1200, 1200, 300);
    Panel3D3.setCaption("Song");
    for (int k = 0; k < kDataRows; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const int top = kRowTop + k * kRowStep;
        KYOKUNO[i].move(120, top, 600, kRowHeight);
        TRKLEN[i].move(780, top, 720, kRowHeight);
        TRKLEN[i].setAlignment(ui::align::kCentre);
        KYOKU[i].move(1560, top, 5160, kRowHeight);
    }
    button(Command3D5, 6900, kRowTop, 1380, "曲名");
    button(Command3D6, 6900, kRowTop + 480, 1380, "Artist");
    button(KUBUN, 6900, kRowTop + 1200, 1380, "歌 詞");
    button(KUBUNS, 6900, kRowTop + 1680, 1380, "ﾀｲﾐﾝｸﾞ");
    KUBUN.setForeColor(ui::kRed);  // a track number opens the lyrics editor at first
    button(Command3D8, 6900, kRowTop + 2400, 1380, "ファイル変更");
    button(NETGET, 6900, kRowTop + 2880, 1380, "ネット検索");
    NETMSG.move(2760, kRowTop + kDataRows * kRowStep + 180, 2880, 300);
    const int bottom = kRowTop + kDataRows * kRowStep + 120;
    button(Command3D2, 120, bottom, 1200, "前 頁");
    button(Command3D1, 1440, bottom, 1200, "次 頁");
    button(Command3D3, 5760, bottom, 1200, "保 存");
    button(Command3D4, 7080, bottom, 1200, "取 消");
}

void CDDATA::wireEvents() {
    Command3D1.onClick = [this] { Command3D1_Click(); };
    Command3D2.onClick = [this] { Command3D2_Click(); };
    Command3D3.onClick = [this] { Command3D3_Click(); };
    Command3D4.onClick = [this] { Command3D4_Click(); };
    Command3D5.onClick = [this] { Command3D5_Click(); };
    Command3D6.onClick = [this] { Command3D6_Click(); };
    Command3D7.onClick = [this] { Command3D7_Click(); };
    Command3D8.onClick = [this] { Command3D8_Click(); };
    FONTNO.onClick = [this] { FONTNO_Click(); };
    KUBUN.onClick = [this] { KUBUN_Click(); };
    KUBUNS.onClick = [this] { KUBUNS_Click(); };
    NETGET.onClick = [this] { NETGET_Click(); };
    for (int k = 0; k < kDataRows; ++k) {
        const auto i = static_cast<std::size_t>(k);
        KYOKUNO[i].onClick = [this, k] { KYOKUNO_Click(k); };
        KYOKU[i].onGotFocus = [this, k] { KYOKU_GotFocus(k); };
    }
}

void CDDATA::Form_Load() {
    // Below the main window, so that its transport stays in sight; moved up as far as needed
    // to stay on the screen.
    const CDOKE& main = cdoke(app);
    const int sh = app.svc.screen.heightTwips();
    int top = main.top() + main.height();
    if (top + height() > sh) top = sh - height();
    move(main.left(), top < 0 ? 0 : top, width(), height());
    FillFromDisc();
    m_filled = recordEntry();
    // A disc without a record and without titles of its own gets them from the databases by
    // itself, once the user has allowed online look-ups.
    // It starts once the window is on the screen, so that opening it is not counted against
    // the look-up's time.
    if (app.state.DiscUnregistered == 1 && app.state.TrackCount > 0 && !DiscCarriesText(app) &&
        OnlineAllowedQuietly(app))
        m_autoLookup = app.svc.scheduler.schedule(0, [this] {
            m_autoLookup = 0;
            startLookup(false);
        });
}

void CDDATA::FillFromDisc() {
    const AppState& s = app.state;
    for (int n = 1; n <= s.TrackCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        WorkSongName[i] = s.SongName[i];
        WorkSongArtist[i] = s.SongArtist[i];
    }
    TITLE1.setText(titleLine(s.DiscTitle, 0));
    TITLE2.setText(titleLine(s.DiscTitle, 1));
    if (TITLE2.text() == std::string(kTitleHalfBytes, ' ')) TITLE2.setText("");
    if (s.HasSongArtists == 1) {
        ARTIST.setText("");
        Command3D7.setForeColor(ui::kRed);
        Command3D5.setForeColor(ui::kRed);
    } else {
        ARTIST.setText(s.DiscArtist);
        Command3D7.setForeColor(ui::kBlack);
        Command3D5.setForeColor(ui::kBlack);
    }
    Command3D6.setForeColor(ui::kBlack);
    Panel3D2.setCaption("Artist");
    Panel3D3.setCaption("Song");
    fillRows(1);
    WorkFontSet = s.DiscFontSet;
    showFontSet();
}

int CDDATA::firstTrack() const {
    return text::val(KYOKUNO[0].caption());
}

bool CDDATA::showsArtists() const {
    return Command3D6.foreColor() == ui::kRed;
}

bool CDDATA::perSongArtists() const {
    return Command3D7.foreColor() == ui::kRed;
}

void CDDATA::storeRows() {
    const int first = firstTrack();
    auto& table = showsArtists() ? WorkSongArtist : WorkSongName;
    for (int k = 0; k < kDataRows; ++k) {
        const int n = first + k;
        if (n < 1 || n > app.state.TrackCount) continue;
        table[static_cast<std::size_t>(n)] = KYOKU[static_cast<std::size_t>(k)].text();
    }
}

void CDDATA::fillRows(int first) {
    const AppState& s = app.state;
    const auto& table = showsArtists() ? WorkSongArtist : WorkSongName;
    for (int k = 0; k < kDataRows; ++k) {
        const auto row = static_cast<std::size_t>(k);
        const int n = first + k;
        if (n < 1 || n > s.TrackCount) {
            KYOKUNO[row].setCaption("");
            TRKLEN[row].setCaption("");
            KYOKU[row].setText("");
            continue;
        }
        const auto i = static_cast<std::size_t>(n);
        KYOKUNO[row].setCaption(text::pad(n, 2));
        TRKLEN[row].setCaption(s.TrackTimeText[i]);
        KYOKU[row].setText(table[i]);
    }
}

void CDDATA::showFontSet() {
    FONTNO.setCaption(WorkFontSet == 0 ? "ﾌｫﾝﾄ標準" : "ﾌｫﾝﾄ" + text::pad(WorkFontSet, 2));
}

void CDDATA::Command3D1_Click() {
    storeRows();
    const int first = firstTrack();
    if (first + kDataRows > app.state.TrackCount) {
        app.PlayErrorCue();
        return;
    }
    app.PlayOkCue();
    fillRows(first + kDataRows);
    if (app.state.HasSongArtists == 1) ARTIST.setText("");
}

void CDDATA::Command3D2_Click() {
    storeRows();
    const int first = firstTrack();
    if (first <= 1) {
        app.PlayErrorCue();
        return;
    }
    app.PlayOkCue();
    fillRows(first - kDataRows);
    if (app.state.HasSongArtists == 1) ARTIST.setText("");
}

void CDDATA::switchView(bool artists) {
    if (!perSongArtists() || showsArtists() == artists) return;
    app.PlayOkCue();
    storeRows();
    Command3D6.setForeColor(artists ? ui::kRed : ui::kBlack);
    Command3D5.setForeColor(artists ? ui::kBlack : ui::kRed);
    Panel3D2.setCaption(artists ? "Song" : "Artist");
    Panel3D3.setCaption(artists ? "Art" : "Song");
    fillRows(firstTrack());
}

void CDDATA::Command3D5_Click() {
    switchView(false);
}

void CDDATA::Command3D6_Click() {
    switchView(true);
}

void CDDATA::Command3D7_Click() {
    AppState& s = app.state;
    storeRows();
    if (perSongArtists()) {
        for (int n = 1; n <= s.TrackCount; ++n) {
            if (WorkSongArtist[static_cast<std::size_t>(n)].empty()) continue;
            app.PlayErrorCue();
            app.msgBox("曲別Ａｒｔｉｓｔが指定されています");
            return;
        }
        app.PlayOkCue();
        // Back to the song names: the switch and both view buttons black.
        Command3D6.setForeColor(ui::kBlack);
        Command3D5.setForeColor(ui::kBlack);
        Command3D7.setForeColor(ui::kBlack);
        Panel3D2.setCaption("Artist");
        Panel3D3.setCaption("Song");
        fillRows(firstTrack());
        ARTIST.setText("");
        s.HasSongArtists = 0;
        return;
    }
    if (!ARTIST.text().empty()) {
        app.PlayErrorCue();
        app.msgBox("Ａｒｔｉｓｔが指定されています");
        return;
    }
    app.PlayOkCue();
    s.HasSongArtists = 1;
    Command3D7.setForeColor(ui::kRed);
    Command3D5.setForeColor(ui::kRed);
}

void CDDATA::KYOKU_GotFocus(int index) {
    if (!perSongArtists()) return;
    const int n = text::val(KYOKUNO[static_cast<std::size_t>(index)].caption());
    if (n < 1 || n > app.state.TrackCount) {
        ARTIST.setText("");
        return;
    }
    const auto i = static_cast<std::size_t>(n);
    ARTIST.setText(showsArtists() ? WorkSongName[i] : WorkSongArtist[i]);
}

void CDDATA::FONTNO_Click() {
    app.PlayOkCue();
    WorkFontSet = (WorkFontSet + 1) % kFontSets;
    showFontSet();
}

void CDDATA::KUBUN_Click() {
    app.PlayOkCue();
    KUBUN.setForeColor(ui::kRed);
    KUBUNS.setForeColor(ui::kBlack);
}

void CDDATA::KUBUNS_Click() {
    app.PlayOkCue();
    KUBUNS.setForeColor(ui::kRed);
    KUBUN.setForeColor(ui::kBlack);
}

}  // namespace lirafok
