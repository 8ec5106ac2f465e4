#include "program/cdtedit.h"

#include "common/app.h"
#include "core/text.h"
#include "player/cdoke.h"
#include "player/player_routines.h"

namespace lirafok {

// Windows of the folders above this one, shown and closed by their class.
class CPRINT;

namespace {

const char* const kNotRegistered = "ＣＤのデータ（Ｔｉｔｌｅ等）が登録されていません。";

// Entries of the shared tables that the player and this window exchange.
constexpr int kSideSlots = 50;

// Twips.
constexpr int kInnerWidth = 8760;
constexpr int kInnerHeight = 5880;
constexpr int kListTop = 600;
constexpr int kListWidth = 3720;
constexpr int kListHeight = 3240;
constexpr int kSideBLeft = 4920;
constexpr int kRowH = 360;

void fillFrom(ui::ListBox& list, const std::array<std::string, kTrackSlots>& table) {
    for (int i = 1; i <= kSideSlots; ++i)
        if (!table[static_cast<std::size_t>(i)].empty())
            list.addItem(table[static_cast<std::size_t>(i)]);
}

}  // namespace

CDTEDIT::CDTEDIT(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      ALL(*this, "ALL"),
      SEL(*this, "SEL"),
      AMEN(*this, "AMEN"),
      BMEN(*this, "BMEN"),
      Command3D3(*this, "Command3D3"),
      Command3D4(*this, "Command3D4"),
      Panel3D4(*this, "Panel3D4"),
      TOTALX(*this, "TOTALX"),
      ALLTIME(*this, "ALLTIME"),
      SELTIME(*this, "SELTIME"),
      AZAN(*this, "AZAN"),
      BZAN(*this, "BZAN"),
      TIMEX(*this, "TIMEX"),
      Spin1(*this, "Spin1"),
      Panel3D6(*this, "Panel3D6"),
      AI(*this, "AI"),
      HALF(*this, "HALF"),
      MAX(*this, "MAX"),
      CHECKX(*this, "CHECKX"),
      SORTX(*this, "SORTX"),
      Command3D1(*this, "Command3D1"),
      Command3D6(*this, "Command3D6"),
      Command3D2(*this, "Command3D2") {
    setCaption("編集機能");
    setResizable(false);
    move(1500, 1200, kInnerWidth + kFrameWidth, kInnerHeight + kFrameHeight);
    layout();
    wireEvents();
    for (ui::Button* b : {&AMEN, &BMEN}) b->setShowsModeState(true);
    setToolTips({
        {"AMEN", "A 面を選ぶ（演奏・印刷の対象）"},
        {"BMEN", "B 面を選ぶ（演奏・印刷の対象）"},
        {"Command3D3", "選んだ曲を B 面へ"},
        {"Command3D4", "選んだ曲を A 面へ"},
        {"Spin1", "テープの長さ（分）"},
        {"CHECKX", "曲を A 面・B 面に自動で振り分け"},
        {"SORTX", "各面を曲番号順に並べる"},
        {"Command3D1", "選んだ面を演奏する"},
        {"Command3D6", "カセットのインデックスカードを印刷"},
        {"Command3D2", "閉じる"},
        {"AZAN", "A 面の残り時間"},
        {"BZAN", "B 面の残り時間"},
        {"TOTALX", "ディスク全体の時間"},
    });
}

void CDTEDIT::layout() {
    AMEN.move(120, 120, kListWidth, kRowH + 60);
    AMEN.setCaption("Ａ面");
    BMEN.move(kSideBLeft, 120, kListWidth, kRowH + 60);
    BMEN.setCaption("Ｂ面");
    ALL.move(120, kListTop, kListWidth, kListHeight);
    ALL.setMultiSelect(true);
    SEL.move(kSideBLeft, kListTop, kListWidth, kListHeight);
    SEL.setMultiSelect(true);
    Command3D3.move(3960, 1560, 840, 480);
    Command3D3.setCaption("▶");
    Command3D4.move(3960, 2280, 840, 480);
    Command3D4.setCaption("◀");

    // Side totals and time left under each list.
    const int sums = kListTop + kListHeight + 120;
    ALLTIME.move(120, sums, 1800, kRowH);
    AZAN.move(2040, sums, 1800, kRowH);
    SELTIME.move(kSideBLeft, sums, 1800, kRowH);
    BZAN.move(kSideBLeft + 1920, sums, 1800, kRowH);
    for (ui::Panel* p : {&ALLTIME, &AZAN, &SELTIME, &BZAN, &TOTALX, &TIMEX}) {
        p->setCaption("00:00");
        p->setAlignment(ui::align::kCentre);
        p->setBackColor(ui::kWhite);
    }
    AZAN.setForeColor(ui::kBlue);
    BZAN.setForeColor(ui::kBlue);

    const int row1 = sums + kRowH + 180;
    Panel3D4.move(120, row1, 1080, kRowH);
    Panel3D4.setCaption("  TOTAL");
    TOTALX.move(1200, row1, 1200, kRowH);
    TIMEX.move(2640, row1, 720, kRowH);
    TIMEX.setCaption(std::to_string(kTapeDefaultMinutes));
    Spin1.move(3360, row1, 300, kRowH);
    Panel3D6.move(3660, row1, 480, kRowH);
    Panel3D6.setCaption("分");
    Panel3D6.setFlat(true);
    AI.move(4440, row1, 720, kRowH);
    AI.setCaption("AI");
    HALF.move(5280, row1, 840, kRowH);
    HALF.setCaption("CD");
    HALF.setValue(true);
    MAX.move(6120, row1, 960, kRowH);
    MAX.setCaption("TIME");
    CHECKX.move(7200, row1, 1440, kRowH);
    CHECKX.setCaption("CHECK");

    const int row2 = row1 + kRowH + 180;
    SORTX.move(120, row2, 1680, 480);
    SORTX.setCaption("SORT");
    Command3D1.move(3360, row2, 1680, 480);
    Command3D1.setCaption("演  奏");
    Command3D6.move(5160, row2, 1680, 480);
    Command3D6.setCaption("印  刷");
    Command3D2.move(6960, row2, 1680, 480);
    Command3D2.setCaption("取  消");
}

void CDTEDIT::wireEvents() {
    AMEN.onClick = [this] { AMEN_Click(); };
    BMEN.onClick = [this] { BMEN_Click(); };
    ALL.onClick = [this] { ALL_Click(); };
    SEL.onClick = [this] { SEL_Click(); };
    Command3D3.onClick = [this] { Command3D3_Click(); };
    Command3D4.onClick = [this] { Command3D4_Click(); };
    CHECKX.onClick = [this] { CHECKX_Click(); };
    SORTX.onClick = [this] { SORTX_Click(); };
    Spin1.onSpinUp = [this] { Spin1_SpinUp(); };
    Spin1.onSpinDown = [this] { Spin1_SpinDown(); };
    Command3D1.onClick = [this] { Command3D1_Click(); };
    Command3D6.onClick = [this] { Command3D6_Click(); };
    Command3D2.onClick = [this] { Command3D2_Click(); };
}

int CDTEDIT::tapeMinutes() const {
    return text::val(TIMEX.caption());
}

void CDTEDIT::Form_Load() {
    const AppState& s = app.state;
    ALL.clear();
    SEL.clear();
    bool sideB = false;
    if (s.TapeSidePlaying == "A") {
        fillFrom(ALL, s.PlayList);
        fillFrom(SEL, s.PickedMark);
    } else if (s.TapeSidePlaying == "B") {
        fillFrom(ALL, s.PickedMark);
        fillFrom(SEL, s.PlayList);
        sideB = true;
    } else {
        for (int t = 1; t <= s.TrackCount; ++t) ALL.addItem(trackEntry(s, t));
    }
    AMEN.setForeColor(sideB ? ui::kBlack : ui::kRed);
    BMEN.setForeColor(sideB ? ui::kRed : ui::kBlack);
    SideASelected = 0;
    SideBSelected = 0;
    ShowSideTimes();
}

void CDTEDIT::Form_QueryUnload(bool& cancel, ui::UnloadMode mode) {
    // Closing by the frame is the cancel button: the division is dropped with the window.
}

void CDTEDIT::AMEN_Click() {
    app.PlayOkCue();
    AMEN.setForeColor(ui::kRed);
    BMEN.setForeColor(ui::kBlack);
}

void CDTEDIT::BMEN_Click() {
    app.PlayOkCue();
    BMEN.setForeColor(ui::kRed);
    AMEN.setForeColor(ui::kBlack);
}

void CDTEDIT::ALL_Click() {
    Command3D3.setForeColor(ui::kRed);
    SideASelected = 1;
}

void CDTEDIT::SEL_Click() {
    Command3D4.setForeColor(ui::kRed);
    SideBSelected = 1;
}

void CDTEDIT::moveSelected(ui::ListBox& from, ui::ListBox& to, std::int32_t& flag) {
    app.PlayOkCue();
    if (flag == 1) {
        for (int i = 0; i < from.listCount(); ++i)
            if (from.selected(i)) to.addItem(from.list(i));
        for (int i = from.listCount() - 1; i >= 0; --i)
            if (from.selected(i)) from.removeItem(i);
        flag = 0;
    }
    Command3D3.setForeColor(ui::kBlack);
    Command3D4.setForeColor(ui::kBlack);
    ShowSideTimes();
}

void CDTEDIT::Command3D3_Click() {
    moveSelected(ALL, SEL, SideASelected);
}

void CDTEDIT::Command3D4_Click() {
    moveSelected(SEL, ALL, SideBSelected);
}

void CDTEDIT::SORTX_Click() {
    app.PlayOkCue();
    SortSides();
}

void CDTEDIT::Spin1_SpinUp() {
    const int m = tapeMinutes();
    if (m >= kTapeMaxMinutes) {
        app.PlayErrorCue();
        return;
    }
    TIMEX.setCaption(std::to_string(m + 1));
    ShowSideTimes();  // the time left on each side follows the tape's length
}

void CDTEDIT::Spin1_SpinDown() {
    const int m = tapeMinutes();
    if (m <= kTapeMinMinutes) {
        app.PlayErrorCue();
        return;
    }
    TIMEX.setCaption(std::to_string(m - 1));
    ShowSideTimes();
}

void CDTEDIT::Command3D1_Click() {
    AppState& s = app.state;
    CDOKE& main = cdoke(app);
    app.PlayOkCue();
    for (int i = 1; i <= kSideSlots; ++i) {
        s.PlayList[static_cast<std::size_t>(i)].clear();
        s.PickedMark[static_cast<std::size_t>(i)].clear();
    }
    const bool b = sideBCurrent();
    const ui::ListBox& played = b ? SEL : ALL;
    const ui::ListBox& kept = b ? ALL : SEL;
    // The shared tables hold entries 1..101.
    for (int i = 0; i < played.listCount() && i + 1 < kTrackSlots; ++i)
        s.PlayList[static_cast<std::size_t>(i + 1)] = played.list(i);
    for (int i = 0; i < kept.listCount() && i + 1 < kTrackSlots; ++i)
        s.PickedMark[static_cast<std::size_t>(i + 1)] = kept.list(i);
    s.TapeSidePlaying = b ? "B" : "A";
    device::MMControl& mci = main.MMControl1;
    if (SEL.listCount() > 0) {
        s.ProgramPlay = 1;
        s.PlayListIndex = -1;
        s.PlayListCount = played.listCount();
        main.showMode(CDOKE::ModeButton::Edit, true);
    } else {
        // Nothing on side B: the whole disc is one side, played normally from track 1.
        s.ProgramPlay = 0;
        main.showMode(CDOKE::ModeButton::Edit, false);
        mci.setTrack(1);
        main.showTrack(1);
        mci.setTo(mci.TrackPosition());
        // A seek that fails leaves the position where it was; the display reads it back.
        (void)mci.command(device::Command::Seek);
        s.LyricsLoadedTrack = text::val(main.TRKNO.caption());
        UpdateTrackDisplay(app);
    }
    if (s.ProgramPlay == 1) {
        s.PlayListIndex = 0;
        mci.setUpdateInterval(device::StatusMarker::Started);
    }
    s.startArmedRepeat();
    RefreshTrackList(app);
    app.unload<CDTEDIT>();
}

void CDTEDIT::Command3D6_Click() {
    if (app.state.DiscUnregistered == 1) {
        app.PlayErrorCue();
        app.msgBox(kNotRegistered);
        return;
    }
    app.PlayOkCue();
    app.show<CPRINT>();
}

void CDTEDIT::Command3D2_Click() {
    app.PlayOkCue();
    app.unload<CDTEDIT>();
}

}  // namespace lirafok
